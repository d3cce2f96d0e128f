// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/AtspiRoles.h"

namespace kelvo::atspi {

QString genericRoleIdentifier(AtspiRole role)
{
    gchar *name = atspi_role_get_name(role);
    QString identifier = QStringLiteral("AX");
    if (name) {
        bool wordStart = true;
        for (const QChar c : QString::fromUtf8(name)) {
            if (c == u' ' || c == u'_' || c == u'-') {
                wordStart = true;
                continue;
            }
            identifier += wordStart ? c.toUpper() : c;
            wordStart = false;
        }
        g_free(name);
    } else {
        identifier += QStringLiteral("Unknown");
    }
    return identifier;
}

QString roleIdentifier(AtspiRole role, const RoleFacts &facts)
{
    auto textField = [&] {
        return facts.saysSearchField() ? QStringLiteral("AXSearchField") : QStringLiteral("AXTextField");
    };
    switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON:
        return QStringLiteral("AXButton");
    case ATSPI_ROLE_TOGGLE_BUTTON:
        return facts.hasState(ATSPI_STATE_HAS_POPUP) ? QStringLiteral("AXMenuButton") : QStringLiteral("AXCheckBox");
    case ATSPI_ROLE_CHECK_BOX:
        return QStringLiteral("AXCheckBox");
    case ATSPI_ROLE_RADIO_BUTTON:
        return QStringLiteral("AXRadioButton");
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
    case ATSPI_ROLE_TEAROFF_MENU_ITEM:
        // Some toolkits put plain items straight into the menu bar.
        return facts.parentRole() == ATSPI_ROLE_MENU_BAR ? QStringLiteral("AXMenuBarItem") : QStringLiteral("AXMenuItem");
    case ATSPI_ROLE_MENU: {
        const std::optional<AtspiRole> parent = facts.parentRole();
        if (parent == ATSPI_ROLE_MENU_BAR)
            return QStringLiteral("AXMenuBarItem");
        if (parent == ATSPI_ROLE_MENU)
            return QStringLiteral("AXMenuItem");
        return genericRoleIdentifier(role);
    }
    case ATSPI_ROLE_MENU_BAR:
        return QStringLiteral("AXMenuBar");
    case ATSPI_ROLE_COMBO_BOX:
        // One types into an editable combo box (an address bar, a search box).
        // Firefox's address bar is an editable combo box without children.
        return facts.hasEditableTextChild() || facts.hasState(ATSPI_STATE_EDITABLE) ? textField()
                                                                                    : QStringLiteral("AXPopUpButton");
    case ATSPI_ROLE_LINK:
        return QStringLiteral("AXLink");
    case ATSPI_ROLE_PAGE_TAB:
        return QStringLiteral("AXTab");
    case ATSPI_ROLE_PAGE_TAB_LIST:
        return QStringLiteral("AXTabGroup");
    case ATSPI_ROLE_TABLE_ROW:
    case ATSPI_ROLE_LIST_ITEM:
        return QStringLiteral("AXRow");
    case ATSPI_ROLE_TABLE_CELL:
        return QStringLiteral("AXCell");
    case ATSPI_ROLE_TREE_ITEM:
        return QStringLiteral("AXOutlineRow");
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_PASSWORD_TEXT:
        return textField();
    case ATSPI_ROLE_TEXT:
        if (facts.hasState(ATSPI_STATE_SINGLE_LINE) || facts.parentRole() == ATSPI_ROLE_COMBO_BOX)
            return textField();
        return QStringLiteral("AXTextArea");
    case ATSPI_ROLE_DOCUMENT_TEXT:
        return QStringLiteral("AXTextArea");
    case ATSPI_ROLE_SPIN_BUTTON:
        // One types the number; the arrows beside it are not elements of their own.
        return facts.hasState(ATSPI_STATE_EDITABLE) ? textField() : QStringLiteral("AXIncrementor");
    case ATSPI_ROLE_SLIDER:
        return QStringLiteral("AXSlider");
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC:
    case ATSPI_ROLE_CAPTION:
        return QStringLiteral("AXStaticText");
    case ATSPI_ROLE_IMAGE:
    case ATSPI_ROLE_ICON:
        return QStringLiteral("AXImage");
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_GROUPING:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_FORM:
    case ATSPI_ROLE_SCROLL_PANE:
    case ATSPI_ROLE_VIEWPORT:
        return QStringLiteral("AXGroup");
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_FILE_CHOOSER:
        return QStringLiteral("AXWindow");
    default:
        return genericRoleIdentifier(role);
    }
}

} // namespace kelvo::atspi
