// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/AccessibleElement.h"
#include "platform/atspi/TreeNode.h"

namespace kelvo::atspi {

// One node of the tree behind the "AX…" attribute names. On the thread of its
// node (the AT-SPI thread for live ones).
class NodeElement : public AccessibleElement {
public:
    explicit NodeElement(NodePtr node);
    // The index-th child of parent, looked up on first use: a list of children
    // costs nothing until one of them is read.
    NodeElement(NodePtr parent, int index);

    AttributeValue attribute(QStringView name) override;
    std::optional<qint64> processId() override;

    // The translated role, read once.
    std::optional<QString> roleIdentifier();
    TreeNode *node(); // nullptr when it cannot be resolved

private:
    AttributeValue children();
    AttributeValue window();
    // "AXApplicationName": the name the application gives itself on the bus.
    AttributeValue applicationName();

    NodePtr resolved;
    NodePtr lazyParent;
    int lazyIndex = -1;
    std::optional<std::optional<QString>> role;
};

// The "AX…" identifier of a node (the role table plus the facts some rows need).
std::optional<QString> translatedRole(TreeNode &node);

} // namespace kelvo::atspi
