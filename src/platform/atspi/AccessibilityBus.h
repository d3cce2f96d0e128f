// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace kelvo::atspi {

// The session's accessibility bus (org.a11y.Bus at /org/a11y/bus): whether
// assistive technologies are on (IsEnabled of org.a11y.Status), switching them
// on, and hearing when that changes. The static calls work from any thread and
// never wait longer than timeoutMs.
class AccessibilityBus : public QObject {
    Q_OBJECT
public:
    // The bus answers at once or not at all; nobody must hang on it.
    static constexpr int timeoutMs = 1000;

    // Reading never starts the bus launcher: without it nothing is on.
    static bool isEnabled();
    // Sets IsEnabled; whether the bus took it.
    static bool enable();
    // The bus's own address (GetAddress), empty when it does not answer.
    static QByteArray address();

    // From now on calls changed, on this object's thread, whenever IsEnabled
    // changes (the bus's PropertiesChanged signal). False without a session bus.
    bool watch(std::function<void(bool enabled)> changed);

private slots:
    void propertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &invalidated);

private:
    std::function<void(bool enabled)> changed_;
};

} // namespace kelvo::atspi
