// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/PermissionProbe.h"

#include <QObject>

#include <functional>

class QSettings;

namespace kelvo {

// Whether screen recording and accessibility are currently granted. Main
// thread only; the signals fire only on real changes.
class Permissions final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool screenRecording READ screenRecording NOTIFY screenRecordingChanged)
    Q_PROPERTY(bool accessibility READ accessibility NOTIFY accessibilityChanged)
public:
    // Reads both grants at once. settings keeps "askedAccessibility".
    Permissions(PermissionProbe &probe, QSettings &settings, QObject *parent = nullptr);

    bool screenRecording() const { return screenRecording_; }
    bool accessibility() const { return accessibility_; }

    // Reads both grants again.
    void refresh();
    // Asks for accessibility and stores the answer.
    void requestAccessibility();

    // Whether Kelvo has once asked for accessibility ("askedAccessibility", absent = false).
    bool askedAccessibility() const;
    void setAskedAccessibility(bool asked);

signals:
    void screenRecordingChanged(bool granted);
    void accessibilityChanged(bool granted);

private:
    void storeScreenRecording(bool granted);
    void storeAccessibility(bool granted);

    PermissionProbe &probe_;
    QSettings &settings_;
    bool screenRecording_ = false;
    bool accessibility_ = false;
};

} // namespace kelvo
