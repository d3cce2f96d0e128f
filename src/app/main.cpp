#include "app/KelvoApplication.h"
#include "app/style/Style.h"
#include "app/cli/Cli.h"
#include "capture/FrameMemory.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include <memory>

namespace {

int runApplication(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvo"));
    QApplication::setApplicationVersion(QStringLiteral(KELVO_VERSION_TEXT));
    if (kelvo::KelvoApplication::handOverToRunningInstance())
        return 0;
    kelvo::applyKelvoStyle(app);
    // With a tray icon Kelvo keeps running when its window closes, as the hot key does.
    QApplication::setQuitOnLastWindowClosed(!QSystemTrayIcon::isSystemTrayAvailable());
    kelvo::KelvoApplication kelvo(app);
    kelvo.listenForOtherInstances();
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    kelvo::tuneAllocatorForFrames();
    if (argc < 2)
        return runApplication(argc, argv);

    const QString name = QString::fromLocal8Bit(argv[1]);
    const kelvo::cli::Command *command = kelvo::cli::findCommand(name);
    if (!command) {
        kelvo::cli::printUsage();
        return kelvo::cli::exitUsage;
    }
    std::unique_ptr<QCoreApplication> app;
    if (command->needsDisplay)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kelvo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVO_VERSION_TEXT));
    return command->run(QCoreApplication::arguments().mid(2));
}
