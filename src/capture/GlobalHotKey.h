// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <Qt>

#include <functional>
#include <memory>

namespace kelvo {

// One system-wide keyboard shortcut. The action runs on the main thread once
// per press, whichever application is in front.
class GlobalHotKey {
public:
    using Action = std::function<void()>;

    // Registers key with exactly the given modifiers (Qt::MetaModifier is the
    // Super key). Nothing, and nothing left registered, when the combination is
    // held by another client or by an earlier GlobalHotKey, or without X11.
    static std::unique_ptr<GlobalHotKey> create(Qt::Key key, Qt::KeyboardModifiers modifiers, Action action);

    virtual ~GlobalHotKey() = default;

protected:
    GlobalHotKey() = default;
};

} // namespace kelvo
