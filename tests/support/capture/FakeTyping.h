// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/FieldWatcher.h"
#include "capture/KeyMonitor.h"

#include <QHash>
#include <QMutex>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace kelvo::test {

// Keys pressed by the test.
class FakeKeyMonitor final : public KeyMonitor {
public:
    struct Log {
        int starts = 0;
        int stops = 0;
        bool running = false;
    };
    std::shared_ptr<Log> log = std::make_shared<Log>();

    void start() override
    {
        ++log->starts;
        log->running = true;
    }
    void stop() override
    {
        if (log->running)
            ++log->stops;
        log->running = false;
    }
    // Delivered only while started, as a real monitor would.
    void press(const KeyPress &key)
    {
        if (log->running)
            report(key);
    }
};

// Focus moved by the test; texts it hands out. Asking for a password field's
// text fails the test.
class FakeFieldWatcher final : public FieldWatcher {
public:
    struct State {
        QMutex lock;
        QHash<quint64, QString> texts;
        QHash<quint64, bool> passwords;
        std::atomic<int> reads{0};
        bool running = false;
    };
    std::shared_ptr<State> state = std::make_shared<State>();

    void start() override { state->running = true; }
    void stop() override { state->running = false; }

    void focus(const std::optional<FocusedField> &field)
    {
        if (field) {
            QMutexLocker lock(&state->lock);
            state->passwords[field->id] = field->isPassword;
        }
        if (state->running)
            report(field);
    }

    std::optional<QString> readText(quint64 fieldId) override
    {
        ++state->reads;
        QMutexLocker lock(&state->lock);
        if (state->passwords.value(fieldId)) {
            ADD_FAILURE() << "the text of password field " << fieldId << " was asked for";
            return std::nullopt;
        }
        if (!state->texts.contains(fieldId))
            return std::nullopt;
        return state->texts.value(fieldId);
    }

    void setText(quint64 fieldId, const QString &text)
    {
        QMutexLocker lock(&state->lock);
        state->texts[fieldId] = text;
    }
};

} // namespace kelvo::test
