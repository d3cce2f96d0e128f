// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace kelvo {

// SIGTERM, SIGINT and SIGHUP delivered to the event loop as a Qt signal, so a
// recording can finish and save before Kelvo exits. The handler only writes the
// signal number into a pipe (all a signal handler may safely do); the notifier
// reads it on the main thread. One instance per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // False when the pipe could not be made: the default actions stay.
    bool isListening() const { return notifier_ != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *notifier_ = nullptr;
};

} // namespace kelvo
