// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/GuideJson.h"

#include <simdjson.h>

#include <array>

#include <charconv>
#include <cmath>

namespace kelvo {
namespace {

// Qt's own JSON writer cannot produce this exact form (" : ", sorted keys, "\/",
// shortest numbers), so the writer is ours.
class Writer {
public:
    QByteArray out;

    void indent(int level) { out.append(QByteArray(level * 2, ' ')); }

    void string(const QString &text)
    {
        out.append('"');
        const QByteArray utf8 = text.toUtf8();
        for (const char c : utf8) {
            const auto u = static_cast<unsigned char>(c);
            switch (c) {
            case '"': out.append("\\\""); break;
            case '\\': out.append("\\\\"); break;
            case '/': out.append("\\/"); break;
            case '\b': out.append("\\b"); break;
            case '\f': out.append("\\f"); break;
            case '\n': out.append("\\n"); break;
            case '\r': out.append("\\r"); break;
            case '\t': out.append("\\t"); break;
            default:
                if (u < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", u);
                    out.append(buf);
                } else {
                    out.append(c);
                }
            }
        }
        out.append('"');
    }

    bool number(double value)
    {
        if (!std::isfinite(value))
            return false;
        char buf[64];
        auto result = std::to_chars(buf, buf + sizeof buf, value);
        if (result.ec != std::errc())
            return false;
        // A long run of digits without a point or exponent reads as an integer, which
        // readers may not hold (beyond 64 bits): write such values with an exponent.
        const std::string_view plain(buf, std::size_t(result.ptr - buf));
        if (plain.size() > 15 && plain.find_first_of(".e") == std::string_view::npos) {
            result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
            if (result.ec != std::errc())
                return false;
        }
        out.append(buf, int(result.ptr - buf));
        return true;
    }

    void key(int level, const char *name)
    {
        indent(level);
        out.append('"').append(name).append("\" : ");
    }
};

const char *framingName(Framing framing)
{
    switch (framing) {
    case Framing::wholeScreen: return "wholeScreen";
    case Framing::clickedWindow: return "clickedWindow";
    case Framing::closeUp: return "closeUp";
    }
    return "wholeScreen";
}

// An array of four numbers, one per line like every other member.
bool writeRect(Writer &w, const NormalRect &rect, int level)
{
    w.out.append("[\n");
    const double values[] = {rect.x, rect.y, rect.width, rect.height};
    for (int i = 0; i < 4; ++i) {
        w.indent(level + 1);
        if (!w.number(values[i]))
            return false;
        w.out.append(i < 3 ? ",\n" : "\n");
    }
    w.indent(level);
    w.out.append(']');
    return true;
}

bool writeStep(Writer &w, const Step &step, int level)
{
    const int inner = level + 1;
    w.indent(level);
    w.out.append("{\n");
    if (step.appName) {
        w.key(inner, "appName");
        w.string(*step.appName);
        w.out.append(",\n");
    }
    w.key(inner, "caption");
    w.string(step.caption);
    w.out.append(",\n");
    w.key(inner, "clickX");
    if (!w.number(step.clickX))
        return false;
    w.out.append(",\n");
    w.key(inner, "clickY");
    if (!w.number(step.clickY))
        return false;
    w.out.append(",\n");
    if (step.framing) {
        w.key(inner, "framing");
        w.out.append('"').append(framingName(*step.framing)).append('"');
        w.out.append(",\n");
    }
    w.key(inner, "id");
    w.string(uuidText(step.id));
    w.out.append(",\n");
    w.key(inner, "imageFileName");
    w.string(step.imageFileName);
    w.out.append(",\n");
    w.key(inner, "isRightClick");
    w.out.append(step.isRightClick ? "true" : "false");
    w.out.append(",\n");
    if (!step.redactions.isEmpty()) {
        w.key(inner, "redactions");
        w.out.append("[\n");
        for (qsizetype i = 0; i < step.redactions.size(); ++i) {
            w.indent(inner + 1);
            if (!writeRect(w, step.redactions[i], inner + 1))
                return false;
            w.out.append(i + 1 < step.redactions.size() ? ",\n" : "\n");
        }
        w.indent(inner);
        w.out.append("],\n");
    }
    w.key(inner, "timestamp");
    if (!w.number(step.timestamp))
        return false;
    if (step.windowFrame) {
        w.out.append(",\n");
        w.key(inner, "windowFrame");
        if (!writeRect(w, *step.windowFrame, inner))
            return false;
    }
    w.out.append('\n');
    w.indent(level);
    w.out.append('}');
    return true;
}

using simdjson::dom::element;
using simdjson::dom::object;

// Missing key, null or another type = nothing.
std::optional<QString> stringAt(const object &obj, std::string_view key)
{
    std::string_view text;
    if (obj[key].get_string().get(text) != simdjson::SUCCESS)
        return std::nullopt;
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Absent or null = nothing; any other non-string fails the document.
bool optionalStringAt(const object &obj, std::string_view key, std::optional<QString> &out)
{
    element value;
    if (obj[key].get(value) != simdjson::SUCCESS || value.is_null()) {
        out.reset();
        return true;
    }
    std::string_view text;
    if (value.get_string().get(text) != simdjson::SUCCESS)
        return false;
    out = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return true;
}

// Whole numbers and fractions alike read as doubles.
std::optional<double> numberAt(const object &obj, std::string_view key)
{
    double value = 0;
    if (obj[key].get_double().get(value) != simdjson::SUCCESS)
        return std::nullopt;
    return value;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The canonical 8-4-4-4-12 form only (no braces, no URN prefix), either case.
// Parsed by hand: QUuid::fromString also accepts other forms.
std::optional<QUuid> parseUuid(std::string_view text)
{
    if (text.size() != 36)
        return std::nullopt;
    std::array<uchar, 16> bytes{};
    std::size_t byte = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        const int high = hexValue(text[i]);
        const int low = hexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[byte++] = uchar(high << 4 | low);
        i += 2;
    }
    return QUuid::fromRfc4122(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

std::optional<QUuid> uuidAt(const object &obj, std::string_view key)
{
    std::string_view text;
    if (obj[key].get_string().get(text) != simdjson::SUCCESS)
        return std::nullopt;
    return parseUuid(text);
}

// The keys added after the first release are read leniently: a value Kelvo
// cannot use is taken as absent, so an odd value never hides a whole guide.
std::optional<Framing> framingFrom(const element &value)
{
    std::string_view text;
    if (value.get_string().get(text) != simdjson::SUCCESS)
        return std::nullopt;
    if (text == "wholeScreen")
        return Framing::wholeScreen;
    if (text == "clickedWindow")
        return Framing::clickedWindow;
    if (text == "closeUp")
        return Framing::closeUp;
    return std::nullopt;
}

// Far beyond any display (fractions of it): a hostile value, not a window.
constexpr double maxRectFraction = 1000;
// A step's areas: more than anyone draws; a hostile file cannot make every view fill millions.
constexpr qsizetype maxRedactions = 256;

// Four finite numbers of a sane size with a positive width and height.
std::optional<NormalRect> rectFrom(const element &value)
{
    simdjson::dom::array values;
    if (value.get_array().get(values) != simdjson::SUCCESS || values.size() != 4)
        return std::nullopt;
    double numbers[4] = {};
    int i = 0;
    for (const element number : values) {
        if (number.get_double().get(numbers[i]) != simdjson::SUCCESS || !std::isfinite(numbers[i])
            || std::abs(numbers[i]) > maxRectFraction)
            return std::nullopt;
        ++i;
    }
    if (!(numbers[2] > 0) || !(numbers[3] > 0))
        return std::nullopt;
    return NormalRect{numbers[0], numbers[1], numbers[2], numbers[3]};
}

QList<NormalRect> rectsFrom(const element &value)
{
    QList<NormalRect> rects;
    simdjson::dom::array values;
    if (value.get_array().get(values) != simdjson::SUCCESS)
        return rects;
    for (const element item : values) {
        if (rects.size() == maxRedactions)
            break;
        if (const auto rect = rectFrom(item))
            rects.append(*rect);
    }
    return rects;
}

std::optional<Step> readStep(const element &value)
{
    object obj;
    if (value.get_object().get(obj) != simdjson::SUCCESS)
        return std::nullopt;
    // One pass over the members: a step is read 30,000 times when a large library loads.
    std::optional<element> id, caption, appName, clickX, clickY, imageFileName, isRightClick, timestamp;
    std::optional<element> windowFrame, framing, redactions;
    for (const auto field : obj) {
        std::optional<element> *slot = nullptr;
        const std::string_view key = field.key;
        if (key == "id") slot = &id;
        else if (key == "caption") slot = &caption;
        else if (key == "appName") slot = &appName;
        else if (key == "clickX") slot = &clickX;
        else if (key == "clickY") slot = &clickY;
        else if (key == "imageFileName") slot = &imageFileName;
        else if (key == "isRightClick") slot = &isRightClick;
        else if (key == "timestamp") slot = &timestamp;
        else if (key == "windowFrame") slot = &windowFrame;
        else if (key == "framing") slot = &framing;
        else if (key == "redactions") slot = &redactions;
        if (slot && !*slot)
            *slot = field.value;
    }
    Step step{.id = QUuid(), .caption = {}, .appName = {}, .timestamp = 0, .imageFileName = {}, .clickX = 0, .clickY = 0, .isRightClick = false};
    std::string_view text;
    bool flag = false;
    if (!id || !caption || !clickX || !clickY || !imageFileName || !isRightClick || !timestamp)
        return std::nullopt;
    if (id->get_string().get(text) != simdjson::SUCCESS)
        return std::nullopt;
    const auto uuid = parseUuid(text);
    if (!uuid)
        return std::nullopt;
    step.id = *uuid;
    if (caption->get_string().get(text) != simdjson::SUCCESS)
        return std::nullopt;
    step.caption = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (imageFileName->get_string().get(text) != simdjson::SUCCESS)
        return std::nullopt;
    step.imageFileName = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (appName && !appName->is_null()) {
        if (appName->get_string().get(text) != simdjson::SUCCESS)
            return std::nullopt;
        step.appName = QString::fromUtf8(text.data(), qsizetype(text.size()));
    }
    if (clickX->get_double().get(step.clickX) != simdjson::SUCCESS
        || clickY->get_double().get(step.clickY) != simdjson::SUCCESS
        || timestamp->get_double().get(step.timestamp) != simdjson::SUCCESS
        || isRightClick->get_bool().get(flag) != simdjson::SUCCESS)
        return std::nullopt;
    step.isRightClick = flag;
    if (windowFrame)
        step.windowFrame = rectFrom(*windowFrame);
    if (framing)
        step.framing = framingFrom(*framing);
    if (redactions)
        step.redactions = rectsFrom(*redactions);
    return step;
}

} // namespace

QString isoDateText(const QDateTime &instant)
{
    return instant.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char('Z');
}

std::optional<QDateTime> parseIsoDate(const QString &text)
{
    // Internet date-time without fraction: yyyy-MM-ddTHH:mm:ss then "Z" or ±hh:mm.
    if (text.size() != 20 && text.size() != 25)
        return std::nullopt;
    const auto digits = [&](qsizetype from, qsizetype count) {
        int value = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                return -1;
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    const auto at = [&](qsizetype i, char16_t c) { return text[i].unicode() == c; };
    if (!at(4, u'-') || !at(7, u'-') || !at(10, u'T') || !at(13, u':') || !at(16, u':'))
        return std::nullopt;
    const int year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
    const int hour = digits(11, 2), minute = digits(14, 2), second = digits(17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    QDateTime result(date, time, Qt::UTC);
    if (text.size() == 20)
        return at(19, u'Z') ? std::optional(result) : std::nullopt;
    const int offsetHours = digits(20, 2), offsetMinutes = digits(23, 2);
    const bool plus = at(19, u'+');
    if ((!plus && !at(19, u'-')) || !at(22, u':') || offsetHours < 0 || offsetHours > 23 || offsetMinutes < 0
        || offsetMinutes > 59)
        return std::nullopt;
    const int offset = (offsetHours * 3600 + offsetMinutes * 60) * (plus ? 1 : -1);
    result = result.addSecs(-offset);
    // The instant is written back in UTC: one that would not fit four digits
    // there (9999-12-31T23:59:59-01:00) could never be read again after a save.
    if (result.date().year() < 1 || result.date().year() > 9999)
        return std::nullopt;
    return result;
}

std::optional<QByteArray> encodeGuide(const Guide &guide)
{
    Writer w;
    w.out.reserve(512 + guide.steps.size() * 320);
    w.out.append("{\n");
    w.key(1, "createdAt");
    w.string(isoDateText(guide.createdAt));
    w.out.append(",\n");
    w.key(1, "duration");
    if (!w.number(guide.duration))
        return std::nullopt;
    w.out.append(",\n");
    if (guide.framing) {
        w.key(1, "framing");
        w.out.append('"').append(framingName(*guide.framing)).append("\",\n");
    }
    w.key(1, "id");
    w.string(uuidText(guide.id));
    w.out.append(",\n");
    w.key(1, "steps");
    if (guide.steps.isEmpty()) {
        w.out.append("[]");
    } else {
        w.out.append("[\n");
        for (qsizetype i = 0; i < guide.steps.size(); ++i) {
            if (!writeStep(w, guide.steps[i], 2))
                return std::nullopt;
            w.out.append(i + 1 < guide.steps.size() ? ",\n" : "\n");
        }
        w.indent(1);
        w.out.append(']');
    }
    w.out.append(",\n");
    w.key(1, "title");
    w.string(guide.title);
    if (guide.videoFileName) {
        w.out.append(",\n");
        w.key(1, "videoFileName");
        w.string(*guide.videoFileName);
    }
    w.out.append("\n}\n");
    return w.out;
}

std::optional<Guide> decodeGuide(const QByteArray &document)
{
    // simdjson: loading a large library is dominated by parsing; it keeps reload
    // close to the cost of reading the files.
    thread_local simdjson::dom::parser parser;
    element root;
    if (parser.parse(document.constData(), size_t(document.size())).get(root) != simdjson::SUCCESS)
        return std::nullopt;
    object obj;
    if (root.get_object().get(obj) != simdjson::SUCCESS)
        return std::nullopt;

    const auto createdAtText = stringAt(obj, "createdAt");
    const auto duration = numberAt(obj, "duration");
    const auto id = uuidAt(obj, "id");
    const auto title = stringAt(obj, "title");
    simdjson::dom::array steps;
    if (!createdAtText || !duration || !id || !title || obj["steps"].get_array().get(steps) != simdjson::SUCCESS)
        return std::nullopt;
    const auto createdAt = parseIsoDate(*createdAtText);
    std::optional<QString> videoFileName;
    if (!createdAt || !optionalStringAt(obj, "videoFileName", videoFileName))
        return std::nullopt;

    std::optional<Framing> framing;
    if (element value; obj["framing"].get(value) == simdjson::SUCCESS)
        framing = framingFrom(value);

    QList<Step> stepList;
    stepList.reserve(qsizetype(steps.size()));
    for (const element value : steps) {
        auto step = readStep(value);
        if (!step)
            return std::nullopt;
        stepList.append(std::move(*step));
    }
    return Guide{.id = *id,
                 .title = *title,
                 .createdAt = *createdAt,
                 .duration = *duration,
                 .videoFileName = std::move(videoFileName),
                 .steps = std::move(stepList),
                 .framing = framing};
}

} // namespace kelvo
