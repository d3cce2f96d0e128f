// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <functional>

namespace kelvo::test {

// How long a desktop test waits for what the desktop, the window manager or
// another program must do: generous, since the machine may be busy.
constexpr int desktopPatienceMs = 30000;

// Runs the Qt event loop until condition holds. On time-out the result says so,
// loudly, for ASSERT_TRUE / EXPECT_TRUE; stream what was awaited after it.
::testing::AssertionResult waitFor(const std::function<bool()> &condition, int timeoutMs = desktopPatienceMs);

} // namespace kelvo::test
