// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCheckBox;
class QSettings;
class QWidget;

namespace kelvo {

class RecordingSession;

// The settings key of "Record typing and shortcuts" (on when absent).
inline constexpr const char *recordTypingKey = "recordTyping";
bool recordTypingSetting(const QSettings &settings);

// The check box for the setting: it shows the session's choice, and a change
// goes to the session (from the next recording on) and to the settings file.
QCheckBox *makeRecordTypingCheckBox(RecordingSession &session, QSettings &settings, QWidget *parent);

} // namespace kelvo
