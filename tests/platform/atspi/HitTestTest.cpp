// SPDX-License-Identifier: GPL-3.0-or-later
// The hit test and the element reader replaying snapshots: hand-built trees
// that reproduce one fault of a real toolkit each, and trees recorded from real
// applications with `kelvo inspect X Y --snapshot FILE`.
#include "capture/CaptionWriter.h"
#include "capture/TargetLookup.h"
#include "platform/atspi/HitTest.h"
#include "platform/atspi/NodeElement.h"
#include "platform/atspi/Snapshot.h"
#include "support/capture/FakeAccessibility.h"

#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <set>

namespace kelvo::atspi {
namespace {

const QStringList shown{QStringLiteral("showing"), QStringLiteral("visible"), QStringLiteral("enabled")};

// Builds a snapshot by hand. Toolkits answer hit tests well unless told
// otherwise: each node answers its smallest child holding the point.
class TreeBuilder {
public:
    explicit TreeBuilder(int pointX, int pointY)
        : x(pointX)
        , y(pointY)
    {
        application = add(QStringLiteral("application"), QStringLiteral("App"), {}, -1, {});
    }

    int add(const QString &role, const QString &name, std::optional<Rect> screen, int parent,
        const QStringList &states = shown)
    {
        QJsonObject node;
        node[u"id"] = int(nodes.size());
        node[u"role"] = role;
        node[u"name"] = name;
        node[u"states"] = QJsonArray::fromStringList(states);
        QJsonObject extents;
        if (screen)
            extents[u"screen"] = QJsonArray{screen->x, screen->y, screen->width, screen->height};
        node[u"extents"] = extents;
        node[u"childCount"] = 0;
        node[u"parent"] = parent;
        nodes.push_back(node);
        rects.push_back(screen);
        children.emplace_back();
        if (parent >= 0) {
            children[size_t(parent)].push_back(int(nodes.size()) - 1);
            nodes[size_t(parent)][u"childCount"] = int(children[size_t(parent)].size());
        }
        return int(nodes.size()) - 1;
    }

    QJsonObject &node(int id) { return nodes[size_t(id)]; }
    // What the toolkit's own hit test answers at the point (-1: nothing).
    void answers(int id, int answer, const QString &coordinates = QStringLiteral("screen"))
    {
        QJsonObject atPoint = nodes[size_t(id)].value(u"atPoint").toObject();
        atPoint[coordinates] = answer;
        nodes[size_t(id)][u"atPoint"] = atPoint;
        told.insert({id, coordinates});
    }
    void setWindowExtents(int id, Rect rect)
    {
        QJsonObject extents = nodes[size_t(id)].value(u"extents").toObject();
        extents[u"window"] = QJsonArray{rect.x, rect.y, rect.width, rect.height};
        nodes[size_t(id)][u"extents"] = extents;
    }

    QJsonObject snapshot(const TopLevel &top, const QString &toolkit = QStringLiteral("GTK"),
        const QString &version = QStringLiteral("3.24.38"))
    {
        QJsonArray array;
        for (size_t id = 0; id < nodes.size(); ++id) {
            QJsonObject node = nodes[id];
            QJsonArray list;
            int best = -1;
            for (int child : children[id]) {
                list.append(child);
                const auto &rect = rects[size_t(child)];
                if (rect && rect->contains(x, y) && (best < 0 || rect->area() < rects[size_t(best)]->area()))
                    best = child;
            }
            node[u"children"] = list;
            if (!told.count({int(id), QStringLiteral("screen")})) {
                QJsonObject atPoint = node.value(u"atPoint").toObject();
                atPoint[u"screen"] = best;
                node[u"atPoint"] = atPoint;
            }
            array.append(node);
        }
        QJsonObject json;
        json[u"point"] = QJsonArray{x, y};
        QJsonObject topJson;
        topJson[u"client"] = QJsonArray{top.client.x, top.client.y, top.client.width, top.client.height};
        topJson[u"popup"] = top.popup;
        if (top.pid)
            topJson[u"pid"] = double(*top.pid);
        topJson[u"frameExtents"] = QJsonArray{top.frameLeft, top.frameRight, top.frameTop, top.frameBottom};
        json[u"topLevel"] = topJson;
        json[u"pid"] = 100;
        json[u"toolkitName"] = toolkit;
        json[u"toolkitVersion"] = version;
        json[u"application"] = application;
        json[u"nodes"] = array;
        return json;
    }

    int application;

private:
    int x, y;
    std::vector<QJsonObject> nodes;
    std::vector<std::optional<Rect>> rects;
    std::vector<std::vector<int>> children;
    std::set<std::pair<int, QString>> told;
};

struct Replayed {
    NodePtr hit;
    ClickTarget target;
    QString caption;
};

Replayed replay(const QJsonObject &json)
{
    QString error;
    const std::shared_ptr<SnapshotDesktop> desktop = SnapshotDesktop::fromJson(json, &error);
    EXPECT_TRUE(desktop) << error.toStdString();
    if (!desktop)
        return {};
    Replayed result;
    result.hit = elementAt(*desktop, desktop->x(), desktop->y());
    test::FakeApplicationNames names;
    names.setName(100, QStringLiteral("App"));
    if (result.hit) {
        NodeElement element(result.hit);
        result.target = describeElement(element, names);
    }
    result.caption = makeCaption(result.target, false);
    return result;
}

const TopLevel mainWindow{Rect{100, 50, 800, 600}, false, 100};

// ---- popups ---------------------------------------------------------------------

TEST(HitTest, OpenMenuIsFoundUnderTheMenuBarNotTheContentBeneath)
{
    TreeBuilder tree(150, 120);
    const int frame = tree.add(QStringLiteral("frame"), QStringLiteral("Notes - Editor"), Rect{100, 50, 800, 600}, tree.application);
    const int bar = tree.add(QStringLiteral("menu bar"), {}, Rect{100, 50, 800, 25}, frame);
    const int file = tree.add(QStringLiteral("menu"), QStringLiteral("_File"), Rect{100, 50, 40, 25}, bar);
    const int menu = tree.add(QStringLiteral("menu"), QStringLiteral("File"), Rect{100, 75, 200, 120}, file);
    tree.add(QStringLiteral("menu item"), QStringLiteral("_New"), Rect{102, 77, 196, 24}, menu);
    tree.add(QStringLiteral("menu item"), QStringLiteral("Save _As..."), Rect{102, 105, 196, 24}, menu);
    const int text = tree.add(QStringLiteral("text"), {}, Rect{100, 75, 800, 575}, frame,
        shown + QStringList{QStringLiteral("editable"), QStringLiteral("multi-line")});
    (void)text;
    // The hit test from the frame goes to the text under the menu.
    tree.answers(frame, text);

    TopLevel popup{Rect{100, 75, 200, 120}, true, std::nullopt};
    QJsonObject json = tree.snapshot(popup);
    json[u"activePid"] = 100;
    const Replayed result = replay(json);
    EXPECT_EQ(result.target.role, QStringLiteral("AXMenuItem"));
    EXPECT_EQ(result.caption, QStringLiteral("Choose \"Save As\" from the menu"));
}

TEST(HitTest, DropdownListOfAComboBoxIsFoundAndItsMenuBelongsToTheCombo)
{
    TreeBuilder tree(420, 330);
    const int frame = tree.add(QStringLiteral("frame"), QStringLiteral("Settings"), Rect{100, 50, 800, 600}, tree.application);
    const int combo = tree.add(QStringLiteral("combo box"), QStringLiteral("Theme"), Rect{400, 200, 150, 30}, frame);
    const int list = tree.add(QStringLiteral("menu"), {}, Rect{400, 230, 150, 120}, combo);
    tree.add(QStringLiteral("menu item"), QStringLiteral("Light"), Rect{400, 230, 150, 30}, list);
    tree.add(QStringLiteral("menu item"), QStringLiteral("Dark"), Rect{400, 320, 150, 30}, list);
    const Replayed result = replay(tree.snapshot(TopLevel{Rect{400, 230, 150, 120}, true, 100}));
    EXPECT_EQ(result.caption, QStringLiteral("Choose \"Dark\" from the menu"));

    // The list itself (between items) is the combo box's.
    TreeBuilder gap(420, 300);
    const int frame2 = gap.add(QStringLiteral("frame"), QStringLiteral("Settings"), Rect{100, 50, 800, 600}, gap.application);
    const int combo2 = gap.add(QStringLiteral("combo box"), QStringLiteral("Theme"), Rect{400, 200, 150, 30}, frame2);
    const int list2 = gap.add(QStringLiteral("menu"), {}, Rect{400, 230, 150, 120}, combo2);
    gap.add(QStringLiteral("menu item"), QStringLiteral("Light"), Rect{400, 230, 150, 30}, list2);
    const Replayed onList = replay(gap.snapshot(TopLevel{Rect{400, 230, 150, 120}, true, 100}));
    EXPECT_EQ(onList.caption, QStringLiteral("Open the \"Theme\" dropdown"));
}

TEST(HitTest, PopupThatMatchesNoElementFallsBackToTheWindow)
{
    TreeBuilder tree(150, 120);
    const int frame = tree.add(QStringLiteral("frame"), QStringLiteral("Editor"), Rect{100, 50, 800, 600}, tree.application);
    tree.add(QStringLiteral("push button"), QStringLiteral("Bold"), Rect{140, 110, 30, 30}, frame);
    const Replayed result = replay(tree.snapshot(TopLevel{Rect{140, 100, 60, 40}, true, 100}));
    EXPECT_EQ(result.caption, QStringLiteral("Click \"Bold\""));
}

// ---- hit tests that answer nothing ---------------------------------------------------

TEST(HitTest, EmptyAnswerInsideANotebookPageDescendsByHand)
{
    TreeBuilder tree(300, 300);
    const int frame = tree.add(QStringLiteral("frame"), QStringLiteral("Widget Factory"), Rect{100, 50, 800, 600}, tree.application);
    const int tabs = tree.add(QStringLiteral("page tab list"), {}, Rect{110, 100, 700, 500}, frame);
    const int tab = tree.add(QStringLiteral("page tab"), QStringLiteral("View"), Rect{110, 100, 700, 500}, tabs);
    const int page = tree.add(QStringLiteral("panel"), {}, Rect{110, 130, 700, 470}, tab);
    tree.add(QStringLiteral("check box"), QStringLiteral("Show _Grid"), Rect{280, 290, 120, 24}, page);
    tree.add(QStringLiteral("check box"), QStringLiteral("Wrap"), Rect{280, 320, 120, 24}, page);
    tree.answers(tab, -1);
    EXPECT_EQ(replay(tree.snapshot(mainWindow)).caption, QStringLiteral("Toggle \"Show Grid\""));
}

TEST(HitTest, Gtk3NotebookPageHungUnderItsTabIsFound)
{
    // GTK 3 puts a page under its tab; the tab's extents are only its header.
    TreeBuilder tree(150, 140);
    const int frame = tree.add(QStringLiteral("frame"), QStringLiteral("Settings"), Rect{100, 50, 800, 600}, tree.application);
    const int notebook = tree.add(QStringLiteral("page tab list"), {}, Rect{100, 80, 800, 500}, frame);
    const int general = tree.add(QStringLiteral("page tab"), QStringLiteral("General"), Rect{105, 82, 80, 25}, notebook);
    const int page = tree.add(QStringLiteral("panel"), {}, Rect{102, 110, 796, 468}, general);
    tree.add(QStringLiteral("check box"), QStringLiteral("Show grid"), Rect{120, 130, 100, 20}, page);
    const int advanced = tree.add(QStringLiteral("page tab"), QStringLiteral("Advanced"), Rect{185, 82, 80, 25}, notebook);
    tree.add(QStringLiteral("panel"), {}, Rect{102, 110, 796, 468}, advanced, {QStringLiteral("visible")});
    EXPECT_EQ(replay(tree.snapshot(mainWindow)).caption, QStringLiteral("Toggle \"Show grid\""));
}

TEST(HitTest, AnswerWhoseExtentsMissThePointIsNotBelieved)
{
    TreeBuilder tree(300, 300);
    const int frame = tree.add(QStringLiteral("frame"), QStringLiteral("Factory"), Rect{100, 50, 800, 600}, tree.application);
    const int tabs = tree.add(QStringLiteral("page tab list"), {}, Rect{110, 100, 700, 500}, frame);
    const int tab = tree.add(QStringLiteral("page tab"), QStringLiteral("View"), Rect{110, 100, 60, 25}, tabs);
    const int page = tree.add(QStringLiteral("panel"), {}, Rect{110, 130, 700, 470}, tabs);
    tree.add(QStringLiteral("push button"), QStringLiteral("Apply"), Rect{280, 290, 120, 24}, page);
    tree.answers(tabs, tab);
    EXPECT_EQ(replay(tree.snapshot(mainWindow)).caption, QStringLiteral("Click \"Apply\""));
}

TEST(HitTest, EmptyContainerIsNotNamedAfterAChild)
{
    TreeBuilder tree(600, 500);
    const int frame = tree.add(QStringLiteral("frame"), QStringLiteral("/home/ada/notes.txt - Mousepad"), Rect{100, 50, 800, 600}, tree.application);
    const int tabs = tree.add(QStringLiteral("page tab list"), {}, Rect{110, 100, 700, 500}, frame);
    tree.add(QStringLiteral("page tab"), QStringLiteral("View"), Rect{110, 100, 60, 25}, tabs);
    const Replayed result = replay(tree.snapshot(mainWindow));
    EXPECT_EQ(result.target.role, QStringLiteral("AXTabGroup"));
    EXPECT_EQ(result.caption, QStringLiteral("Click in \"notes.txt - Mousepad\""));
}

TEST(HitTest, ManualDescentIsBounded)
{
    TreeBuilder tree(300, 300);
    int parent = tree.add(QStringLiteral("frame"), QStringLiteral("Deep"), Rect{100, 50, 800, 600}, tree.application);
    for (int level = 0; level < 40; ++level) {
        parent = tree.add(QStringLiteral("panel"), {}, Rect{100, 50, 800, 600}, parent);
        tree.answers(parent, -1);
    }
    tree.answers(1, -1);
    const Replayed result = replay(tree.snapshot(mainWindow));
    ASSERT_TRUE(result.hit);
    int depth = 0;
    for (NodePtr node = result.hit; node && node->parent(); node = node->parent())
        ++depth;
    EXPECT_EQ(depth, 1 + manualDescentLimit);
}

// ---- editable text --------------------------------------------------------------------

TEST(HitTest, DescentStopsAtEditableText)
{
    TreeBuilder tree(300, 300);
    const int frame = tree.add(QStringLiteral("frame"), QStringLiteral("Writer"), Rect{100, 50, 800, 600}, tree.application);
    const int document = tree.add(QStringLiteral("document text"), QStringLiteral("Untitled 1"), Rect{110, 100, 700, 500}, frame,
        shown + QStringList{QStringLiteral("editable")});
    tree.add(QStringLiteral("filler"), {}, Rect{110, 100, 700, 500}, document);
    EXPECT_EQ(replay(tree.snapshot(mainWindow)).target.role, QStringLiteral("AXTextArea"));
}

// ---- GTK 4: extents relative to the window --------------------------------------------

TEST(HitTest, Gtk4IsAskedInWindowCoordinates)
{
    // The X window is at 300,200 with 10 px of client-side shadow around it.
    TreeBuilder tree(300 + 10 + 50, 200 + 10 + 40);
    const int frame = tree.add(QStringLiteral("frame"), QStringLiteral("Calculator"), Rect{0, 0, 400, 500}, tree.application);
    tree.setWindowExtents(frame, Rect{0, 0, 400, 500});
    const int seven = tree.add(QStringLiteral("push button"), QStringLiteral("7"), std::nullopt, frame);
    tree.setWindowExtents(seven, Rect{40, 30, 30, 30});
    const int eight = tree.add(QStringLiteral("push button"), QStringLiteral("8"), std::nullopt, frame);
    tree.setWindowExtents(eight, Rect{75, 30, 30, 30});
    // This one answers only in window coordinates; GTK 4.8 answers screen points too.
    tree.answers(frame, -1);
    tree.answers(frame, seven, QStringLiteral("window"));
    const TopLevel top{Rect{300, 200, 420, 520}, false, 100, 10, 10, 10, 10};
    const Replayed gtk4 = replay(tree.snapshot(top, QStringLiteral("GTK"), QStringLiteral("4.8.3")));
    EXPECT_EQ(gtk4.caption, QStringLiteral("Click \"7\""));
}

TEST(HitTest, Gtk4PopoverIsMatchedBySize)
{
    TreeBuilder tree(515, 430);
    const int frame = tree.add(QStringLiteral("frame"), QStringLiteral("Factory"), Rect{0, 0, 800, 600}, tree.application);
    tree.setWindowExtents(frame, Rect{0, 0, 800, 600});
    const int button = tree.add(QStringLiteral("toggle button"), QStringLiteral("Menu"), std::nullopt, frame);
    tree.setWindowExtents(button, Rect{10, 10, 40, 30});
    const int popover = tree.add(QStringLiteral("menu"), {}, std::nullopt, button);
    tree.setWindowExtents(popover, Rect{0, 0, 150, 80});
    const int item = tree.add(QStringLiteral("menu item"), QStringLiteral("Preferences"), std::nullopt, popover);
    tree.setWindowExtents(item, Rect{5, 20, 140, 25});
    tree.answers(popover, item, QStringLiteral("window"));
    const TopLevel top{Rect{500, 400, 150, 80}, true, 100};
    const Replayed result = replay(tree.snapshot(top, QStringLiteral("GTK"), QStringLiteral("4.8.3")));
    EXPECT_EQ(result.caption, QStringLiteral("Choose \"Preferences\" from the menu"));
}

TEST(HitTest, ToolkitVersionDecidesTheCoordinates)
{
    TreeBuilder tree(0, 0);
    const QJsonObject gtk3 = tree.snapshot(mainWindow, QStringLiteral("GTK"), QStringLiteral("3.24.38"));
    const QJsonObject gtk4 = tree.snapshot(mainWindow, QStringLiteral("gtk"), QStringLiteral("4.12.0"));
    const QJsonObject qt = tree.snapshot(mainWindow, QStringLiteral("Qt"), QStringLiteral("6.4.2"));
    auto windowRelative = [](const QJsonObject &json) {
        auto desktop = SnapshotDesktop::fromJson(json);
        return reportsWindowCoordinates(*desktop->application(100));
    };
    EXPECT_FALSE(windowRelative(gtk3));
    EXPECT_TRUE(windowRelative(gtk4));
    EXPECT_FALSE(windowRelative(qt));
}

// ---- snapshots ---------------------------------------------------------------------------

TEST(Snapshot, BrokenDocumentsAreRefusedWithAReason)
{
    QString error;
    EXPECT_FALSE(SnapshotDesktop::fromJson(QJsonObject{}, &error));
    EXPECT_FALSE(error.isEmpty());
    TreeBuilder tree(1, 1);
    tree.add(QStringLiteral("no such role"), {}, Rect{}, tree.application);
    EXPECT_FALSE(SnapshotDesktop::fromJson(tree.snapshot(mainWindow), &error));
    QJsonObject dangling = TreeBuilder(1, 1).snapshot(mainWindow);
    QJsonArray nodes = dangling[u"nodes"].toArray();
    QJsonObject first = nodes[0].toObject();
    first[u"parent"] = 99;
    nodes[0] = first;
    dangling[u"nodes"] = nodes;
    EXPECT_FALSE(SnapshotDesktop::fromJson(dangling, &error));
    EXPECT_TRUE(error.contains(u"missing"));
}

TEST(Snapshot, RoleAndStateNamesRoundTrip)
{
    for (AtspiRole role : {ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PAGE_TAB_LIST, ATSPI_ROLE_DOCUMENT_WEB})
        EXPECT_EQ(roleFromName(roleName(role)), role);
    for (AtspiStateType state : {ATSPI_STATE_SHOWING, ATSPI_STATE_EDITABLE, ATSPI_STATE_HAS_POPUP})
        EXPECT_EQ(stateFromName(stateName(state)), state);
}

QJsonObject recorded(const QString &name)
{
    QFile file(QDir(QStringLiteral(KELVO_SNAPSHOT_DIR)).filePath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return QJsonDocument::fromJson(file.readAll()).object();
}

// gtk4-widget-factory: GTK 4 reads a screen point as a window point and
// answers the container it was asked, which must not end the descent.
TEST(RecordedGtk4, ContainerAnsweringItselfIsDescendedByHand)
{
    const Replayed result = replay(recorded(QStringLiteral("gtk4-widget-factory-check-button.json")));
    EXPECT_EQ(result.target.role, QStringLiteral("AXCheckBox"));
    EXPECT_EQ(result.caption, QStringLiteral("Toggle \"checkbutton\""));
}

TEST(RecordedGtk4, ComboBoxInnerButtonIsTheComboBox)
{
    const Replayed result = replay(recorded(QStringLiteral("gtk4-widget-factory-combo-box.json")));
    ASSERT_TRUE(result.hit);
    EXPECT_EQ(result.hit->role(), ATSPI_ROLE_COMBO_BOX);
    EXPECT_EQ(result.caption, QStringLiteral("Open the dropdown"));
}

TEST(RecordedGtk4, NotebookTabIsNamedByItsLabelNotTheWordTab)
{
    const Replayed result = replay(recorded(QStringLiteral("gtk4-widget-factory-page-tab.json")));
    EXPECT_EQ(result.target.role, QStringLiteral("AXTab"));
    EXPECT_EQ(result.caption, QStringLiteral("Switch to the \"Sunset\" tab"));
}

TEST(RecordedGtk4, SpinButtonIsATextField)
{
    const Replayed result = replay(recorded(QStringLiteral("gtk4-widget-factory-spin-button.json")));
    ASSERT_TRUE(result.hit);
    EXPECT_EQ(result.hit->role(), ATSPI_ROLE_SPIN_BUTTON);
    EXPECT_EQ(result.target.role, QStringLiteral("AXTextField"));
    EXPECT_EQ(result.caption, QStringLiteral("Click in the text field"));
}

// LibreOffice Writer: an open menu among 800 nodes, most under a second,
// collapsed menu bar and tool bars; the document is named after its title.
TEST(RecordedLibreOffice, OpenMenuIsFoundPastToolBarsAndACollapsedMenuBar)
{
    const Replayed result = replay(recorded(QStringLiteral("libreoffice-writer-save-as-item.json")));
    EXPECT_EQ(result.target.role, QStringLiteral("AXMenuItem"));
    EXPECT_EQ(result.caption, QStringLiteral("Choose \"Save As\" from the menu"));
}

TEST(RecordedLibreOffice, DocumentTitleIsNotAFieldName)
{
    EXPECT_EQ(replay(recorded(QStringLiteral("libreoffice-writer-document.json"))).caption,
        QStringLiteral("Click in the text field"));
}

// Hand-built: a tab really named "Tab" by its application keeps the name when
// nothing inside says more, and a combo box's button never names a plain button.
TEST(HitTest, PlaceholderTabNameAndComboPartsStayInTheirPlace)
{
    TreeBuilder tabs(150, 70);
    const int frame = tabs.add(QStringLiteral("frame"), QStringLiteral("Main"), Rect{100, 50, 800, 600}, tabs.application);
    const int list = tabs.add(QStringLiteral("page tab list"), {}, Rect{100, 50, 800, 40}, frame);
    tabs.add(QStringLiteral("page tab"), QStringLiteral("Tab"), Rect{120, 55, 80, 30}, list);
    EXPECT_EQ(replay(tabs.snapshot(mainWindow)).caption, QStringLiteral("Switch tabs"));

    TreeBuilder buttons(150, 70);
    const int window = buttons.add(QStringLiteral("frame"), QStringLiteral("Main"), Rect{100, 50, 800, 600}, buttons.application);
    const int panel = buttons.add(QStringLiteral("panel"), {}, Rect{100, 50, 800, 40}, window);
    buttons.add(QStringLiteral("push button"), QStringLiteral("Apply"), Rect{120, 55, 80, 30}, panel);
    EXPECT_EQ(replay(buttons.snapshot(mainWindow)).caption, QStringLiteral("Click \"Apply\""));
}

// Each recorded file holds "expectedCaption": the caption a careful person
// would write for a click there.
TEST(Snapshot, RecordedApplicationsGiveTheRightCaptions)
{
    const QDir directory(QStringLiteral(KELVO_SNAPSHOT_DIR));
    const QStringList files = directory.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile file(directory.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
        ASSERT_TRUE(json.contains(u"expectedCaption"));
        EXPECT_EQ(replay(json).caption, json.value(u"expectedCaption").toString());
    }
}

} // namespace
} // namespace kelvo::atspi
