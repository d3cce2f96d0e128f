// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/LabelRules.h"

#include <QRegularExpression>

namespace kelvo {

namespace {

const QString modifier = QStringLiteral("(?:Ctrl|Control|Alt|Shift|Super|Meta|Cmd|Strg|Umschalt)");

bool keepsUnderscores(const std::optional<QString> &role)
{
    return role == u"AXRow" || role == u"AXCell" || role == u"AXOutlineRow" || role == u"AXTextField"
        || role == u"AXTextArea" || role == u"AXSearchField" || role == u"AXStaticText";
}

// One mnemonic underscore before a letter or digit; "__" is a literal one.
QString withoutMnemonic(const QString &text)
{
    if (text.count(u'_') != 1)
        return text;
    const qsizetype at = text.indexOf(u'_');
    if (at + 1 >= text.size() || !text.at(at + 1).isLetterOrNumber())
        return text;
    return text.left(at) + text.mid(at + 1);
}

} // namespace

QString tidyLabel(const QString &text, const std::optional<QString> &role)
{
    static const QRegularExpression bracketedShortcut(
        QStringLiteral("\\s*[\\(\\[]\\s*%1\\s*[+\\-][^\\)\\]]*[\\)\\]]\\s*$").arg(modifier));
    static const QRegularExpression spacedShortcut(
        QStringLiteral("\\s{2,}(?:%1\\s*\\+\\s*\\S+|F\\d{1,2})\\s*$").arg(modifier));
    static const QRegularExpression tabColumn(QStringLiteral("\\t.*$"));
    static const QRegularExpression trailingDots(QStringLiteral("\\s*(?:\\.\\.\\.|\u2026)\\s*$"));
    static const QRegularExpression trailingColon(QStringLiteral("\\s*[:\uFF1A]\\s*$"));
    static const QRegularExpression spaces(QStringLiteral("[ \\t]{2,}"));
    // Chromium adds its hover card to a tab's name.
    static const QRegularExpression memoryUsage(
        QStringLiteral("\\s+-\\s+Memory usage\\s+-\\s+[\\d.,]+\\s*[KMGT]?B\\s*$"));

    QString tidy = text;
    tidy.remove(QChar(0xFFFC));
    if (!keepsUnderscores(role))
        tidy = withoutMnemonic(tidy);
    tidy.remove(tabColumn);
    tidy.remove(bracketedShortcut);
    tidy.remove(spacedShortcut);
    tidy.remove(trailingDots);
    tidy.remove(trailingColon);
    tidy.remove(memoryUsage);
    if (tidy == text)
        return text;
    tidy.replace(spaces, QStringLiteral(" "));
    return tidy.trimmed();
}

bool isToolkitClassName(const QString &text)
{
    static const QRegularExpression className(
        QStringLiteral("^(?:Gtk|Gdk|Gsk|Adw|Hdy|Q)[A-Z][a-z][A-Za-z0-9]*$"));
    return className.match(text.trimmed()).hasMatch();
}

bool isPlaceholderName(const QString &text, const std::optional<QString> &role)
{
    return (role == u"AXTab" || role == u"AXTabButton") && text.trimmed().compare(u"Tab", Qt::CaseInsensitive) == 0;
}

std::optional<QString> undoubled(const QString &text)
{
    static const QRegularExpression doubled(QStringLiteral("^\\s*(\\S.*?)\\s+\\1\\s*$"));
    const QRegularExpressionMatch match = doubled.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1);
}

QString shortenPathsInTitle(const QString &title)
{
    // A path starts the title or follows a blank, "*" or an opening bracket and
    // runs to " - ", " — ", a bracket or the end.
    static const QRegularExpression path(
        QStringLiteral("(?<=^|[\\s*(\\[])~?/[^\\n()\\[\\]]*?(?=\\s[-\u2013\u2014]\\s|\\s[(\\[]|[)\\]]|$)"));
    QString result;
    qsizetype last = 0;
    QRegularExpressionMatchIterator it = path.globalMatch(title);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        QString found = match.captured(0);
        while (found.size() > 1 && found.endsWith(u'/'))
            found.chop(1);
        const QString name = found.mid(found.lastIndexOf(u'/') + 1);
        result += title.mid(last, match.capturedStart(0) - last);
        result += name.isEmpty() ? found : name;
        last = match.capturedEnd(0);
    }
    if (last == 0)
        return title;
    return result + title.mid(last);
}

} // namespace kelvo
