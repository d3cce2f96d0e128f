// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/HitTest.h"

#include <deque>
#include <tuple>

namespace kelvo::atspi {

TreeNode::~TreeNode() = default;
DesktopTree::~DesktopTree() = default;

namespace {

bool isShown(TreeNode &node, bool visibleIsShowing)
{
    return node.hasState(ATSPI_STATE_SHOWING) || (visibleIsShowing && node.hasState(ATSPI_STATE_VISIBLE));
}

bool isEditableText(TreeNode &node)
{
    const std::optional<AtspiRole> role = node.role();
    if (role != ATSPI_ROLE_ENTRY && role != ATSPI_ROLE_TEXT && role != ATSPI_ROLE_PASSWORD_TEXT
        && role != ATSPI_ROLE_DOCUMENT_TEXT && role != ATSPI_ROLE_PARAGRAPH && role != ATSPI_ROLE_TERMINAL)
        return false;
    return node.hasState(ATSPI_STATE_EDITABLE);
}

// Subtrees that never hold a popup but may hold thousands of nodes.
bool holdsNoPopups(AtspiRole role)
{
    switch (role) {
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
    case ATSPI_ROLE_TREE:
    case ATSPI_ROLE_DOCUMENT_FRAME:
    case ATSPI_ROLE_DOCUMENT_WEB:
    case ATSPI_ROLE_DOCUMENT_TEXT:
    case ATSPI_ROLE_DOCUMENT_SPREADSHEET:
    case ATSPI_ROLE_DOCUMENT_PRESENTATION:
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_TERMINAL:
    case ATSPI_ROLE_PARAGRAPH:
    case ATSPI_ROLE_CANVAS:
        return true;
    default:
        return false;
    }
}

// The popup's rectangle in the coordinates its toolkit answers in.
Rect popupRect(const TopLevel &top, bool windowRelative)
{
    Rect rect{top.client.x + top.frameLeft, top.client.y + top.frameTop,
        top.client.width - top.frameLeft - top.frameRight, top.client.height - top.frameTop - top.frameBottom};
    if (windowRelative)
        rect.x = rect.y = 0;
    return rect;
}

// Whether element extents lie in the popup window, give or take a border.
bool inside(const Rect &element, const Rect &popup)
{
    constexpr int slack = 4;
    return !element.isEmpty() && element.x >= popup.x - slack && element.y >= popup.y - slack
        && element.x + element.width <= popup.x + popup.width + slack
        && element.y + element.height <= popup.y + popup.height + slack;
}

// Whether element extents stand for the popup window: inside it and covering
// most of it.
bool fills(const Rect &element, const Rect &popup)
{
    return inside(element, popup) && element.area() * 2 >= popup.area();
}

// Roles of what a popup shows: menus, their items, dropdown lists, tooltips.
bool isPopupContent(AtspiRole role)
{
    switch (role) {
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
    case ATSPI_ROLE_TEAROFF_MENU_ITEM:
    case ATSPI_ROLE_POPUP_MENU:
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
    case ATSPI_ROLE_LIST_ITEM:
    case ATSPI_ROLE_TREE_ITEM:
    case ATSPI_ROLE_TABLE_CELL:
    case ATSPI_ROLE_TOOL_TIP:
        return true;
    default:
        return false;
    }
}

// Popups hang somewhere under the application (under a menu bar, a combo box,
// a button): a bounded breadth-first search over showing nodes for the one
// whose extents are the popup window's or, where no element stands for the
// popup as a whole (GTK 3 menus: the menu's own extents are its menu-bar item),
// for the menu item or list entry inside it under the point.
NodePtr popupElement(TreeNode &application, const Rect &popup, const HitStart &point)
{
    const int px = point.x;
    const int py = point.y;
    struct Queued {
        NodePtr node;
        int depth;
    };
    std::deque<Queued> queue;
    // Tool bars rarely hold a popup but often dozens of buttons (LibreOffice):
    // their children wait until everything else has been looked at.
    std::deque<Queued> later;
    auto enqueueChildren = [&](TreeNode &node, int depth, bool defer) {
        const int count = std::min(node.childCount(), manualChildLimit);
        for (int i = 0; i < count; ++i) {
            if (NodePtr child = node.child(i))
                (defer ? later : queue).push_back({std::move(child), depth});
        }
    };
    enqueueChildren(application, 1, false);
    int visited = 0;
    while ((!queue.empty() || !later.empty()) && visited < popupSearchLimit) {
        std::deque<Queued> &from = queue.empty() ? later : queue;
        Queued item = std::move(from.front());
        from.pop_front();
        ++visited;
        TreeNode &node = *item.node;
        if (!isShown(node, point.visibleIsShowing))
            continue;
        const std::optional<AtspiRole> role = node.role();
        if (role == ATSPI_ROLE_APPLICATION)
            continue;
        const std::optional<Rect> extents = node.extents(point.coordinates);
        if (extents && extents->contains(px, py)
            && (fills(*extents, popup) || (role && isPopupContent(*role) && inside(*extents, popup))))
            return item.node;
        // An element shown with no size holds nothing shown (LibreOffice's
        // second, collapsed menu bar with every menu and item under it).
        const bool collapsed = extents && extents->isEmpty();
        if (item.depth < popupSearchDepth && role && !holdsNoPopups(*role) && !collapsed)
            enqueueChildren(node, item.depth + 1, role == ATSPI_ROLE_TOOL_BAR);
    }
    return nullptr;
}

// The application's window holding the point: showing ones first, then the
// active one, then the smallest (a dialog over its main window). In window
// coordinates every window sits at 0,0; the one of the X window's size wins.
NodePtr windowAt(TreeNode &application, const HitStart &point, const TopLevel &top, bool windowRelative)
{
    const Rect client = popupRect(top, windowRelative);
    const int count = application.childCount();
    NodePtr best;
    std::tuple<int, qint64> bestRank{-1, 0};
    for (int i = 0; i < count; ++i) {
        NodePtr window = application.child(i);
        if (!window)
            continue;
        const std::optional<Rect> extents = window->extents(point.coordinates);
        if (!extents || !extents->contains(point.x, point.y))
            continue;
        const bool showing = window->hasState(ATSPI_STATE_SHOWING);
        const bool active = window->hasState(ATSPI_STATE_ACTIVE);
        const bool sameSize = windowRelative && std::abs(extents->width - client.width) <= 2
            && std::abs(extents->height - client.height) <= 2;
        const std::tuple<int, qint64> rank{(sameSize ? 4 : 0) + (showing ? 2 : 0) + (active ? 1 : 0), -extents->area()};
        if (rank >= bestRank) {
            bestRank = rank;
            best = std::move(window);
        }
    }
    return best;
}

// The showing page under a notebook tab that holds the point.
NodePtr pageHolding(TreeNode &tab, const HitStart &point)
{
    const int count = std::min(tab.childCount(), manualChildLimit);
    for (int i = 0; i < count; ++i) {
        NodePtr page = tab.child(i);
        if (!page || !isShown(*page, point.visibleIsShowing))
            continue;
        const std::optional<Rect> extents = page->extents(point.coordinates);
        if (extents && !extents->isEmpty() && extents->contains(point.x, point.y))
            return page;
    }
    return nullptr;
}

// The smallest showing child holding the point, for toolkits whose hit test
// answers nothing inside some containers (GTK 3 notebook pages).
NodePtr childHolding(TreeNode &node, const HitStart &point)
{
    const int count = std::min(node.childCount(), manualChildLimit);
    NodePtr best;
    NodePtr withoutExtents; // a page that only groups (GTK 4 stack pages)
    qint64 bestArea = 0;
    for (int i = 0; i < count; ++i) {
        NodePtr child = node.child(i);
        if (!child || !isShown(*child, point.visibleIsShowing))
            continue;
        const std::optional<Rect> extents = child->extents(point.coordinates);
        if (!extents && !withoutExtents && child->childCount() > 0)
            withoutExtents = child;
        if (!extents || extents->isEmpty() || !extents->contains(point.x, point.y)) {
            // GTK 3 hangs a notebook's page under its tab, whose extents are the tab's.
            if (!best && child->role() == ATSPI_ROLE_PAGE_TAB) {
                if (NodePtr page = pageHolding(*child, point))
                    return page;
            }
            continue;
        }
        if (!best || extents->area() < bestArea) {
            best = std::move(child);
            bestArea = extents->area();
        }
    }
    return best ? best : withoutExtents;
}

// Parts a combo box is drawn with (GTK 4: a panel, a toggle button, a cell
// view, an arrow icon); what one types into is never one of them.
bool isComboPart(TreeNode &node)
{
    switch (node.role().value_or(ATSPI_ROLE_INVALID)) {
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC:
    case ATSPI_ROLE_IMAGE:
    case ATSPI_ROLE_ICON:
        return true;
    default:
        return false;
    }
}

// A menu that is the child of a combo box is the combo box's own list, and
// the button a GTK 4 combo box is drawn with is the combo box (other toolkits
// answer the combo box itself).
NodePtr settle(NodePtr hit, bool comboHasParts)
{
    if (hit && hit->role() == ATSPI_ROLE_MENU) {
        if (NodePtr parent = hit->parent(); parent && parent->role() == ATSPI_ROLE_COMBO_BOX)
            return parent;
    }
    NodePtr current = comboHasParts ? hit : nullptr;
    for (int step = 0; current && step < comboPartDepth && isComboPart(*current); ++step) {
        NodePtr parent = current->parent();
        if (parent && parent->role() == ATSPI_ROLE_COMBO_BOX)
            return parent;
        current = std::move(parent);
    }
    return hit;
}

} // namespace

bool reportsWindowCoordinates(TreeNode &application)
{
    const std::optional<QString> toolkit = application.toolkitName();
    if (!toolkit || toolkit->compare(u"GTK", Qt::CaseInsensitive) != 0)
        return false;
    const std::optional<QString> version = application.toolkitVersion();
    return version && version->section(u'.', 0, 0).toInt() >= 4;
}

std::optional<HitStart> hitStart(DesktopTree &desktop, int x, int y)
{
    const std::optional<TopLevel> top = desktop.topLevelAt(x, y);
    if (!top)
        return std::nullopt;
    std::optional<qint64> pid = top->pid;
    if (!pid && top->popup)
        pid = desktop.activeProcess();
    if (!pid)
        return std::nullopt;
    NodePtr application = desktop.application(*pid);
    if (!application)
        return std::nullopt;

    const bool windowRelative = reportsWindowCoordinates(*application);
    HitStart start;
    start.coordinates = windowRelative ? ATSPI_COORD_TYPE_WINDOW : ATSPI_COORD_TYPE_SCREEN;
    start.x = windowRelative ? x - top->client.x - top->frameLeft : x;
    start.y = windowRelative ? y - top->client.y - top->frameTop : y;
    start.visibleIsShowing = windowRelative;
    start.askX = x;
    start.askY = y;
    start.askCoordinates = ATSPI_COORD_TYPE_SCREEN;
    if (top->popup)
        start.node = popupElement(*application, popupRect(*top, windowRelative), start);
    if (!start.node)
        start.node = windowAt(*application, start, *top, windowRelative);
    if (!start.node)
        return std::nullopt;
    return start;
}

NodePtr descend(const HitStart &start)
{
    NodePtr current = start.node;
    int manualSteps = 0;
    for (int depth = 0; current && depth < descentLimit; ++depth) {
        // One types into editable text: what lies inside it is not the target.
        if (depth > 0 && isEditableText(*current))
            break;
        // An answer that is the node itself, or whose own extents miss the
        // point, is the toolkit guessing (GTK 4 may read a screen point as a
        // window point and answer the container it asked); one that does not
        // show is a hidden copy (Chromium's tab title behind its hover card).
        auto believable = [&](NodePtr answer) -> NodePtr {
            if (!answer || sameNode(answer, current) || !isShown(*answer, start.visibleIsShowing))
                return nullptr;
            const std::optional<Rect> extents = answer->extents(start.coordinates);
            if (extents && !extents->isEmpty() && !extents->contains(start.x, start.y))
                return nullptr;
            return answer;
        };
        const bool twoWaysToAsk =
            start.askCoordinates != start.coordinates || start.askX != start.x || start.askY != start.y;
        NodePtr answer = current->childAtPoint(start.askX, start.askY, start.askCoordinates);
        // Elsewhere a node answering itself is the deepest one there.
        if (!twoWaysToAsk && answer && sameNode(answer, current))
            break;
        NodePtr child = believable(std::move(answer));
        if (!child && twoWaysToAsk)
            child = believable(current->childAtPoint(start.x, start.y, start.coordinates));
        if (!child && manualSteps < manualDescentLimit) {
            child = childHolding(*current, start);
            ++manualSteps;
        }
        if (!child)
            break;
        current = std::move(child);
    }
    return settle(std::move(current), start.visibleIsShowing);
}

NodePtr elementAt(DesktopTree &desktop, int x, int y)
{
    const std::optional<HitStart> start = hitStart(desktop, x, y);
    if (!start)
        return nullptr;
    return descend(*start);
}

} // namespace kelvo::atspi
