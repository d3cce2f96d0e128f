// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/KelvoCommand.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace kelvo::test {

CommandRun runKelvo(const QStringList &arguments, const QString &dataDir)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!dataDir.isEmpty())
        environment.insert(QStringLiteral("KELVO_DATA_DIR"), dataDir);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KELVO_BINARY), arguments);
    const bool finished = process.waitForFinished(60000);
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    return {finished, process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace kelvo::test
