// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/GuideFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::guideFiles {

namespace {

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

bool isStepImageName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("\\Astep-[0-9]+\\.jpg\\z"));
    return pattern.match(name).hasMatch();
}

bool isKelvoFileName(const QString &name)
{
    return name == documentName || name == videoName || name == recordingLockName || isStepImageName(name);
}

std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes, Error *error)
{
    const auto fail = [&](const QString &why, int systemError) -> std::optional<QByteArray> {
        if (error)
            *error = Error{QCoreApplication::translate("kelvo::GuideStore", "Couldn't read “%1”%2").arg(path, why), systemError};
        return std::nullopt;
    };
    // O_NONBLOCK: opening a pipe must not wait for a writer; fstat then rejects it.
    Fd file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0)
        return fail(QString(), errno);
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        return fail(QString(), errno);
    if (!S_ISREG(info.st_mode))
        return fail(QCoreApplication::translate("kelvo::GuideStore", ": not a regular file"), 0);
    if (info.st_size > maxBytes)
        return fail(QCoreApplication::translate("kelvo::GuideStore", ": larger than %1 MB").arg(maxBytes / (1024 * 1024)), 0);
    QByteArray bytes;
    bytes.resize(qsizetype(info.st_size));
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.fd, bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(QString(), errno);
        if (got == 0)
            break; // shrank while we read: take what is there
        done += got;
    }
    bytes.truncate(done);
    return bytes;
}

bool isRegularFile(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool removeGuideFolder(const QString &folder, Error *error)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) {
        if (errno == ENOENT)
            return true;
        if (error)
            *error = Error::fromErrno(QCoreApplication::translate("kelvo::GuideStore", "Couldn't delete “%1”").arg(folder));
        return false;
    }
    if (S_ISLNK(info.st_mode)) {
        if (::unlink(native.constData()) == 0)
            return true;
        if (error)
            *error = Error::fromErrno(QCoreApplication::translate("kelvo::GuideStore", "Couldn't delete “%1”").arg(folder));
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        if (error)
            *error = Error{QCoreApplication::translate("kelvo::GuideStore", "Couldn't delete “%1”: not a folder").arg(folder), 0};
        return false;
    }
    // O_NOFOLLOW|O_DIRECTORY: the folder is the one just checked, not a link put in its place.
    Fd dir{::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
    if (dir.fd < 0) {
        if (error)
            *error = Error::fromErrno(QCoreApplication::translate("kelvo::GuideStore", "Couldn't delete “%1”").arg(folder));
        return false;
    }
    bool ok = true;
    const int listFd = ::dup(dir.fd);
    if (DIR *listing = listFd >= 0 ? ::fdopendir(listFd) : nullptr) {
        while (const dirent *entry = ::readdir(listing)) {
            const QString name = QFile::decodeName(entry->d_name);
            if (!isKelvoFileName(name))
                continue;
            // unlinkat never follows: a link under one of our names goes, its target stays.
            if (::unlinkat(dir.fd, entry->d_name, 0) != 0 && errno != ENOENT) {
                if (ok && error)
                    *error = Error::fromErrno(QCoreApplication::translate("kelvo::GuideStore", "Couldn't delete “%1/%2”").arg(folder, name));
                ok = false;
            }
        }
        ::closedir(listing);
    } else {
        if (listFd >= 0)
            ::close(listFd);
        if (error)
            *error = Error::fromErrno(QCoreApplication::translate("kelvo::GuideStore", "Couldn't delete “%1”").arg(folder));
        return false;
    }
    // Files of the user's own stay, and so does the folder that holds them.
    if (::rmdir(native.constData()) != 0 && errno != ENOTEMPTY && errno != EEXIST && errno != ENOENT) {
        if (ok && error)
            *error = Error::fromErrno(QCoreApplication::translate("kelvo::GuideStore", "Couldn't delete “%1”").arg(folder));
        ok = false;
    }
    return ok;
}

bool isHeldByRecording(const QString &folder)
{
    const QString path = folder + QLatin1Char('/') + recordingLockName;
    // A lock file is a few bytes; anything else under its name is not one of ours
    // and is not read.
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    if (!S_ISREG(info.st_mode) || info.st_size > 4096)
        return true; // not understood: treat the folder as busy and leave it alone
    qint64 pid = 0;
    QString host, application;
    QLockFile lock(path);
    if (!lock.getLockInfo(&pid, &host, &application))
        return true; // unreadable: leave the folder alone
    // Taking the lock succeeds only when its owner is gone (a stale lock).
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return true;
    lock.unlock();
    return false;
}

} // namespace kelvo::guideFiles
