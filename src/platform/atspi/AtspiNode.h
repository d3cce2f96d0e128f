// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/atspi/AtspiHandles.h"
#include "platform/atspi/TreeNode.h"

namespace kelvo::x11 {
class TopLevelWindows;
}

namespace kelvo::atspi {

// One libatspi object. Lives and dies on the AT-SPI thread: every method makes
// libatspi calls.
class AtspiNode : public TreeNode {
public:
    // Takes a reference of its own.
    explicit AtspiNode(AtspiAccessible *accessible);
    static NodePtr wrap(GObjectPtr<AtspiAccessible> accessible);

    std::optional<AtspiRole> role() override;
    std::optional<QString> name() override;
    std::optional<QString> description() override;
    bool hasState(AtspiStateType state) override;
    QHash<QString, QString> attributes() override;
    std::optional<QString> text() override;
    bool hasValue() override;
    int childCount() override;
    NodePtr child(int index) override;
    NodePtr parent() override;
    NodePtr labelledBy() override;
    std::optional<Rect> extents(AtspiCoordType type) override;
    NodePtr childAtPoint(int x, int y, AtspiCoordType type) override;
    std::optional<qint64> processId() override;
    std::optional<QString> toolkitName() override;
    std::optional<QString> toolkitVersion() override;
    const void *identity() const override { return object.get(); }

    AtspiAccessible *accessible() const { return object.get(); }

private:
    GObjectPtr<AtspiAccessible> object;
    std::optional<std::optional<AtspiRole>> cachedRole;
    GObjectPtr<AtspiStateSet> states;
};

// The live desktop: X11 for the windows, libatspi for the applications. On the
// AT-SPI thread only.
class AtspiDesktop : public DesktopTree {
public:
    AtspiDesktop();
    ~AtspiDesktop() override;
    std::optional<TopLevel> topLevelAt(int x, int y) override;
    std::optional<qint64> activeProcess() override;
    NodePtr application(qint64 pid) override;

private:
    std::unique_ptr<x11::TopLevelWindows> windows;
};

} // namespace kelvo::atspi
