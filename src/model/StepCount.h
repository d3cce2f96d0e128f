// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kelvo {

// "1 step", "3 steps" in the user's language (plural rules included).
QString stepCountText(qsizetype count);

} // namespace kelvo
