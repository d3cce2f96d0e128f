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

DesktopPermissionProbe::DesktopPermissionProbe() = default;
DesktopPermissionProbe::~DesktopPermissionProbe() = default;

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

void DesktopPermissionProbe::watchAccessibility(std::function<void(bool enabled)> changed)
{
    auto listener = std::make_unique<AccessibilityStatusListener>(std::move(changed));
    if (!QDBusConnection::sessionBus().connect(busService, busPath, propertiesInterface,
                                               QStringLiteral("PropertiesChanged"), listener.get(),
                                               SLOT(propertiesChanged(QString, QVariantMap, QStringList))))
        return; // no session bus: accessibility is read when asked, as before
    listener_ = std::move(listener);
}

AccessibilityStatusListener::AccessibilityStatusListener(std::function<void(bool enabled)> changed)
    : changed_(std::move(changed))
{
}

void AccessibilityStatusListener::propertiesChanged(const QString &interface, const QVariantMap &changed,
                                                    const QStringList &invalidated)
{
    if (interface != statusInterface)
        return;
    const auto enabled = changed.constFind(QStringLiteral("IsEnabled"));
    if (enabled != changed.constEnd())
        changed_(enabled->toBool());
    else if (invalidated.contains(QStringLiteral("IsEnabled")))
        changed_(DesktopPermissionProbe().accessibility());
}

} // namespace kelvo
