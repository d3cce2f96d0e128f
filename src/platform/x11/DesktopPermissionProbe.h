#pragma once

#include "capture/Permissions.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <memory>

namespace kelvo {

// Screen recording: an X11 display with MIT-SHM answers (a Wayland session
// without X11 access does not). Accessibility: IsEnabled of org.a11y.Status on
// the session bus's org.a11y.Bus /org/a11y/bus, whose changes the bus announces;
// while it is on, the root window's AT_SPI_BUS names the bus, so that Qt
// applications started later join.
class DesktopPermissionProbe final : public PermissionProbe {
public:
    DesktopPermissionProbe();
    ~DesktopPermissionProbe() override;

    bool screenRecording() override;
    bool accessibility() override;
    bool requestAccessibility() override;
    void watchAccessibility(std::function<void(bool enabled)> changed) override;

private:
    std::unique_ptr<class AccessibilityStatusListener> listener_;
};

// Receives the accessibility bus's PropertiesChanged signal (D-Bus signals need a slot).
class AccessibilityStatusListener : public QObject {
    Q_OBJECT
public:
    explicit AccessibilityStatusListener(std::function<void(bool enabled)> changed);

public slots:
    void propertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &invalidated);

private:
    std::function<void(bool enabled)> changed_;
};

} // namespace kelvo
