#pragma once

#include <QObject>

#include <functional>

class QSettings;

namespace kelvo {

// Reads the two grants recording needs from the desktop.
class PermissionProbe {
public:
    virtual ~PermissionProbe() = default;
    // An X11 display with shared memory is reachable (no prompt).
    virtual bool screenRecording() = 0;
    // The accessibility bus says assistive technologies are enabled (no prompt).
    virtual bool accessibility() = 0;
    // Switches accessibility on, then answers as accessibility() does.
    virtual bool requestAccessibility() = 0;
    // From now on, calls changed (on this thread) whenever the desktop switches
    // accessibility on or off. Probes that cannot listen do nothing.
    virtual void watchAccessibility(std::function<void(bool enabled)> changed) { static_cast<void>(changed); }
};

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
