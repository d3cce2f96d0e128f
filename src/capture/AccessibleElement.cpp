// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/AccessibleElement.h"

namespace kelvo {

AccessibleElement::~AccessibleElement() = default;

std::optional<QString> stringAttribute(AccessibleElement &element, QStringView name)
{
    AttributeValue value = element.attribute(name);
    if (auto *text = std::get_if<QString>(&value))
        return std::move(*text);
    return std::nullopt;
}

ElementPtr elementAttribute(AccessibleElement &element, QStringView name)
{
    AttributeValue value = element.attribute(name);
    if (auto *found = std::get_if<ElementPtr>(&value))
        return std::move(*found);
    return nullptr;
}

std::optional<ElementList> elementListAttribute(AccessibleElement &element, QStringView name)
{
    AttributeValue value = element.attribute(name);
    if (auto *list = std::get_if<ElementList>(&value))
        return std::move(*list);
    return std::nullopt;
}

} // namespace kelvo
