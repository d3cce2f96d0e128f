// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Windows.h"

#include <vector>

namespace kelvo::x11 {

std::optional<qint64> pidOfWindow(xcb_connection_t *c, xcb_atom_t netWmPid, xcb_window_t window)
{
    const std::optional<uint32_t> pid = cardinal(c, window, netWmPid, XCB_ATOM_CARDINAL);
    return pid && *pid != 0 ? std::optional<qint64>(*pid) : std::nullopt;
}

bool isClientWindow(xcb_connection_t *c, xcb_atom_t wmState, xcb_window_t window)
{
    if (wmState == XCB_ATOM_NONE)
        return false;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0), nullptr));
    return reply && reply->type != XCB_ATOM_NONE;
}

bool anyBelow(xcb_connection_t *c, xcb_window_t topLevel, int depth,
              const std::function<bool(xcb_window_t window)> &visit)
{
    std::vector<xcb_window_t> level{topLevel};
    for (int d = 0; d < depth && !level.empty(); ++d) {
        std::vector<xcb_window_t> next;
        for (xcb_window_t window : level) {
            Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
            if (!tree)
                continue;
            const xcb_window_t *children = xcb_query_tree_children(tree.get());
            for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
                if (visit(children[i]))
                    return true;
                next.push_back(children[i]);
            }
        }
        level = std::move(next);
    }
    return false;
}

xcb_window_t clientOf(xcb_connection_t *c, const AtomCache &atoms, xcb_window_t topLevel)
{
    const xcb_atom_t netWmPid = atoms.get("_NET_WM_PID");
    const xcb_atom_t wmState = atoms.get("WM_STATE");
    if (pidOfWindow(c, netWmPid, topLevel) || isClientWindow(c, wmState, topLevel))
        return topLevel;
    xcb_window_t client = topLevel;
    anyBelow(c, topLevel, clientSearchDepth, [&](xcb_window_t window) {
        if (!isClientWindow(c, wmState, window))
            return false;
        client = window;
        return true;
    });
    return client;
}

std::optional<QRect> TopLevelWindows::screenRect(xcb_connection_t *c, xcb_window_t window)
{
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, display_.root(), 0, 0), nullptr));
    if (!geometry || !origin)
        return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

std::optional<TopLevelWindows::Window> TopLevelWindows::at(int x, int y)
{
    xcb_connection_t *c = display_.connection();
    if (!c)
        return std::nullopt;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, display_.root()), nullptr));
    if (!tree)
        return std::nullopt;
    const xcb_window_t *windows = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    // All requests first, then the replies: one round trip instead of 2 per window.
    std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
    std::vector<xcb_get_geometry_cookie_t> geometryCookies;
    for (int i = 0; i < count; ++i) {
        attributeCookies.push_back(xcb_get_window_attributes(c, windows[i]));
        geometryCookies.push_back(xcb_get_geometry(c, windows[i]));
    }
    std::vector<Reply<xcb_get_window_attributes_reply_t>> attributes;
    std::vector<Reply<xcb_get_geometry_reply_t>> geometries;
    for (int i = 0; i < count; ++i) {
        attributes.emplace_back(xcb_get_window_attributes_reply(c, attributeCookies[i], nullptr));
        geometries.emplace_back(xcb_get_geometry_reply(c, geometryCookies[i], nullptr));
    }
    // Children come bottom to top: the first hit from the end is the topmost.
    for (int i = count - 1; i >= 0; --i) {
        const auto &attribute = attributes[i];
        const auto &geometry = geometries[i];
        if (!attribute || !geometry || attribute->map_state != XCB_MAP_STATE_VIEWABLE
            || attribute->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
            continue;
        const int width = geometry->width + 2 * geometry->border_width;
        const int height = geometry->height + 2 * geometry->border_width;
        if (x < geometry->x || y < geometry->y || x >= geometry->x + width || y >= geometry->y + height)
            continue;
        Window top;
        top.popup = attribute->override_redirect;
        const xcb_window_t client = clientOf(c, display_.atoms(), windows[i]);
        top.pid = pidOfWindow(c, display_.atoms().get("_NET_WM_PID"), client);
        top.outer = QRect(geometry->x, geometry->y, width, height);
        top.client = screenRect(c, client).value_or(top.outer);
        const xcb_atom_t frameExtents = display_.atoms().get("_GTK_FRAME_EXTENTS");
        if (const auto frame = cardinals(c, client, frameExtents, XCB_ATOM_CARDINAL, 4); frame.size() == 4) {
            top.frameLeft = int(frame[0]);
            top.frameRight = int(frame[1]);
            top.frameTop = int(frame[2]);
            top.frameBottom = int(frame[3]);
        }
        return top;
    }
    return std::nullopt;
}

std::optional<qint64> TopLevelWindows::activeProcess()
{
    xcb_connection_t *c = display_.connection();
    if (!c)
        return std::nullopt;
    const std::optional<uint32_t> active =
        cardinal(c, display_.root(), display_.atoms().get("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    if (!active || *active == 0)
        return std::nullopt;
    return pidOfWindow(c, display_.atoms().get("_NET_WM_PID"), *active);
}

} // namespace kelvo::x11
