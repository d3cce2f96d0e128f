// SPDX-License-Identifier: GPL-3.0-or-later
// `kelvo inspect X Y [--right] [--snapshot FILE]`: what Kelvo reads at a screen
// point and the caption a recording would write for a click there, for users
// whose captions look wrong; --snapshot also writes the accessibility tree
// around the point as JSON, to attach to a report or replay in a test.
#include "app/cli/Cli.h"

#include "capture/CaptionWriter.h"
#include "platform/atspi/AtspiClickTargetFinder.h"

#include <QJsonDocument>
#include <QSaveFile>

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
    std::optional<QString> snapshotFile;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == u"--right")
            isRightClick = true;
        else if (argument == u"--snapshot" && i + 1 < arguments.size())
            snapshotFile = arguments[++i];
        else
            numbers.append(argument);
    }
    const std::optional<double> x = numbers.size() == 2 ? coordinate(numbers[0]) : std::nullopt;
    const std::optional<double> y = numbers.size() == 2 ? coordinate(numbers[1]) : std::nullopt;
    if (!x || !y) {
        std::fputs("usage: kelvo inspect X Y [--right] [--snapshot FILE]   (global screen pixels, origin top-left)\n",
            stderr);
        return exitUsage;
    }
    if (snapshotFile) {
        const QJsonObject tree = atspi::AtspiClickTargetFinder::snapshot(int(std::floor(*x)), int(std::floor(*y)));
        QSaveFile file(*snapshotFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(tree).toJson()) < 0 || !file.commit()) {
            std::fprintf(stderr, "kelvo: cannot write %s: %s\n", qPrintable(*snapshotFile), qPrintable(file.errorString()));
            return 1;
        }
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
