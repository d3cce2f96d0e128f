// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptionWriter.h"

#include <QCoreApplication>
#include <QTextBoundaryFinder>

#include <string_view>

namespace kelvo {

namespace {

// The Unicode white-space-and-newline set: space separators, line and
// paragraph separators, U+0009…U+000D and U+0085. All of them lie in the BMP.
bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    if ((u >= 0x09 && u <= 0x0D) || u == 0x85)
        return true;
    switch (c.category()) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString quoted(const QString &text)
{
    //: Quotation marks around a label in a caption.
    return QCoreApplication::translate("kelvo::CaptionWriter", "\"%1\"").arg(text);
}

enum class Wording {
    MenuBarItem,
    MenuItem,
    Dropdown,
    CheckBox,
    RadioButton,
    TextField,
    Link,
    Tab,
    Row,
    Slider,
    Button,
};

struct RoleRow {
    std::string_view role;
    Wording wording;
};

// First match wins; compared as whole, case-sensitive identifiers.
constexpr RoleRow roleTable[] = {
    {"AXMenuBarItem", Wording::MenuBarItem},
    {"AXMenuItem", Wording::MenuItem},
    {"AXPopUpButton", Wording::Dropdown},
    {"AXComboBox", Wording::Dropdown},
    {"AXMenuButton", Wording::Dropdown},
    {"AXCheckBox", Wording::CheckBox},
    {"AXRadioButton", Wording::RadioButton},
    {"AXTextField", Wording::TextField},
    {"AXTextArea", Wording::TextField},
    {"AXSearchField", Wording::TextField},
    {"AXLink", Wording::Link},
    {"AXTab", Wording::Tab},
    {"AXTabButton", Wording::Tab},
    {"AXRow", Wording::Row},
    {"AXCell", Wording::Row},
    {"AXOutlineRow", Wording::Row},
    {"AXSlider", Wording::Slider},
    {"AXButton", Wording::Button},
    {"AXDisclosureTriangle", Wording::Button},
};

std::optional<Wording> wordingFor(const QString &role)
{
    for (const RoleRow &row : roleTable) {
        if (role == QLatin1String(row.role.data(), qsizetype(row.role.size())))
            return row.wording;
    }
    return std::nullopt;
}

QString captionFor(Wording wording, const std::optional<QString> &label, const QString &verb)
{
    // In the patterns with two placeholders %1 is "Click" or "Right-click" and %2 the quoted label.
    if (label) {
        const QString q = quoted(*label);
        switch (wording) {
        case Wording::MenuBarItem: return QCoreApplication::translate("kelvo::CaptionWriter", "Open the %1 menu").arg(q);
        case Wording::MenuItem: return QCoreApplication::translate("kelvo::CaptionWriter", "Choose %1 from the menu").arg(q);
        case Wording::Dropdown: return QCoreApplication::translate("kelvo::CaptionWriter", "Open the %1 dropdown").arg(q);
        case Wording::CheckBox: return QCoreApplication::translate("kelvo::CaptionWriter", "Toggle %1").arg(q);
        case Wording::RadioButton: return QCoreApplication::translate("kelvo::CaptionWriter", "Select %1").arg(q);
        case Wording::TextField: return QCoreApplication::translate("kelvo::CaptionWriter", "%1 the %2 field").arg(verb, q);
        case Wording::Link: return QCoreApplication::translate("kelvo::CaptionWriter", "%1 the %2 link").arg(verb, q);
        case Wording::Tab: return QCoreApplication::translate("kelvo::CaptionWriter", "Switch to the %1 tab").arg(q);
        case Wording::Row: return QCoreApplication::translate("kelvo::CaptionWriter", "Select %1").arg(q);
        case Wording::Slider: return QCoreApplication::translate("kelvo::CaptionWriter", "Adjust %1").arg(q);
        case Wording::Button: return QCoreApplication::translate("kelvo::CaptionWriter", "%1 %2", "click on a label").arg(verb, q);
        }
    }
    switch (wording) {
    case Wording::MenuBarItem: return QCoreApplication::translate("kelvo::CaptionWriter", "Open a menu");
    case Wording::MenuItem: return QCoreApplication::translate("kelvo::CaptionWriter", "Choose a menu item");
    case Wording::Dropdown: return QCoreApplication::translate("kelvo::CaptionWriter", "Open the dropdown");
    case Wording::CheckBox: return QCoreApplication::translate("kelvo::CaptionWriter", "Toggle the checkbox");
    case Wording::RadioButton: return QCoreApplication::translate("kelvo::CaptionWriter", "Select the option");
    case Wording::TextField: return QCoreApplication::translate("kelvo::CaptionWriter", "%1 in the text field").arg(verb);
    case Wording::Link: return QCoreApplication::translate("kelvo::CaptionWriter", "%1 the link").arg(verb);
    case Wording::Tab: return QCoreApplication::translate("kelvo::CaptionWriter", "Switch tabs");
    case Wording::Row: return QCoreApplication::translate("kelvo::CaptionWriter", "Select the item");
    case Wording::Slider: return QCoreApplication::translate("kelvo::CaptionWriter", "Adjust the slider");
    case Wording::Button: return QCoreApplication::translate("kelvo::CaptionWriter", "%1 the button").arg(verb);
    }
    return QCoreApplication::translate("kelvo::CaptionWriter", "%1 here").arg(verb);
}

} // namespace

std::optional<QString> cleanLabel(const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    qsizetype begin = 0;
    qsizetype end = text->size();
    while (begin < end && isBlank(text->at(begin)))
        ++begin;
    while (end > begin && isBlank(text->at(end - 1)))
        --end;
    if (begin == end)
        return std::nullopt;
    QString cleaned = text->mid(begin, end - begin);
    cleaned.replace(QChar(0x0A), QChar(0x20));

    // Count grapheme clusters; stop at the boundary after the 59th in case we cut.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, cleaned);
    int clusters = 0;
    qsizetype cutAt = -1;
    while (finder.toNextBoundary() != -1) {
        ++clusters;
        if (clusters == captionLabelLimit - 1)
            cutAt = finder.position();
        if (clusters > captionLabelLimit)
            return cleaned.left(cutAt) + QChar(0x2026);
    }
    return cleaned;
}

QString makeCaption(const ClickTarget &target, bool isRightClick)
{
    const std::optional<QString> label = cleanLabel(target.label);
    //: The verb of a caption, put into the patterns as %1.
    const QString verb = isRightClick ? QCoreApplication::translate("kelvo::CaptionWriter", "Right-click") : QCoreApplication::translate("kelvo::CaptionWriter", "Click");

    if (target.role) {
        if (const std::optional<Wording> wording = wordingFor(*target.role))
            return captionFor(*wording, label, verb);
    }
    if (label)
        return QCoreApplication::translate("kelvo::CaptionWriter", "%1 %2", "click on a label").arg(verb, quoted(*label));
    if (const std::optional<QString> title = cleanLabel(target.windowTitle))
        return QCoreApplication::translate("kelvo::CaptionWriter", "%1 in %2", "click in a window or an application").arg(verb, quoted(*title));
    if (target.appName)
        return QCoreApplication::translate("kelvo::CaptionWriter", "%1 in %2", "click in a window or an application").arg(verb, *target.appName);
    return QCoreApplication::translate("kelvo::CaptionWriter", "%1 here").arg(verb);
}

QString makeCaption(const std::optional<ClickTarget> &target, bool isRightClick)
{
    return makeCaption(target.value_or(ClickTarget{}), isRightClick);
}

} // namespace kelvo
