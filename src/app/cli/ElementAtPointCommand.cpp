// `kelvo inspect X Y [--right]`: what Kelvo reads at a screen point and the
// caption a recording would write for a click there, for users whose captions
// look wrong.
#include "app/cli/Cli.h"

#include "capture/CaptionWriter.h"
#include "capture/atspi/AtspiClickTargetFinder.h"

#include <cmath>
#include <cstdio>

namespace kelvo::cli {

namespace {

// One value per line whatever it holds: line breaks are shown escaped.
QByteArray printable(const std::optional<QString> &value)
{
    if (!value)
        return {};
    QString text = *value;
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return text.toUtf8();
}

std::optional<double> coordinate(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

int runInspect(const QStringList &arguments)
{
    QStringList numbers;
    bool isRightClick = false;
    for (const QString &argument : arguments) {
        if (argument == u"--right")
            isRightClick = true;
        else
            numbers.append(argument);
    }
    const std::optional<double> x = numbers.size() == 2 ? coordinate(numbers[0]) : std::nullopt;
    const std::optional<double> y = numbers.size() == 2 ? coordinate(numbers[1]) : std::nullopt;
    if (!x || !y) {
        std::fputs("usage: kelvo inspect X Y [--right]   (global screen pixels, origin top-left)\n", stderr);
        return exitUsage;
    }

    const atspi::DesktopAccessibility desktop = atspi::makeDesktopAccessibility();
    // As a recording does: the frontmost application stands in for a missing name.
    const std::optional<QString> frontmost = desktop.names->frontmostApplicationName();
    ClickTarget target;
    if (std::optional<ClickTarget> found = desktop.inspector->inspectTarget(*x, *y)) {
        target = std::move(*found);
        if (!target.appName)
            target.appName = frontmost;
    } else {
        target.appName = frontmost;
    }

    const QByteArray out = "role:" + printable(target.role) + "\nlabel:" + printable(target.label) + "\nwindowTitle:"
        + printable(target.windowTitle) + "\nappName:" + printable(target.appName) + "\ncaption:"
        + printable(makeCaption(target, isRightClick)) + "\n";
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return 0;
}

} // namespace kelvo::cli
