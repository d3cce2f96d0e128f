// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace kelvo::test {

::testing::AssertionResult waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return ::testing::AssertionFailure()
                << "gave up waiting after " << timeoutMs << " ms (the condition never held)";
        }
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5); // polling another process or the X server: don't spin
    }
    return ::testing::AssertionSuccess();
}

} // namespace kelvo::test
