// SPDX-License-Identifier: GPL-3.0-or-later
// AT-SPI roles to the identifiers the caption table and the parent walk use.
#include "platform/atspi/AtspiRoles.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo::atspi {
namespace {

struct RoleCase {
    const char *name;
    AtspiRole role;
    const char *expected;
    std::optional<AtspiStateType> state = std::nullopt;  // the one state the element has
    std::optional<AtspiRole> parent = std::nullopt;
    bool editableChild = false;
    bool search = false;
};

class RoleTranslation : public ::testing::TestWithParam<RoleCase> {};

TEST_P(RoleTranslation, Translates)
{
    const RoleCase &c = GetParam();
    RoleFacts facts{
        [&](AtspiStateType state) { return c.state == state; },
        [&] { return c.parent; },
        [&] { return c.editableChild; },
        [&] { return c.search; },
    };
    EXPECT_EQ(roleIdentifier(c.role, facts).toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, RoleTranslation, ::testing::Values(
    RoleCase{"PushButton", ATSPI_ROLE_PUSH_BUTTON, "AXButton"},
    RoleCase{"ToggleWithPopup", ATSPI_ROLE_TOGGLE_BUTTON, "AXMenuButton", ATSPI_STATE_HAS_POPUP},
    RoleCase{"Toggle", ATSPI_ROLE_TOGGLE_BUTTON, "AXCheckBox"},
    RoleCase{"CheckBox", ATSPI_ROLE_CHECK_BOX, "AXCheckBox"},
    RoleCase{"CheckBoxWithPopupStaysCheckBox", ATSPI_ROLE_CHECK_BOX, "AXCheckBox", ATSPI_STATE_HAS_POPUP},
    RoleCase{"Radio", ATSPI_ROLE_RADIO_BUTTON, "AXRadioButton"},
    RoleCase{"MenuItem", ATSPI_ROLE_MENU_ITEM, "AXMenuItem"},
    RoleCase{"CheckMenuItem", ATSPI_ROLE_CHECK_MENU_ITEM, "AXMenuItem"},
    RoleCase{"RadioMenuItem", ATSPI_ROLE_RADIO_MENU_ITEM, "AXMenuItem"},
    RoleCase{"TearoffMenuItem", ATSPI_ROLE_TEAROFF_MENU_ITEM, "AXMenuItem"},
    RoleCase{"MenuInMenuBar", ATSPI_ROLE_MENU, "AXMenuBarItem", std::nullopt, ATSPI_ROLE_MENU_BAR},
    RoleCase{"MenuInMenu", ATSPI_ROLE_MENU, "AXMenuItem", std::nullopt, ATSPI_ROLE_MENU},
    RoleCase{"MenuElsewhere", ATSPI_ROLE_MENU, "AXMenu", std::nullopt, ATSPI_ROLE_COMBO_BOX},
    RoleCase{"MenuWithoutParent", ATSPI_ROLE_MENU, "AXMenu"},
    RoleCase{"MenuBar", ATSPI_ROLE_MENU_BAR, "AXMenuBar"},
    RoleCase{"EditableComboIsATextField", ATSPI_ROLE_COMBO_BOX, "AXTextField", std::nullopt, std::nullopt, true},
    RoleCase{"EditableSearchCombo", ATSPI_ROLE_COMBO_BOX, "AXSearchField", std::nullopt, std::nullopt, true, true},
    RoleCase{"TextInsideACombo", ATSPI_ROLE_TEXT, "AXTextField", std::nullopt, ATSPI_ROLE_COMBO_BOX},
    RoleCase{"MenuItemInMenuBar", ATSPI_ROLE_MENU_ITEM, "AXMenuBarItem", std::nullopt, ATSPI_ROLE_MENU_BAR},
    RoleCase{"MenuItemInMenu", ATSPI_ROLE_MENU_ITEM, "AXMenuItem", std::nullopt, ATSPI_ROLE_MENU},
    RoleCase{"Combo", ATSPI_ROLE_COMBO_BOX, "AXPopUpButton"},
    RoleCase{"EditableComboWithoutChildren", ATSPI_ROLE_COMBO_BOX, "AXTextField", ATSPI_STATE_EDITABLE},
    RoleCase{"Link", ATSPI_ROLE_LINK, "AXLink"},
    RoleCase{"PageTab", ATSPI_ROLE_PAGE_TAB, "AXTab"},
    RoleCase{"PageTabList", ATSPI_ROLE_PAGE_TAB_LIST, "AXTabGroup"},
    RoleCase{"TableRow", ATSPI_ROLE_TABLE_ROW, "AXRow"},
    RoleCase{"ListItem", ATSPI_ROLE_LIST_ITEM, "AXRow"},
    RoleCase{"TableCell", ATSPI_ROLE_TABLE_CELL, "AXCell"},
    RoleCase{"TreeItem", ATSPI_ROLE_TREE_ITEM, "AXOutlineRow"},
    RoleCase{"Entry", ATSPI_ROLE_ENTRY, "AXTextField"},
    RoleCase{"SearchEntry", ATSPI_ROLE_ENTRY, "AXSearchField", std::nullopt, std::nullopt, false, true},
    RoleCase{"Password", ATSPI_ROLE_PASSWORD_TEXT, "AXTextField"},
    RoleCase{"SingleLineText", ATSPI_ROLE_TEXT, "AXTextField", ATSPI_STATE_SINGLE_LINE},
    RoleCase{"Text", ATSPI_ROLE_TEXT, "AXTextArea"},
    RoleCase{"MultiLineTextNeverSearch", ATSPI_ROLE_TEXT, "AXTextArea", ATSPI_STATE_MULTI_LINE, std::nullopt, false, true},
    RoleCase{"DocumentText", ATSPI_ROLE_DOCUMENT_TEXT, "AXTextArea"},
    RoleCase{"Slider", ATSPI_ROLE_SLIDER, "AXSlider"},
    RoleCase{"Label", ATSPI_ROLE_LABEL, "AXStaticText"},
    RoleCase{"Static", ATSPI_ROLE_STATIC, "AXStaticText"},
    RoleCase{"Caption", ATSPI_ROLE_CAPTION, "AXStaticText"},
    RoleCase{"Image", ATSPI_ROLE_IMAGE, "AXImage"},
    RoleCase{"Icon", ATSPI_ROLE_ICON, "AXImage"},
    RoleCase{"Panel", ATSPI_ROLE_PANEL, "AXGroup"},
    RoleCase{"Filler", ATSPI_ROLE_FILLER, "AXGroup"},
    RoleCase{"Grouping", ATSPI_ROLE_GROUPING, "AXGroup"},
    RoleCase{"Section", ATSPI_ROLE_SECTION, "AXGroup"},
    RoleCase{"Form", ATSPI_ROLE_FORM, "AXGroup"},
    RoleCase{"ScrollPane", ATSPI_ROLE_SCROLL_PANE, "AXGroup"},
    RoleCase{"Viewport", ATSPI_ROLE_VIEWPORT, "AXGroup"},
    RoleCase{"Frame", ATSPI_ROLE_FRAME, "AXWindow"},
    RoleCase{"Window", ATSPI_ROLE_WINDOW, "AXWindow"},
    RoleCase{"Dialog", ATSPI_ROLE_DIALOG, "AXWindow"},
    RoleCase{"Alert", ATSPI_ROLE_ALERT, "AXWindow"},
    RoleCase{"FileChooser", ATSPI_ROLE_FILE_CHOOSER, "AXWindow"},
    RoleCase{"EditableSpinButton", ATSPI_ROLE_SPIN_BUTTON, "AXTextField", ATSPI_STATE_EDITABLE},
    RoleCase{"ReadOnlySpinButton", ATSPI_ROLE_SPIN_BUTTON, "AXIncrementor"},
    RoleCase{"TableColumnHeaderByName", ATSPI_ROLE_TABLE_COLUMN_HEADER, "AXTableColumnHeader"},
    RoleCase{"PushButtonMenuByName", ATSPI_ROLE_PUSH_BUTTON_MENU, "AXPushButtonMenu"},
    RoleCase{"ApplicationByName", ATSPI_ROLE_APPLICATION, "AXApplication"}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(RoleTranslationFacts, AsksOnlyWhatTheRowNeeds)
{
    int asked = 0;
    RoleFacts counting{
        [&](AtspiStateType) { return ++asked, false; },
        [&]() -> std::optional<AtspiRole> { return ++asked, std::nullopt; },
        [&] { return ++asked, false; },
        [&] { return ++asked, false; },
    };
    for (AtspiRole role : {ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_LABEL, ATSPI_ROLE_FILLER, ATSPI_ROLE_SLIDER, ATSPI_ROLE_FRAME})
        roleIdentifier(role, counting);
    EXPECT_EQ(asked, 0);
}

} // namespace
} // namespace kelvo::atspi
