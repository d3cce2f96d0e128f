// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The accessibility tree as the hit test and the element reader see it, in
// AT-SPI's own terms. Two sources answer it: libatspi on a live desktop
// (AtspiNode.h) and a recorded snapshot of a real application's tree
// (Snapshot.h), so that what goes wrong in a real application can be replayed
// in a unit test.

#include <QHash>
#include <QString>

#include <atspi/atspi.h>

#include <memory>
#include <optional>

namespace kelvo::atspi {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
    qint64 area() const { return qint64(width) * qint64(height); }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const Rect &, const Rect &) = default;
};

class TreeNode;
using NodePtr = std::shared_ptr<TreeNode>;

// Every failure (an error, a timeout, a dead object) reads as an absent value.
class TreeNode {
public:
    virtual ~TreeNode();
    virtual std::optional<AtspiRole> role() = 0;
    virtual std::optional<QString> name() = 0;
    virtual std::optional<QString> description() = 0;
    virtual bool hasState(AtspiStateType state) = 0;
    virtual QHash<QString, QString> attributes() = 0;
    // The whole text of the Text interface; nothing without one.
    virtual std::optional<QString> text() = 0;
    // Whether it has the (numeric) Value interface.
    virtual bool hasValue() = 0;
    virtual int childCount() = 0; // 0 on error
    virtual NodePtr child(int index) = 0;
    virtual NodePtr parent() = 0;
    // The first target of the labelled-by relation.
    virtual NodePtr labelledBy() = 0;
    virtual std::optional<Rect> extents(AtspiCoordType type) = 0;
    virtual NodePtr childAtPoint(int x, int y, AtspiCoordType type) = 0;
    virtual std::optional<qint64> processId() = 0;
    // The toolkit of the node's application, e.g. "GTK" and "4.8.3".
    virtual std::optional<QString> toolkitName() = 0;
    virtual std::optional<QString> toolkitVersion() = 0;
    // The same object of the tree (two handles may stand for one object).
    virtual const void *identity() const = 0;
};

inline bool sameNode(const NodePtr &a, const NodePtr &b)
{
    return a && b && a->identity() == b->identity();
}

// The X side of the desktop at a point.
struct TopLevel {
    Rect client;             // the client window on the screen (frame excluded)
    bool popup = false;      // override-redirect: a menu, a dropdown list, a tooltip
    std::optional<qint64> pid;
    // _GTK_FRAME_EXTENTS: left, right, top, bottom (client-side shadows).
    int frameLeft = 0, frameRight = 0, frameTop = 0, frameBottom = 0;
    // The child of the root: the window manager's frame, or the client itself.
    Rect outer = {};
    friend bool operator==(const TopLevel &, const TopLevel &) = default;
};

class DesktopTree {
public:
    virtual ~DesktopTree();
    // The topmost viewable top-level window holding the point.
    virtual std::optional<TopLevel> topLevelAt(int x, int y) = 0;
    // The process of the active window, for popups that carry none.
    virtual std::optional<qint64> activeProcess() = 0;
    virtual NodePtr application(qint64 pid) = 0;
};

} // namespace kelvo::atspi
