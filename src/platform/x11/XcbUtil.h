// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>

#include <xcb/xcb.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kelvo::x11 {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
// An xcb reply or event, freed with free().
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

struct ConnectionDeleter {
    void operator()(xcb_connection_t *c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionDeleter>;

// A private connection to $DISPLAY; nothing when the server cannot be reached.
struct OpenConnection {
    Connection connection;
    xcb_screen_t *screen = nullptr;
};
std::optional<OpenConnection> connectToDisplay();

// The screen of Qt's own connection (xcb platform only).
xcb_connection_t *qtConnection();
xcb_screen_t *screenOf(xcb_connection_t *connection, int screenNumber = 0);

xcb_atom_t internAtom(xcb_connection_t *c, const char *name, bool onlyIfExists = false);
QString atomName(xcb_connection_t *c, xcb_atom_t atom);

// Atoms of one connection, interned once. Only names some client has interned
// already are found (only_if_exists): a name nobody used is on no window, and
// reading must not create atoms. Unknown names are asked again. Thread-safe.
class AtomCache {
public:
    explicit AtomCache(xcb_connection_t *c = nullptr) : c_(c) {}
    void setConnection(xcb_connection_t *c) { c_ = c; }
    xcb_atom_t get(const char *name) const;

private:
    mutable std::mutex mutex_;
    xcb_connection_t *c_;
    mutable std::unordered_map<std::string, xcb_atom_t> atoms_;
};

// A private connection to $DISPLAY, opened on first use and kept; after a
// failed attempt nothing (not retried). Thread-safe.
class SharedDisplay {
public:
    xcb_connection_t *connection();
    // Valid once connection() gave one.
    xcb_window_t root() const { return root_; }
    const AtomCache &atoms() const { return atoms_; }

private:
    std::mutex mutex_;
    std::optional<OpenConnection> open_;
    bool failed_ = false;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    AtomCache atoms_;
};

// A property's 32-bit values of the given type (at most count); empty when it
// is absent, of another type or property is XCB_ATOM_NONE.
std::vector<uint32_t> cardinals(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                uint32_t count);
std::optional<uint32_t> cardinal(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type);
// The bytes of an 8-bit property of any type, at most limit 32-bit units.
QByteArray textProperty(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, uint32_t limit);

// The screen number of $DISPLAY (":0.1" is 1), 0 when it names none.
int displayScreenNumber();
// Whether a compositing manager owns _NET_WM_CM_Sn for the screen. Without one,
// transparent pixels of a window show as black.
bool compositingManagerRunning(xcb_connection_t *c, int screenNumber);
// An X11 display with MIT-SHM answers.
bool sharedMemoryAvailable();
// Sets a STRING property of the root window to value() unless it has one.
void setRootTextPropertyOnce(const char *name, const std::function<QByteArray()> &value);

// One monitor of the RandR 1.5 list (or the whole screen where RandR is missing).
struct Monitor {
    QString name;
    QRect frame; // global pixels
    bool primary = false;
};
std::vector<Monitor> monitors(xcb_connection_t *c, xcb_screen_t *screen);
std::optional<Monitor> findMonitor(xcb_connection_t *c, xcb_screen_t *screen, const QString &name);

// Tells whether a top-level window (a child of the root: a client or a window
// manager frame around one) belongs to the given process, by _NET_WM_PID of the
// window or of the client inside the frame. Remembers answers per window id.
class OwnershipCache {
public:
    OwnershipCache(xcb_connection_t *c, unsigned pid);
    bool isOwn(xcb_window_t topLevel);
    // The window itself carries this process's _NET_WM_PID (no frame lookup, no cache).
    bool carriesOwnPid(xcb_window_t window) { return pidOf(window) == pid_; }
    // Drops windows no longer present.
    void retainOnly(const std::vector<xcb_window_t> &present);

private:
    std::optional<unsigned> pidOf(xcb_window_t window);
    xcb_connection_t *c_;
    unsigned pid_;
    xcb_atom_t pidAtom_;
    std::unordered_map<xcb_window_t, bool> known_;
};

} // namespace kelvo::x11
