// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/NodeElement.h"

#include "platform/atspi/AtspiRoles.h"

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

bool hasEditableTextChild(TreeNode &node)
{
    const int count = std::min(node.childCount(), comboChildLimit);
    for (int i = 0; i < count; ++i) {
        NodePtr child = node.child(i);
        if (!child)
            continue;
        const std::optional<AtspiRole> role = child->role();
        if ((role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_ENTRY) && child->hasState(ATSPI_STATE_EDITABLE))
            return true;
    }
    return false;
}

bool saysSearchField(TreeNode &node)
{
    const QHash<QString, QString> attributes = node.attributes();
    if (attributes.value(QStringLiteral("xml-roles")).contains(u"searchbox"))
        return true;
    return attributes.value(QStringLiteral("text-input-type")) == u"search";
}

} // namespace

std::optional<QString> translatedRole(TreeNode &node)
{
    const std::optional<AtspiRole> role = node.role();
    if (!role)
        return std::nullopt;
    RoleFacts facts{
        [&node](AtspiStateType state) { return node.hasState(state); },
        [&node]() -> std::optional<AtspiRole> {
            NodePtr parent = node.parent();
            return parent ? parent->role() : std::nullopt;
        },
        [&node] { return hasEditableTextChild(node); },
        [&node] { return saysSearchField(node); },
    };
    return roleIdentifier(*role, facts);
}

NodeElement::NodeElement(NodePtr node)
    : resolved(std::move(node))
{
}

NodeElement::NodeElement(NodePtr parent, int index)
    : lazyParent(std::move(parent))
    , lazyIndex(index)
{
}

TreeNode *NodeElement::node()
{
    if (!resolved && lazyParent) {
        resolved = lazyParent->child(lazyIndex);
        lazyParent.reset();
    }
    return resolved.get();
}

std::optional<QString> NodeElement::roleIdentifier()
{
    if (!role)
        role = node() ? translatedRole(*node()) : std::nullopt;
    return *role;
}

std::optional<qint64> NodeElement::processId()
{
    return node() ? node()->processId() : std::nullopt;
}

AttributeValue NodeElement::attribute(QStringView attribute)
{
    TreeNode *self = node();
    if (!self)
        return {};
    auto text = [](std::optional<QString> value) -> AttributeValue {
        if (value)
            return *value;
        return {};
    };
    auto element = [](NodePtr found) -> AttributeValue {
        if (!found)
            return {};
        return ElementPtr(std::make_shared<NodeElement>(std::move(found)));
    };
    if (attribute == u"AXRole")
        return text(roleIdentifier());
    if (attribute == u"AXTitle") {
        // A document's name is its title (LibreOffice: "Untitled 1 - LibreOffice
        // Document"), not the name of a field.
        if (self->role() == ATSPI_ROLE_DOCUMENT_TEXT)
            return {};
        return text(self->name());
    }
    if (attribute == u"AXDescription")
        return text(self->description());
    if (attribute == u"AXTitleUIElement")
        return element(self->labelledBy());
    if (attribute == u"AXValue") {
        if (std::optional<QString> whole = self->text())
            return *whole;
        return self->hasValue() ? AttributeValue{OtherValue{}} : AttributeValue{};
    }
    if (attribute == u"AXHelp" || attribute == u"AXPlaceholderValue") {
        const QHash<QString, QString> attributes = self->attributes();
        const auto keys = attribute == u"AXHelp" ? QStringList{QStringLiteral("tooltip"), QStringLiteral("help-text")}
                                                  : QStringList{QStringLiteral("placeholder-text")};
        for (const QString &key : keys) {
            if (attributes.contains(key))
                return attributes.value(key);
        }
        return {};
    }
    if (attribute == u"AXChildren")
        return children();
    if (attribute == u"AXParent")
        return element(self->parent());
    if (attribute == u"AXWindow")
        return window();
    if (attribute == u"AXApplicationName")
        return applicationName();
    return {};
}

AttributeValue NodeElement::children()
{
    const int count = std::min(node()->childCount(), childListLimit);
    ElementList list;
    list.reserve(count);
    for (int i = 0; i < count; ++i)
        list.append(std::make_shared<NodeElement>(resolved, i));
    return list;
}

AttributeValue NodeElement::applicationName()
{
    NodePtr current = node()->parent();
    for (int step = 0; current && step < windowSearchLimit; ++step) {
        if (current->role() == ATSPI_ROLE_APPLICATION) {
            if (std::optional<QString> name = current->name())
                return *name;
            return {};
        }
        current = current->parent();
    }
    return {};
}

AttributeValue NodeElement::window()
{
    NodePtr current = node()->parent();
    for (int step = 0; current && step < windowSearchLimit; ++step) {
        if (translatedRole(*current) == u"AXWindow")
            return ElementPtr(std::make_shared<NodeElement>(current));
        current = current->parent();
    }
    return {};
}

} // namespace kelvo::atspi
