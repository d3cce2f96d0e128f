// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/capture/WidgetFactoryApp.h"

#include "support/DesktopWindows.h"
#include "support/Wait.h"

#include <QFileInfo>

namespace kelvo::test {

namespace {

QString python()
{
    // The system interpreter carries the GObject bindings; a user's pyenv may not.
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                   : QStringLiteral("python3");
}

} // namespace

WidgetFactoryApp::WidgetFactoryApp()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("NO_AT_BRIDGE")); // GTK must join the accessibility bus
    environment.remove(QStringLiteral("GTK_MODULES"));
    process_.setProcessEnvironment(environment);
    process_.start(QStringLiteral("gtk3-widget-factory"), QStringList());
    if (!process_.waitForStarted(10000)) {
        error_ = QStringLiteral("gtk3-widget-factory did not start");
        return;
    }
    QProcess finder;
    finder.start(python(), {QStringLiteral(KELVO_SOURCE_DIR "/tests/capture/widget_factory_targets.py"),
                               QString::number(process_.processId())});
    if (!finder.waitForFinished(60000)) {
        error_ = QStringLiteral("the widgets were not found in time");
        return;
    }
    for (const QByteArray &line : finder.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() != 5)
            continue;
        if (parts[0] == "window")
            window_ = QRect(parts[1].toInt(), parts[2].toInt(), parts[3].toInt(), parts[4].toInt());
        else
            widgets_.insert(QString::fromUtf8(parts[0]), Widget{QPoint(parts[1].toInt(), parts[2].toInt()),
                                                              QString::fromUtf8(parts[3]), QString::fromUtf8(parts[4])});
    }
    if (finder.exitCode() != 0) {
        error_ = QString::fromUtf8(finder.readAllStandardError());
        return;
    }
    // The frontmost application is the one of the active window: make sure it is
    // this one, whatever the window manager did with the window when it mapped.
    const ::testing::AssertionResult active = DesktopWindows().activateWindowOf(process_.processId(), desktopPatienceMs);
    if (!active)
        error_ = QStringLiteral("gtk3-widget-factory's window did not become active: ") +
                 QString::fromUtf8(active.message());
}

WidgetFactoryApp::~WidgetFactoryApp()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill(); // ends the one process this test started, by its id
        process_.waitForFinished(10000);
    }
}

} // namespace kelvo::test
