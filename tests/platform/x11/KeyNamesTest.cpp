// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/KeyNames.h"

#include "support/QtPrinters.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <gtest/gtest.h>

#include <memory>

namespace kelvo {
namespace {

TEST(KeyNamesTest, KeysAreSortedIntoKinds)
{
    using Kind = KeyPress::Kind;
    EXPECT_EQ(keyKind(XKB_KEY_a), Kind::Text);
    EXPECT_EQ(keyKind(XKB_KEY_space), Kind::Text);
    EXPECT_EQ(keyKind(XKB_KEY_BackSpace), Kind::Text);
    EXPECT_EQ(keyKind(XKB_KEY_dead_acute), Kind::Text);
    EXPECT_EQ(keyKind(XKB_KEY_KP_Enter), Kind::Enter);
    EXPECT_EQ(keyKind(XKB_KEY_ISO_Left_Tab), Kind::Tab);
    EXPECT_EQ(keyKind(XKB_KEY_Page_Down), Kind::Navigation);
    EXPECT_EQ(keyKind(XKB_KEY_KP_Home), Kind::Navigation);
    EXPECT_EQ(keyKind(XKB_KEY_Escape), Kind::Other);
    EXPECT_EQ(keyKind(XKB_KEY_F5), Kind::Other);
    for (xkb_keysym_t modifier : {XKB_KEY_Shift_L, XKB_KEY_Control_R, XKB_KEY_Alt_L, XKB_KEY_Super_L, XKB_KEY_Caps_Lock,
                                  XKB_KEY_ISO_Level3_Shift, XKB_KEY_Num_Lock})
        EXPECT_FALSE(keyKind(modifier)) << modifier;
}

TEST(KeyNamesTest, LabelsAsTheDesktopWritesThem)
{
    EXPECT_EQ(keyLabel(XKB_KEY_s), "S");
    EXPECT_EQ(keyLabel(XKB_KEY_adiaeresis), QString::fromUtf8("Ä"));
    EXPECT_EQ(keyLabel(XKB_KEY_1), "1");
    EXPECT_EQ(keyLabel(XKB_KEY_Return), "Enter");
    EXPECT_EQ(keyLabel(XKB_KEY_Escape), "Esc");
    EXPECT_EQ(keyLabel(XKB_KEY_F5), "F5");
    EXPECT_EQ(keyLabel(XKB_KEY_Delete), "Delete");
    EXPECT_EQ(keyLabel(XKB_KEY_Left), "Left");
    EXPECT_EQ(keyLabel(XKB_KEY_Page_Up), "Page Up");
    EXPECT_EQ(keyLabel(XKB_KEY_space), "Space");
}

// The label of a key comes from the layout in use: the key that reads Y on a
// US keyboard reads Z on a German one.
TEST(KeyNamesTest, TheLabelFollowsTheLayout)
{
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS),
                                                                        &xkb_context_unref);
    ASSERT_TRUE(context);
    auto labelOf = [&](const char *layout, xkb_keycode_t key) {
        const xkb_rule_names names{"evdev", "pc105", layout, "", ""};
        std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
            xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS), &xkb_keymap_unref);
        EXPECT_TRUE(keymap) << layout;
        const xkb_keysym_t *syms = nullptr;
        if (!keymap || xkb_keymap_key_get_syms_by_level(keymap.get(), key, 0, 0, &syms) < 1)
            return QString();
        return keyLabel(syms[0]);
    };
    constexpr xkb_keycode_t keyY = 21 + 8; // evdev KEY_Y
    EXPECT_EQ(labelOf("us", keyY), "Y");
    EXPECT_EQ(labelOf("de", keyY), "Z");
}

} // namespace
} // namespace kelvo
