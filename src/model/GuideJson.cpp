#include "model/GuideJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <charconv>
#include <cmath>

namespace kelvo {
namespace {

// Qt's own JSON writer cannot produce this exact form (" : ", sorted keys, "\/",
// shortest numbers), so the writer is ours; reading goes through QJsonDocument.
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
        const auto result = std::to_chars(buf, buf + sizeof buf, value);
        if (result.ec != std::errc())
            return false;
        out.append(buf, int(result.ptr - buf));
        return true;
    }

    void key(int level, const char *name)
    {
        indent(level);
        out.append('"').append(name).append("\" : ");
    }
};

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
    w.key(inner, "id");
    w.string(uuidText(step.id));
    w.out.append(",\n");
    w.key(inner, "imageFileName");
    w.string(step.imageFileName);
    w.out.append(",\n");
    w.key(inner, "isRightClick");
    w.out.append(step.isRightClick ? "true" : "false");
    w.out.append(",\n");
    w.key(inner, "timestamp");
    if (!w.number(step.timestamp))
        return false;
    w.out.append('\n');
    w.indent(level);
    w.out.append('}');
    return true;
}

std::optional<QString> requiredString(const QJsonObject &object, const char *key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

// Absent or null = nothing; any other non-string fails the document.
bool optionalString(const QJsonObject &object, const char *key, std::optional<QString> &out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull()) {
        out.reset();
        return true;
    }
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

std::optional<double> requiredNumber(const QJsonObject &object, const char *key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

std::optional<QUuid> requiredUuid(const QJsonObject &object, const char *key)
{
    static const QRegularExpression form(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    const auto text = requiredString(object, key);
    if (!text || !form.match(*text).hasMatch())
        return std::nullopt;
    return QUuid::fromString(*text);
}

std::optional<Step> readStep(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    Step step;
    const auto id = requiredUuid(object, "id");
    const auto caption = requiredString(object, "caption");
    const auto clickX = requiredNumber(object, "clickX");
    const auto clickY = requiredNumber(object, "clickY");
    const auto imageFileName = requiredString(object, "imageFileName");
    const auto timestamp = requiredNumber(object, "timestamp");
    const QJsonValue isRightClick = object.value(QLatin1String("isRightClick"));
    if (!id || !caption || !clickX || !clickY || !imageFileName || !timestamp || !isRightClick.isBool())
        return std::nullopt;
    if (!optionalString(object, "appName", step.appName))
        return std::nullopt;
    step.id = *id;
    step.caption = *caption;
    step.clickX = *clickX;
    step.clickY = *clickY;
    step.imageFileName = *imageFileName;
    step.timestamp = *timestamp;
    step.isRightClick = isRightClick.toBool();
    return step;
}

} // namespace

QString isoDateText(const QDateTime &instant)
{
    return instant.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char('Z');
}

std::optional<QDateTime> parseIsoDate(const QString &text)
{
    // Internet date-time without fraction: a "Z" or a numeric offset.
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(Z|[+-]\\d{2}:\\d{2})$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    QDateTime result(date, time, Qt::UTC);
    const QString zone = match.captured(7);
    if (zone != QLatin1String("Z")) {
        const int hours = zone.mid(1, 2).toInt();
        const int minutes = zone.mid(4, 2).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        const int offset = (hours * 3600 + minutes * 60) * (zone.startsWith(QLatin1Char('-')) ? -1 : 1);
        result = result.addSecs(-offset);
    }
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
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(document, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        return std::nullopt;
    const QJsonObject object = json.object();

    const auto createdAtText = requiredString(object, "createdAt");
    const auto duration = requiredNumber(object, "duration");
    const auto id = requiredUuid(object, "id");
    const auto title = requiredString(object, "title");
    const QJsonValue steps = object.value(QLatin1String("steps"));
    if (!createdAtText || !duration || !id || !title || !steps.isArray())
        return std::nullopt;
    const auto createdAt = parseIsoDate(*createdAtText);
    if (!createdAt)
        return std::nullopt;

    Guide guide;
    if (!optionalString(object, "videoFileName", guide.videoFileName))
        return std::nullopt;
    guide.id = *id;
    guide.title = *title;
    guide.createdAt = *createdAt;
    guide.duration = *duration;
    const QJsonArray stepArray = steps.toArray();
    guide.steps.reserve(stepArray.size());
    for (const QJsonValue &value : stepArray) {
        auto step = readStep(value);
        if (!step)
            return std::nullopt;
        guide.steps.append(std::move(*step));
    }
    return guide;
}

} // namespace kelvo
