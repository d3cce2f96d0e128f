// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/atspi/TreeNode.h"

namespace kelvo::atspi {

// Bounds of the search, so that a huge or hung tree costs a click little.
inline constexpr int descentLimit = 64;       // hit-test steps down
inline constexpr int manualDescentLimit = 12; // steps where the toolkit answered nothing
inline constexpr int manualChildLimit = 64;   // children looked at per manual step
inline constexpr int popupSearchLimit = 160;  // nodes looked at to find an open popup
inline constexpr int popupSearchDepth = 10;
inline constexpr int comboPartDepth = 4;      // steps up from a combo box's inner parts

// Where a hit test runs: the node it starts from and the point in the
// coordinates that node's toolkit understands.
struct HitStart {
    NodePtr node;
    int x = 0, y = 0;
    AtspiCoordType coordinates = ATSPI_COORD_TYPE_SCREEN;
    // GTK 4 (4.8) marks its widgets visible but not showing.
    bool visibleIsShowing = false;
    // Where the toolkit's own hit test is asked first. GTK 4 answers screen
    // points right although its extents are relative to the window.
    int askX = 0, askY = 0;
    AtspiCoordType askCoordinates = ATSPI_COORD_TYPE_SCREEN;
};

// GTK 4 answers extents relative to its own window whatever is asked.
bool reportsWindowCoordinates(TreeNode &application);

// The element under the screen point (x, y): the application owning the
// top-level X window there; the popup element when that window is a popup;
// else the application's window holding the point; then down to the deepest
// showing element. Nothing when no application owns the point.
NodePtr elementAt(DesktopTree &desktop, int x, int y);

// The parts of elementAt, for tests.
std::optional<HitStart> hitStart(DesktopTree &desktop, int x, int y);
NodePtr descend(const HitStart &start);

} // namespace kelvo::atspi
