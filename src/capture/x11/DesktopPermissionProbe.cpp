#include "capture/x11/DesktopPermissionProbe.h"

#include "capture/x11/XcbUtil.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <xcb/shm.h>

namespace kelvo {

namespace {
const QString busService = QStringLiteral("org.a11y.Bus");
const QString busPath = QStringLiteral("/org/a11y/bus");
const QString statusInterface = QStringLiteral("org.a11y.Status");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
// The bus answers at once or not at all; the UI must not hang on it.
constexpr int busTimeoutMs = 1000;
} // namespace

bool DesktopPermissionProbe::screenRecording()
{
    auto open = x11::connectToDisplay();
    if (!open)
        return false;
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(open->connection.get(), &xcb_shm_id);
    return shm && shm->present;
}

bool DesktopPermissionProbe::accessibility()
{
    QDBusMessage get = QDBusMessage::createMethodCall(busService, busPath, propertiesInterface, QStringLiteral("Get"));
    get << statusInterface << QStringLiteral("IsEnabled");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, busTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().front().value<QDBusVariant>().variant().toBool();
}

bool DesktopPermissionProbe::requestAccessibility()
{
    QDBusMessage set = QDBusMessage::createMethodCall(busService, busPath, propertiesInterface, QStringLiteral("Set"));
    set << statusInterface << QStringLiteral("IsEnabled") << QVariant::fromValue(QDBusVariant(true));
    QDBusConnection::sessionBus().call(set, QDBus::Block, busTimeoutMs);
    return accessibility();
}

} // namespace kelvo
