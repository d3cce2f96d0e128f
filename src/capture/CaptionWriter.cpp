#include "capture/CaptionWriter.h"

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
    return QLatin1Char('"') + text + QLatin1Char('"');
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
    if (label) {
        const QString q = quoted(*label);
        switch (wording) {
        case Wording::MenuBarItem: return QStringLiteral("Open the ") + q + QStringLiteral(" menu");
        case Wording::MenuItem: return QStringLiteral("Choose ") + q + QStringLiteral(" from the menu");
        case Wording::Dropdown: return QStringLiteral("Open the ") + q + QStringLiteral(" dropdown");
        case Wording::CheckBox: return QStringLiteral("Toggle ") + q;
        case Wording::RadioButton: return QStringLiteral("Select ") + q;
        case Wording::TextField: return verb + QStringLiteral(" the ") + q + QStringLiteral(" field");
        case Wording::Link: return verb + QStringLiteral(" the ") + q + QStringLiteral(" link");
        case Wording::Tab: return QStringLiteral("Switch to the ") + q + QStringLiteral(" tab");
        case Wording::Row: return QStringLiteral("Select ") + q;
        case Wording::Slider: return QStringLiteral("Adjust ") + q;
        case Wording::Button: return verb + QLatin1Char(' ') + q;
        }
    }
    switch (wording) {
    case Wording::MenuBarItem: return QStringLiteral("Open a menu");
    case Wording::MenuItem: return QStringLiteral("Choose a menu item");
    case Wording::Dropdown: return QStringLiteral("Open the dropdown");
    case Wording::CheckBox: return QStringLiteral("Toggle the checkbox");
    case Wording::RadioButton: return QStringLiteral("Select the option");
    case Wording::TextField: return verb + QStringLiteral(" in the text field");
    case Wording::Link: return verb + QStringLiteral(" the link");
    case Wording::Tab: return QStringLiteral("Switch tabs");
    case Wording::Row: return QStringLiteral("Select the item");
    case Wording::Slider: return QStringLiteral("Adjust the slider");
    case Wording::Button: return verb + QStringLiteral(" the button");
    }
    return verb + QStringLiteral(" here");
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
    const QString verb = isRightClick ? QStringLiteral("Right-click") : QStringLiteral("Click");

    if (target.role) {
        if (const std::optional<Wording> wording = wordingFor(*target.role))
            return captionFor(*wording, label, verb);
    }
    if (label)
        return verb + QLatin1Char(' ') + quoted(*label);
    if (const std::optional<QString> title = cleanLabel(target.windowTitle))
        return verb + QStringLiteral(" in ") + quoted(*title);
    if (target.appName)
        return verb + QStringLiteral(" in ") + *target.appName;
    return verb + QStringLiteral(" here");
}

QString makeCaption(const std::optional<ClickTarget> &target, bool isRightClick)
{
    return makeCaption(target.value_or(ClickTarget{}), isRightClick);
}

} // namespace kelvo
