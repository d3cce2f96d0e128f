// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/DesktopEntries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <glib.h>

#include <memory>

namespace kelvo::x11 {

namespace {

// Desktop files larger than this are not application entries.
constexpr qint64 desktopFileLimit = 256 * 1024;

QString normalizedId(QString id)
{
    if (id.endsWith(u".desktop"))
        id.chop(8);
    return id.toLower();
}

// A program's base name, unless it only hides the real one: "env VAR=x
// program", "flatpak run id" and shells count for nothing.
QString programName(const QString &path)
{
    const QString base = QFileInfo(path).fileName();
    if (base == u"env" || base == u"flatpak" || base == u"sh" || base == u"bash")
        return {};
    return base;
}

// The program an Exec line starts, split as a shell would (quotes and all).
QString programOfExec(const char *exec)
{
    if (!exec || !*exec)
        return {};
    int argc = 0;
    gchar **argv = nullptr;
    if (!g_shell_parse_argv(exec, &argc, &argv, nullptr))
        return {};
    const QString program = argc > 0 ? programName(QString::fromUtf8(argv[0])) : QString();
    g_strfreev(argv);
    return program;
}

QString takeString(gchar *value)
{
    QString result = value ? QString::fromUtf8(value) : QString();
    g_free(value);
    return result;
}

struct KeyFileDeleter {
    void operator()(GKeyFile *file) const { g_key_file_free(file); }
};

} // namespace

DesktopEntries::DesktopEntries(const QStringList &dataDirectories, const QString &locale)
{
    for (const QString &directory : dataDirectories) {
        const QString applications = QDir(directory).filePath(QStringLiteral("applications"));
        QDirIterator files(applications, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            // Subfolders become part of the id: kde/foo.desktop → kde-foo.
            QString id = QDir(applications).relativeFilePath(path);
            id.replace(u'/', u'-');
            id = normalizedId(id);
            if (!names.contains(id))
                readFile(path, id, locale);
        }
    }
}

DesktopEntries DesktopEntries::fromEnvironment()
{
    QStringList directories;
    const QByteArray home = qgetenv("XDG_DATA_HOME");
    directories << (home.isEmpty() ? QDir::home().filePath(QStringLiteral(".local/share")) : QString::fromLocal8Bit(home));
    const QByteArray dirs = qgetenv("XDG_DATA_DIRS");
    const QString list = dirs.isEmpty() ? QStringLiteral("/usr/local/share:/usr/share") : QString::fromLocal8Bit(dirs);
    directories << list.split(u':', Qt::SkipEmptyParts);
    return DesktopEntries(directories, QString());
}

void DesktopEntries::readFile(const QString &path, const QString &id, const QString &locale)
{
    if (QFileInfo(path).size() > desktopFileLimit)
        return;
    // GLib's key-file reader is the one GIO reads desktop entries with: the
    // escapes, groups and translations as the format has them.
    const std::unique_ptr<GKeyFile, KeyFileDeleter> file(g_key_file_new());
    if (!g_key_file_load_from_file(file.get(), QFile::encodeName(path).constData(), G_KEY_FILE_KEEP_TRANSLATIONS,
                                   nullptr))
        return;
    const char *group = G_KEY_FILE_DESKTOP_GROUP;
    if (!g_key_file_has_group(file.get(), group))
        return;
    // A hidden entry stands for a deleted one and shadows the same id further on.
    if (g_key_file_get_boolean(file.get(), group, G_KEY_FILE_DESKTOP_KEY_HIDDEN, nullptr)) {
        names.insert(id, QString());
        return;
    }
    const QByteArray language = locale.toUtf8();
    // The user's languages in order, or the one asked for, each falling back
    // from de_AT.UTF-8@euro to de.
    const QString name = takeString(g_key_file_get_locale_string(
        file.get(), group, G_KEY_FILE_DESKTOP_KEY_NAME, locale.isEmpty() ? nullptr : language.constData(), nullptr));
    const QString type = takeString(g_key_file_get_string(file.get(), group, G_KEY_FILE_DESKTOP_KEY_TYPE, nullptr));
    if (type != QLatin1String(G_KEY_FILE_DESKTOP_TYPE_APPLICATION) || name.isEmpty())
        return;
    names.insert(id, name);
    // Entries kept out of menus (NoDisplay) still name the application they are
    // asked for by id; by window class or program a shown entry wins.
    const bool shown = !g_key_file_get_boolean(file.get(), group, G_KEY_FILE_DESKTOP_KEY_NO_DISPLAY, nullptr);
    auto claim = [&](QHash<QString, QString> &ids, const QString &key) {
        if (key.isEmpty())
            return;
        const auto taken = ids.constFind(key);
        if (taken == ids.constEnd() || (shown && hiddenFromMenus.contains(*taken)))
            ids.insert(key, id);
    };
    if (!shown)
        hiddenFromMenus.insert(id);
    claim(idsByWmClass,
          takeString(g_key_file_get_string(file.get(), group, G_KEY_FILE_DESKTOP_KEY_STARTUP_WM_CLASS, nullptr)));
    gchar *exec = g_key_file_get_string(file.get(), group, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr);
    claim(idsByExecutable, programOfExec(exec));
    g_free(exec);
    claim(idsByExecutable,
          programName(takeString(g_key_file_get_string(file.get(), group, G_KEY_FILE_DESKTOP_KEY_TRY_EXEC, nullptr))));
}

std::optional<QString> DesktopEntries::nameForId(const QString &id) const
{
    const QString name = names.value(normalizedId(id));
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

std::optional<QString> DesktopEntries::nameForWindowClass(const QString &instance, const QString &className) const
{
    for (const QString &wmClass : {className, instance}) {
        if (!wmClass.isEmpty() && idsByWmClass.contains(wmClass))
            return nameForId(idsByWmClass.value(wmClass));
    }
    for (const QString &wmClass : {instance, className}) {
        if (wmClass.isEmpty())
            continue;
        if (auto name = nameForId(wmClass))
            return name;
    }
    for (const QString &wmClass : {instance, className}) {
        if (wmClass.isEmpty())
            continue;
        // The smallest matching id, so the answer does not depend on hash order.
        const QString suffix = QLatin1Char('.') + wmClass.toLower();
        const QString *best = nullptr;
        for (auto it = names.constBegin(); it != names.constEnd(); ++it) {
            if (!it.value().isEmpty() && it.key().endsWith(suffix) && (!best || it.key() < *best))
                best = &it.key();
        }
        if (best)
            return names.value(*best);
    }
    return std::nullopt;
}

std::optional<QString> DesktopEntries::nameForExecutable(const QString &program) const
{
    if (program.isEmpty())
        return std::nullopt;
    const auto found = idsByExecutable.constFind(program);
    if (found == idsByExecutable.constEnd())
        return std::nullopt;
    return nameForId(*found);
}

} // namespace kelvo::x11
