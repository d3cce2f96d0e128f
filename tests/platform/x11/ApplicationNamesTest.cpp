// SPDX-License-Identifier: GPL-3.0-or-later
// Desktop entries and the name chain of an application, over a planted
// applications folder and a planted /proc.
#include "platform/x11/X11ApplicationNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo::x11 {
namespace {

void plant(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class Entries : public ::testing::Test {
protected:
    QTemporaryDir user;
    QTemporaryDir system;

    void SetUp() override
    {
        plant(system.filePath("applications/org.example.Editor.desktop"),
            "[Desktop Entry]\nType=Application\nName=Editor\nName[de]=Bearbeiter\nName[de_AT]=Editor AT\n"
            "Exec=/usr/bin/example-editor %F\n");
        plant(system.filePath("applications/viewer.desktop"),
            "# comment\n[Desktop Entry]\nType=Application\nName=Image\\sViewer\nStartupWMClass=Eog\n"
            "Exec=\"/opt/viewer dir/viewer\" --new\n[Desktop Action New]\nName=New Window\n");
        plant(system.filePath("applications/kde/konsole.desktop"),
            "[Desktop Entry]\nType=Application\nName=Konsole\nExec=konsole\n");
        plant(system.filePath("applications/shadowed.desktop"),
            "[Desktop Entry]\nType=Application\nName=System Copy\nExec=shadowed\n");
        plant(user.filePath("applications/shadowed.desktop"),
            "[Desktop Entry]\nType=Application\nName=User Copy\nExec=shadowed\n");
        plant(system.filePath("applications/deleted.desktop"),
            "[Desktop Entry]\nType=Application\nName=Deleted\nExec=deleted\n");
        plant(user.filePath("applications/deleted.desktop"), "[Desktop Entry]\nHidden=true\n");
        plant(system.filePath("applications/link.desktop"), "[Desktop Entry]\nType=Link\nName=A Link\nURL=x\n");
        plant(system.filePath("applications/garbage.desktop"), QByteArray("\xff\xfe\0\0=\n[[[\n", 10));
        plant(system.filePath("applications/wrapped.desktop"),
            "[Desktop Entry]\nType=Application\nName=Wrapped\nExec=env FOO=1 wrapped\n");
        plant(system.filePath("applications/noname.desktop"), "[Desktop Entry]\nType=Application\nExec=noname\n");
        plant(system.filePath("applications/other-group-first.desktop"),
            "[Desktop Action X]\nName=Wrong\n[Desktop Entry]\nType=Application\nName=Right\n");
    }

    DesktopEntries entries(const QString &locale = QStringLiteral("en_US"))
    {
        return DesktopEntries({user.path(), system.path()}, locale);
    }
};

TEST_F(Entries, FindsNamesById)
{
    const DesktopEntries found = entries();
    EXPECT_EQ(found.nameForId(QStringLiteral("org.example.Editor")), QStringLiteral("Editor"));
    EXPECT_EQ(found.nameForId(QStringLiteral("org.example.editor.desktop")), QStringLiteral("Editor"));
    EXPECT_EQ(found.nameForId(QStringLiteral("kde-konsole")), QStringLiteral("Konsole"));
    EXPECT_EQ(found.nameForId(QStringLiteral("viewer")), QStringLiteral("Image Viewer"));
    EXPECT_EQ(found.nameForId(QStringLiteral("other-group-first")), QStringLiteral("Right"));
    EXPECT_EQ(found.nameForId(QStringLiteral("missing")), std::nullopt);
}

TEST_F(Entries, EarlierDirectoriesWinAndHiddenMeansDeleted)
{
    const DesktopEntries found = entries();
    EXPECT_EQ(found.nameForId(QStringLiteral("shadowed")), QStringLiteral("User Copy"));
    EXPECT_EQ(found.nameForExecutable(QStringLiteral("shadowed")), QStringLiteral("User Copy"));
    EXPECT_EQ(found.nameForId(QStringLiteral("deleted")), std::nullopt);
    EXPECT_EQ(found.nameForExecutable(QStringLiteral("deleted")), std::nullopt);
}

TEST_F(Entries, SkipsWhatIsNoApplication)
{
    const DesktopEntries found = entries();
    EXPECT_EQ(found.nameForId(QStringLiteral("link")), std::nullopt);
    EXPECT_EQ(found.nameForId(QStringLiteral("garbage")), std::nullopt);
    EXPECT_EQ(found.nameForId(QStringLiteral("noname")), std::nullopt);
    EXPECT_EQ(found.nameForExecutable(QStringLiteral("env")), std::nullopt);
    EXPECT_EQ(found.nameForExecutable(QStringLiteral("wrapped")), std::nullopt);
}

TEST_F(Entries, PrefersTheUsersLanguage)
{
    EXPECT_EQ(entries(QStringLiteral("de_DE")).nameForId(QStringLiteral("org.example.Editor")), QStringLiteral("Bearbeiter"));
    EXPECT_EQ(entries(QStringLiteral("de_AT")).nameForId(QStringLiteral("org.example.Editor")), QStringLiteral("Editor AT"));
    EXPECT_EQ(entries(QStringLiteral("C")).nameForId(QStringLiteral("org.example.Editor")), QStringLiteral("Editor"));
}

TEST_F(Entries, FindsNamesByWindowClassAndExecutable)
{
    const DesktopEntries found = entries();
    EXPECT_EQ(found.nameForWindowClass(QStringLiteral("eog"), QStringLiteral("Eog")), QStringLiteral("Image Viewer"));
    EXPECT_EQ(found.nameForWindowClass(QStringLiteral("viewer"), QStringLiteral("Viewer")), QStringLiteral("Image Viewer"));
    EXPECT_EQ(found.nameForWindowClass(QStringLiteral("editor"), QStringLiteral("Editor")), QStringLiteral("Editor"))
        << "a reverse-DNS id ending in the class";
    EXPECT_EQ(found.nameForWindowClass(QString(), QString()), std::nullopt);
    EXPECT_EQ(found.nameForExecutable(QStringLiteral("example-editor")), QStringLiteral("Editor"));
    EXPECT_EQ(found.nameForExecutable(QStringLiteral("viewer")), QStringLiteral("Image Viewer"));
    EXPECT_EQ(found.nameForExecutable(QString()), std::nullopt);
}

class NameChain : public Entries {
protected:
    QTemporaryDir proc;
    int accessibleAsks = 0;

    X11ApplicationNames names(std::optional<QString> accessible)
    {
        return X11ApplicationNames(
            [this, accessible](qint64) {
                ++accessibleAsks;
                return accessible;
            },
            entries(), proc.path());
    }
    // Process ids far above any real one, so no real window claims them.
    void process(qint64 pid, const QByteArray &cmdline, const QByteArray &comm, const QByteArray &environ = {})
    {
        const QString dir = proc.filePath(QString::number(pid));
        plant(dir + "/cmdline", cmdline);
        plant(dir + "/comm", comm);
        plant(dir + "/environ", environ);
    }
};

TEST_F(NameChain, DesktopEntryThenAccessibleNameThenProcessName)
{
    process(90000001, QByteArray("/usr/bin/example-editor\0file.txt\0", 33), "example-edito\n");
    process(90000002, QByteArray("/opt/tools/a-very-long-tool-name\0", 33), "a-very-long-too\n");
    process(90000003, QByteArray(), "kworker\n");
    process(90000004, QByteArray("ignored\0", 8), "ignored\n",
        QByteArray("A=1\0GIO_LAUNCHED_DESKTOP_FILE=/usr/share/applications/viewer.desktop\0"
                   "GIO_LAUNCHED_DESKTOP_FILE_PID=90000004\0", 108));
    process(90000005, QByteArray("tool\0", 5), "tool\n",
        QByteArray("GIO_LAUNCHED_DESKTOP_FILE=/x/viewer.desktop\0GIO_LAUNCHED_DESKTOP_FILE_PID=1\0", 76));

    X11ApplicationNames withoutAccessible = names(std::nullopt);
    EXPECT_EQ(withoutAccessible.applicationName(90000001), QStringLiteral("Editor"));
    EXPECT_EQ(withoutAccessible.applicationName(90000002), QStringLiteral("a-very-long-tool-name"));
    EXPECT_EQ(withoutAccessible.applicationName(90000003), QStringLiteral("kworker"));
    EXPECT_EQ(withoutAccessible.applicationName(90000004), QStringLiteral("Image Viewer"));
    EXPECT_EQ(withoutAccessible.applicationName(90000005), QStringLiteral("tool"))
        << "a launch record inherited from a parent process does not count";

    EXPECT_EQ(accessibleAsks, 3) << "asked only for the processes without an entry";
    accessibleAsks = 0;
    X11ApplicationNames withAccessible = names(QStringLiteral("From AT-SPI"));
    EXPECT_EQ(withAccessible.applicationName(90000001), QStringLiteral("Editor"));
    EXPECT_EQ(accessibleAsks, 0) << "the desktop entry answered first";
    EXPECT_EQ(withAccessible.applicationName(90000002), QStringLiteral("From AT-SPI"));
    EXPECT_EQ(accessibleAsks, 1);
}

TEST_F(NameChain, UnknownProcessHasNoName)
{
    X11ApplicationNames chain = names(QStringLiteral("From AT-SPI"));
    EXPECT_EQ(chain.applicationName(90000099), std::nullopt);
    EXPECT_EQ(chain.applicationName(0), std::nullopt);
    EXPECT_EQ(chain.applicationName(-5), std::nullopt);
    EXPECT_EQ(accessibleAsks, 0);
}

} // namespace
} // namespace kelvo::x11
