#pragma once

#include <QRect>
#include <QString>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>
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
