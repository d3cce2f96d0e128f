#include "platform/x11/DesktopPermissionProbe.h"

#include "platform/x11/XcbUtil.h"

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

namespace {

// Qt 5 and Qt 6 applications join the accessibility bus only when a screen
// reader is said to run or when the root window's AT_SPI_BUS names the bus, as a
// desktop session's bus launcher sets it. The latter changes nothing for
// applications already on the bus, so Kelvo sets it when it is missing.
void publishBusAddress()
{
    auto open = x11::connectToDisplay();
    if (!open)
        return;
    xcb_connection_t *c = open->connection.get();
    const xcb_atom_t property = x11::internAtom(c, "AT_SPI_BUS");
    if (property == XCB_ATOM_NONE)
        return;
    x11::Reply<xcb_get_property_reply_t> present(xcb_get_property_reply(
        c, xcb_get_property(c, 0, open->screen->root, property, XCB_ATOM_STRING, 0, 0), nullptr));
    if (present && present->type == XCB_ATOM_STRING)
        return;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(busService, busPath, busService, QStringLiteral("GetAddress")), QDBus::Block,
        busTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return;
    const QByteArray address = reply.arguments().front().toString().toUtf8();
    if (address.isEmpty())
        return;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, open->screen->root, property, XCB_ATOM_STRING, 8,
        uint32_t(address.size()), address.constData());
    xcb_flush(c);
    x11::Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

bool busEnabled()
{
    QDBusMessage get = QDBusMessage::createMethodCall(busService, busPath, propertiesInterface, QStringLiteral("Get"));
    get << statusInterface << QStringLiteral("IsEnabled");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, busTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().front().value<QDBusVariant>().variant().toBool();
}

} // namespace

bool DesktopPermissionProbe::accessibility()
{
    const bool enabled = busEnabled();
    if (enabled)
        publishBusAddress();
    return enabled;
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
