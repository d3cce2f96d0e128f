// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/export/HtmlExport.h"

#include "editor/pdf/PdfExport.h"

#include <QCoreApplication>
#include <QSaveFile>

namespace kelvo {

namespace {

// Kelvo's PDF look for screens and paper: its red badge, black title, grey lines
// and type scale (title 26, caption 14, subtitle 11, application 10), readable
// from phones to wide windows, dark when the reader's desktop is.
constexpr const char *styleSheet = R"css(
:root { color-scheme: light dark; --ink: #000; --secondary: #555; --faint: #808080; --rule: #d9d9d9;
  --frame: #ccc; --page: #fff; --accent: #ff453b; }
@media (prefers-color-scheme: dark) {
  :root { --ink: #f2f2f2; --secondary: #b4b4b4; --faint: #9a9a9a; --rule: #3a3a3a; --frame: #4a4a4a;
    --page: #161616; }
}
* { box-sizing: border-box; }
html { -webkit-text-size-adjust: 100%; text-size-adjust: 100%; }
body { margin: 0; background: var(--page); color: var(--ink);
  font: 16px/1.45 system-ui, -apple-system, "Segoe UI", Cantarell, "Noto Sans", "DejaVu Sans", sans-serif; }
main { max-width: 880px; margin: 0 auto; padding: 48px 32px 40px; }
header { border-bottom: 1px solid var(--rule); padding-bottom: 18px; margin-bottom: 30px; }
h1 { font-size: 2.1em; line-height: 1.2; margin: 0 0 8px; overflow-wrap: anywhere; }
.subtitle { margin: 0; color: var(--secondary); font-size: 0.875em; }
ol.steps { list-style: none; margin: 0; padding: 0; counter-reset: step; }
li.step { display: grid; grid-template-columns: 34px minmax(0, 1fr); column-gap: 18px; margin: 0 0 36px;
  counter-increment: step; }
li.step::before { content: counter(step); grid-row: 1 / span 3; align-self: start; width: 34px; height: 34px;
  border-radius: 50%; background: var(--accent); color: #fff; font-weight: 700; font-size: 0.95em;
  display: flex; align-items: center; justify-content: center; font-variant-numeric: tabular-nums; }
.caption { margin: 4px 0 0; font-size: 1.125em; font-weight: 600; white-space: pre-line; overflow-wrap: anywhere; }
.app { margin: 2px 0 0; color: var(--faint); font-size: 0.8em; overflow-wrap: anywhere; }
li.step img { display: block; margin-top: 12px; max-width: 100%; height: auto; border: 1px solid var(--frame);
  border-radius: 8px; }
@media (max-width: 560px) {
  main { padding: 28px 16px 24px; }
  h1 { font-size: 1.7em; }
  li.step { grid-template-columns: 28px minmax(0, 1fr); column-gap: 12px; margin-bottom: 28px; }
  li.step::before { width: 28px; height: 28px; font-size: 0.85em; }
  li.step img { grid-column: 1 / -1; }
}
@media print {
  :root { --ink: #000; --secondary: #555; --faint: #808080; --rule: #d9d9d9; --frame: #ccc; --page: #fff; }
  @page { margin: 0.75in; }
  body { font-size: 11pt; }
  main { max-width: none; padding: 0; }
  li.step { break-inside: avoid; page-break-inside: avoid; }
  li.step::before { print-color-adjust: exact; -webkit-print-color-adjust: exact; }
  li.step img { max-height: 6.5in; width: auto; }
}
)css";

bool allowedInHtml(char32_t c)
{
    if (c == '\t' || c == '\n' || c == '\r' || c == '\f')
        return true;
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return false;
    if ((c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE)
        return false;
    return !(c >= 0xD800 && c <= 0xDFFF);
}

// Writes to the save file; a failed write is remembered by QSaveFile and fails commit().
class Out {
public:
    explicit Out(QSaveFile &file) : file_(file) {}
    Out &operator<<(const char *text)
    {
        file_.write(text);
        return *this;
    }
    Out &operator<<(const QByteArray &bytes)
    {
        file_.write(bytes);
        return *this;
    }
    Out &operator<<(const QString &text) { return *this << text.toUtf8(); }

    // Base64 in slices, so no second copy of a screenshot is held at once.
    void base64(const QByteArray &bytes)
    {
        constexpr qsizetype slice = 3 * 64 * 1024;
        for (qsizetype at = 0; at < bytes.size(); at += slice)
            file_.write(QByteArray::fromRawData(bytes.constData() + at, std::min(slice, bytes.size() - at)).toBase64());
    }

private:
    QSaveFile &file_;
};

} // namespace

QString escapeHtml(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + text.size() / 8);
    const QList<uint> codePoints = text.toUcs4();
    for (const uint c : codePoints) {
        switch (c) {
        case '&':
            escaped += QStringLiteral("&amp;");
            break;
        case '<':
            escaped += QStringLiteral("&lt;");
            break;
        case '>':
            escaped += QStringLiteral("&gt;");
            break;
        case '"':
            escaped += QStringLiteral("&quot;");
            break;
        case '\'':
            escaped += QStringLiteral("&#39;");
            break;
        default:
            if (!allowedInHtml(char32_t(c))) {
                escaped += QChar(0xFFFD);
            } else {
                const char32_t one = char32_t(c);
                escaped += QString::fromUcs4(&one, 1);
            }
        }
    }
    return escaped;
}

void writeHTML(const Guide &guide, const QString &destination, const StepImageFileSource &images)
{
    QSaveFile file(destination);
    if (!file.open(QIODevice::WriteOnly))
        throw GuideExportError(QCoreApplication::translate("kelvo::GuideExport", "Couldn't create the HTML file (%1).").arg(file.errorString()));

    Out out(file);
    const QString title = escapeHtml(guide.title);
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        << "<meta name=\"color-scheme\" content=\"light dark\">\n"
        << "<meta name=\"generator\" content=\"Kelvo\">\n"
        << "<title>" << title << "</title>\n<style>" << styleSheet << "</style>\n</head>\n<body>\n<main>\n"
        << "<header>\n<h1>" << title << "</h1>\n<p class=\"subtitle\">"
        << escapeHtml(pdfSubtitle(guide.createdAt, guide.steps.size())) << "</p>\n</header>\n";
    if (!guide.steps.isEmpty())
        out << "<ol class=\"steps\">\n";
    for (qsizetype i = 0; i < guide.steps.size(); ++i) {
        const Step &step = guide.steps[i];
        const QString caption = escapeHtml(step.caption);
        const QByteArray number = QByteArray::number(i + 1);
        out << "<li class=\"step\" id=\"step-" << number << "\" value=\"" << number << "\">\n"
            << "<p class=\"caption\">" << caption << "</p>\n";
        if (step.appName && !step.appName->isEmpty())
            out << "<p class=\"app\">" << escapeHtml(*step.appName) << "</p>\n";
        // One screenshot in memory at a time.
        if (const std::optional<StepImageFile> image = images ? images(step) : std::nullopt) {
            out << "<img alt=\"" << caption << "\" width=\"" << QByteArray::number(image->shownSize.width())
                << "\" height=\"" << QByteArray::number(image->shownSize.height()) << "\" src=\"data:"
                << image->mimeType << ";base64,";
            out.base64(image->bytes);
            out << "\">\n";
        }
        out << "</li>\n";
    }
    if (!guide.steps.isEmpty())
        out << "</ol>\n";
    out << "</main>\n</body>\n</html>\n";

    // A failed write (full disk, vanished folder) leaves no partial file behind.
    if (!file.commit())
        throw GuideExportError(QCoreApplication::translate("kelvo::GuideExport", "Couldn't create the HTML file (%1).").arg(file.errorString()));
}

} // namespace kelvo
