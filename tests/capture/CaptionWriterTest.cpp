// SPDX-License-Identifier: GPL-3.0-or-later
// The caption writer: label clean-up and the role table, as literal cases.
#include "capture/CaptionWriter.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

std::optional<QString> none = std::nullopt;

QString repeated(const QString &piece, int times)
{
    QString text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

// ---- cleanLabel -------------------------------------------------------------

struct CleanCase {
    const char *name;
    std::optional<QString> input;
    std::optional<QString> expected;
};

class CleanLabel : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanLabel, Cleans)
{
    EXPECT_EQ(cleanLabel(GetParam().input), GetParam().expected);
}

const QString sixty = repeated(QStringLiteral("abcdefghij"), 6);
const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // one grapheme, two UTF-16 units
// A family: four emoji joined by ZWJ, one grapheme cluster of 11 UTF-16 units.
const QString family = QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0\x9F\x91\xA6");
const QString eAcute = QStringLiteral("e\u0301"); // e + combining acute: one grapheme

INSTANTIATE_TEST_SUITE_P(Cases, CleanLabel, ::testing::Values(
    CleanCase{"Absent", std::nullopt, std::nullopt},
    CleanCase{"Empty", QString(), std::nullopt},
    CleanCase{"SpacesAndLineBreaksOnly", QStringLiteral(" \n\t\r\n  "), std::nullopt},
    CleanCase{"UnicodeBlanksOnly", QStringLiteral("\u00A0\u2028\u2029\u0085\u3000\u000B\u000C"), std::nullopt},
    CleanCase{"TrimsBothEnds", QStringLiteral("\u2003 Save\u00A0\n"), QStringLiteral("Save")},
    CleanCase{"InnerLineFeedBecomesOneSpace", QStringLiteral("Save\nAll"), QStringLiteral("Save All")},
    CleanCase{"OnlyLineFeedsAreReplaced", QStringLiteral("a\tb\rc\u2028d\n\ne"), QStringLiteral("a\tb\rc\u2028d  e")},
    CleanCase{"InnerSpacesKept", QStringLiteral("a    b"), QStringLiteral("a    b")},
    CleanCase{"ZeroWidthSpaceIsNotBlank", QStringLiteral("\u200B"), QStringLiteral("\u200B")},
    CleanCase{"SixtyKept", sixty, sixty},
    CleanCase{"SixtyOneShortened", sixty + QStringLiteral("k"), sixty.left(59) + QStringLiteral("\u2026")},
    CleanCase{"PaddedFiftyEightKept", QStringLiteral("   ") + sixty.left(58) + QStringLiteral("  \n "), sixty.left(58)},
    CleanCase{"PaddingNotCountedAtSixty", QStringLiteral("\n") + sixty + QStringLiteral(" "), sixty},
    CleanCase{"SixtyOneEmoji", repeated(emoji, 61), repeated(emoji, 59) + QStringLiteral("\u2026")},
    CleanCase{"SixtyEmojiKept", repeated(emoji, 60), repeated(emoji, 60)},
    CleanCase{"SixtyOneZwjFamilies", repeated(family, 61), repeated(family, 59) + QStringLiteral("\u2026")},
    CleanCase{"SixtyOneCombiningClusters", repeated(eAcute, 61), repeated(eAcute, 59) + QStringLiteral("\u2026")}),
    [](const auto &row) { return std::string(row.param.name); });

// ---- makeCaption ------------------------------------------------------------

struct CaptionCase {
    const char *name;
    ClickTarget target;
    bool isRightClick;
    const char *expected;
};

class MakeCaption : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(MakeCaption, Writes)
{
    EXPECT_EQ(makeCaption(GetParam().target, GetParam().isRightClick).toStdString(), GetParam().expected);
}

ClickTarget withRole(const char *role, std::optional<QString> label = std::nullopt)
{
    return ClickTarget{QString::fromUtf8(role), std::move(label), QStringLiteral("Window"), QStringLiteral("App")};
}

const QString L = QStringLiteral("Name");

INSTANTIATE_TEST_SUITE_P(RoleTable, MakeCaption, ::testing::Values(
    CaptionCase{"MenuBarItem", withRole("AXMenuBarItem", L), false, R"(Open the "Name" menu)"},
    CaptionCase{"MenuBarItemBare", withRole("AXMenuBarItem"), false, "Open a menu"},
    CaptionCase{"MenuItem", withRole("AXMenuItem", L), false, R"(Choose "Name" from the menu)"},
    CaptionCase{"MenuItemRight", withRole("AXMenuItem", QStringLiteral("Copy")), true, R"(Choose "Copy" from the menu)"},
    CaptionCase{"MenuItemBare", withRole("AXMenuItem"), true, "Choose a menu item"},
    CaptionCase{"PopUpButton", withRole("AXPopUpButton", L), false, R"(Open the "Name" dropdown)"},
    CaptionCase{"ComboBox", withRole("AXComboBox", L), true, R"(Open the "Name" dropdown)"},
    CaptionCase{"MenuButtonBare", withRole("AXMenuButton"), false, "Open the dropdown"},
    CaptionCase{"CheckBox", withRole("AXCheckBox", L), true, R"(Toggle "Name")"},
    CaptionCase{"CheckBoxBlankLabel", withRole("AXCheckBox", QStringLiteral(" \n \t")), false, "Toggle the checkbox"},
    CaptionCase{"RadioButton", withRole("AXRadioButton", L), false, R"(Select "Name")"},
    CaptionCase{"RadioButtonBare", withRole("AXRadioButton"), false, "Select the option"},
    CaptionCase{"TextField", withRole("AXTextField", L), false, R"(Click the "Name" field)"},
    CaptionCase{"TextAreaRight", withRole("AXTextArea", L), true, R"(Right-click the "Name" field)"},
    CaptionCase{"SearchFieldBare", withRole("AXSearchField"), false, "Click in the text field"},
    CaptionCase{"TextFieldBareRight", withRole("AXTextField"), true, "Right-click in the text field"},
    CaptionCase{"Link", withRole("AXLink", L), true, R"(Right-click the "Name" link)"},
    CaptionCase{"LinkBare", withRole("AXLink"), false, "Click the link"},
    CaptionCase{"Tab", withRole("AXTab", L), false, R"(Switch to the "Name" tab)"},
    CaptionCase{"TabButtonBare", withRole("AXTabButton"), true, "Switch tabs"},
    CaptionCase{"Row", withRole("AXRow", L), false, R"(Select "Name")"},
    CaptionCase{"CellBare", withRole("AXCell"), false, "Select the item"},
    CaptionCase{"OutlineRowBare", withRole("AXOutlineRow"), true, "Select the item"},
    CaptionCase{"Slider", withRole("AXSlider", L), false, R"(Adjust "Name")"},
    CaptionCase{"SliderBareRight", withRole("AXSlider"), true, "Adjust the slider"},
    CaptionCase{"Button", withRole("AXButton", QStringLiteral("Save")), false, R"(Click "Save")"},
    CaptionCase{"ButtonRight", withRole("AXButton", L), true, R"(Right-click "Name")"},
    CaptionCase{"DisclosureTriangleBare", withRole("AXDisclosureTriangle"), false, "Click the button"},
    CaptionCase{"ButtonBareRight", withRole("AXButton"), true, "Right-click the button"},
    CaptionCase{"LabelWithInnerLineFeed", withRole("AXButton", QStringLiteral("Save\nAll")), false, R"(Click "Save All")"},
    CaptionCase{"QuoteInsideLabelUnescaped", withRole("AXButton", QStringLiteral("Say \"hi\"")), false,
        R"(Click "Say "hi"")"}),
    [](const auto &row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(Fallback, MakeCaption, ::testing::Values(
    CaptionCase{"StaticTextWithLabel", withRole("AXStaticText", QStringLiteral("Total")), false, R"(Click "Total")"},
    CaptionCase{"LowerCaseRoleIsUnknown", withRole("axbutton"), false, R"(Click in "Window")"},
    CaptionCase{"TrailingSpaceRoleIsUnknown", withRole("AXButton ", QStringLiteral("Save")), true, R"(Right-click "Save")"},
    CaptionCase{"PrefixRoleIsUnknown", withRole("AXButtonX"), false, R"(Click in "Window")"},
    CaptionCase{"NoRoleWithLabel", ClickTarget{none, QStringLiteral("OK"), none, none}, false, R"(Click "OK")"},
    CaptionCase{"WindowTitleCleaned", ClickTarget{QStringLiteral("AXGroup"), none, QStringLiteral("  Inbox\nMail "), none},
        false, R"(Click in "Inbox Mail")"},
    CaptionCase{"BlankWindowTitleSkipped", ClickTarget{QStringLiteral("AXGroup"), QStringLiteral("  "), QStringLiteral(" \n "),
        QStringLiteral("Mail")}, true, "Right-click in Mail"},
    CaptionCase{"AppNameVerbatim", ClickTarget{none, none, none, QStringLiteral("  My \"App\"\n")}, false,
        "Click in   My \"App\"\n"},
    CaptionCase{"OnlyAppName", ClickTarget{none, none, none, QStringLiteral("Files")}, true, "Right-click in Files"},
    CaptionCase{"NothingLeft", ClickTarget{}, false, "Click here"},
    CaptionCase{"NothingRight", ClickTarget{}, true, "Right-click here"}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(MakeCaptionLimits, LongLabelAndTitleAreShortenedInTheCaption)
{
    const ClickTarget button{QStringLiteral("AXButton"), sixty + QStringLiteral("XYZ"), none, none};
    EXPECT_EQ(makeCaption(button, false), QStringLiteral("Click \"") + sixty.left(59) + QStringLiteral("\u2026\""));
    const ClickTarget titled{none, none, repeated(emoji, 61), QStringLiteral("App")};
    EXPECT_EQ(makeCaption(titled, false), QStringLiteral("Click in \"") + repeated(emoji, 59) + QStringLiteral("\u2026\""));
}

TEST(MakeCaptionLimits, RecognisedRoleNeverMentionsWindowOrApp)
{
    const ClickTarget target{QStringLiteral("AXCheckBox"), none, QStringLiteral("Prefs"), QStringLiteral("Settings")};
    EXPECT_EQ(makeCaption(target, false), QStringLiteral("Toggle the checkbox"));
}

TEST(MakeCaptionLimits, MissingTargetReadsAsEmpty)
{
    EXPECT_EQ(makeCaption(std::optional<ClickTarget>(), false), QStringLiteral("Click here"));
    EXPECT_EQ(makeCaption(std::optional<ClickTarget>(ClickTarget{none, none, none, QStringLiteral("Mail")}), true),
        QStringLiteral("Right-click in Mail"));
}

} // namespace
} // namespace kelvo
