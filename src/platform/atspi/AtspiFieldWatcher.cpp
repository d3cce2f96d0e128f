// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/AtspiFieldWatcher.h"

#include "capture/TargetLookup.h"
#include "platform/atspi/AtspiClickTargetFinder.h"
#include "platform/atspi/AtspiHandles.h"
#include "platform/atspi/AtspiNode.h"
#include "platform/atspi/NodeElement.h"

#include <QMetaObject>

#include <glib-unix.h>

#include <atomic>
#include <deque>
#include <utility>

namespace kelvo::atspi {

namespace {

// How long a caller waits for a field's text; the messaging timeout bounds each call.
constexpr std::chrono::milliseconds textPatience{3000};
// Fields whose text may still be asked for after the focus left them.
constexpr std::size_t rememberedFields = 8;

// Reads what a label needs and nothing of the field's own text.
class WithoutOwnText : public AccessibleElement {
public:
    explicit WithoutOwnText(ElementPtr inner) : inner_(std::move(inner)) {}
    AttributeValue attribute(QStringView name) override
    {
        if (name == u"AXValue" || name == u"AXChildren")
            return std::monostate{};
        return inner_->attribute(name);
    }
    std::optional<qint64> processId() override { return inner_->processId(); }

private:
    ElementPtr inner_;
};

bool isPasswordNode(TreeNode &node)
{
    return node.role() == ATSPI_ROLE_PASSWORD_TEXT;
}

// libatspi reads its bus only while it waits for an answer; between calls,
// events would sit unread until the next one. Watching the bus's socket from
// this thread's loop hands them over as they come. Installed once.
void watchBusForEvents()
{
    static bool watching = false;
    if (std::exchange(watching, true))
        return;
    DBusConnection *bus = atspi_get_a11y_bus();
    int fd = -1;
    if (!bus || !dbus_connection_get_unix_fd(bus, &fd) || fd < 0)
        return;
    GSource *source = g_unix_fd_source_new(fd, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR));
    GUnixFDSourceFunc readable = [](gint, GIOCondition condition, gpointer data) -> gboolean {
        auto *connection = static_cast<DBusConnection *>(data);
        if (!dbus_connection_read_write(connection, 0) || (condition & (G_IO_HUP | G_IO_ERR)))
            return G_SOURCE_REMOVE; // the bus is gone
        while (dbus_connection_dispatch(connection) == DBUS_DISPATCH_DATA_REMAINS) {
        }
        return G_SOURCE_CONTINUE;
    };
    g_source_set_callback(
        source, reinterpret_cast<GSourceFunc>(reinterpret_cast<void (*)()>(readable)), dbus_connection_ref(bus), [](gpointer data) { dbus_connection_unref(static_cast<DBusConnection *>(data)); });
    g_source_attach(source, g_main_context_get_thread_default());
    g_source_unref(source);
}

} // namespace

std::optional<FocusedField> describeFocusedField(TreeNode &node, ApplicationNames &names)
{
    const std::optional<AtspiRole> role = node.role();
    if (!role)
        return std::nullopt;
    switch (*role) {
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_PASSWORD_TEXT:
    case ATSPI_ROLE_COMBO_BOX:
        break;
    default:
        return std::nullopt; // terminals, documents, buttons, …
    }
    if (!node.hasState(ATSPI_STATE_EDITABLE))
        return std::nullopt;
    FocusedField field;
    field.isPassword = *role == ATSPI_ROLE_PASSWORD_TEXT;
    field.isMultiLine = node.hasState(ATSPI_STATE_MULTI_LINE) && !node.hasState(ATSPI_STATE_SINGLE_LINE);
    if (const std::optional<qint64> pid = node.processId())
        field.appName = names.applicationName(*pid);
    if (const std::optional<Rect> extents = node.extents(ATSPI_COORD_TYPE_SCREEN); extents && !extents->isEmpty())
        field.bounds = QRect(extents->x, extents->y, extents->width, extents->height);

    // A node that is not ours to own: NodeElement wants shared ownership.
    struct Borrowed : TreeNode {
        TreeNode &n;
        explicit Borrowed(TreeNode &node) : n(node) {}
        std::optional<AtspiRole> role() override { return n.role(); }
        std::optional<QString> name() override { return n.name(); }
        std::optional<QString> description() override { return n.description(); }
        bool hasState(AtspiStateType state) override { return n.hasState(state); }
        QHash<QString, QString> attributes() override { return n.attributes(); }
        std::optional<QString> text() override { return std::nullopt; } // never the field's text
        bool hasValue() override { return n.hasValue(); }
        int childCount() override { return 0; }
        NodePtr child(int) override { return nullptr; }
        NodePtr parent() override { return n.parent(); }
        NodePtr labelledBy() override { return n.labelledBy(); }
        std::optional<Rect> extents(AtspiCoordType type) override { return n.extents(type); }
        NodePtr childAtPoint(int, int, AtspiCoordType) override { return nullptr; }
        std::optional<qint64> processId() override { return n.processId(); }
        std::optional<QString> toolkitName() override { return n.toolkitName(); }
        std::optional<QString> toolkitVersion() override { return n.toolkitVersion(); }
        const void *identity() const override { return n.identity(); }
    };
    auto element = std::make_shared<NodeElement>(std::make_shared<Borrowed>(node));
    const std::optional<QString> identifier = element->roleIdentifier();
    WithoutOwnText guarded(element);
    field.label = elementLabel(guarded, identifier, field.appName);
    return field;
}

std::optional<QString> readFieldText(TreeNode &node)
{
    if (isPasswordNode(node))
        return std::nullopt;
    return node.text();
}

// The AT-SPI side: registered listener, the focused node, recently focused ones.
struct AtspiFieldWatcher::Listener {
    std::shared_ptr<ApplicationNames> names;
    // Main-thread context for focus reports; the AT-SPI thread may still post
    // to it after stop, so it goes with the last listener (deleteLater is safe
    // from any thread).
    std::shared_ptr<QObject> receiver;
    AtspiFieldWatcher *owner = nullptr;
    std::shared_ptr<std::atomic<bool>> active = std::make_shared<std::atomic<bool>>(true);
    GObjectPtr<AtspiEventListener> registered;
    const void *focused = nullptr;
    quint64 focusedId = 0;
    quint64 nextId = 1;
    std::deque<std::pair<quint64, NodePtr>> recent;

    NodePtr find(quint64 id) const
    {
        for (const auto &[known, node] : recent) {
            if (known == id)
                return node;
        }
        return nullptr;
    }

    void send(const std::optional<FocusedField> &field)
    {
        QMetaObject::invokeMethod(
            receiver.get(),
            [owner = owner, active = active, field] {
                if (*active)
                    owner->report(field);
            },
            Qt::QueuedConnection);
    }

    void focusEvent(AtspiEvent *event)
    {
        if (!*active || !event->source)
            return;
        NodePtr node = AtspiNode::wrap(GObjectPtr<AtspiAccessible>(
            static_cast<AtspiAccessible *>(g_object_ref(event->source))));
        if (event->type && g_str_has_prefix(event->type, "window:activate")) {
            // A window that becomes active gives back the focus it had, without
            // a focus event: ask it which element holds it.
            GObjectPtr<AtspiAccessible> inside = focusedInside(event->source);
            gained(inside ? AtspiNode::wrap(std::move(inside)) : nullptr);
            return;
        }
        if (event->detail1 == 0) {
            if (node->identity() == focused) {
                focused = nullptr;
                send(std::nullopt);
            }
            return;
        }
        gained(node);
    }

    void gained(const NodePtr &node)
    {
        std::optional<FocusedField> field = node ? describeFocusedField(*node, *names) : std::nullopt;
        if (!field) {
            focused = nullptr;
            send(std::nullopt);
            return;
        }
        if (node->identity() != focused) {
            focused = node->identity();
            focusedId = nextId++;
            recent.emplace_back(focusedId, node);
            if (recent.size() > rememberedFields)
                recent.pop_front();
        }
        field->id = focusedId;
        send(field);
    }

    // The focus as it is when watching begins: inside the active window.
    void readCurrentFocus()
    {
        GObjectPtr<AtspiAccessible> desktop(atspi_get_desktop(0));
        if (!desktop)
            return;
        CallError error;
        const gint apps = atspi_accessible_get_child_count(desktop.get(), error.out());
        for (gint a = 0; a < apps; ++a) {
            GObjectPtr<AtspiAccessible> app(atspi_accessible_get_child_at_index(desktop.get(), a, error.out()));
            const gint windows = app ? atspi_accessible_get_child_count(app.get(), error.out()) : 0;
            for (gint w = 0; w < windows; ++w) {
                GObjectPtr<AtspiAccessible> window(atspi_accessible_get_child_at_index(app.get(), w, error.out()));
                if (!window)
                    continue;
                GObjectPtr<AtspiStateSet> states(atspi_accessible_get_state_set(window.get()));
                if (!states || !atspi_state_set_contains(states.get(), ATSPI_STATE_ACTIVE))
                    continue;
                GObjectPtr<AtspiAccessible> inside = focusedInside(window.get());
                if (inside)
                    gained(AtspiNode::wrap(std::move(inside)));
                return;
            }
        }
    }

    // The focused element inside a window, through one Collection query.
    static GObjectPtr<AtspiAccessible> focusedInside(AtspiAccessible *window)
    {
        GObjectPtr<AtspiCollection> collection(atspi_accessible_get_collection_iface(window));
        if (!collection)
            return nullptr;
        GArray *wanted = g_array_new(FALSE, FALSE, sizeof(AtspiStateType));
        const AtspiStateType focusedState = ATSPI_STATE_FOCUSED;
        g_array_append_val(wanted, focusedState);
        GObjectPtr<AtspiStateSet> states(atspi_state_set_new(wanted));
        g_array_free(wanted, TRUE);
        GObjectPtr<AtspiMatchRule> rule(atspi_match_rule_new(states.get(), ATSPI_Collection_MATCH_ALL, nullptr,
                                                             ATSPI_Collection_MATCH_NONE, nullptr,
                                                             ATSPI_Collection_MATCH_NONE, nullptr,
                                                             ATSPI_Collection_MATCH_NONE, FALSE));
        CallError error;
        GArray *matches = atspi_collection_get_matches(collection.get(), rule.get(),
                                                       ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, error.out());
        if (!matches)
            return nullptr;
        GObjectPtr<AtspiAccessible> found;
        for (guint i = 0; i < matches->len; ++i) {
            auto *match = g_array_index(matches, AtspiAccessible *, i);
            if (!found && match)
                found.reset(static_cast<AtspiAccessible *>(g_object_ref(match)));
            if (match)
                g_object_unref(match);
        }
        g_array_free(matches, TRUE);
        return found;
    }
};

AtspiFieldWatcher::AtspiFieldWatcher(std::shared_ptr<ApplicationNames> names) : names_(std::move(names)) {}

AtspiFieldWatcher::~AtspiFieldWatcher()
{
    stop();
    releaseOnAtspiThread(std::exchange(last_, nullptr));
}

// Its nodes are libatspi objects: they go on the thread that owns them.
void AtspiFieldWatcher::releaseOnAtspiThread(std::shared_ptr<Listener> listener)
{
    if (listener)
        postToAtspiThread([listener = std::move(listener)]() mutable { listener.reset(); });
}

void AtspiFieldWatcher::start()
{
    stop();
    auto listener = std::make_shared<Listener>();
    listener->names = names_;
    listener->receiver = std::shared_ptr<QObject>(new QObject, [](QObject *object) { object->deleteLater(); });
    listener->owner = this;
    listener_ = listener;
    {
        std::lock_guard guard(lastLock_);
        releaseOnAtspiThread(std::exchange(last_, listener));
    }
    postToAtspiThread([listener] {
        if (!*listener->active || !atspiReadyOnThread())
            return;
        // The listener holds itself weakly: events after stop find nobody.
        auto *weak = new std::weak_ptr<Listener>(listener);
        listener->registered.reset(atspi_event_listener_new(
            [](AtspiEvent *event, void *data) {
                if (std::shared_ptr<Listener> alive = static_cast<std::weak_ptr<Listener> *>(data)->lock())
                    alive->focusEvent(event);
                g_boxed_free(ATSPI_TYPE_EVENT, event);
            },
            weak, [](gpointer data) { delete static_cast<std::weak_ptr<Listener> *>(data); }));
        CallError error;
        if (!atspi_event_listener_register(listener->registered.get(), "object:state-changed:focused", error.out()))
            listener->registered.reset();
        else
            atspi_event_listener_register(listener->registered.get(), "window:activate", error.out());
        if (listener->registered) {
            watchBusForEvents();
            listener->readCurrentFocus();
        }
    });
}

void AtspiFieldWatcher::stop()
{
    if (!listener_)
        return;
    *listener_->active = false;
    // Deregistered and let go on its own thread.
    postToAtspiThread([listener = std::move(listener_)]() mutable {
        if (listener->registered) {
            CallError error;
            atspi_event_listener_deregister(listener->registered.get(), "object:state-changed:focused", error.out());
            atspi_event_listener_deregister(listener->registered.get(), "window:activate", error.out());
        }
        listener.reset();
    });
    listener_.reset();
}

std::optional<QString> AtspiFieldWatcher::readText(quint64 fieldId)
{
    std::shared_ptr<Listener> listener;
    {
        std::lock_guard guard(lastLock_);
        listener = last_;
    }
    if (!listener)
        return std::nullopt;
    auto result = std::make_shared<std::optional<QString>>();
    const bool done = runOnAtspiThread(
        [listener = std::move(listener), fieldId, result]() mutable {
            if (NodePtr node = listener->find(fieldId))
                *result = readFieldText(*node);
            listener.reset(); // here, not on the caller's thread
        },
        textPatience);
    if (!done)
        return std::nullopt;
    return *result;
}

} // namespace kelvo::atspi
