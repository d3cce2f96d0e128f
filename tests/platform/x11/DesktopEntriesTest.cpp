// SPDX-License-Identifier: GPL-3.0-or-later
// Desktop entries read through GLib's key-file reader: what GIO's own
// GDesktopAppInfo gets wrong for naming running applications, menus-only
// entries, and the whole locale chain.
#include "platform/x11/DesktopEntries.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

// GIO names a struct field "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

namespace kelvo::x11 {
namespace {

void plant(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class GioEntries : public ::testing::Test {
protected:
    QTemporaryDir data;
    QString entry(const QString &id) { return data.filePath(QStringLiteral("applications/%1.desktop").arg(id)); }
};

TEST_F(GioEntries, AnApplicationStartedFromOutsideThePathKeepsItsName)
{
    // An AppImage or a program in a folder Kelvo's PATH lacks: it runs, so its
    // entry names it, but GIO drops entries whose program it cannot find.
    plant(entry(QStringLiteral("org.example.Portable")),
          "[Desktop Entry]\nType=Application\nName=Portable Tool\nExec=/opt/nowhere-on-path/portable-tool %U\n");
    GDesktopAppInfo *gio = g_desktop_app_info_new_from_filename(QFile::encodeName(entry("org.example.Portable")));
    EXPECT_EQ(gio, nullptr) << "GIO now keeps such entries: DesktopEntries could read through GDesktopAppInfo";
    if (gio)
        g_object_unref(gio);

    const DesktopEntries entries({data.path()}, QStringLiteral("en_US"));
    EXPECT_EQ(entries.nameForId(QStringLiteral("org.example.Portable")), QStringLiteral("Portable Tool"));
    EXPECT_EQ(entries.nameForExecutable(QStringLiteral("portable-tool")), QStringLiteral("Portable Tool"));
}

TEST_F(GioEntries, EntriesKeptOutOfMenusNameOnlyWhatAsksForThemById)
{
    plant(entry(QStringLiteral("a-opener")), "[Desktop Entry]\nType=Application\nName=Open With Viewer\n"
                                             "NoDisplay=true\nExec=viewer --open %f\nStartupWMClass=Viewer\n");
    plant(entry(QStringLiteral("org.example.Viewer")),
          "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %F\nStartupWMClass=Viewer\n");
    plant(entry(QStringLiteral("z-helper")),
          "[Desktop Entry]\nType=Application\nName=Helper\nNoDisplay=true\nExec=helper-only\n");
    const DesktopEntries entries({data.path()}, QStringLiteral("en_US"));
    EXPECT_EQ(entries.nameForExecutable(QStringLiteral("viewer")), QStringLiteral("Viewer"));
    EXPECT_EQ(entries.nameForWindowClass(QStringLiteral("viewer"), QStringLiteral("Viewer")), QStringLiteral("Viewer"));
    EXPECT_EQ(entries.nameForId(QStringLiteral("a-opener")), QStringLiteral("Open With Viewer"));
    EXPECT_EQ(entries.nameForExecutable(QStringLiteral("helper-only")), QStringLiteral("Helper"))
        << "with no shown entry, one kept out of menus still names its program";
}

TEST_F(GioEntries, NamesFollowTheWholeLocaleChainAndTheFormatsEscapes)
{
    plant(entry(QStringLiteral("editor")),
          "[Desktop Entry]\nType=Application\nName=Editor\nName[de]=Bearbeiter\nName[de_AT]=Editor AT\n"
          "Name[sr@latin]=Urednik\nExec=editor\n");
    plant(entry(QStringLiteral("spaced")), "[Desktop Entry]\nType=Application\nName=\\sTabs\\tand\\\\slashes\n");
    auto name = [&](const char *locale, const char *id = "editor") {
        return DesktopEntries({data.path()}, QString::fromLatin1(locale)).nameForId(QString::fromLatin1(id));
    };
    EXPECT_EQ(name("de_AT.UTF-8@euro"), QStringLiteral("Editor AT"));
    EXPECT_EQ(name("de_CH.UTF-8"), QStringLiteral("Bearbeiter"));
    EXPECT_EQ(name("sr_RS@latin"), QStringLiteral("Urednik"));
    EXPECT_EQ(name("fr_FR"), QStringLiteral("Editor"));
    EXPECT_EQ(name("C", "spaced"), QStringLiteral(" Tabs\tand\\slashes"));
}

} // namespace
} // namespace kelvo::x11
