// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/AtspiNode.h"

#include "platform/x11/X11Windows.h"

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

AtspiDesktop::AtspiDesktop()
    : windows(std::make_unique<x11::TopLevelWindows>())
{
}

AtspiDesktop::~AtspiDesktop() = default;

std::optional<TopLevel> AtspiDesktop::topLevelAt(int x, int y)
{
    const std::optional<x11::TopLevelWindows::Window> window = windows->at(x, y);
    if (!window)
        return std::nullopt;
    TopLevel top;
    top.client = Rect{window->client.x(), window->client.y(), window->client.width(), window->client.height()};
    top.outer = Rect{window->outer.x(), window->outer.y(), window->outer.width(), window->outer.height()};
    top.popup = window->popup;
    top.pid = window->pid;
    top.frameLeft = window->frameLeft;
    top.frameRight = window->frameRight;
    top.frameTop = window->frameTop;
    top.frameBottom = window->frameBottom;
    return top;
}

std::optional<qint64> AtspiDesktop::activeProcess()
{
    return windows->activeProcess();
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
