#include "platform/atspi/AtspiNode.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace kelvo::atspi {

namespace {

std::optional<QString> takeText(gchar *text)
{
    if (!text)
        return std::nullopt;
    QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

} // namespace

AtspiNode::AtspiNode(AtspiAccessible *accessible)
    : object(accessible ? static_cast<AtspiAccessible *>(g_object_ref(accessible)) : nullptr)
{
}

NodePtr AtspiNode::wrap(GObjectPtr<AtspiAccessible> accessible)
{
    if (!accessible)
        return nullptr;
    return std::make_shared<AtspiNode>(accessible.get());
}

std::optional<AtspiRole> AtspiNode::role()
{
    if (!cachedRole) {
        CallError error;
        const AtspiRole found = atspi_accessible_get_role(object.get(), error.out());
        cachedRole = (error.failed() || found == ATSPI_ROLE_INVALID) ? std::nullopt : std::optional<AtspiRole>(found);
    }
    return *cachedRole;
}

std::optional<QString> AtspiNode::name()
{
    CallError error;
    std::optional<QString> result = takeText(atspi_accessible_get_name(object.get(), error.out()));
    return error.failed() ? std::nullopt : result;
}

std::optional<QString> AtspiNode::description()
{
    CallError error;
    std::optional<QString> result = takeText(atspi_accessible_get_description(object.get(), error.out()));
    return error.failed() ? std::nullopt : result;
}

bool AtspiNode::hasState(AtspiStateType state)
{
    // One request for all states of this handle.
    if (!states)
        states.reset(atspi_accessible_get_state_set(object.get()));
    return states && atspi_state_set_contains(states.get(), state);
}

QHash<QString, QString> AtspiNode::attributes()
{
    CallError error;
    GHashTablePtr table(atspi_accessible_get_attributes(object.get(), error.out()));
    QHash<QString, QString> result;
    if (error.failed() || !table)
        return result;
    GHashTableIter iter;
    gpointer key = nullptr;
    gpointer value = nullptr;
    g_hash_table_iter_init(&iter, table.get());
    while (g_hash_table_iter_next(&iter, &key, &value))
        result.insert(QString::fromUtf8(static_cast<const char *>(key)), QString::fromUtf8(static_cast<const char *>(value)));
    return result;
}

std::optional<QString> AtspiNode::text()
{
    GObjectPtr<AtspiText> text{atspi_accessible_get_text_iface(object.get())};
    if (!text)
        return std::nullopt;
    CallError error;
    const gint count = atspi_text_get_character_count(text.get(), error.out());
    if (error.failed())
        return std::nullopt;
    std::optional<QString> whole = takeText(atspi_text_get_text(text.get(), 0, count, error.out()));
    return error.failed() ? std::nullopt : whole;
}

bool AtspiNode::hasValue()
{
    return GObjectPtr<AtspiValue>{atspi_accessible_get_value_iface(object.get())} != nullptr;
}

int AtspiNode::childCount()
{
    CallError error;
    const gint count = atspi_accessible_get_child_count(object.get(), error.out());
    return error.failed() || count < 0 ? 0 : count;
}

NodePtr AtspiNode::child(int index)
{
    CallError error;
    GObjectPtr<AtspiAccessible> found(atspi_accessible_get_child_at_index(object.get(), index, error.out()));
    return error.failed() ? nullptr : wrap(std::move(found));
}

NodePtr AtspiNode::parent()
{
    CallError error;
    GObjectPtr<AtspiAccessible> found(atspi_accessible_get_parent(object.get(), error.out()));
    return error.failed() ? nullptr : wrap(std::move(found));
}

NodePtr AtspiNode::labelledBy()
{
    CallError error;
    GArray *relations = atspi_accessible_get_relation_set(object.get(), error.out());
    if (error.failed() || !relations)
        return nullptr;
    NodePtr result;
    for (guint i = 0; i < relations->len; ++i) {
        AtspiRelation *relation = g_array_index(relations, AtspiRelation *, i);
        if (!relation)
            continue;
        if (!result && atspi_relation_get_relation_type(relation) == ATSPI_RELATION_LABELLED_BY
            && atspi_relation_get_n_targets(relation) > 0)
            result = wrap(GObjectPtr<AtspiAccessible>(atspi_relation_get_target(relation, 0)));
        g_object_unref(relation);
    }
    g_array_free(relations, TRUE);
    return result;
}

std::optional<Rect> AtspiNode::extents(AtspiCoordType type)
{
    GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(object.get()));
    if (!component)
        return std::nullopt;
    CallError error;
    AtspiRect *rect = atspi_component_get_extents(component.get(), type, error.out());
    if (error.failed() || !rect)
        return std::nullopt;
    const Rect extents{rect->x, rect->y, rect->width, rect->height};
    g_free(rect);
    return extents;
}

NodePtr AtspiNode::childAtPoint(int x, int y, AtspiCoordType type)
{
    GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(object.get()));
    if (!component)
        return nullptr;
    CallError error;
    GObjectPtr<AtspiAccessible> found(atspi_component_get_accessible_at_point(component.get(), x, y, type, error.out()));
    return error.failed() ? nullptr : wrap(std::move(found));
}

std::optional<qint64> AtspiNode::processId()
{
    CallError error;
    const guint pid = atspi_accessible_get_process_id(object.get(), error.out());
    if (error.failed() || pid == 0)
        return std::nullopt;
    return qint64(pid);
}

std::optional<QString> AtspiNode::toolkitName()
{
    CallError error;
    std::optional<QString> result = takeText(atspi_accessible_get_toolkit_name(object.get(), error.out()));
    return error.failed() ? std::nullopt : result;
}

std::optional<QString> AtspiNode::toolkitVersion()
{
    CallError error;
    std::optional<QString> result = takeText(atspi_accessible_get_toolkit_version(object.get(), error.out()));
    return error.failed() ? std::nullopt : result;
}

// ---- X11: the top-level window under a point -----------------------------------

namespace {

// How deep below a window manager's frame the client window is looked for.
constexpr int clientSearchDepth = 3;

struct FreeReply {
    void operator()(void *reply) const { std::free(reply); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeReply>;

} // namespace

struct AtspiDesktop::X11 {
    ~X11()
    {
        if (connection)
            xcb_disconnect(connection);
    }

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
        frameExtents = atom("_GTK_FRAME_EXTENTS");
        activeWindow = atom("_NET_ACTIVE_WINDOW");
        return true;
    }

    xcb_atom_t atom(const char *name)
    {
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    std::vector<uint32_t> cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint32_t count)
    {
        if (property == XCB_ATOM_NONE)
            return {};
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, property, type, 0, count), nullptr));
        if (!reply || reply->type != type || reply->format != 32)
            return {};
        const int length = xcb_get_property_value_length(reply.get()) / 4;
        const auto *values = static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
        return std::vector<uint32_t>(values, values + length);
    }

    std::optional<qint64> pidOf(xcb_window_t window)
    {
        const std::vector<uint32_t> pid = cardinals(window, netWmPid, XCB_ATOM_CARDINAL, 1);
        return pid.empty() || pid[0] == 0 ? std::nullopt : std::optional<qint64>(pid[0]);
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
    xcb_window_t clientOf(xcb_window_t topLevel)
    {
        if (pidOf(topLevel) || isClient(topLevel))
            return topLevel;
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
                        return children[i];
                    next.push_back(children[i]);
                }
            }
            level = std::move(next);
        }
        return topLevel;
    }

    std::optional<Rect> screenRect(xcb_window_t window)
    {
        XcbReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
        XcbReply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
            connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr));
        if (!geometry || !origin)
            return std::nullopt;
        return Rect{origin->dst_x, origin->dst_y, geometry->width, geometry->height};
    }

    std::optional<TopLevel> topLevelAt(int x, int y)
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
            TopLevel top;
            top.popup = attribute->override_redirect;
            const xcb_window_t client = clientOf(windows[i]);
            top.pid = pidOf(client);
            top.client = screenRect(client).value_or(Rect{geometry->x, geometry->y, width, height});
            if (const auto frame = cardinals(client, frameExtents, XCB_ATOM_CARDINAL, 4); frame.size() == 4) {
                top.frameLeft = int(frame[0]);
                top.frameRight = int(frame[1]);
                top.frameTop = int(frame[2]);
                top.frameBottom = int(frame[3]);
            }
            return top;
        }
        return std::nullopt;
    }

    std::optional<qint64> activeProcess()
    {
        if (!open())
            return std::nullopt;
        const std::vector<uint32_t> active = cardinals(root, activeWindow, XCB_ATOM_WINDOW, 1);
        if (active.empty() || active[0] == 0)
            return std::nullopt;
        return pidOf(active[0]);
    }

    xcb_connection_t *connection = nullptr;
    bool failed = false;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t netWmPid = XCB_ATOM_NONE;
    xcb_atom_t wmState = XCB_ATOM_NONE;
    xcb_atom_t frameExtents = XCB_ATOM_NONE;
    xcb_atom_t activeWindow = XCB_ATOM_NONE;
};

AtspiDesktop::AtspiDesktop()
    : x11(std::make_unique<X11>())
{
}

AtspiDesktop::~AtspiDesktop() = default;

std::optional<TopLevel> AtspiDesktop::topLevelAt(int x, int y)
{
    return x11->topLevelAt(x, y);
}

std::optional<qint64> AtspiDesktop::activeProcess()
{
    return x11->activeProcess();
}

NodePtr AtspiDesktop::application(qint64 pid)
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
            return AtspiNode::wrap(std::move(application));
        error.out();
    }
    return nullptr;
}

} // namespace kelvo::atspi
