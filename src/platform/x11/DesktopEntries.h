// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace kelvo::x11 {

// The Name of installed applications' desktop entries, found by the hints an
// application leaves: its desktop file id, its WM_CLASS, its executable.
class DesktopEntries {
public:
    // Reads every *.desktop file under each directory's "applications" folder;
    // earlier directories win, as in the XDG data-dir order. Names in locale
    // ("de_AT"), or with an empty one in the user's languages ($LANGUAGE, $LANG…).
    //
    // GIO's GDesktopAppInfo would read the same files, but it skips an entry
    // whose Exec or TryExec program is not on Kelvo's own PATH (an application
    // started from elsewhere still runs), reads only the data directories and
    // languages of the environment it first saw, and finds no entry by window
    // class or program; GLib's key-file reader parses the entries here.
    explicit DesktopEntries(const QStringList &dataDirectories, const QString &locale);
    // $XDG_DATA_HOME then $XDG_DATA_DIRS, and the user's languages.
    static DesktopEntries fromEnvironment();

    // By desktop file id ("org.gnome.Nautilus" or "org.gnome.Nautilus.desktop").
    std::optional<QString> nameForId(const QString &id) const;
    // By WM_CLASS: StartupWMClass first, then a file id equal to the class or instance
    // (case-insensitive), then a reverse-DNS id ending in it.
    std::optional<QString> nameForWindowClass(const QString &instance, const QString &className) const;
    // By the program a desktop entry's Exec or TryExec starts.
    std::optional<QString> nameForExecutable(const QString &program) const;

    qsizetype size() const { return names.size(); }

private:
    void readFile(const QString &path, const QString &id, const QString &locale);

    QHash<QString, QString> names;            // id (lower case, no ".desktop") → Name
    QHash<QString, QString> idsByWmClass;     // StartupWMClass → id
    QHash<QString, QString> idsByExecutable;  // program base name → id
    QSet<QString> hiddenFromMenus;            // ids of NoDisplay entries
};

} // namespace kelvo::x11
