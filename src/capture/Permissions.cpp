#include "capture/Permissions.h"

#include <QPointer>
#include <QSettings>

namespace kelvo {

namespace {
const QString askedKey = QStringLiteral("askedAccessibility");
}

Permissions::Permissions(PermissionProbe &probe, QSettings &settings, QObject *parent)
    : QObject(parent), probe_(probe), settings_(settings), screenRecording_(probe.screenRecording()),
      accessibility_(probe.accessibility())
{
    // Told by the desktop, not found out by asking it again and again.
    QPointer<Permissions> self(this);
    probe_.watchAccessibility([self](bool enabled) {
        if (self)
            self->storeAccessibility(enabled);
    });
}

void Permissions::refresh()
{
    storeScreenRecording(probe_.screenRecording());
    storeAccessibility(probe_.accessibility());
}

void Permissions::requestAccessibility()
{
    storeAccessibility(probe_.requestAccessibility());
}

bool Permissions::askedAccessibility() const
{
    return settings_.value(askedKey, false).toBool();
}

void Permissions::setAskedAccessibility(bool asked)
{
    settings_.setValue(askedKey, asked);
    settings_.sync();
}

void Permissions::storeScreenRecording(bool granted)
{
    if (granted == screenRecording_)
        return;
    screenRecording_ = granted;
    emit screenRecordingChanged(granted);
}

void Permissions::storeAccessibility(bool granted)
{
    if (granted == accessibility_)
        return;
    accessibility_ = granted;
    emit accessibilityChanged(granted);
}

} // namespace kelvo
