#include "platform/x11/DesktopEntries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

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

// The program of an Exec line: the first word, unquoted, as a base name.
QString programOf(const QString &exec)
{
    QString word;
    bool quoted = false;
    for (const QChar c : exec.trimmed()) {
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (c.isSpace() && !quoted)
            break;
        word += c;
    }
    // "env VAR=x program" and "flatpak run id" hide the program; only plain lines count.
    const QString base = QFileInfo(word).fileName();
    if (base == u"env" || base == u"flatpak" || base == u"sh" || base == u"bash")
        return {};
    return base;
}

QString unescaped(const QString &value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            result += next == u's' ? QChar(u' ') : next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t')
                : next == u'r' ? QChar(u'\r') : next;
        } else {
            result += value[i];
        }
    }
    return result;
}

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
    return DesktopEntries(directories, QLocale::system().name());
}

void DesktopEntries::readFile(const QString &path, const QString &id, const QString &locale)
{
    QFile file(path);
    if (file.size() > desktopFileLimit || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    const QString language = locale.section(u'_', 0, 0);
    QString name, nameForLanguage, nameForLocale, type, wmClass, exec, tryExec;
    bool hidden = false;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            if (inEntry)
                break; // only the [Desktop Entry] group counts
            inEntry = line == u"[Desktop Entry]";
            continue;
        }
        if (!inEntry || line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescaped(line.mid(equals + 1).trimmed());
        if (key == u"Name")
            name = value;
        else if (!locale.isEmpty() && key == QStringLiteral("Name[%1]").arg(locale))
            nameForLocale = value;
        else if (!language.isEmpty() && key == QStringLiteral("Name[%1]").arg(language))
            nameForLanguage = value;
        else if (key == u"Type")
            type = value;
        else if (key == u"StartupWMClass")
            wmClass = value;
        else if (key == u"Exec")
            exec = value;
        else if (key == u"TryExec")
            tryExec = value;
        else if (key == u"Hidden")
            hidden = value == u"true";
    }
    // A hidden entry stands for a deleted one and shadows the same id further on.
    if (hidden) {
        names.insert(id, QString());
        return;
    }
    const QString chosen = !nameForLocale.isEmpty() ? nameForLocale : !nameForLanguage.isEmpty() ? nameForLanguage : name;
    if (type != u"Application" || chosen.isEmpty())
        return;
    names.insert(id, chosen);
    if (!wmClass.isEmpty() && !idsByWmClass.contains(wmClass))
        idsByWmClass.insert(wmClass, id);
    for (const QString &program : {programOf(exec), programOf(tryExec)}) {
        if (!program.isEmpty() && !idsByExecutable.contains(program))
            idsByExecutable.insert(program, id);
    }
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
