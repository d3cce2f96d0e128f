#include "platform/x11/XcbUtil.h"

#include <QGuiApplication>

#include <xcb/randr.h>

#include <algorithm>
#include <cstring>

namespace kelvo::x11 {

std::optional<OpenConnection> connectToDisplay()
{
    int screenNumber = 0;
    Connection c(xcb_connect(nullptr, &screenNumber));
    if (!c || xcb_connection_has_error(c.get()))
        return std::nullopt;
    xcb_screen_t *screen = screenOf(c.get(), screenNumber);
    if (!screen)
        return std::nullopt;
    return OpenConnection{std::move(c), screen};
}

xcb_connection_t *qtConnection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_screen_t *screenOf(xcb_connection_t *connection, int screenNumber)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; it.rem; ++i, xcb_screen_next(&it)) {
        if (i == screenNumber)
            return it.data;
    }
    return nullptr;
}

xcb_atom_t internAtom(xcb_connection_t *c, const char *name, bool onlyIfExists)
{
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, uint8_t(onlyIfExists ? 1 : 0), static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString atomName(xcb_connection_t *c, xcb_atom_t atom)
{
    Reply<xcb_get_atom_name_reply_t> r(xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr));
    if (!r)
        return {};
    return QString::fromUtf8(xcb_get_atom_name_name(r.get()), xcb_get_atom_name_name_length(r.get()));
}

std::vector<Monitor> monitors(xcb_connection_t *c, xcb_screen_t *screen)
{
    std::vector<Monitor> list;
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_randr_id);
    if (ext && ext->present) {
        Reply<xcb_randr_query_version_reply_t> version(
            xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr));
        if (version && (version->major_version > 1 || version->minor_version >= 5)) {
            Reply<xcb_randr_get_monitors_reply_t> r(
                xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, screen->root, 1), nullptr));
            if (r) {
                for (auto it = xcb_randr_get_monitors_monitors_iterator(r.get()); it.rem;
                     xcb_randr_monitor_info_next(&it)) {
                    const xcb_randr_monitor_info_t *m = it.data;
                    list.push_back({atomName(c, m->name), QRect(m->x, m->y, m->width, m->height),
                                    m->primary != 0});
                }
            }
        }
    }
    if (list.empty()) {
        // No RandR 1.5: the whole screen is one display.
        list.push_back({QStringLiteral("screen"),
                        QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels), true});
    }
    if (std::none_of(list.begin(), list.end(), [](const Monitor &m) { return m.primary; }))
        list.front().primary = true;
    std::stable_partition(list.begin(), list.end(), [](const Monitor &m) { return m.primary; });
    return list;
}

std::optional<Monitor> findMonitor(xcb_connection_t *c, xcb_screen_t *screen, const QString &name)
{
    for (Monitor &m : monitors(c, screen)) {
        if (m.name == name)
            return std::move(m);
    }
    return std::nullopt;
}

OwnershipCache::OwnershipCache(xcb_connection_t *c, unsigned pid)
    : c_(c), pid_(pid), pidAtom_(internAtom(c, "_NET_WM_PID"))
{
}

std::optional<unsigned> OwnershipCache::pidOf(xcb_window_t window)
{
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c_, xcb_get_property(c_, 0, window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1), nullptr));
    if (!r || r->format != 32 || xcb_get_property_value_length(r.get()) < 4)
        return std::nullopt;
    return *static_cast<const uint32_t *>(xcb_get_property_value(r.get()));
}

bool OwnershipCache::isOwn(xcb_window_t topLevel)
{
    if (auto it = known_.find(topLevel); it != known_.end())
        return it->second;
    bool own = false;
    if (auto pid = pidOf(topLevel)) {
        own = *pid == pid_;
    } else {
        // A window manager frame: look at the clients inside it, two levels deep.
        std::vector<xcb_window_t> level{topLevel};
        for (int depth = 0; depth < 2 && !own && !level.empty(); ++depth) {
            std::vector<xcb_window_t> next;
            for (xcb_window_t w : level) {
                Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr));
                if (!tree)
                    continue;
                const xcb_window_t *kids = xcb_query_tree_children(tree.get());
                for (int i = 0; i < xcb_query_tree_children_length(tree.get()) && !own; ++i) {
                    if (auto childPid = pidOf(kids[i]))
                        own = *childPid == pid_;
                    else
                        next.push_back(kids[i]);
                }
            }
            level = std::move(next);
        }
    }
    known_.emplace(topLevel, own);
    return own;
}

void OwnershipCache::retainOnly(const std::vector<xcb_window_t> &present)
{
    for (auto it = known_.begin(); it != known_.end();) {
        if (std::find(present.begin(), present.end(), it->first) == present.end())
            it = known_.erase(it);
        else
            ++it;
    }
}

} // namespace kelvo::x11
