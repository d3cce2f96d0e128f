// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kelvo::bench {

// A size field of /proc/self/status ("VmRSS:", "VmHWM:") in KiB, or -1.
inline long processStatusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

inline long residentKiB() { return processStatusKiB("VmRSS:"); }
inline long peakKiB() { return processStatusKiB("VmHWM:"); }

} // namespace kelvo::bench
