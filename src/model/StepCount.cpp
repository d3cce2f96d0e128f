// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/StepCount.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace kelvo {

QString stepCountText(qsizetype count)
{
    // Two source texts so English reads right without a translation loaded; each
    // is a %n plural, so languages with other plural rules pick their own forms.
    const int n = int(std::clamp<qsizetype>(count, 0, std::numeric_limits<int>::max()));
    return n == 1 ? QCoreApplication::translate("kelvo::StepCount", "%n step", nullptr, n)
                  : QCoreApplication::translate("kelvo::StepCount", "%n steps", nullptr, n);
}

} // namespace kelvo
