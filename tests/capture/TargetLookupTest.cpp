// SPDX-License-Identifier: GPL-3.0-or-later
// The inspection over a scripted element tree: promotion, the label sources,
// the window title and the application name.
#include "capture/TargetLookup.h"
#include "support/capture/FakeAccessibility.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

using test::FakeElement;
using Fake = std::shared_ptr<FakeElement>;

const QString AXRole = QStringLiteral("AXRole");
const QString AXTitle = QStringLiteral("AXTitle");
const QString AXDescription = QStringLiteral("AXDescription");
const QString AXTitleUIElement = QStringLiteral("AXTitleUIElement");
const QString AXValue = QStringLiteral("AXValue");
const QString AXHelp = QStringLiteral("AXHelp");
const QString AXPlaceholderValue = QStringLiteral("AXPlaceholderValue");
const QString AXChildren = QStringLiteral("AXChildren");
const QString AXParent = QStringLiteral("AXParent");
const QString AXWindow = QStringLiteral("AXWindow");

class Inspection : public ::testing::Test {
protected:
    test::FakeAccessibilityService service;
    test::FakeApplicationNames names;

    std::optional<ClickTarget> inspectAt(const ElementPtr &hit, double x = 10, double y = 20)
    {
        service.hit = hit;
        return inspectTarget(service, names, x, y);
    }
};

// ---- the inspection as a whole ------------------------------------------------

TEST_F(Inspection, ReportsRoleLabelWindowAndApplication)
{
    Fake window = FakeElement::make("AXWindow");
    window->set(AXTitle, QStringLiteral("Report.odt"));
    Fake button = FakeElement::make("AXButton");
    button->set(AXTitle, QStringLiteral("Save")).set(AXWindow, ElementPtr(window)).setPid(42);
    names.setName(42, QStringLiteral("Writer"));

    const auto target = inspectAt(button, 100.75, 200.25);
    const ClickTarget expected{QStringLiteral("AXButton"), QStringLiteral("Save"), QStringLiteral("Report.odt"),
        QStringLiteral("Writer")};
    EXPECT_EQ(target, expected);
    EXPECT_EQ(service.timeoutSet, 0.6f);
    EXPECT_EQ(service.lastPoint, QPointF(100.75, 200.25));
}

TEST_F(Inspection, UntrustedReturnsNothingWithoutAHitTest)
{
    service.trusted = false;
    EXPECT_EQ(inspectAt(FakeElement::make("AXButton")), std::nullopt);
    EXPECT_EQ(service.hitTests, 0);
    EXPECT_EQ(service.timeoutSet, std::nullopt);
}

TEST_F(Inspection, NoElementReturnsNothing)
{
    EXPECT_EQ(inspectAt(nullptr), std::nullopt);
    EXPECT_EQ(service.hitTests, 1);
}

TEST_F(Inspection, EverythingAbsentStillGivesATarget)
{
    Fake bare = FakeElement::make();
    EXPECT_EQ(inspectAt(bare), ClickTarget{});
}

TEST_F(Inspection, UnknownProcessOrApplicationLeavesAppNameAbsent)
{
    Fake withoutPid = FakeElement::make("AXButton");
    EXPECT_EQ(inspectAt(withoutPid)->appName, std::nullopt);
    Fake unknownPid = FakeElement::make("AXButton");
    unknownPid->setPid(7);
    EXPECT_EQ(inspectAt(unknownPid)->appName, std::nullopt);
}

TEST_F(Inspection, WindowTitleIsKeptAsItIsAndNeedsBothWindowAndTitle)
{
    Fake window = FakeElement::make("AXWindow");
    window->set(AXTitle, QStringLiteral("  \n"));
    Fake field = FakeElement::make("AXTextField");
    field->set(AXWindow, ElementPtr(window));
    EXPECT_EQ(inspectAt(field)->windowTitle, QStringLiteral("  \n"));

    Fake untitled = FakeElement::make("AXWindow");
    Fake inUntitled = FakeElement::make("AXTextField");
    inUntitled->set(AXWindow, ElementPtr(untitled));
    EXPECT_EQ(inspectAt(inUntitled)->windowTitle, std::nullopt);

    Fake windowIsText = FakeElement::make("AXTextField");
    windowIsText->set(AXWindow, QStringLiteral("not an element"));
    EXPECT_EQ(inspectAt(windowIsText)->windowTitle, std::nullopt);
}

// ---- promotion --------------------------------------------------------------

TEST_F(Inspection, TextInsideAButtonIsTheButton)
{
    Fake window = FakeElement::make("AXWindow");
    window->set(AXTitle, QStringLiteral("Dialog"));
    Fake button = FakeElement::make("AXButton");
    button->set(AXTitle, QStringLiteral("OK")).set(AXWindow, ElementPtr(window));
    Fake text = FakeElement::make("AXStaticText");
    text->set(AXValue, QStringLiteral("ok text")).setPid(5);
    button->adopt(text);
    names.setName(5, QStringLiteral("Dialogs"));

    const ClickTarget expected{QStringLiteral("AXButton"), QStringLiteral("OK"), QStringLiteral("Dialog"),
        QStringLiteral("Dialogs")};
    EXPECT_EQ(inspectAt(text), expected);
}

// A chain leaf ← g1 ← g2 ← … with the top element given the role top.
std::vector<Fake> chain(const char *leafRole, int groups, const char *topRole)
{
    std::vector<Fake> nodes{FakeElement::make(leafRole)};
    for (int i = 0; i < groups; ++i)
        nodes.push_back(FakeElement::make("AXGroup"));
    nodes.push_back(FakeElement::make(topRole));
    nodes.back()->set(AXTitle, QStringLiteral("Top"));
    for (size_t i = nodes.size() - 1; i > 0; --i)
        nodes[i]->adopt(nodes[i - 1]);
    return nodes;
}

TEST_F(Inspection, ImageThreeLevelsBelowALinkIsTheLink)
{
    auto nodes = chain("AXImage", 2, "AXLink"); // image ← group ← group ← link
    const auto target = inspectAt(nodes.front());
    EXPECT_EQ(target->role, QStringLiteral("AXLink"));
    EXPECT_EQ(target->label, QStringLiteral("Top"));
}

TEST_F(Inspection, ImageFourLevelsBelowALinkStaysTheImage)
{
    auto nodes = chain("AXImage", 3, "AXLink");
    nodes.front()->set(AXDescription, QStringLiteral("Logo"));
    const auto target = inspectAt(nodes.front());
    EXPECT_EQ(target->role, QStringLiteral("AXImage"));
    EXPECT_EQ(target->label, QStringLiteral("Logo"));
    EXPECT_EQ(nodes[4]->reads(AXRole), 0) << "the walk took a fourth step";
}

TEST_F(Inspection, GroupWithoutActionableAncestorKeepsItsRoleAndIsNotNamedByAChild)
{
    Fake root = FakeElement::make("AXWindow");
    Fake group = FakeElement::make("AXGroup");
    root->adopt(group);
    Fake child = FakeElement::make("AXStaticText");
    child->set(AXValue, QStringLiteral("Totals"));
    group->adopt(child);
    const auto target = inspectAt(group);
    EXPECT_EQ(target->role, QStringLiteral("AXGroup"));
    EXPECT_EQ(target->label, std::nullopt);
    EXPECT_EQ(child->totalReads(), 0);
}

TEST_F(Inspection, OtherRolesAreNeverPromoted)
{
    for (const char *role : {"AXTextArea", "AXSlider", "AXButton", "AXStaticText ", "axgroup", "AXCell"}) {
        Fake button = FakeElement::make("AXButton");
        button->set(AXTitle, QStringLiteral("Outer"));
        Fake clicked = FakeElement::make(role);
        button->adopt(clicked);
        const auto target = inspectAt(clicked);
        EXPECT_EQ(target->role, QString::fromUtf8(role)) << role;
        EXPECT_EQ(clicked->reads(AXParent), 0) << role;
    }
}

TEST_F(Inspection, AbsentRoleIsNotPromoted)
{
    Fake button = FakeElement::make("AXButton");
    Fake clicked = FakeElement::make();
    button->adopt(clicked);
    EXPECT_EQ(inspectAt(clicked)->role, std::nullopt);
    EXPECT_EQ(clicked->reads(AXParent), 0);
}

TEST_F(Inspection, ParentWhoseRoleCannotBeReadDoesNotEndTheWalk)
{
    Fake button = FakeElement::make("AXCheckBox");
    button->set(AXTitle, QStringLiteral("Wrap"));
    Fake unreadable = FakeElement::make();               // no role at all
    Fake numericRole = FakeElement::make();
    numericRole->set(AXRole, OtherValue{});          // a role that is not text
    Fake text = FakeElement::make("AXStaticText");
    button->adopt(unreadable);
    unreadable->adopt(numericRole);
    numericRole->adopt(text);
    const auto target = inspectAt(text);
    EXPECT_EQ(target->role, QStringLiteral("AXCheckBox"));
    EXPECT_EQ(target->label, QStringLiteral("Wrap"));
}

TEST_F(Inspection, FailedParentRequestEndsTheWalk)
{
    Fake button = FakeElement::make("AXButton");
    Fake group = FakeElement::make("AXGroup");
    group->set(AXParent, QStringLiteral("not an element")); // a parent of the wrong type
    Fake text = FakeElement::make("AXStaticText");
    text->set(AXValue, QStringLiteral("Inner"));
    group->adopt(text);
    button->adopt(group); // the group's scripted AXParent wins over this link
    const auto target = inspectAt(text);
    EXPECT_EQ(target->role, QStringLiteral("AXStaticText"));
    EXPECT_EQ(target->label, QStringLiteral("Inner"));
    EXPECT_EQ(button->totalReads(), 0);
}

TEST_F(Inspection, PromotedElementGivesLabelAndWindowButClickedGivesApplication)
{
    Fake window = FakeElement::make("AXWindow");
    window->set(AXTitle, QStringLiteral("Outer window"));
    Fake row = FakeElement::make("AXRow");
    row->set(AXTitle, QStringLiteral("Row 3")).set(AXWindow, ElementPtr(window)).setPid(11);
    Fake image = FakeElement::make("AXImage");
    image->set(AXTitle, QStringLiteral("icon")).setPid(12);
    row->adopt(image);
    names.setName(11, QStringLiteral("Row owner"));
    names.setName(12, QStringLiteral("Clicked owner"));
    const ClickTarget expected{QStringLiteral("AXRow"), QStringLiteral("Row 3"), QStringLiteral("Outer window"),
        QStringLiteral("Clicked owner")};
    EXPECT_EQ(inspectAt(image), expected);
}

// ---- the label sources --------------------------------------------------------

TEST(ElementLabel, SourcesInOrder)
{
    Fake element = FakeElement::make("AXButton");
    Fake titleElement = FakeElement::make("AXStaticText");
    titleElement->set(AXValue, QStringLiteral("from title element"));
    Fake child = FakeElement::make("AXStaticText");
    child->set(AXValue, QStringLiteral("from child"));
    element->adopt(child);
    const std::optional<QString> button = QStringLiteral("AXButton");

    EXPECT_EQ(elementLabel(*element, button), QStringLiteral("from child"));
    element->set(AXPlaceholderValue, QStringLiteral("placeholder"));
    EXPECT_EQ(elementLabel(*element, button), QStringLiteral("placeholder"));
    element->set(AXHelp, QStringLiteral("help"));
    EXPECT_EQ(elementLabel(*element, button), QStringLiteral("help"));
    element->set(AXDescription, QStringLiteral("Close"));
    EXPECT_EQ(elementLabel(*element, button), QStringLiteral("Close"));
    element->set(AXTitleUIElement, ElementPtr(titleElement));
    EXPECT_EQ(elementLabel(*element, button), QStringLiteral("from title element"));
    element->set(AXTitle, QStringLiteral("Title"));
    EXPECT_EQ(elementLabel(*element, button), QStringLiteral("Title"));
}

TEST(ElementLabel, EmptyTextsAndNonTextsFallThrough)
{
    Fake element = FakeElement::make("AXButton");
    element->set(AXTitle, QString()).set(AXDescription, QStringLiteral("Close"));
    EXPECT_EQ(elementLabel(*element, QStringLiteral("AXButton")), QStringLiteral("Close"));

    Fake checkBox = FakeElement::make("AXCheckBox");
    checkBox->set(AXTitle, OtherValue{}).set(AXValue, OtherValue{}).set(AXHelp, QStringLiteral("Tip"));
    EXPECT_EQ(elementLabel(*checkBox, QStringLiteral("AXCheckBox")), QStringLiteral("Tip"));
}

TEST(ElementLabel, SourcesAreNotTrimmed)
{
    Fake element = FakeElement::make("AXButton");
    element->set(AXTitle, QStringLiteral("  \n "));
    EXPECT_EQ(elementLabel(*element, QStringLiteral("AXButton")), QStringLiteral("  \n "));
}

TEST(ElementLabel, TitleElementValueThenItsTitle)
{
    Fake titled = FakeElement::make("AXStaticText");
    titled->set(AXValue, QStringLiteral("Name:")).set(AXTitle, QStringLiteral("ignored"));
    Fake field = FakeElement::make("AXTextField");
    field->set(AXTitleUIElement, ElementPtr(titled));
    EXPECT_EQ(elementLabel(*field, QStringLiteral("AXTextField")), QStringLiteral("Name"));

    // A value that is not text falls through to the title element's title.
    titled->set(AXValue, OtherValue{});
    EXPECT_EQ(elementLabel(*field, QStringLiteral("AXTextField")), QStringLiteral("ignored"));
}

TEST(ElementLabel, EmptyTitleElementValueMovesOnWithoutItsTitle)
{
    Fake titled = FakeElement::make("AXStaticText");
    titled->set(AXValue, QString()).set(AXTitle, QStringLiteral("must not be used"));
    Fake field = FakeElement::make("AXTextField");
    field->set(AXTitleUIElement, ElementPtr(titled)).set(AXPlaceholderValue, QStringLiteral("Search"));
    EXPECT_EQ(elementLabel(*field, QStringLiteral("AXTextField")), QStringLiteral("Search"));
    EXPECT_EQ(titled->reads(AXTitle), 0);
}

TEST(ElementLabel, OwnValueOnlyForStaticText)
{
    Fake text = FakeElement::make("AXStaticText");
    text->set(AXTitle, QString()).set(AXDescription, QString()).set(AXValue, QStringLiteral("Total"));
    EXPECT_EQ(elementLabel(*text, QStringLiteral("AXStaticText")), QStringLiteral("Total"));

    Fake field = FakeElement::make("AXTextField");
    field->set(AXValue, QStringLiteral("typed text"));
    EXPECT_EQ(elementLabel(*field, QStringLiteral("AXTextField")), std::nullopt);
    EXPECT_EQ(elementLabel(*text, std::nullopt), std::nullopt) << "role absent: own value not used";
}

TEST(ElementLabel, OnlyTheFirstSixChildrenAreRead)
{
    Fake list = FakeElement::make("AXRow");
    std::vector<Fake> children;
    for (int i = 0; i < 7; ++i) {
        children.push_back(FakeElement::make("AXStaticText"));
        list->adopt(children.back());
    }
    children[6]->set(AXValue, QStringLiteral("seventh"));
    EXPECT_EQ(elementLabel(*list, QStringLiteral("AXRow")), std::nullopt);
    EXPECT_EQ(children[6]->totalReads(), 0);
    EXPECT_EQ(children[5]->reads(AXValue), 1);
    EXPECT_EQ(children[5]->reads(AXTitle), 1);

    children[5]->set(AXTitle, QStringLiteral("sixth"));
    EXPECT_EQ(elementLabel(*list, QStringLiteral("AXRow")), QStringLiteral("sixth"));
}

TEST(ElementLabel, ChildWithEmptyValueIsPassedOverWithoutItsTitle)
{
    Fake group = FakeElement::make("AXButton");
    Fake first = FakeElement::make("AXStaticText");
    first->set(AXValue, QString()).set(AXTitle, QStringLiteral("never"));
    Fake second = FakeElement::make("AXButton");
    second->set(AXValue, OtherValue{}).set(AXTitle, QStringLiteral("Second"));
    group->adopt(first);
    group->adopt(second);
    EXPECT_EQ(elementLabel(*group, QStringLiteral("AXButton")), QStringLiteral("Second"));
    EXPECT_EQ(first->reads(AXTitle), 0);
}

TEST(ElementLabel, NoChildrenOrChildrenOfTheWrongTypeGiveNothing)
{
    Fake empty = FakeElement::make("AXGroup");
    EXPECT_EQ(elementLabel(*empty, QStringLiteral("AXGroup")), std::nullopt);
    Fake wrong = FakeElement::make("AXGroup");
    wrong->set(AXChildren, QStringLiteral("children"));
    EXPECT_EQ(elementLabel(*wrong, QStringLiteral("AXGroup")), std::nullopt);
    Fake withNull = FakeElement::make("AXButton");
    Fake labelled = FakeElement::make("AXStaticText");
    labelled->set(AXTitle, QStringLiteral("After a gap"));
    withNull->set(AXChildren, ElementList{nullptr, labelled});
    EXPECT_EQ(elementLabel(*withNull, QStringLiteral("AXButton")), QStringLiteral("After a gap"));
}

// ---- what real toolkits hand out as names ----------------------------------------

TEST(ElementLabel, ToolkitNoiseIsTidiedAway)
{
    const std::optional<QString> button = QStringLiteral("AXButton");
    auto named = [&](const QString &name, const std::optional<QString> &role) {
        Fake element = FakeElement::make();
        element->set(AXTitle, name);
        return elementLabel(*element, role);
    };
    EXPECT_EQ(named(QStringLiteral("Page _2"), QStringLiteral("AXTab")), QStringLiteral("Page 2"));
    EXPECT_EQ(named(QStringLiteral("E_xit"), QStringLiteral("AXMenuItem")), QStringLiteral("Exit"));
    EXPECT_EQ(named(QStringLiteral("Name:"), QStringLiteral("AXStaticText")), QStringLiteral("Name"));
    EXPECT_EQ(named(QStringLiteral("Open a new tab (Ctrl+T)"), button), QStringLiteral("Open a new tab"));
    EXPECT_EQ(named(QStringLiteral("Pi [Ctrl+P]"), button), QStringLiteral("Pi"));
    EXPECT_EQ(named(QStringLiteral("Save As...      "), QStringLiteral("AXMenuItem")), QStringLiteral("Save As"));
    EXPECT_EQ(named(QStringLiteral("Quit\tCtrl+Q"), QStringLiteral("AXMenuItem")), QStringLiteral("Quit"));
    EXPECT_EQ(named(QStringLiteral("Find      Shift+Ctrl+F"), QStringLiteral("AXMenuItem")), QStringLiteral("Find"));
    EXPECT_EQ(named(QString(QChar(0xFFFC)) + QStringLiteral("Bold"), button), QStringLiteral("Bold"));
    // Underscores in file names and typed text are real.
    EXPECT_EQ(named(QStringLiteral("my_notes.txt"), QStringLiteral("AXRow")), QStringLiteral("my_notes.txt"));
    EXPECT_EQ(named(QStringLiteral("snake_case_name"), button), QStringLiteral("snake_case_name"));
    // Brackets that hold no shortcut stay.
    EXPECT_EQ(named(QStringLiteral("Volume (left)"), button), QStringLiteral("Volume (left)"));
    // Chromium's hover card joins a tab's name.
    EXPECT_EQ(named(QStringLiteral("about:blank - Memory usage - 22.1 MB"), QStringLiteral("AXTab")),
        QStringLiteral("about:blank"));
    EXPECT_EQ(named(QStringLiteral("Memory usage"), QStringLiteral("AXTab")), QStringLiteral("Memory usage"));
}

TEST(ElementLabel, ClassNamesAreNotLabels)
{
    Fake scale = FakeElement::make();
    scale->set(AXTitle, QStringLiteral("GtkScale")).set(AXDescription, QStringLiteral("Volume"));
    EXPECT_EQ(elementLabel(*scale, QStringLiteral("AXSlider")), QStringLiteral("Volume"));
    for (const char *name : {"GtkButton", "AdwActionRow", "QLineEdit", "GdkSurface"}) {
        Fake bare = FakeElement::make();
        bare->set(AXTitle, QString::fromLatin1(name));
        EXPECT_EQ(elementLabel(*bare, QStringLiteral("AXButton")), std::nullopt) << name;
    }
    Fake word = FakeElement::make();
    word->set(AXTitle, QStringLiteral("Quit"));
    EXPECT_EQ(elementLabel(*word, QStringLiteral("AXButton")), QStringLiteral("Quit"));
}

TEST(ElementLabel, LabelledByBeatsTheDescription)
{
    Fake caption = FakeElement::make("AXStaticText");
    caption->set(AXTitle, QStringLiteral("Name:"));
    Fake field = FakeElement::make("AXTextField");
    field->set(AXDescription, QStringLiteral("Enter a name for the table.")).set(AXTitleUIElement, ElementPtr(caption));
    EXPECT_EQ(elementLabel(*field, QStringLiteral("AXTextField")), QStringLiteral("Name"));
}

TEST(ElementLabel, NameRepeatingTheApplicationGivesWayToTheDescription)
{
    Fake menuButton = FakeElement::make("AXButton");
    menuButton->set(AXTitle, QStringLiteral("Firefox")).set(AXDescription, QStringLiteral("Open application menu"));
    EXPECT_EQ(elementLabel(*menuButton, QStringLiteral("AXButton"), QStringLiteral("Firefox")),
        QStringLiteral("Open application menu"));
    EXPECT_EQ(elementLabel(*menuButton, QStringLiteral("AXButton"), QStringLiteral("Mousepad")), QStringLiteral("Firefox"));
    Fake plain = FakeElement::make("AXButton");
    plain->set(AXTitle, QStringLiteral("Firefox"));
    EXPECT_EQ(elementLabel(*plain, QStringLiteral("AXButton"), QStringLiteral("firefox")), QStringLiteral("Firefox"));
    // The desktop calls it "Firefox ESR"; on the bus it is "Firefox".
    menuButton->set(QStringLiteral("AXApplicationName"), QStringLiteral("Firefox"));
    EXPECT_EQ(elementLabel(*menuButton, QStringLiteral("AXButton"), QStringLiteral("Firefox ESR")),
        QStringLiteral("Open application menu"));
    Fake back = FakeElement::make("AXButton");
    back->set(AXTitle, QStringLiteral("Back")).set(AXDescription, QStringLiteral("Go back one page"));
    back->set(QStringLiteral("AXApplicationName"), QStringLiteral("Firefox"));
    EXPECT_EQ(elementLabel(*back, QStringLiteral("AXButton"), QStringLiteral("Firefox ESR")), QStringLiteral("Back"));
}

TEST(ElementLabel, DoubledNamePrefersTheLabelledByText)
{
    Fake seven = FakeElement::make("AXButton");
    seven->set(AXTitle, QStringLiteral("7 7"));
    EXPECT_EQ(elementLabel(*seven, QStringLiteral("AXButton")), QStringLiteral("7"));
    Fake caption = FakeElement::make("AXStaticText");
    caption->set(AXTitle, QStringLiteral("Seven"));
    seven->set(AXTitleUIElement, ElementPtr(caption));
    EXPECT_EQ(elementLabel(*seven, QStringLiteral("AXButton")), QStringLiteral("Seven"));
    Fake once = FakeElement::make("AXButton");
    once->set(AXTitle, QStringLiteral("New Tab")).set(AXTitleUIElement, ElementPtr(caption));
    EXPECT_EQ(elementLabel(*once, QStringLiteral("AXButton")), QStringLiteral("New Tab"));
}

TEST(ElementLabel, ContainersAreNeverNamedByTheirChildren)
{
    for (const char *role : {"AXTabGroup", "AXGroup", "AXWindow", "AXMenuBar", "AXToolBar", "AXList"}) {
        Fake container = FakeElement::make(QString::fromLatin1(role));
        Fake child = FakeElement::make("AXCheckBox");
        child->set(AXTitle, QStringLiteral("View"));
        container->adopt(child);
        EXPECT_EQ(elementLabel(*container, QString::fromLatin1(role)), std::nullopt) << role;
    }
}

TEST_F(Inspection, WindowTitlePathsAreShortenedToFileNames)
{
    const std::pair<const char *, const char *> titles[] = {
        {"/home/ada/notes.txt - Mousepad", "notes.txt - Mousepad"},
        {"*/home/ada/My Notes/to do.txt - Mousepad", "*to do.txt - Mousepad"},
        {"~/src/main.cpp (~/src) - FeatherPad", "main.cpp (src) - FeatherPad"},
        {"https://example.org/a/b - Chromium", "https://example.org/a/b - Chromium"},
        {"Untitled 1 - LibreOffice Writer", "Untitled 1 - LibreOffice Writer"},
        {"/", "/"},
    };
    for (const auto &[raw, shortened] : titles) {
        Fake window = FakeElement::make("AXWindow");
        window->set(AXTitle, QString::fromUtf8(raw));
        Fake area = FakeElement::make("AXTextArea");
        area->set(AXWindow, ElementPtr(window));
        EXPECT_EQ(inspectAt(area)->windowTitle, QString::fromUtf8(shortened)) << raw;
    }
}

TEST(ActionableRoles, HoldsFourteenRoles)
{
    EXPECT_EQ(actionableRoles().size(), 14);
    EXPECT_TRUE(actionableRoles().contains(QStringLiteral("AXDisclosureTriangle")));
    EXPECT_FALSE(actionableRoles().contains(QStringLiteral("AXSlider")));
    EXPECT_FALSE(actionableRoles().contains(QStringLiteral("AXComboBox")));
}

// ---- the scripted inspector other tests use --------------------------------------

TEST(FakeFinder, AnswersInOrderThenTheFallback)
{
    test::FakeClickTargetFinder inspector;
    inspector.push(ClickTarget{QStringLiteral("AXButton"), {}, {}, {}});
    inspector.push(std::nullopt);
    inspector.setFallback(ClickTarget{{}, {}, {}, QStringLiteral("App")});
    EXPECT_EQ(inspector.inspectTarget(1, 2)->role, QStringLiteral("AXButton"));
    EXPECT_EQ(inspector.inspectTarget(3, 4), std::nullopt);
    EXPECT_EQ(inspector.inspectTarget(5, 6)->appName, QStringLiteral("App"));
    EXPECT_EQ(inspector.points(), (QList<QPointF>{{1, 2}, {3, 4}, {5, 6}}));
}

} // namespace
} // namespace kelvo
