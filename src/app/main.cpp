// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/KelvoApplication.h"
#include "app/state/AppModel.h"
#include "ui/Style.h"
#include "app/cli/Cli.h"
#include "app/Translations.h"
#include "capture/FrameMemory.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include <memory>

namespace {

int runApplication(int argc, char **argv, bool newRecording)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kelvo")); // settings in ~/.config/Kelvo/Kelvo.conf
    QApplication::setApplicationName(QStringLiteral("Kelvo"));
    QApplication::setApplicationVersion(QStringLiteral(KELVO_VERSION_TEXT));
    kelvo::installTranslations(app);
    const auto request = newRecording ? kelvo::KelvoApplication::Request::NewRecording
                                      : kelvo::KelvoApplication::Request::Show;
    if (kelvo::KelvoApplication::handOverToRunningInstance(request))
        return 0;
    kelvo::applyKelvoStyle(app);
    // With a tray icon Kelvo keeps running when its window closes, as the hot key does.
    QApplication::setQuitOnLastWindowClosed(!QSystemTrayIcon::isSystemTrayAvailable());
    kelvo::KelvoApplication kelvo(app);
    kelvo.listenForOtherInstances();
    if (newRecording)
        kelvo.model().startRecording();
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    kelvo::tuneAllocatorForFrames();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const kelvo::cli::Invocation invocation = kelvo::cli::parseInvocation(arguments);
    switch (invocation.kind) {
    case kelvo::cli::Invocation::Kind::Finished:
        return invocation.status;
    case kelvo::cli::Invocation::Kind::Application:
        return runApplication(argc, argv, false);
    case kelvo::cli::Invocation::Kind::NewRecording:
        return runApplication(argc, argv, true);
    case kelvo::cli::Invocation::Kind::Command:
        break;
    }

    const kelvo::cli::Command *command = invocation.command;
    std::unique_ptr<QCoreApplication> app;
    if (command->needsDisplay)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvo"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVO_VERSION_TEXT));
    kelvo::installTranslations(*app);
    return command->run(QCoreApplication::arguments().mid(2));
}
