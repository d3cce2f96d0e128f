// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/Permissions.h"

#include "store/Settings.h"

#include <QPointer>
#include <QSettings>

namespace kelvo {

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
    return settings::askedAccessibility.read(settings_);
}

void Permissions::setAskedAccessibility(bool asked)
{
    settings::askedAccessibility.write(settings_, asked);
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
