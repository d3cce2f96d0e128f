// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/CompositeRedirect.h"

#include "platform/x11/XcbUtil.h"

#include <xcb/composite.h>
#include <xcb/render.h>

namespace kelvo::x11 {

namespace {

bool compositeOn(xcb_connection_t *c)
{
    const xcb_query_extension_reply_t *composite = xcb_get_extension_data(c, &xcb_composite_id);
    const xcb_query_extension_reply_t *render = xcb_get_extension_data(c, &xcb_render_id);
    if (!composite || !composite->present || !render || !render->present)
        return false;
    Reply<xcb_composite_query_version_reply_t> v(
        xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr));
    return v && (v->major_version > 0 || v->minor_version >= 2);
}

// Windows inside a top-level are few (a frame, a client, a toolkit's child
// windows); the limits only guard against a pathological tree.
constexpr int deepest = 8;
constexpr int mostWindows = 2000;

void exposeTree(xcb_connection_t *c, xcb_window_t window, QPoint origin, const std::vector<QRect> &rects, int depth,
                int &visited)
{
    if (depth > deepest || ++visited > mostWindows)
        return;
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
        attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
        return;
    // origin is where the parent's inside starts; this window's inside starts past its border.
    const QPoint inside = origin + QPoint(geometry->x + geometry->border_width, geometry->y + geometry->border_width);
    const QRect area(inside, QSize(geometry->width, geometry->height));
    bool touched = false;
    for (const QRect &rect : rects) {
        const QRect part = area.intersected(rect);
        if (part.isEmpty())
            continue;
        touched = true;
        xcb_clear_area(c, 1, window, int16_t(part.x() - inside.x()), int16_t(part.y() - inside.y()),
                       uint16_t(part.width()), uint16_t(part.height()));
    }
    if (!touched)
        return;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree)
        return;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
        exposeTree(c, children[i], inside, rects, depth + 1, visited);
}

} // namespace

bool compositeAvailable()
{
    auto open = connectToDisplay();
    return open && compositeOn(open->connection.get());
}

bool redirectTopLevels(xcb_connection_t *c, xcb_window_t root)
{
    if (!compositeOn(c))
        return false;
    Reply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_composite_redirect_subwindows_checked(c, root, XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
    return !error;
}

void askToRepaint(xcb_connection_t *c, const std::vector<xcb_window_t> &topLevels, const std::vector<QRect> &rects)
{
    int visited = 0;
    for (xcb_window_t window : topLevels)
        exposeTree(c, window, QPoint(0, 0), rects, 0, visited);
    xcb_flush(c);
}

} // namespace kelvo::x11
