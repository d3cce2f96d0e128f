// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kelvo::test {

struct CommandRun {
    bool finished = false;
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the kelvo executable as a script would, without a display; with a data
// directory, in that one. A command stuck on a pipe or a device is killed after
// a minute and reported as not finished, so the test fails loudly.
CommandRun runKelvo(const QStringList &arguments, const QString &dataDir = {});

} // namespace kelvo::test
