// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRect>

#include <xcb/render.h>
#include <xcb/xfixes.h>
#include <xcb/xcb.h>

#include <memory>
#include <mutex>
#include <vector>

#include "platform/x11/XcbUtil.h"

namespace kelvo::x11 {

// One shared-memory segment attached to the server: mode 0600 and marked for
// removal as soon as both sides hold it, so nothing outlives the process.
class ShmSegment {
public:
    static std::unique_ptr<ShmSegment> create(xcb_connection_t *c, std::size_t size);
    ~ShmSegment();
    ShmSegment(const ShmSegment &) = delete;
    ShmSegment &operator=(const ShmSegment &) = delete;
    uint32_t seg() const { return seg_; }
    uchar *data() const { return static_cast<uchar *>(addr_); }

private:
    ShmSegment() = default;
    xcb_connection_t *c_ = nullptr;
    void *addr_ = nullptr;
    uint32_t seg_ = 0;
};

// Pixel buffers for frames, used again once every copy of a frame is gone:
// a fresh 8 MB buffer per frame would cost a page fault per 4 kB.
class FramePool : public std::enable_shared_from_this<FramePool> {
public:
    // An RGB32 image of size whose buffer comes back here when released.
    QImage take(QSize size);

private:
    struct Lease;
    static void giveBack(void *lease);
    std::mutex mutex_;
    std::vector<std::unique_ptr<uint32_t[]>> free_;
    QSize size_;
};

// Grabs one area of the screen with MIT-SHM. Where Composite is available the
// parts covered by this process's own windows are composed again from the
// windows below them (stacking order, "include inferiors"), so Kelvo never
// shows up in its own recording. Capture thread only.
class ScreenGrabber {
public:
    static std::unique_ptr<ScreenGrabber> create(xcb_connection_t *c, xcb_screen_t *screen, QRect area,
                                                 unsigned ownPid, QString *error);
    ~ScreenGrabber();

    // The area as an RGB32 image with the pointer drawn in; null when the
    // server refused the grab.
    QImage grab();
    bool excludesOwnWindows() const { return composite_; }
    // Rectangles (global pixels, with margin) of own windows seen at the last grab.
    const std::vector<QRect> &ownRects() const { return ownRects_; }
    // The own windows themselves, without the margin.
    const std::vector<QRect> &ownFrames() const { return ownFrames_; }
    // Other windows that own windows cover, in part or whole, at the last grab:
    // their changes reach the screen's own damage only where they show.
    std::vector<xcb_window_t> windowsUnderOwn() const;
    // Refreshes ownRects() without grabbing.
    void scanWindows();

private:
    struct TopLevel {
        xcb_window_t window;
        xcb_visualid_t visual;
        QRect frame; // with the border
        int border;
        bool own;
    };
    ScreenGrabber() = default;
    void compose(const QRect &rect);
    void drawCursor(QImage &image, const xcb_xfixes_get_cursor_image_reply_t &cursor) const;
    xcb_render_pictformat_t formatFor(xcb_visualid_t visual, uint8_t *depth = nullptr) const;

    xcb_connection_t *c_ = nullptr;
    xcb_screen_t *screen_ = nullptr;
    QRect area_;
    bool composite_ = false;
    bool cursor_ = false;
    bool compositingManager_ = false;
    std::unique_ptr<ShmSegment> shm_;
    std::unique_ptr<ShmSegment> patchShm_;
    Reply<xcb_render_query_pict_formats_reply_t> formats_;
    xcb_atom_t rootPixmapAtom_ = XCB_ATOM_NONE;
    std::unique_ptr<OwnershipCache> ownership_;
    std::vector<TopLevel> topLevels_;
    std::vector<QRect> ownRects_;
    std::vector<QRect> ownFrames_;
    std::shared_ptr<FramePool> pool_ = std::make_shared<FramePool>();
};

} // namespace kelvo::x11
