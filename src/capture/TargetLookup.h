// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/AccessibilityService.h"
#include "capture/AccessibleElement.h"
#include "capture/ApplicationNames.h"
#include "capture/ClickTarget.h"

#include <QSet>
#include <QString>

#include <optional>

namespace kelvo {

// Roles a click on passive content is promoted to.
const QSet<QString> &actionableRoles();
inline constexpr int parentWalkLimit = 3;
inline constexpr float messagingTimeoutSeconds = 0.6f;
// How many children the label search looks at.
inline constexpr int labelChildLimit = 6;

// The first usable of the element's label sources, or nothing: its name, its
// labelled-by element, description, own text (static text), tooltip,
// placeholder, then (never for containers) its first six children. Texts are
// tidied (LabelRules.h); toolkit class names do not count. A name that only
// repeats appName gives way to the description.
std::optional<QString> elementLabel(AccessibleElement &element, const std::optional<QString> &role,
    const std::optional<QString> &appName = std::nullopt);
// Groups, tab lists, windows, lists, tool bars and the like.
bool isContainerRole(const std::optional<QString> &role);

// The whole inspection of the point (x, y), global pixels with a top-left origin.
std::optional<ClickTarget> inspectTarget(AccessibilityService &service, ApplicationNames &names, double x, double y);

// From an already hit element on: promotion, label, window title, application.
ClickTarget describeElement(AccessibleElement &clicked, ApplicationNames &names);

} // namespace kelvo
