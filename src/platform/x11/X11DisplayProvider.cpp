// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11DisplayProvider.h"

#include "platform/x11/XcbUtil.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace kelvo {

QList<Display> X11DisplayProvider::displays() const
{
    QList<Display> list;
    if (xcb_connection_t *c = x11::qtConnection()) {
        if (xcb_screen_t *screen = x11::screenOf(c)) {
            for (const x11::Monitor &m : x11::monitors(c, screen))
                list.append({m.name, m.frame});
            return list;
        }
    }
    QScreen *primary = QGuiApplication::primaryScreen();
    for (QScreen *s : QGuiApplication::screens()) {
        const Display d{s->name(), s->geometry()};
        if (s == primary)
            list.prepend(d);
        else
            list.append(d);
    }
    return list;
}

std::optional<Display> X11DisplayProvider::primaryDisplay() const
{
    const QList<Display> list = displays();
    if (list.isEmpty())
        return std::nullopt;
    return list.front();
}

QPoint X11DisplayProvider::pointerPosition() const
{
    if (xcb_connection_t *c = x11::qtConnection()) {
        if (xcb_screen_t *screen = x11::screenOf(c)) {
            x11::Reply<xcb_query_pointer_reply_t> r(
                xcb_query_pointer_reply(c, xcb_query_pointer(c, screen->root), nullptr));
            if (r)
                return QPoint(r->root_x, r->root_y);
        }
    }
    return QCursor::pos();
}

std::optional<Display> displayAt(const QList<Display> &displays, QPoint point)
{
    for (const Display &d : displays) {
        if (d.frame.contains(point))
            return d;
    }
    return std::nullopt;
}

} // namespace kelvo
