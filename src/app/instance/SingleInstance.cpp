// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/instance/SingleInstance.h"

#include "model/Logging.h"
#include "store/GuideStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::singleInstance {

namespace {

// Held for the life of the process by the instance that listens.
std::unique_ptr<QLockFile> &heldLock()
{
    static std::unique_ptr<QLockFile> lock;
    return lock;
}

bool isPrivateFolder(const QString &path, QString *errorText)
{
    struct stat info {};
    const auto refuse = [&](const QString &why) {
        if (errorText)
            *errorText = QStringLiteral("The folder “%1” can't hold Kelvo's socket: %2").arg(path, why);
        return false;
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(info.st_mode))
        return refuse(QStringLiteral("it is not a folder."));
    if (info.st_uid != ::geteuid())
        return refuse(QStringLiteral("it belongs to another user."));
    if ((info.st_mode & 077) != 0)
        return refuse(QStringLiteral("other users can open it."));
    return true;
}

// One name per data directory, so two data directories may each run one Kelvo.
QString baseName()
{
    const QByteArray root = QFileInfo(GuideStore::defaultRootPath()).absoluteFilePath().toUtf8();
    return QStringLiteral("kelvo-")
        + QString::fromLatin1(QCryptographicHash::hash(root, QCryptographicHash::Sha1).toHex().left(12));
}

QString lockPath(const QString &folder)
{
    return folder + QLatin1Char('/') + baseName() + QStringLiteral(".lock");
}

} // namespace

QString privateRuntimeFolder(QString *errorText)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime, nullptr))
        return runtime;
    const QString fallback = QDir::tempPath() + QStringLiteral("/kelvo-%1").arg(::geteuid());
    QString made;
    if (!makePrivateDirectories(fallback, &made)) {
        if (errorText)
            *errorText = made;
        return {};
    }
    return isPrivateFolder(fallback, errorText) ? fallback : QString();
}

QString socketPath()
{
    const QString folder = privateRuntimeFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + baseName() + QStringLiteral(".socket");
}

bool handOverToRunningInstance(const QByteArray &request)
{
    QString error;
    const QString folder = privateRuntimeFolder(&error);
    if (folder.isEmpty()) {
        // Nowhere safe to meet other instances: run on our own.
        qCWarning(lcApp).noquote() << error;
        return false;
    }
    auto lock = std::make_unique<QLockFile>(lockPath(folder));
    lock->setStaleLockTime(0); // stale only once its owner is gone
    if (lock->tryLock(0)) {
        heldLock() = std::move(lock);
        return false;
    }
    // A live instance holds the lock; it may still be starting: give it a few
    // seconds to listen.
    const QString path = socketPath();
    for (int attempt = 0; attempt < 20; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (socket.waitForConnected(250)) {
            socket.write(request + '\n');
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return true;
        }
        if (socket.error() != QLocalSocket::ServerNotFoundError && socket.error() != QLocalSocket::ConnectionRefusedError)
            break;
        ::usleep(250 * 1000);
    }
    qCWarning(lcApp) << "Kelvo is already running but does not answer.";
    return true;
}

QLocalServer *listen(QObject *parent, std::function<void(const QByteArray &request)> onRequest)
{
    // The lock of this data directory (a test may switch directories in one process).
    const auto holdsLock = [] {
        const QString folder = privateRuntimeFolder();
        return !folder.isEmpty() && heldLock() && heldLock()->fileName() == lockPath(folder);
    };
    if (!holdsLock() && handOverToRunningInstance())
        return nullptr;
    if (!holdsLock())
        return nullptr;
    const QString path = socketPath();
    // Holding the lock, any socket at our path is a dead instance's.
    QLocalServer::removeServer(path);
    auto *server = new QLocalServer(parent);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        qCWarning(lcApp).noquote() << "Couldn't listen at" << path << ":" << server->errorString();
        delete server;
        return nullptr;
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server, onRequest = std::move(onRequest)] {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // One line per start names what it asks for.
            const auto readRequests = [socket, onRequest] {
                while (socket->canReadLine())
                    onRequest(socket->readLine().trimmed());
            };
            QObject::connect(socket, &QLocalSocket::readyRead, socket, readRequests);
            readRequests();
        }
    });
    return server;
}

} // namespace kelvo::singleInstance
