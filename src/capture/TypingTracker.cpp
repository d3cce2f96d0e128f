// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/TypingTracker.h"

#include <QRectF>
#include <QStringList>

namespace kelvo {

TypingTracker::TypingTracker(Sink sink) : sink_(std::move(sink)) {}

void TypingTracker::reset()
{
    field_.reset();
    typingSince_.reset();
    mergedClick_.reset();
    mergedClickPoint_.reset();
    lastClick_.reset();
    awaitingFocusSince_.reset();
    typedWhileAwaiting_.reset();
}

void TypingTracker::awaitFocus(KeyStepRequest::TimePoint since)
{
    awaitingFocusSince_ = since;
    typedWhileAwaiting_.reset();
}

void TypingTracker::focusChanged(const std::optional<FocusedField> &field, KeyStepRequest::TimePoint now)
{
    const std::optional<KeyStepRequest::TimePoint> early = std::exchange(typedWhileAwaiting_, std::nullopt);
    awaitingFocusSince_.reset();
    if (field && field_ && field->id == field_->id) {
        field_ = field; // the same field, perhaps moved or renamed
        if (early)
            typed(*early);
        return;
    }
    endTyping(now, false);
    field_ = field;
    if (field && early)
        typed(*early);
}

bool TypingTracker::isEditingShortcut(const KeyPress &press) const
{
    // Paste, cut, undo and redo change the text: they are part of the typing.
    const bool ctrl = press.modifiers == KeyPress::Ctrl || press.modifiers == (KeyPress::Ctrl | KeyPress::Shift);
    if (!ctrl)
        return false;
    static const QStringList editing{QStringLiteral("V"), QStringLiteral("X"), QStringLiteral("Z"),
                                     QStringLiteral("Y"), QStringLiteral("Backspace"), QStringLiteral("Delete")};
    return editing.contains(press.label);
}

void TypingTracker::keyPressed(const KeyPress &press)
{
    if (press.isHotKey)
        return;
    if (press.isShortcut()) {
        if (field_ && isEditingShortcut(press)) {
            typed(press.time);
            return;
        }
        // Keys still waiting for a focus change went to the field that has it.
        if (const auto early = std::exchange(typedWhileAwaiting_, std::nullopt); early && field_)
            typed(*early);
        awaitingFocusSince_.reset();
        endTyping(press.time, false);
        lastClick_.reset();
        KeyStepRequest request;
        request.kind = KeyStepRequest::Kind::Shortcut;
        request.time = press.time;
        request.ended = press.time;
        request.field = field_;
        request.keys = shortcutText(press.modifiers, press.label);
        if (sink_)
            sink_(request);
        return;
    }
    switch (press.kind) {
    case KeyPress::Kind::Text:
        if (awaitingFocusSince_ && press.time - *awaitingFocusSince_ <= focusFollowsClick) {
            if (!typedWhileAwaiting_)
                typedWhileAwaiting_ = press.time;
            break;
        }
        if (awaitingFocusSince_) {
            // No focus change came: the keys went to the field that kept it.
            awaitingFocusSince_.reset();
            if (field_)
                typed(std::exchange(typedWhileAwaiting_, std::nullopt).value_or(press.time));
            typedWhileAwaiting_.reset();
        }
        if (field_)
            typed(press.time);
        break;
    case KeyPress::Kind::Enter:
        if (field_ && field_->isMultiLine && isTyping())
            typed(press.time);
        else
            endTyping(press.time, true);
        break;
    case KeyPress::Kind::Tab:
        endTyping(press.time, false);
        awaitFocus(press.time);
        break;
    case KeyPress::Kind::Navigation:
    case KeyPress::Kind::Other:
        break;
    }
}

void TypingTracker::typed(KeyStepRequest::TimePoint time)
{
    if (typingSince_)
        return;
    typingSince_ = time;
    if (lastClick_ && field_ && time >= lastClick_->time && time - lastClick_->time <= mergeWindow) {
        mergedClick_ = lastClick_->number;
        mergedClickPoint_ = lastClick_->point;
        // A button that passes the focus to the field is no click on it: only
        // the click's place, or else its element, says so.
        mergedClickOnField_ = QRectF(field_->bounds).contains(lastClick_->point);
    }
    lastClick_.reset();
}

void TypingTracker::clicked(QPointF point, KeyStepRequest::TimePoint time, std::optional<int> stepNumber)
{
    // A click inside the field being typed into only moves the caret.
    if (isTyping() && !(field_ && QRectF(field_->bounds).contains(point)))
        endTyping(time, false);
    if (!(field_ && QRectF(field_->bounds).contains(point)))
        awaitFocus(time);
    if (!stepNumber)
        return;
    lastClick_ = LastClick{point, time, *stepNumber};
}

void TypingTracker::finish(KeyStepRequest::TimePoint now)
{
    if (const auto early = std::exchange(typedWhileAwaiting_, std::nullopt); early && field_)
        typed(*early);
    awaitingFocusSince_.reset();
    endTyping(now, false);
}

void TypingTracker::endTyping(KeyStepRequest::TimePoint now, bool pressedEnter)
{
    if (!typingSince_ || !field_)
        return;
    KeyStepRequest request;
    request.kind = KeyStepRequest::Kind::Typing;
    request.time = *typingSince_;
    request.ended = now;
    request.field = field_;
    request.pressedEnter = pressedEnter;
    request.mergedClick = mergedClick_;
    request.mergedClickPoint = mergedClickPoint_;
    request.mergedClickOnField = mergedClickOnField_;
    typingSince_.reset();
    mergedClick_.reset();
    mergedClickPoint_.reset();
    lastClick_.reset();
    if (sink_)
        sink_(request);
}

} // namespace kelvo
