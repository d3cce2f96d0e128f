// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11ApplicationNames.h"

#include "platform/x11/X11Windows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace kelvo::x11 {

namespace {

// Longest property we read (WM_CLASS, application ids, the client list), in 32-bit units.
constexpr uint32_t propertyLimit = 4096;

QByteArray readProcFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(1 << 20);
}

} // namespace

X11ApplicationNames::X11ApplicationNames(AccessibleNameSource source)
    : accessibleName(std::move(source))
    , procRoot(QStringLiteral("/proc"))
    , display_(std::make_unique<SharedDisplay>())
{
}

X11ApplicationNames::X11ApplicationNames(AccessibleNameSource source, DesktopEntries fixed, QString root_)
    : accessibleName(std::move(source))
    , procRoot(std::move(root_))
    , display_(std::make_unique<SharedDisplay>())
{
    std::call_once(entriesOnce, [&] { desktopEntries = std::make_unique<DesktopEntries>(std::move(fixed)); });
}

X11ApplicationNames::~X11ApplicationNames() = default;

const DesktopEntries &X11ApplicationNames::entries()
{
    std::call_once(entriesOnce, [this] { desktopEntries = std::make_unique<DesktopEntries>(DesktopEntries::fromEnvironment()); });
    return *desktopEntries;
}

xcb_connection_t *X11ApplicationNames::display()
{
    return display_->connection();
}

unsigned X11ApplicationNames::atom(const char *name)
{
    return display() ? display_->atoms().get(name) : unsigned(XCB_ATOM_NONE);
}

std::optional<qint64> X11ApplicationNames::pidOfWindow(unsigned window)
{
    xcb_connection_t *c = display();
    return c ? x11::pidOfWindow(c, atom("_NET_WM_PID"), window) : std::nullopt;
}

std::optional<X11ApplicationNames::WindowHints> X11ApplicationNames::hintsOf(unsigned window)
{
    xcb_connection_t *c = display();
    if (!c)
        return std::nullopt;
    const xcb_atom_t applicationIdAtom = atom("_GTK_APPLICATION_ID");
    auto text = [&](xcb_atom_t property) { return textProperty(c, window, property, propertyLimit); };
    WindowHints hints;
    hints.applicationId = QString::fromUtf8(text(applicationIdAtom));
    // WM_CLASS: instance NUL class NUL.
    const QList<QByteArray> wmClass = text(XCB_ATOM_WM_CLASS).split('\0');
    if (!wmClass.isEmpty())
        hints.instance = QString::fromLocal8Bit(wmClass.value(0));
    hints.className = QString::fromLocal8Bit(wmClass.value(1));
    return hints;
}

QList<unsigned> X11ApplicationNames::windowsOf(qint64 pid)
{
    xcb_connection_t *c = display();
    const xcb_atom_t clientList = atom("_NET_CLIENT_LIST");
    if (!c || clientList == XCB_ATOM_NONE)
        return {};
    QList<unsigned> owned;
    for (const uint32_t window : cardinals(c, display_->root(), clientList, XCB_ATOM_WINDOW, propertyLimit)) {
        if (pidOfWindow(window) == pid)
            owned.append(window);
    }
    return owned;
}

std::optional<QString> X11ApplicationNames::nameFromHints(const WindowHints &hints)
{
    if (!hints.applicationId.isEmpty()) {
        if (auto name = entries().nameForId(hints.applicationId))
            return name;
    }
    return entries().nameForWindowClass(hints.instance, hints.className);
}

std::optional<QString> X11ApplicationNames::nameOfProcess(qint64 pid, const std::optional<WindowHints> &knownHints)
{
    const QString proc = procRoot + QLatin1Char('/') + QString::number(pid);
    if (pid <= 0 || !QFileInfo::exists(proc))
        return std::nullopt;

    // Launched from a desktop entry through GIO: the launcher left its file name.
    const QList<QByteArray> environment = readProcFile(proc + QStringLiteral("/environ")).split('\0');
    QString launchedFile;
    bool launchedHere = false;
    for (const QByteArray &variable : environment) {
        if (variable.startsWith("GIO_LAUNCHED_DESKTOP_FILE="))
            launchedFile = QString::fromLocal8Bit(variable.mid(26));
        else if (variable.startsWith("GIO_LAUNCHED_DESKTOP_FILE_PID="))
            launchedHere = variable.mid(30).toLongLong() == pid;
    }
    if (launchedHere && !launchedFile.isEmpty()) {
        if (auto name = entries().nameForId(QFileInfo(launchedFile).fileName()))
            return name;
    }

    if (knownHints) {
        if (auto name = nameFromHints(*knownHints))
            return name;
    }
    for (unsigned window : windowsOf(pid)) {
        if (const std::optional<WindowHints> hints = hintsOf(window)) {
            if (auto name = nameFromHints(*hints))
                return name;
        }
    }

    const QString executable = QFileInfo(QFile::symLinkTarget(proc + QStringLiteral("/exe"))).fileName();
    const QByteArray commandLine = readProcFile(proc + QStringLiteral("/cmdline"));
    const QString argument0 = QFileInfo(QString::fromLocal8Bit(commandLine.left(commandLine.indexOf('\0')))).fileName();
    for (const QString &program : {executable, argument0}) {
        if (auto name = entries().nameForExecutable(program))
            return name;
    }

    if (accessibleName) {
        if (auto name = accessibleName(pid))
            return name;
    }

    // The kernel's name is cut at 15 bytes; the command line's is whole.
    if (!argument0.isEmpty())
        return argument0;
    const QString command = QString::fromLocal8Bit(readProcFile(proc + QStringLiteral("/comm"))).trimmed();
    if (!command.isEmpty())
        return command;
    if (!executable.isEmpty())
        return executable;
    return std::nullopt;
}

std::optional<QString> X11ApplicationNames::applicationName(qint64 pid)
{
    return nameOfProcess(pid, std::nullopt);
}

std::optional<QString> X11ApplicationNames::frontmostApplicationName()
{
    return applicationOfWindow(activeWindow());
}

unsigned X11ApplicationNames::activeWindow()
{
    xcb_connection_t *c = display();
    const xcb_atom_t activeAtom = atom("_NET_ACTIVE_WINDOW");
    if (!c || activeAtom == XCB_ATOM_NONE)
        return XCB_WINDOW_NONE;
    return cardinal(c, display_->root(), activeAtom, XCB_ATOM_WINDOW).value_or(XCB_WINDOW_NONE);
}

std::optional<QString> X11ApplicationNames::applicationOfWindow(unsigned active)
{
    if (active == XCB_WINDOW_NONE || !display())
        return std::nullopt;
    const std::optional<WindowHints> hints = hintsOf(active);
    if (const std::optional<qint64> pid = pidOfWindow(active)) {
        // Kelvo itself is never the application a step is about, and asking the
        // accessibility bus about our own process from the main thread would wait
        // on ourselves.
        if (*pid == qint64(::getpid()))
            return std::nullopt;
        if (auto name = nameOfProcess(*pid, hints))
            return name;
    }
    if (!hints)
        return std::nullopt;
    if (auto name = nameFromHints(*hints))
        return name;
    if (!hints->className.isEmpty())
        return hints->className;
    return std::nullopt;
}

} // namespace kelvo::x11
