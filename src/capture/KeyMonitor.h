// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <chrono>
#include <functional>

namespace kelvo {

// One key press as a recording needs it: what sort of key it was, the
// modifiers held, and for shortcuts the key's label. Which key produced a
// character is never told, so typed text cannot be rebuilt from presses.
struct KeyPress {
    enum class Kind {
        Text,       // a key that edits text: a character, space, Backspace, Delete
        Enter,      // Return, keypad Enter
        Tab,        // Tab and Shift+Tab
        Navigation, // arrows, Page Up/Down, Home, End
        Other,      // Esc, function keys, Insert, Menu, …
    };
    enum Modifier : unsigned { Shift = 1, Ctrl = 2, Alt = 4, Super = 8 };

    Kind kind = Kind::Text;
    unsigned modifiers = 0;
    // The key's label from the current layout ("S", "Enter", "F5", "Left"),
    // only when Ctrl, Alt or Super is held; empty otherwise.
    QString label;
    // Kelvo's own hot key: never a step.
    bool isHotKey = false;
    std::chrono::steady_clock::time_point time; // when the press was seen (monotonic)

    // Shift alone does not make a shortcut.
    bool isShortcut() const { return (modifiers & (Ctrl | Alt | Super)) != 0; }
};

// "Shift+Ctrl+S": the modifiers in the order the desktop writes them, then the label.
QString shortcutText(unsigned modifiers, const QString &label);

// System-wide key presses while a recording runs, delivered on the main thread.
// Modifier keys alone are never reported. Backends read keys off the main
// thread and hand over only the press.
class KeyMonitor {
public:
    using Handler = std::function<void(const KeyPress &)>;

    virtual ~KeyMonitor() = default;

    void setOnKey(Handler handler) { onKey_ = std::move(handler); }

    // Starts listening; a second start leaves one monitor installed.
    virtual void start() = 0;
    // Stops listening; harmless when already stopped.
    virtual void stop() = 0;

protected:
    void report(const KeyPress &press) const
    {
        if (onKey_)
            onKey_(press);
    }

private:
    Handler onKey_;
};

} // namespace kelvo
