// SPDX-License-Identifier: GPL-3.0-or-later
// Inspection latency over a 20 × 10 grid of points on gtk3-widget-factory.
// Run inside the virtual desktop:
//   scripts/with-desktop.sh build/bench/hit_test_latency_bench
#include "platform/atspi/AtspiClickTargetFinder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRect>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double percentile(std::vector<double> sorted, double fraction)
{
    const size_t index = std::min(sorted.size() - 1, size_t(fraction * double(sorted.size() - 1) + 0.5));
    return sorted[index];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QProcess factory;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("NO_AT_BRIDGE"));
    factory.setProcessEnvironment(environment);
    factory.start(QStringLiteral("gtk3-widget-factory"), QStringList());
    if (!factory.waitForStarted(10000)) {
        std::fputs("gtk3-widget-factory did not start\n", stderr);
        return 1;
    }
    QProcess finder;
    const QString python = QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                                 : QStringLiteral("python3");
    finder.start(python, {QStringLiteral(KELVO_SOURCE_DIR "/tests/capture/widget_factory_targets.py"),
                             QString::number(factory.processId())});
    finder.waitForFinished(60000);
    QRect window;
    for (const QByteArray &line : finder.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() == 5 && parts[0] == "window")
            window = QRect(parts[1].toInt(), parts[2].toInt(), parts[3].toInt(), parts[4].toInt());
    }
    if (window.isEmpty()) {
        std::fputs("no window found\n", stderr);
        factory.kill();
        factory.waitForFinished();
        return 1;
    }

    kelvo::atspi::DesktopAccessibility desktop = kelvo::atspi::makeDesktopAccessibility();
    auto start = std::chrono::steady_clock::now();
    desktop.inspector->inspectTarget(window.center().x(), window.center().y());
    const double first = millisecondsSince(start);

    std::vector<double> times;
    int found = 0;
    for (int row = 0; row < 10; ++row) {
        for (int column = 0; column < 20; ++column) {
            const double x = window.left() + (column + 0.5) * window.width() / 20.0;
            const double y = window.top() + (row + 0.5) * window.height() / 10.0;
            start = std::chrono::steady_clock::now();
            if (desktop.inspector->inspectTarget(x, y))
                ++found;
            times.push_back(millisecondsSince(start));
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("first call (connects, reads desktop entries): %.2f ms\n", first);
    std::printf("%zu points, %d with an element: p50 %.2f ms, p95 %.2f ms, max %.2f ms\n", times.size(), found,
        percentile(times, 0.5), percentile(times, 0.95), times.back());

    factory.kill();
    factory.waitForFinished(10000);
    return 0;
}
