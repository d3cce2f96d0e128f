// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Snapshots of the accessibility tree around a point, as JSON: what a live
// application answered (roles, names, descriptions, states, extents in screen
// and window coordinates, relations, attributes, toolkit, the X window under
// the point) so that a hit test can be replayed without the application.

#include "platform/atspi/TreeNode.h"

#include <QJsonObject>

#include <vector>

namespace kelvo::atspi {

// Records the tree around (x, y) from a live desktop. Bounded: at most
// snapshotNodeLimit nodes.
inline constexpr int snapshotNodeLimit = 3000;
QJsonObject takeSnapshot(DesktopTree &desktop, int x, int y);

// A desktop answering from a snapshot. Questions the snapshot did not record
// answer absent, as a live call that failed would.
class SnapshotDesktop : public DesktopTree {
public:
    // Nothing (and a reason in error) for a document that is not a snapshot.
    static std::shared_ptr<SnapshotDesktop> fromJson(const QJsonObject &json, QString *error = nullptr);

    int x() const { return pointX; }
    int y() const { return pointY; }

    std::optional<TopLevel> topLevelAt(int x, int y) override;
    std::optional<qint64> activeProcess() override;
    NodePtr application(qint64 pid) override;

    struct Data;

private:
    std::shared_ptr<Data> data;
    int pointX = 0, pointY = 0;
};

// Role and state names as libatspi spells them ("push button", "showing").
QString roleName(AtspiRole role);
std::optional<AtspiRole> roleFromName(const QString &name);
QString stateName(AtspiStateType state);
std::optional<AtspiStateType> stateFromName(const QString &name);

} // namespace kelvo::atspi
