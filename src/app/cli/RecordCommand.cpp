// SPDX-License-Identifier: GPL-3.0-or-later
// `kelvo record [--seconds N] [--no-typing]`: one recording from a terminal, without windows.
#include "app/DesktopServices.h"
#include "app/cli/Cli.h"
#include "app/cli/RecordRun.h"
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

void onSignal(int signal)
{
    const auto byte = static_cast<unsigned char>(signal);
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
    bool typing = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        bool ok = false;
        if (arguments[i] == QLatin1String("--no-typing")) {
            typing = false;
            continue;
        }
        if (arguments[i] == QLatin1String("--seconds") && i + 1 < arguments.size()) {
            seconds = arguments[++i].toInt(&ok);
            if (ok && *seconds > 0)
                continue;
        }
        std::fputs("usage: kelvo record [--seconds N] [--no-typing]\n", stderr);
        return exitUsage;
    }

    QtScheduler scheduler;
    GuideStore store(scheduler);
    QSettings settings;
    makeSettingsPrivate(settings);
    DesktopCapture capture = makeDesktopCapture(store, scheduler, settings);
    RecordingSession &session = *capture.session;
    if (!typing)
        session.setRecordTyping(false); // this run only; the setting stays

    RecordRun *running = nullptr; // set below; the hot key fires only from the event loop
    const auto hotKey = GlobalHotKey::create(Qt::Key_R, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier,
                                             [&running] {
                                                 if (running)
                                                     running->stopRequested();
                                             });
    RecordRun run(session, scheduler, seconds, bool(hotKey),
                  {.out = [](const QString &line) { printLine(stdout, line); },
                   .err = [](const QString &line) { printLine(stderr, line); },
                   .exit = [](int status) { QCoreApplication::exit(status); }});
    running = &run;

    // Signals arrive through a pipe, so they are handled on the main thread.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return 1;
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&run] {
        unsigned char signal = 0;
        if (::read(signalPipe[0], &signal, 1) == 1)
            run.signalReceived(signal);
    });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    capture.permissions->refresh();
    if (!run.start()) // not allowed to record
        return 1;
    const int result = QCoreApplication::exec();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    return result;
}

} // namespace kelvo::cli
