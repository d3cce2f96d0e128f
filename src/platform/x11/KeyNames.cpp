// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/KeyNames.h"

#include <xkbcommon/xkbcommon-keysyms.h>

namespace kelvo {

namespace {

bool isModifier(xkb_keysym_t keysym)
{
    return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R)          // Shift … Hyper, Caps/Shift Lock
        || (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Last_Group_Lock) // ISO level and group keys
        || keysym == XKB_KEY_Num_Lock || keysym == XKB_KEY_Mode_switch || keysym == XKB_KEY_Scroll_Lock;
}

} // namespace

std::optional<KeyPress::Kind> keyKind(xkb_keysym_t keysym)
{
    using Kind = KeyPress::Kind;
    if (keysym == XKB_KEY_NoSymbol || isModifier(keysym))
        return std::nullopt;
    switch (keysym) {
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter:
    case XKB_KEY_ISO_Enter:
        return Kind::Enter;
    case XKB_KEY_Tab:
    case XKB_KEY_ISO_Left_Tab:
    case XKB_KEY_KP_Tab:
        return Kind::Tab;
    case XKB_KEY_Left:
    case XKB_KEY_Right:
    case XKB_KEY_Up:
    case XKB_KEY_Down:
    case XKB_KEY_Page_Up:
    case XKB_KEY_Page_Down:
    case XKB_KEY_Home:
    case XKB_KEY_End:
    case XKB_KEY_Begin:
    case XKB_KEY_KP_Left:
    case XKB_KEY_KP_Right:
    case XKB_KEY_KP_Up:
    case XKB_KEY_KP_Down:
    case XKB_KEY_KP_Page_Up:
    case XKB_KEY_KP_Page_Down:
    case XKB_KEY_KP_Home:
    case XKB_KEY_KP_End:
    case XKB_KEY_KP_Begin:
        return Kind::Navigation;
    case XKB_KEY_BackSpace:
    case XKB_KEY_Delete:
    case XKB_KEY_KP_Delete:
        return Kind::Text;
    default:
        break;
    }
    const uint32_t character = xkb_keysym_to_utf32(keysym);
    if (character >= 0x20 && character != 0x7f)
        return Kind::Text;
    // Dead keys start a character.
    if (keysym >= XKB_KEY_dead_grave && keysym <= XKB_KEY_dead_greek)
        return Kind::Text;
    return Kind::Other;
}

QString keyLabel(xkb_keysym_t keysym)
{
    switch (keysym) {
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter:
    case XKB_KEY_ISO_Enter:
        return QStringLiteral("Enter");
    case XKB_KEY_Escape:
        return QStringLiteral("Esc");
    case XKB_KEY_BackSpace:
        return QStringLiteral("Backspace");
    case XKB_KEY_Delete:
    case XKB_KEY_KP_Delete:
        return QStringLiteral("Delete");
    case XKB_KEY_Insert:
    case XKB_KEY_KP_Insert:
        return QStringLiteral("Insert");
    case XKB_KEY_Tab:
    case XKB_KEY_ISO_Left_Tab:
        return QStringLiteral("Tab");
    case XKB_KEY_space:
    case XKB_KEY_KP_Space:
        return QStringLiteral("Space");
    case XKB_KEY_Left:
    case XKB_KEY_KP_Left:
        return QStringLiteral("Left");
    case XKB_KEY_Right:
    case XKB_KEY_KP_Right:
        return QStringLiteral("Right");
    case XKB_KEY_Up:
    case XKB_KEY_KP_Up:
        return QStringLiteral("Up");
    case XKB_KEY_Down:
    case XKB_KEY_KP_Down:
        return QStringLiteral("Down");
    case XKB_KEY_Page_Up:
    case XKB_KEY_KP_Page_Up:
        return QStringLiteral("Page Up");
    case XKB_KEY_Page_Down:
    case XKB_KEY_KP_Page_Down:
        return QStringLiteral("Page Down");
    case XKB_KEY_Home:
    case XKB_KEY_KP_Home:
        return QStringLiteral("Home");
    case XKB_KEY_End:
    case XKB_KEY_KP_End:
        return QStringLiteral("End");
    case XKB_KEY_Print:
        return QStringLiteral("Print");
    case XKB_KEY_Menu:
        return QStringLiteral("Menu");
    case XKB_KEY_Pause:
        return QStringLiteral("Pause");
    default:
        break;
    }
    if (keysym >= XKB_KEY_F1 && keysym <= XKB_KEY_F35)
        return QStringLiteral("F%1").arg(keysym - XKB_KEY_F1 + 1);
    const uint32_t character = xkb_keysym_to_utf32(keysym);
    if (character > 0x20 && character != 0x7f) {
        const char32_t one[1]{char32_t(character)};
        return QString::fromUcs4(one, 1).toUpper();
    }
    char name[64];
    if (xkb_keysym_get_name(keysym, name, sizeof name) > 0)
        return QString::fromLatin1(name);
    return QString();
}

} // namespace kelvo
