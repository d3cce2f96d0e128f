// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/ScreenGrabber.h"

#include "platform/x11/CompositeRedirect.h"

#include <QCoreApplication>

#include <xcb/composite.h>
#include <xcb/shm.h>
#include <xcb/xcb_renderutil.h>
#include <xcb/xfixes.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>

namespace kelvo::x11 {

namespace {
// Room around an own window for the shadow a compositing manager may draw.
constexpr int shadowMargin = 20;

bool extensionPresent(xcb_connection_t *c, xcb_extension_t *ext)
{
    const xcb_query_extension_reply_t *r = xcb_get_extension_data(c, ext);
    return r && r->present;
}
} // namespace

struct FramePool::Lease {
    std::shared_ptr<FramePool> pool;
    std::unique_ptr<uint32_t[]> pixels;
};

QImage FramePool::take(QSize size)
{
    // Enough for the newest frame, the encoder's queue and a few kept by callers.
    std::unique_ptr<uint32_t[]> pixels;
    {
        std::lock_guard lock(mutex_);
        if (size != size_) {
            free_.clear();
            size_ = size;
        }
        if (!free_.empty()) {
            pixels = std::move(free_.back());
            free_.pop_back();
        }
    }
    if (!pixels)
        pixels.reset(new uint32_t[std::size_t(size.width()) * std::size_t(size.height())]);
    auto *lease = new Lease{shared_from_this(), std::move(pixels)};
    return QImage(reinterpret_cast<uchar *>(lease->pixels.get()), size.width(), size.height(), size.width() * 4,
                  QImage::Format_RGB32, &FramePool::giveBack, lease);
}

void FramePool::giveBack(void *info)
{
    std::unique_ptr<Lease> lease(static_cast<Lease *>(info));
    constexpr std::size_t kept = 10;
    std::lock_guard lock(lease->pool->mutex_);
    if (lease->pool->free_.size() < kept)
        lease->pool->free_.push_back(std::move(lease->pixels));
}

std::unique_ptr<ShmSegment> ShmSegment::create(xcb_connection_t *c, std::size_t size)
{
    std::unique_ptr<ShmSegment> s(new ShmSegment);
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0)
        return nullptr;
    void *addr = shmat(id, nullptr, 0);
    if (addr == reinterpret_cast<void *>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return nullptr;
    }
    s->c_ = c;
    s->addr_ = addr;
    s->seg_ = xcb_generate_id(c);
    Reply<xcb_generic_error_t> error(xcb_request_check(c, xcb_shm_attach_checked(c, s->seg_, id, 0)));
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        s->seg_ = 0;
        return nullptr;
    }
    return s;
}

ShmSegment::~ShmSegment()
{
    if (seg_ != 0 && !xcb_connection_has_error(c_)) {
        xcb_shm_detach(c_, seg_);
        xcb_flush(c_);
    }
    if (addr_)
        shmdt(addr_);
}

std::unique_ptr<ScreenGrabber> ScreenGrabber::create(xcb_connection_t *c, xcb_screen_t *screen, QRect area,
                                                     unsigned ownPid, QString *error)
{
    std::unique_ptr<ScreenGrabber> g(new ScreenGrabber);
    g->c_ = c;
    g->screen_ = screen;
    g->area_ = area;
    if (!extensionPresent(c, &xcb_shm_id)) {
        *error = QCoreApplication::translate("kelvo::X11RecordingEngine", "The X server offers no shared memory (MIT-SHM).");
        return nullptr;
    }
    if (screen->root_depth != 24 && screen->root_depth != 32) {
        *error = QCoreApplication::translate("kelvo::X11RecordingEngine", "The screen's colour depth (%1 bits) cannot be recorded.").arg(screen->root_depth);
        return nullptr;
    }
    const std::size_t bytes = std::size_t(area.width()) * std::size_t(area.height()) * 4;
    g->shm_ = ShmSegment::create(c, bytes);
    g->patchShm_ = ShmSegment::create(c, bytes);
    if (!g->shm_ || !g->patchShm_) {
        *error = QCoreApplication::translate("kelvo::X11RecordingEngine", "Couldn't set up shared memory for screen capture.");
        return nullptr;
    }
    if (extensionPresent(c, &xcb_xfixes_id)) {
        Reply<xcb_xfixes_query_version_reply_t> fv(
            xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
        g->cursor_ = bool(fv);
    }
    if (extensionPresent(c, &xcb_composite_id) && extensionPresent(c, &xcb_render_id)) {
        Reply<xcb_composite_query_version_reply_t> cv(
            xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr));
        g->formats_.reset(xcb_render_query_pict_formats_reply(c, xcb_render_query_pict_formats(c), nullptr));
        // Window pictures hold whole windows only while top-levels are redirected;
        // on this connection, so that it ends with the recording.
        g->composite_ = cv && g->formats_ && g->formatFor(screen->root_visual) != 0 &&
                        redirectTopLevels(c, screen->root);
    }
    if (g->composite_) {
        g->compositingManager_ = compositingManagerRunning(c, 0);
        g->rootPixmapAtom_ = internAtom(c, "_XROOTPMAP_ID");
        g->ownership_ = std::make_unique<OwnershipCache>(c, ownPid);
    }
    return g;
}

ScreenGrabber::~ScreenGrabber() = default;

xcb_render_pictformat_t ScreenGrabber::formatFor(xcb_visualid_t visual, uint8_t *depth) const
{
    if (!formats_)
        return 0;
    for (auto s = xcb_render_query_pict_formats_screens_iterator(formats_.get()); s.rem;
         xcb_render_pictscreen_next(&s)) {
        for (auto d = xcb_render_pictscreen_depths_iterator(s.data); d.rem; xcb_render_pictdepth_next(&d)) {
            const xcb_render_pictvisual_t *v = xcb_render_pictdepth_visuals(d.data);
            for (int i = 0; i < xcb_render_pictdepth_visuals_length(d.data); ++i) {
                if (v[i].visual == visual) {
                    if (depth)
                        *depth = d.data->depth;
                    return v[i].format;
                }
            }
        }
    }
    return 0;
}

void ScreenGrabber::scanWindows()
{
    topLevels_.clear();
    ownRects_.clear();
    ownFrames_.clear();
    if (!composite_)
        return;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, screen_->root), nullptr));
    if (!tree)
        return;
    const xcb_window_t *kids = xcb_query_tree_children(tree.get());
    const int n = xcb_query_tree_children_length(tree.get());
    // Ask for everything first, then read: one round trip for all windows.
    std::vector<xcb_get_window_attributes_cookie_t> attrCookies(n);
    std::vector<xcb_get_geometry_cookie_t> geoCookies(n);
    for (int i = 0; i < n; ++i) {
        attrCookies[i] = xcb_get_window_attributes(c_, kids[i]);
        geoCookies[i] = xcb_get_geometry(c_, kids[i]);
    }
    std::vector<xcb_window_t> present(kids, kids + n);
    for (int i = 0; i < n; ++i) {
        Reply<xcb_get_window_attributes_reply_t> a(xcb_get_window_attributes_reply(c_, attrCookies[i], nullptr));
        Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c_, geoCookies[i], nullptr));
        if (!a || !g || a->map_state != XCB_MAP_STATE_VIEWABLE || a->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
            continue;
        const QRect frame(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
        if (!frame.intersects(area_))
            continue;
        const bool own = ownership_->isOwn(kids[i]);
        topLevels_.push_back({kids[i], a->visual, frame, g->border_width, own});
        if (own) {
            ownFrames_.push_back(frame);
            ownRects_.push_back(frame.adjusted(-shadowMargin, -shadowMargin, shadowMargin, shadowMargin));
        }
    }
    ownership_->retainOnly(present);
}

std::vector<xcb_window_t> ScreenGrabber::windowsUnderOwn() const
{
    std::vector<xcb_window_t> under;
    for (const TopLevel &w : topLevels_) {
        if (!w.own && std::any_of(ownRects_.begin(), ownRects_.end(),
                                  [&](const QRect &own) { return own.intersects(w.frame); }))
            under.push_back(w.window);
    }
    return under;
}

QImage ScreenGrabber::grab()
{
    scanWindows();
    // Asked for now, read after the grab: one round trip for both.
    xcb_xfixes_get_cursor_image_cookie_t cursorCookie{};
    if (cursor_)
        cursorCookie = xcb_xfixes_get_cursor_image(c_);
    Reply<xcb_shm_get_image_reply_t> r(xcb_shm_get_image_reply(
        c_,
        xcb_shm_get_image(c_, screen_->root, int16_t(area_.x()), int16_t(area_.y()), uint16_t(area_.width()),
                          uint16_t(area_.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, shm_->seg(), 0),
        nullptr));
    Reply<xcb_xfixes_get_cursor_image_reply_t> cursor(
        cursor_ ? xcb_xfixes_get_cursor_image_reply(c_, cursorCookie, nullptr) : nullptr);
    if (!r)
        return {};
    for (const QRect &own : ownRects_)
        compose(own.intersected(area_));

    // Copy out of the shared segment (the server writes it again on the next
    // grab) and make the padding byte opaque in the same pass.
    QImage image = pool_->take(area_.size());
    const auto *src = reinterpret_cast<const uint32_t *>(shm_->data());
    const qsizetype count = qsizetype(area_.width()) * area_.height();
    // bits() of a fresh image with one owner does not copy.
    auto *dst = reinterpret_cast<uint32_t *>(image.bits());
    for (qsizetype i = 0; i < count; ++i)
        dst[i] = src[i] | 0xff000000u;
    if (cursor)
        drawCursor(image, *cursor);
    return image;
}

void ScreenGrabber::drawCursor(QImage &image, const xcb_xfixes_get_cursor_image_reply_t &cursor) const
{
    // The pointer as the user sees it: premultiplied ARGB laid OVER the frame.
    const uint32_t *pixels = xcb_xfixes_get_cursor_image_cursor_image(&cursor);
    if (xcb_xfixes_get_cursor_image_cursor_image_length(&cursor) < int(cursor.width) * cursor.height)
        return;
    const int left = cursor.x - cursor.xhot - area_.x();
    const int top = cursor.y - cursor.yhot - area_.y();
    for (int y = std::max(0, -top); y < cursor.height && top + y < image.height(); ++y) {
        auto *line = reinterpret_cast<uint32_t *>(image.scanLine(top + y));
        for (int x = std::max(0, -left); x < cursor.width && left + x < image.width(); ++x) {
            const uint32_t p = pixels[y * cursor.width + x];
            const uint32_t a = p >> 24;
            if (a == 0)
                continue;
            uint32_t &d = line[left + x];
            auto channel = [&](int shift) {
                const uint32_t over = (p >> shift) & 0xff;
                const uint32_t under = (d >> shift) & 0xff;
                return std::min(255u, over + under * (255 - a) / 255) << shift;
            };
            d = 0xff000000u | channel(16) | channel(8) | channel(0);
        }
    }
}

void ScreenGrabber::compose(const QRect &rect)
{
    if (rect.isEmpty())
        return;
    const xcb_render_pictformat_t rootFormat = formatFor(screen_->root_visual);
    const xcb_pixmap_t pixmap = xcb_generate_id(c_);
    xcb_create_pixmap(c_, screen_->root_depth, pixmap, screen_->root, uint16_t(rect.width()),
                      uint16_t(rect.height()));
    const xcb_render_picture_t target = xcb_generate_id(c_);
    xcb_render_create_picture(c_, target, pixmap, rootFormat, 0, nullptr);

    // The desktop behind all windows.
    bool background = false;
    if (rootPixmapAtom_ != XCB_ATOM_NONE) {
        Reply<xcb_get_property_reply_t> p(xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, screen_->root, rootPixmapAtom_, XCB_ATOM_PIXMAP, 0, 1), nullptr));
        if (p && p->format == 32 && xcb_get_property_value_length(p.get()) >= 4) {
            const xcb_pixmap_t wallpaper = *static_cast<const uint32_t *>(xcb_get_property_value(p.get()));
            const xcb_render_picture_t wp = xcb_generate_id(c_);
            Reply<xcb_generic_error_t> err(xcb_request_check(
                c_, xcb_render_create_picture_checked(c_, wp, wallpaper, rootFormat, 0, nullptr)));
            if (!err) {
                xcb_render_composite(c_, XCB_RENDER_PICT_OP_SRC, wp, XCB_NONE, target, int16_t(rect.x()),
                                     int16_t(rect.y()), 0, 0, 0, 0, uint16_t(rect.width()), uint16_t(rect.height()));
                xcb_render_free_picture(c_, wp);
                background = true;
            }
        }
    }
    if (!background) {
        const xcb_render_color_t black{0, 0, 0, 0xffff};
        const xcb_rectangle_t all{0, 0, uint16_t(rect.width()), uint16_t(rect.height())};
        xcb_render_fill_rectangles(c_, XCB_RENDER_PICT_OP_SRC, target, black, 1, &all);
    }

    for (const TopLevel &w : topLevels_) {
        const QRect part = w.frame.intersected(rect);
        if (w.own || part.isEmpty())
            continue;
        uint8_t depth = 0;
        const xcb_render_pictformat_t format = formatFor(w.visual, &depth);
        if (!format)
            continue;
        const xcb_render_picture_t source = xcb_generate_id(c_);
        const uint32_t mode = XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS;
        xcb_render_create_picture(c_, source, w.window, format, XCB_RENDER_CP_SUBWINDOW_MODE, &mode);
        const uint8_t op =
            (depth == 32 && compositingManager_) ? XCB_RENDER_PICT_OP_OVER : XCB_RENDER_PICT_OP_SRC;
        // The window's picture starts inside its border.
        xcb_render_composite(c_, op, source, XCB_NONE, target, int16_t(part.x() - w.frame.x() - w.border),
                             int16_t(part.y() - w.frame.y() - w.border), 0, 0, int16_t(part.x() - rect.x()),
                             int16_t(part.y() - rect.y()), uint16_t(part.width()), uint16_t(part.height()));
        xcb_render_free_picture(c_, source);
    }

    Reply<xcb_shm_get_image_reply_t> r(xcb_shm_get_image_reply(
        c_,
        xcb_shm_get_image(c_, pixmap, 0, 0, uint16_t(rect.width()), uint16_t(rect.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, patchShm_->seg(), 0),
        nullptr));
    xcb_render_free_picture(c_, target);
    xcb_free_pixmap(c_, pixmap);
    if (!r)
        return;
    // Lay the composed patch over the plain grab.
    const auto *patch = reinterpret_cast<const uint32_t *>(patchShm_->data());
    auto *grabbed = reinterpret_cast<uint32_t *>(shm_->data());
    const int dx = rect.x() - area_.x();
    for (int y = 0; y < rect.height(); ++y) {
        std::memcpy(grabbed + std::size_t(rect.y() - area_.y() + y) * area_.width() + dx,
                    patch + std::size_t(y) * rect.width(), std::size_t(rect.width()) * 4);
    }
}

} // namespace kelvo::x11
