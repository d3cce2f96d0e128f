#include "capture/atspi/AtspiClickTargetFinder.h"

#include "capture/TargetLookup.h"
#include "capture/atspi/AtspiElement.h"
#include "capture/x11/X11ApplicationNames.h"

// gio's headers use the word Qt defines as a keyword macro.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")
#include <xcb/xcb.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <thread>
#include <type_traits>
#include <vector>

namespace kelvo::atspi {

namespace {

// The deepest a hit test descends; real trees stop far earlier.
constexpr int descentLimit = 64;
// How deep below a window manager's frame the client window is looked for.
constexpr int clientSearchDepth = 3;
// The accessibility bus answers at once when it runs; this only bounds a hang.
constexpr int busTimeoutMs = 600;
// How long a caller waits for the AT-SPI thread. Each request is bounded by the
// 0.6 s messaging timeout, but a stuck library call is not: a click must never
// hold up its step (and the end of a recording) for good.
constexpr std::chrono::milliseconds callerPatience{10000};

// ---- the one thread of libatspi ----------------------------------------------

// libatspi is not thread-safe and dispatches its D-Bus traffic on a GLib main
// context; this thread owns a private context (so Qt's GLib dispatcher on the
// main thread never touches it) and runs every libatspi call.
class AtspiThread {
public:
    // Lives as long as the process and is never joined: a library call stuck
    // on a hung application must not hold up the exit.
    static AtspiThread &instance()
    {
        static AtspiThread *const thread = new AtspiThread;
        return *thread;
    }

    // Runs function on this thread and waits for it, at most limit; a caller
    // that gives up gets fallback. function must own everything it uses: it
    // may still run after its caller has left.
    template <typename F, typename R = std::invoke_result_t<F>>
    R call(F function, std::chrono::milliseconds limit, std::type_identity_t<R> fallback)
    {
        if (std::this_thread::get_id() == threadId)
            return function();
        auto task = std::make_shared<std::packaged_task<R()>>(std::move(function));
        std::future<R> result = task->get_future();
        post([task] { (*task)(); });
        if (result.wait_for(limit) != std::future_status::ready)
            return fallback;
        return result.get();
    }

    GMainContext *mainContext() const { return context; }

private:
    AtspiThread()
        : context(g_main_context_new())
        , loop(g_main_loop_new(context, FALSE))
    {
        auto started = std::make_shared<std::promise<std::thread::id>>();
        auto id = started->get_future();
        std::thread([this, started] {
            g_main_context_push_thread_default(context);
            started->set_value(std::this_thread::get_id());
            g_main_loop_run(loop);
        }).detach();
        threadId = id.get();
    }

    ~AtspiThread() = delete;

    void post(std::function<void()> job)
    {
        GSource *source = g_idle_source_new();
        g_source_set_callback(
            source,
            [](gpointer data) -> gboolean {
                (*static_cast<std::function<void()> *>(data))();
                return G_SOURCE_REMOVE;
            },
            new std::function<void()>(std::move(job)),
            [](gpointer data) { delete static_cast<std::function<void()> *>(data); });
        g_source_attach(source, context);
        g_source_unref(source);
    }

    GMainContext *context;
    GMainLoop *loop;
    std::thread::id threadId;
};

// ---- X11: which process owns the top-level window under a point ----------------

struct FreeReply {
    void operator()(void *reply) const { std::free(reply); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeReply>;

class X11Windows {
public:
    ~X11Windows()
    {
        if (connection)
            xcb_disconnect(connection);
    }

    // The process of the topmost viewable top-level window holding (x, y).
    std::optional<qint64> processAt(int x, int y)
    {
        if (!open())
            return std::nullopt;
        XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
        if (!tree)
            return std::nullopt;
        const xcb_window_t *windows = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
        std::vector<xcb_get_geometry_cookie_t> geometryCookies;
        for (int i = 0; i < count; ++i) {
            attributeCookies.push_back(xcb_get_window_attributes(connection, windows[i]));
            geometryCookies.push_back(xcb_get_geometry(connection, windows[i]));
        }
        std::vector<XcbReply<xcb_get_window_attributes_reply_t>> attributes;
        std::vector<XcbReply<xcb_get_geometry_reply_t>> geometries;
        for (int i = 0; i < count; ++i) {
            attributes.emplace_back(xcb_get_window_attributes_reply(connection, attributeCookies[i], nullptr));
            geometries.emplace_back(xcb_get_geometry_reply(connection, geometryCookies[i], nullptr));
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
            return processOfTopLevel(windows[i]);
        }
        return std::nullopt;
    }

private:
    bool open()
    {
        if (connection)
            return true;
        if (failed)
            return false;
        int screenNumber = 0;
        connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            connection = nullptr;
            failed = true;
            return false;
        }
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && screens.rem; ++i)
            xcb_screen_next(&screens);
        if (!screens.rem) {
            failed = true;
            return false;
        }
        root = screens.data->root;
        netWmPid = atom("_NET_WM_PID");
        wmState = atom("WM_STATE");
        return true;
    }

    xcb_atom_t atom(const char *name)
    {
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    std::optional<qint64> pidOf(xcb_window_t window)
    {
        if (netWmPid == XCB_ATOM_NONE)
            return std::nullopt;
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, netWmPid, XCB_ATOM_CARDINAL, 0, 1), nullptr));
        if (!reply || reply->type != XCB_ATOM_CARDINAL || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
            return std::nullopt;
        const uint32_t pid = *static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
        return pid ? std::optional<qint64>(pid) : std::nullopt;
    }

    bool isClient(xcb_window_t window)
    {
        if (wmState == XCB_ATOM_NONE)
            return false;
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0), nullptr));
        return reply && reply->type != XCB_ATOM_NONE;
    }

    // A window manager's frame carries no _NET_WM_PID: the client inside it does.
    std::optional<qint64> processOfTopLevel(xcb_window_t topLevel)
    {
        if (std::optional<qint64> pid = pidOf(topLevel))
            return pid;
        std::vector<xcb_window_t> level{topLevel};
        for (int depth = 0; depth < clientSearchDepth && !level.empty(); ++depth) {
            std::vector<xcb_window_t> next;
            for (xcb_window_t window : level) {
                XcbReply<xcb_query_tree_reply_t> tree(
                    xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
                if (!tree)
                    continue;
                const xcb_window_t *children = xcb_query_tree_children(tree.get());
                for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
                    if (isClient(children[i]))
                        return pidOf(children[i]);
                    next.push_back(children[i]);
                }
            }
            level = std::move(next);
        }
        return std::nullopt;
    }

    xcb_connection_t *connection = nullptr;
    bool failed = false;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t netWmPid = XCB_ATOM_NONE;
    xcb_atom_t wmState = XCB_ATOM_NONE;
};

// ---- the AT-SPI side, confined to the AT-SPI thread ------------------------------

bool busSaysEnabled()
{
    CallError error;
    GObjectPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
    if (!bus)
        return false;
    GVariant *reply = g_dbus_connection_call_sync(bus.get(), "org.a11y.Bus", "/org/a11y/bus",
        "org.freedesktop.DBus.Properties", "Get", g_variant_new("(ss)", "org.a11y.Status", "IsEnabled"),
        G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, busTimeoutMs, nullptr, error.out());
    if (!reply)
        return false;
    GVariant *boxed = nullptr;
    g_variant_get(reply, "(v)", &boxed);
    const bool enabled = boxed && g_variant_is_of_type(boxed, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(boxed);
    if (boxed)
        g_variant_unref(boxed);
    g_variant_unref(reply);
    return enabled;
}

class Backend {
public:
    // Used on the AT-SPI thread only, and like it never destroyed.
    static Backend &onThread()
    {
        static Backend *const backend = new Backend;
        return *backend;
    }

    bool ready()
    {
        if (!initialized) {
            if (atspi_init() > 1)
                return false;
            // Move libatspi's D-Bus traffic onto this thread's own context.
            atspi_set_main_context(AtspiThread::instance().mainContext());
            initialized = true;
        }
        return true;
    }

    GObjectPtr<AtspiAccessible> applicationOf(qint64 pid)
    {
        GObjectPtr<AtspiAccessible> desktop(atspi_get_desktop(0));
        if (!desktop)
            return nullptr;
        CallError error;
        const gint count = atspi_accessible_get_child_count(desktop.get(), error.out());
        for (gint i = 0; !error.failed() && i < count; ++i) {
            GObjectPtr<AtspiAccessible> application(atspi_accessible_get_child_at_index(desktop.get(), i, error.out()));
            if (error.failed() || !application) {
                error.out();
                continue;
            }
            const guint found = atspi_accessible_get_process_id(application.get(), error.out());
            if (!error.failed() && qint64(found) == pid)
                return application;
            error.out();
        }
        return nullptr;
    }

    X11Windows windows;

private:
    bool initialized = false;
};

struct Extents {
    int x, y, width, height;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

std::optional<Extents> extentsOf(AtspiAccessible *accessible)
{
    GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(accessible));
    if (!component)
        return std::nullopt;
    CallError error;
    AtspiRect *rect = atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, error.out());
    if (error.failed() || !rect)
        return std::nullopt;
    const Extents extents{rect->x, rect->y, rect->width, rect->height};
    g_free(rect);
    return extents;
}

// The application's window holding the point: showing ones first, then the
// active one, then the smallest (a dialog over its main window).
GObjectPtr<AtspiAccessible> windowAt(AtspiAccessible *application, int x, int y)
{
    CallError error;
    const gint count = atspi_accessible_get_child_count(application, error.out());
    if (error.failed())
        return nullptr;
    GObjectPtr<AtspiAccessible> best;
    std::tuple<int, qint64> bestRank{-1, 0};
    for (gint i = 0; i < count; ++i) {
        GObjectPtr<AtspiAccessible> window(atspi_accessible_get_child_at_index(application, i, error.out()));
        if (error.failed() || !window)
            continue;
        const std::optional<Extents> extents = extentsOf(window.get());
        if (!extents || !extents->contains(x, y))
            continue;
        GObjectPtr<AtspiStateSet> states(atspi_accessible_get_state_set(window.get()));
        const bool showing = states && atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING);
        const bool active = states && atspi_state_set_contains(states.get(), ATSPI_STATE_ACTIVE);
        const std::tuple<int, qint64> rank{(showing ? 2 : 0) + (active ? 1 : 0),
            -qint64(extents->width) * qint64(extents->height)};
        if (rank >= bestRank) {
            bestRank = rank;
            best = std::move(window);
        }
    }
    return best;
}

GObjectPtr<AtspiAccessible> deepestAt(GObjectPtr<AtspiAccessible> current, int x, int y)
{
    for (int depth = 0; depth < descentLimit; ++depth) {
        GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(current.get()));
        if (!component)
            break;
        CallError error;
        GObjectPtr<AtspiAccessible> child(
            atspi_component_get_accessible_at_point(component.get(), x, y, ATSPI_COORD_TYPE_SCREEN, error.out()));
        if (error.failed() || !child || child.get() == current.get())
            break;
        current = std::move(child);
    }
    return current;
}

class AtspiService : public AccessibilityService {
public:
    bool isTrusted() override { return busSaysEnabled(); }

    void setMessagingTimeout(float seconds) override
    {
        const int milliseconds = int(std::lround(seconds * 1000.0f));
        atspi_set_timeout(milliseconds, milliseconds);
    }

    ElementPtr elementAtPosition(float x, float y) override
    {
        Backend &backend = Backend::onThread();
        if (!backend.ready())
            return nullptr;
        const int px = int(std::floor(x));
        const int py = int(std::floor(y));
        const std::optional<qint64> pid = backend.windows.processAt(px, py);
        if (!pid)
            return nullptr;
        GObjectPtr<AtspiAccessible> application = backend.applicationOf(*pid);
        if (!application)
            return nullptr;
        GObjectPtr<AtspiAccessible> window = windowAt(application.get(), px, py);
        if (!window)
            return nullptr;
        GObjectPtr<AtspiAccessible> deepest = deepestAt(std::move(window), px, py);
        return std::make_shared<AtspiElement>(deepest.get());
    }
};

} // namespace

AtspiClickTargetFinder::AtspiClickTargetFinder(std::shared_ptr<ApplicationNames> applicationNames)
    : names(std::move(applicationNames))
{
}

AtspiClickTargetFinder::~AtspiClickTargetFinder() = default;

std::optional<ClickTarget> AtspiClickTargetFinder::inspectTarget(double x, double y)
{
    return AtspiThread::instance().call(
        [names = names, x, y]() -> std::optional<ClickTarget> {
            AtspiService service;
            return kelvo::inspectTarget(service, *names, x, y);
        },
        callerPatience, std::nullopt);
}

bool AtspiClickTargetFinder::accessibilityEnabled()
{
    return AtspiThread::instance().call([] { return busSaysEnabled(); }, callerPatience, false);
}

std::optional<QString> AtspiClickTargetFinder::accessibleApplicationName(qint64 pid)
{
    return AtspiThread::instance().call([pid]() -> std::optional<QString> {
        Backend &backend = Backend::onThread();
        if (!busSaysEnabled() || !backend.ready())
            return std::nullopt;
        GObjectPtr<AtspiAccessible> application = backend.applicationOf(pid);
        if (!application)
            return std::nullopt;
        CallError error;
        gchar *name = atspi_accessible_get_name(application.get(), error.out());
        if (error.failed() || !name)
            return std::nullopt;
        QString result = QString::fromUtf8(name);
        g_free(name);
        if (result.isEmpty())
            return std::nullopt;
        return result;
    }, callerPatience, std::optional<QString>());
}

DesktopAccessibility makeDesktopAccessibility()
{
    auto names = std::make_shared<x11::X11ApplicationNames>(&AtspiClickTargetFinder::accessibleApplicationName);
    auto inspector = std::make_shared<AtspiClickTargetFinder>(names);
    return {std::move(names), std::move(inspector)};
}

} // namespace kelvo::atspi
