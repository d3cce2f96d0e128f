// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/KeyCaptions.h"

#include "capture/CaptionWriter.h"
#include "capture/KeyMonitor.h"

#include <QStringList>
#include <QTextBoundaryFinder>

namespace kelvo {

namespace {

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// One line, trimmed, at most typedTextLimit grapheme clusters (the last one "…").
std::optional<QString> shownText(const QString &text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar &c : line) {
        if (c == QChar(0x0A) || c == QChar(0x0D) || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QChar(0x20);
    }
    line = line.trimmed();
    if (line.isEmpty())
        return std::nullopt;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
    int clusters = 0;
    qsizetype cutAt = -1;
    while (finder.toNextBoundary() != -1) {
        ++clusters;
        if (clusters == typedTextLimit - 1)
            cutAt = finder.position();
        if (clusters > typedTextLimit)
            return line.left(cutAt) + QChar(0x2026);
    }
    return line;
}

} // namespace

bool looksMasked(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        switch (c.unicode()) {
        case 0x002A: // *
        case 0x2022: // •
        case 0x2219: // ∙
        case 0x2217: // ∗
        case 0x25CF: // ●
        case 0x26AB: // ⚫
        case 0x25CB: // ○
            break;
        default:
            return false;
        }
    }
    return true;
}

QString typingCaption(const std::optional<QString> &text, bool isPassword, const std::optional<QString> &label,
                      bool pressedEnter)
{
    const std::optional<QString> name = cleanLabel(label);
    const QString inField = name ? QStringLiteral(" in the ") + quoted(*name) + QStringLiteral(" field") : QString();
    QString caption;
    if (isPassword) {
        caption = QStringLiteral("Type the password") + inField;
    } else if (const std::optional<QString> shown = text ? shownText(*text) : std::nullopt) {
        caption = QStringLiteral("Type ") + quoted(*shown) + inField;
    } else {
        // Unreadable, or empty again by the end: say where, not what.
        caption = name ? QStringLiteral("Type in the ") + quoted(*name) + QStringLiteral(" field")
                       : QStringLiteral("Type in the text field");
    }
    if (pressedEnter)
        caption += QStringLiteral(" and press Enter");
    return caption;
}

QString shortcutCaption(const QString &keys)
{
    return QStringLiteral("Press ") + keys;
}

QString shortcutText(unsigned modifiers, const QString &label)
{
    QStringList parts;
    if (modifiers & KeyPress::Shift)
        parts << QStringLiteral("Shift");
    if (modifiers & KeyPress::Ctrl)
        parts << QStringLiteral("Ctrl");
    if (modifiers & KeyPress::Alt)
        parts << QStringLiteral("Alt");
    if (modifiers & KeyPress::Super)
        parts << QStringLiteral("Super");
    parts << label;
    return parts.join(QLatin1Char('+'));
}

} // namespace kelvo
