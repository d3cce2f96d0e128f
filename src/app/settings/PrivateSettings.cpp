// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/PrivateSettings.h"

#include "model/Logging.h"
#include "store/GuideStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo {

void makeSettingsPrivate(const QSettings &settings)
{
    const QString path = settings.fileName();
    if (path.isEmpty() || (settings.format() != QSettings::NativeFormat && settings.format() != QSettings::IniFormat))
        return;
    makePrivateDirectories(QFileInfo(path).path());
    const QByteArray native = QFile::encodeName(path);
    // QSettings replaces the file through a temporary one that takes over the
    // mode of the file it replaces: set the mode once, on a file of our own.
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        qCWarning(lcApp).noquote() << "Couldn't protect the settings file" << path << ":" << std::strerror(errno);
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 077) != 0 && ::fchmod(fd, 0600) != 0)
        qCWarning(lcApp).noquote() << "Couldn't protect the settings file" << path << ":" << std::strerror(errno);
    ::close(fd);
}

QString earlierSettingsFile()
{
    const QSettings earlier(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Unknown Organization"),
                            QStringLiteral("Kelvo"));
    return earlier.fileName();
}

bool adoptSettingsOfEarlierVersion(QSettings &settings, const QString &oldFile)
{
    const QFileInfo old(oldFile);
    if (!old.isFile() || old.isSymLink() || !settings.allKeys().isEmpty())
        return true;
    const QSettings earlier(oldFile, QSettings::IniFormat);
    const QStringList keys = earlier.allKeys();
    for (const QString &key : keys)
        settings.setValue(key, earlier.value(key));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        qCWarning(lcApp).noquote() << "Couldn't move the settings of" << oldFile << "to" << settings.fileName();
        return false;
    }
    QFile::remove(oldFile);
    QDir().rmdir(old.path()); // only when nothing else is in it
    return true;
}

} // namespace kelvo
