#include "capture/atspi/AtspiElement.h"

#include "capture/atspi/AtspiRoles.h"

#include <algorithm>

namespace kelvo::atspi {

namespace {

// How far "AXWindow" climbs; trees are far shallower, this only stops cycles.
constexpr int windowSearchLimit = 64;
// A combo box's editable child is among its first few children.
constexpr int comboChildLimit = 8;
// "AXChildren" lists at most this many: the label search reads six, and a
// tree view may expose a million rows as children.
constexpr int childListLimit = 64;

std::optional<QString> takeText(gchar *text)
{
    if (!text)
        return std::nullopt;
    QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

GHashTablePtr attributesOf(AtspiAccessible *accessible)
{
    CallError error;
    GHashTablePtr table(atspi_accessible_get_attributes(accessible, error.out()));
    if (error.failed())
        return nullptr;
    return table;
}

std::optional<QString> attributeText(GHashTable *table, const char *key)
{
    if (!table)
        return std::nullopt;
    const auto *value = static_cast<const gchar *>(g_hash_table_lookup(table, key));
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value);
}

GObjectPtr<AtspiAccessible> parentOf(AtspiAccessible *accessible)
{
    CallError error;
    GObjectPtr<AtspiAccessible> parent(atspi_accessible_get_parent(accessible, error.out()));
    if (error.failed())
        return nullptr;
    return parent;
}

bool hasEditableTextChild(AtspiAccessible *accessible)
{
    CallError error;
    const gint count = atspi_accessible_get_child_count(accessible, error.out());
    if (error.failed())
        return false;
    for (gint i = 0; i < std::min(count, comboChildLimit); ++i) {
        GObjectPtr<AtspiAccessible> child(atspi_accessible_get_child_at_index(accessible, i, error.out()));
        if (error.failed() || !child)
            continue;
        const std::optional<AtspiRole> role = roleOf(child.get());
        if ((role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_ENTRY) && hasState(child.get(), ATSPI_STATE_EDITABLE))
            return true;
    }
    return false;
}

bool saysSearchField(AtspiAccessible *accessible)
{
    GHashTablePtr table = attributesOf(accessible);
    if (const auto xmlRoles = attributeText(table.get(), "xml-roles"); xmlRoles && xmlRoles->contains(u"searchbox"))
        return true;
    return attributeText(table.get(), "text-input-type") == u"search";
}

std::optional<QString> translatedRole(AtspiAccessible *accessible)
{
    const std::optional<AtspiRole> role = roleOf(accessible);
    if (!role)
        return std::nullopt;
    RoleFacts facts{
        [accessible](AtspiStateType state) { return hasState(accessible, state); },
        [accessible]() -> std::optional<AtspiRole> {
            GObjectPtr<AtspiAccessible> parent = parentOf(accessible);
            return parent ? roleOf(parent.get()) : std::nullopt;
        },
        [accessible] { return hasEditableTextChild(accessible); },
        [accessible] { return saysSearchField(accessible); },
    };
    return roleIdentifier(*role, facts);
}

} // namespace

bool hasState(AtspiAccessible *accessible, AtspiStateType state)
{
    GObjectPtr<AtspiStateSet> states(atspi_accessible_get_state_set(accessible));
    return states && atspi_state_set_contains(states.get(), state);
}

std::optional<AtspiRole> roleOf(AtspiAccessible *accessible)
{
    CallError error;
    const AtspiRole role = atspi_accessible_get_role(accessible, error.out());
    if (error.failed() || role == ATSPI_ROLE_INVALID)
        return std::nullopt;
    return role;
}

AtspiElement::AtspiElement(AtspiAccessible *accessible)
    : object(accessible ? static_cast<AtspiAccessible *>(g_object_ref(accessible)) : nullptr)
{
}

AtspiElement::AtspiElement(GObjectPtr<AtspiAccessible> parent, int index)
    : lazyParent(std::move(parent))
    , lazyIndex(index)
{
}

AtspiAccessible *AtspiElement::accessible()
{
    if (!object && lazyParent) {
        CallError error;
        object.reset(atspi_accessible_get_child_at_index(lazyParent.get(), lazyIndex, error.out()));
        if (error.failed())
            object.reset();
        lazyParent.reset();
    }
    return object.get();
}

std::optional<QString> AtspiElement::roleIdentifier()
{
    if (!role)
        role = accessible() ? translatedRole(accessible()) : std::nullopt;
    return *role;
}

std::optional<qint64> AtspiElement::processId()
{
    if (!accessible())
        return std::nullopt;
    CallError error;
    const guint pid = atspi_accessible_get_process_id(accessible(), error.out());
    if (error.failed() || pid == 0)
        return std::nullopt;
    return qint64(pid);
}

AttributeValue AtspiElement::attribute(QStringView attribute)
{
    AtspiAccessible *self = accessible();
    if (!self)
        return {};
    auto text = [](std::optional<QString> value) -> AttributeValue {
        if (value)
            return *value;
        return {};
    };
    if (attribute == u"AXRole")
        return text(roleIdentifier());
    if (attribute == u"AXTitle")
        return text(name());
    if (attribute == u"AXDescription") {
        CallError error;
        std::optional<QString> description = takeText(atspi_accessible_get_description(self, error.out()));
        return error.failed() ? AttributeValue{} : text(description);
    }
    if (attribute == u"AXTitleUIElement")
        return titleElement();
    if (attribute == u"AXValue")
        return value();
    if (attribute == u"AXHelp")
        return text(objectAttribute({"tooltip", "help-text"}));
    if (attribute == u"AXPlaceholderValue")
        return text(objectAttribute({"placeholder-text"}));
    if (attribute == u"AXChildren")
        return children();
    if (attribute == u"AXParent") {
        GObjectPtr<AtspiAccessible> parent = parentOf(self);
        if (!parent)
            return {};
        return ElementPtr(std::make_shared<AtspiElement>(parent.get()));
    }
    if (attribute == u"AXWindow")
        return window();
    return {};
}

std::optional<QString> AtspiElement::name()
{
    CallError error;
    std::optional<QString> result = takeText(atspi_accessible_get_name(accessible(), error.out()));
    if (error.failed())
        return std::nullopt;
    return result;
}

std::optional<QString> AtspiElement::objectAttribute(std::initializer_list<const char *> keys)
{
    GHashTablePtr table = attributesOf(accessible());
    for (const char *key : keys) {
        if (std::optional<QString> found = attributeText(table.get(), key))
            return found;
    }
    return std::nullopt;
}

AttributeValue AtspiElement::value()
{
    if (GObjectPtr<AtspiText> text{atspi_accessible_get_text_iface(accessible())}) {
        CallError error;
        const gint count = atspi_text_get_character_count(text.get(), error.out());
        if (error.failed())
            return {};
        std::optional<QString> whole = takeText(atspi_text_get_text(text.get(), 0, count, error.out()));
        if (error.failed() || !whole)
            return {};
        return *whole;
    }
    if (GObjectPtr<AtspiValue> number{atspi_accessible_get_value_iface(accessible())})
        return OtherValue{};
    return {};
}

AttributeValue AtspiElement::children()
{
    CallError error;
    const gint count = atspi_accessible_get_child_count(accessible(), error.out());
    if (error.failed() || count < 0)
        return {};
    ElementList list;
    list.reserve(std::min(count, childListLimit));
    for (gint i = 0; i < std::min(count, childListLimit); ++i) {
        GObjectPtr<AtspiAccessible> parent(static_cast<AtspiAccessible *>(g_object_ref(accessible())));
        list.append(std::make_shared<AtspiElement>(std::move(parent), i));
    }
    return list;
}

AttributeValue AtspiElement::titleElement()
{
    CallError error;
    GArray *relations = atspi_accessible_get_relation_set(accessible(), error.out());
    if (error.failed() || !relations)
        return {};
    AttributeValue result;
    for (guint i = 0; i < relations->len; ++i) {
        AtspiRelation *relation = g_array_index(relations, AtspiRelation *, i);
        if (!relation)
            continue;
        if (std::holds_alternative<std::monostate>(result)
            && atspi_relation_get_relation_type(relation) == ATSPI_RELATION_LABELLED_BY
            && atspi_relation_get_n_targets(relation) > 0) {
            GObjectPtr<AtspiAccessible> target(atspi_relation_get_target(relation, 0));
            if (target)
                result = ElementPtr(std::make_shared<AtspiElement>(target.get()));
        }
        g_object_unref(relation);
    }
    g_array_free(relations, TRUE);
    return result;
}

AttributeValue AtspiElement::window()
{
    GObjectPtr<AtspiAccessible> current = parentOf(accessible());
    for (int step = 0; current && step < windowSearchLimit; ++step) {
        if (translatedRole(current.get()) == u"AXWindow")
            return ElementPtr(std::make_shared<AtspiElement>(current.get()));
        current = parentOf(current.get());
    }
    return {};
}

} // namespace kelvo::atspi
