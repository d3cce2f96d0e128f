// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo {

// The recording session's phase. Equality compares the kind and, for a
// countdown, the seconds left.
struct Phase {
    enum class Kind { idle, countdown, recording, finishing };

    Kind kind = Kind::idle;
    int secondsLeft = 0; // 3, 2 or 1 in a countdown, else 0

    static constexpr Phase idle() { return {Kind::idle, 0}; }
    static constexpr Phase countdown(int seconds) { return {Kind::countdown, seconds}; }
    static constexpr Phase recording() { return {Kind::recording, 0}; }
    static constexpr Phase finishing() { return {Kind::finishing, 0}; }

    bool isIdle() const { return kind == Kind::idle; }
    bool isCountdown() const { return kind == Kind::countdown; }
    bool isRecording() const { return kind == Kind::recording; }
    bool isFinishing() const { return kind == Kind::finishing; }

    friend bool operator==(const Phase &, const Phase &) = default;
};

} // namespace kelvo
