// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>

#include <functional>
#include <optional>

namespace kelvo {

// The editable text element that has the keyboard focus.
struct FocusedField {
    quint64 id = 0;          // the same while the same element stays focused
    bool isPassword = false; // its text must never be read
    bool isMultiLine = false; // Enter adds a line instead of ending the typing
    std::optional<QString> label;
    std::optional<QString> appName;
    QRect bounds; // global pixels

    friend bool operator==(const FocusedField &, const FocusedField &) = default;
};

// Follows the keyboard focus across applications while a recording runs, and
// reads a field's text when typing into it ends.
class FieldWatcher {
public:
    // Main thread. Nothing: the focus went to something that is not an
    // editable text field, or left the field.
    using Handler = std::function<void(const std::optional<FocusedField> &)>;

    virtual ~FieldWatcher() = default;

    void setOnFocus(Handler handler) { onFocus_ = std::move(handler); }

    virtual void start() = 0;
    virtual void stop() = 0;

    // The field's whole text now, or nothing when it cannot be read (gone,
    // accessibility off, a password field). Blocking; never on the main thread.
    virtual std::optional<QString> readText(quint64 fieldId) = 0;

protected:
    void report(const std::optional<FocusedField> &field) const
    {
        if (onFocus_)
            onFocus_(field);
    }

private:
    Handler onFocus_;
};

} // namespace kelvo
