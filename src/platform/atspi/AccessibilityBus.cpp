// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/AccessibilityBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace kelvo::atspi {

namespace {
const QString busService = QStringLiteral("org.a11y.Bus");
const QString busPath = QStringLiteral("/org/a11y/bus");
const QString statusInterface = QStringLiteral("org.a11y.Status");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString enabledProperty = QStringLiteral("IsEnabled");
} // namespace

bool AccessibilityBus::isEnabled()
{
    QDBusMessage get = QDBusMessage::createMethodCall(busService, busPath, propertiesInterface, QStringLiteral("Get"));
    get.setAutoStartService(false);
    get << statusInterface << enabledProperty;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().front().value<QDBusVariant>().variant().toBool();
}

bool AccessibilityBus::enable()
{
    QDBusMessage set = QDBusMessage::createMethodCall(busService, busPath, propertiesInterface, QStringLiteral("Set"));
    set << statusInterface << enabledProperty << QVariant::fromValue(QDBusVariant(true));
    return QDBusConnection::sessionBus().call(set, QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage;
}

QByteArray AccessibilityBus::address()
{
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(busService, busPath, busService, QStringLiteral("GetAddress")), QDBus::Block,
        timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().front().toString().toUtf8();
}

bool AccessibilityBus::watch(std::function<void(bool enabled)> changed)
{
    changed_ = std::move(changed);
    return QDBusConnection::sessionBus().connect(busService, busPath, propertiesInterface,
                                                 QStringLiteral("PropertiesChanged"), this,
                                                 SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
}

void AccessibilityBus::propertiesChanged(const QString &interface, const QVariantMap &changed,
                                         const QStringList &invalidated)
{
    if (interface != statusInterface || !changed_)
        return;
    const auto enabled = changed.constFind(enabledProperty);
    if (enabled != changed.constEnd())
        changed_(enabled->toBool());
    else if (invalidated.contains(enabledProperty))
        changed_(isEnabled());
}

} // namespace kelvo::atspi
