#include "capture/x11/CompositeRedirect.h"

#include "capture/x11/XcbUtil.h"

#include <xcb/composite.h>

#include <mutex>

namespace kelvo::x11 {

bool redirectTopLevelsForCapture()
{
    static std::mutex mutex;
    static std::optional<OpenConnection> holder; // the redirect lasts as long as this connection
    static bool done = false;
    std::lock_guard lock(mutex);
    if (done)
        return bool(holder);
    done = true;
    auto open = connectToDisplay();
    if (!open)
        return false;
    xcb_connection_t *c = open->connection.get();
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_composite_id);
    if (!ext || !ext->present)
        return false;
    Reply<xcb_composite_query_version_reply_t> v(
        xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr));
    if (!v)
        return false;
    Reply<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_composite_redirect_subwindows_checked(c, open->screen->root, XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
    if (error)
        return false;
    holder = std::move(open);
    return true;
}

} // namespace kelvo::x11
