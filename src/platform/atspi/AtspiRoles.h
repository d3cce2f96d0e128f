// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <atspi/atspi.h>

#include <functional>
#include <optional>

namespace kelvo::atspi {

// What some rows of the role table need beyond the role itself; asked only
// when the row needs it, since every answer costs a request.
struct RoleFacts {
    std::function<bool(AtspiStateType)> hasState;
    std::function<std::optional<AtspiRole>()> parentRole;
    std::function<bool()> hasEditableTextChild;
    std::function<bool()> saysSearchField; // from the object attributes
};

// The "AX…" identifier the caption table and the parent walk use.
QString roleIdentifier(AtspiRole role, const RoleFacts &facts);

// "table column header" → "AXTableColumnHeader".
QString genericRoleIdentifier(AtspiRole role);

} // namespace kelvo::atspi
