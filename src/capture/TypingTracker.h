// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/FieldWatcher.h"
#include "capture/KeyMonitor.h"

#include <QPointF>

#include <chrono>
#include <functional>
#include <optional>

namespace kelvo {

// A step made from the keyboard, before its picture and caption exist.
struct KeyStepRequest {
    enum class Kind { Typing, Shortcut };
    using TimePoint = std::chrono::steady_clock::time_point;

    Kind kind = Kind::Typing;
    TimePoint time;  // typing: when it began; shortcut: the press
    TimePoint ended; // typing: when it ended; shortcut: the press
    // Typing: the field typed into. Shortcut: the field focused, if any.
    std::optional<FocusedField> field;
    bool pressedEnter = false; // typing ended with Enter
    QString keys;              // shortcut: "Ctrl+S"
    // The number of the click step this typing step replaces, and where it was.
    std::optional<int> mergedClick;
    std::optional<QPointF> mergedClickPoint;
    // The click lay in the field; otherwise it merges only when it turns out to
    // have been on an editable field.
    bool mergedClickOnField = false;
};

// Turns focus changes, key presses and clicks into typing and shortcut steps.
// Typing into one field is one step, from its first key until the focus moves,
// a click lands elsewhere, Enter (in a one-line field) or Tab, a shortcut, or
// the end of the recording. Main thread; keeps no text and no key identity.
class TypingTracker {
public:
    // A click into a field merges into the typing that follows it when nothing
    // else made a step in between and the typing begins within this time.
    static constexpr std::chrono::seconds mergeWindow{5};
    // How long keys after Tab or a click wait for the focus to move.
    static constexpr std::chrono::milliseconds focusFollowsClick{1000};

    using Sink = std::function<void(const KeyStepRequest &)>;
    explicit TypingTracker(Sink sink);

    void focusChanged(const std::optional<FocusedField> &field, KeyStepRequest::TimePoint now);
    void keyPressed(const KeyPress &press);
    // A click at a global point; stepNumber is the step it made, if any.
    void clicked(QPointF point, KeyStepRequest::TimePoint time, std::optional<int> stepNumber);
    // The recording ends: typing in progress becomes its step.
    void finish(KeyStepRequest::TimePoint now);
    // Forgets everything (a new recording).
    void reset();

    bool isTyping() const { return typingSince_.has_value(); }
    const std::optional<FocusedField> &focusedField() const { return field_; }

private:
    struct LastClick {
        QPointF point;
        KeyStepRequest::TimePoint time;
        int number;
    };

    void typed(KeyStepRequest::TimePoint time);
    void awaitFocus(KeyStepRequest::TimePoint since);
    void endTyping(KeyStepRequest::TimePoint now, bool pressedEnter);
    bool isEditingShortcut(const KeyPress &press) const;

    Sink sink_;
    std::optional<FocusedField> field_;
    std::optional<KeyStepRequest::TimePoint> typingSince_;
    std::optional<int> mergedClick_;
    std::optional<QPointF> mergedClickPoint_;
    bool mergedClickOnField_ = false;
    // After Tab or a click the focus is about to move: keys typed before its
    // event arrives belong to the field that takes it.
    std::optional<KeyStepRequest::TimePoint> awaitingFocusSince_;
    std::optional<KeyStepRequest::TimePoint> typedWhileAwaiting_;
    std::optional<LastClick> lastClick_;
};

} // namespace kelvo
