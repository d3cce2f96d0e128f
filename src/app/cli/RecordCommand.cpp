// `kelvo record [--seconds N]`: one recording from a terminal, without windows.
#include "app/DesktopServices.h"
#include "app/cli/Cli.h"
#include "app/settings/PrivateSettings.h"

#include "capture/GlobalHotKey.h"
#include "capture/Permissions.h"
#include "model/QtScheduler.h"
#include "store/GuideStore.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvo::cli {

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

void printLine(FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

} // namespace

int runRecord(const QStringList &arguments)
{
    std::optional<int> seconds;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        bool ok = false;
        if (arguments[i] == QLatin1String("--seconds") && i + 1 < arguments.size()) {
            seconds = arguments[++i].toInt(&ok);
            if (ok && *seconds > 0)
                continue;
        }
        std::fputs("usage: kelvo record [--seconds N]\n", stderr);
        return exitUsage;
    }

    QtScheduler scheduler;
    GuideStore store(scheduler);
    QSettings settings;
    makeSettingsPrivate(settings);
    DesktopCapture capture = makeDesktopCapture(store, scheduler, settings);
    RecordingSession &session = *capture.session;

    // Ctrl+C and SIGTERM end the recording as Stop does, and the guide is kept.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return 1;
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
        char byte;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        session.stop();
    });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    const auto hotKey = GlobalHotKey::create(Qt::Key_R, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier,
                                             [&session] { session.stop(); });

    int status = 0;
    QObject::connect(&session, &RecordingSession::phaseChanged, [&](Phase phase) {
        if (phase.isCountdown()) {
            printLine(stdout, QStringLiteral("Starting in %1…").arg(phase.secondsLeft));
        } else if (phase.isRecording()) {
            printLine(stdout, hotKey ? QStringLiteral("Recording. Press Ctrl+C or Ctrl+Alt+Super+R to stop.")
                                     : QStringLiteral("Recording. Press Ctrl+C to stop."));
            if (seconds)
                scheduler.postAfter(std::chrono::seconds(*seconds), [&session] { session.stop(); });
        } else if (phase.isFinishing()) {
            printLine(stdout, QStringLiteral("Finishing…"));
        } else if (phase.isIdle() && session.errorMessage()) {
            status = 1;
        }
    });
    QObject::connect(&session, &RecordingSession::stepCountChanged, [](int count) {
        printLine(stdout, QStringLiteral("Steps: %1").arg(count));
    });
    QObject::connect(&session, &RecordingSession::errorMessageChanged, [&session] {
        if (session.errorMessage())
            printLine(stderr, QStringLiteral("kelvo: ") + *session.errorMessage());
    });
    session.onFinished = [](const std::optional<Guide> &guide) {
        if (guide)
            printLine(stdout, uuidText(guide->id));
        QCoreApplication::exit(0);
    };
    QObject::connect(&session, &RecordingSession::phaseChanged, [&](Phase phase) {
        // A failed start returns to idle without a guide.
        if (phase.isIdle() && status != 0)
            QCoreApplication::exit(status);
    });

    capture.permissions->refresh();
    session.start();
    if (session.phase().isIdle()) // not allowed to record
        return 1;
    const int result = QCoreApplication::exec();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    return result != 0 ? result : status;
}

} // namespace kelvo::cli
