// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <variant>

namespace kelvo {

class AccessibleElement;
using ElementPtr = std::shared_ptr<AccessibleElement>;
using ElementList = QList<ElementPtr>;

// A value that exists but is of none of the types the inspection reads (a
// number, a point, …): it counts as absent for every text source.
struct OtherValue {
    friend bool operator==(const OtherValue &, const OtherValue &) = default;
};

// One attribute as the accessibility service answers it. monostate stands for
// every failure: an error, a timeout, or no value.
using AttributeValue = std::variant<std::monostate, QString, ElementPtr, ElementList, OtherValue>;

// One element of the accessibility tree, read through the "AX…" attribute names
// ("AXRole", "AXTitle", "AXDescription", "AXTitleUIElement", "AXValue",
// "AXHelp", "AXPlaceholderValue", "AXChildren", "AXParent", "AXWindow").
// Backends answer every failure with an absent value. "AXChildren" may list
// only the first children (never fewer than the label search reads).
class AccessibleElement {
public:
    virtual ~AccessibleElement();
    virtual AttributeValue attribute(QStringView name) = 0;
    virtual std::optional<qint64> processId() = 0;
};

// Typed readers: nothing on any error, absent value, or value of another type.
std::optional<QString> stringAttribute(AccessibleElement &element, QStringView name);
ElementPtr elementAttribute(AccessibleElement &element, QStringView name);
std::optional<ElementList> elementListAttribute(AccessibleElement &element, QStringView name);

} // namespace kelvo
