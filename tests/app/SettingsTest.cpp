// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/PrivateSettings.h"
#include "app/settings/SettingsDialog.h"
#include "app/updates/UpdateQuestion.h"
#include "app/updates/UpdateAlert.h"
#include "app/updates/Updater.h"
#include "ui/Widgets.h"
#include "support/ManualScheduler.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kelvo {
namespace {

TEST(VersionText, ShortVersionAndBuildWithDashesForMissingParts)
{
    const QString dash(QChar(0x2013));
    EXPECT_EQ(versionText(QStringLiteral("2.0"), QStringLiteral("17")), "2.0 (17)");
    EXPECT_EQ(versionText(QStringLiteral("1.2"), QStringLiteral("45")), "1.2 (45)");
    EXPECT_EQ(versionText(std::nullopt, std::nullopt), QString::fromUtf8("– (–)"));
    EXPECT_EQ(versionText(QStringLiteral("2.0"), std::nullopt), QString::fromUtf8("2.0 (–)"));
    EXPECT_EQ(versionText(QString(), QStringLiteral(" ")), QString::fromUtf8("– (–)"));
    EXPECT_EQ(applicationVersionText(),
              versionText(QStringLiteral(KELVO_VERSION_TEXT), QStringLiteral(KELVO_BUILD_NUMBER)));
}

struct HomeCase {
    const char *name;
    const char *path;
    const char *expected;
};

class AbbreviateHomeTest : public ::testing::TestWithParam<HomeCase> {};

TEST_P(AbbreviateHomeTest, ShortensOnlyPathsInsideHome)
{
    EXPECT_EQ(abbreviateHome(QString::fromUtf8(GetParam().path), QStringLiteral("/home/ada")),
              QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AbbreviateHomeTest,
    ::testing::Values(HomeCase{"inside", "/home/ada/.local/share/Kelvo/Guides", "~/.local/share/Kelvo/Guides"},
                      HomeCase{"homeItself", "/home/ada", "~"}, HomeCase{"trailingSlash", "/home/ada/", "~"},
                      HomeCase{"siblingWithSamePrefix", "/home/adam/Guides", "/home/adam/Guides"},
                      HomeCase{"outside", "/srv/kelvo data", "/srv/kelvo data"},
                      HomeCase{"dotDotLeavesHome", "/home/ada/../bob/x", "/home/bob/x"},
                      HomeCase{"unicode", "/home/ada/Führer ✓", "~/Führer ✓"}),
    [](const auto &testInfo) { return std::string(testInfo.param.name); });

TEST(AbbreviateHome, RootHomeIsNotAbbreviated)
{
    EXPECT_EQ(abbreviateHome(QStringLiteral("/data"), QStringLiteral("/")), "/data");
}

class SettingsDialogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    test::ManualScheduler scheduler;
    std::unique_ptr<Updater> updater;

    void SetUp() override
    {
        Updater::Options options;
        options.feedUrl = QUrl(QStringLiteral("http://127.0.0.1:9/appcast.xml"));
        updater = std::make_unique<Updater>(scheduler, settings, options);
    }
};

TEST_F(SettingsDialogTest, LayoutAndTexts)
{
    SettingsDialog dialog(QStringLiteral("/srv/guides"), *updater, {});
    // One page: no tab bar; as tall as the content, never taller than before.
    EXPECT_EQ(dialog.findChild<QTabWidget *>(), nullptr);
    EXPECT_EQ(dialog.width(), 500);
    EXPECT_LE(dialog.height(), 660);
    auto *scroll = dialog.findChild<QScrollArea *>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_GE(dialog.height(), std::min(660, scroll->widget()->sizeHint().height()));
    // Offscreen there is no tray: no row that points at one.
    QStringList labels;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        labels << label->text();
    EXPECT_EQ(labels.contains(QStringLiteral("System tray")), QSystemTrayIcon::isSystemTrayAvailable());
    EXPECT_EQ(dialog.locationText(), "/srv/guides");
    EXPECT_EQ(dialog.versionLabelText(), applicationVersionText());
    QStringList buttons;
    for (const NeuButton *button : dialog.findChildren<NeuButton *>())
        buttons << button->text();
    EXPECT_EQ(buttons, (QStringList{"Show in Files", "Check Now"}));
}

TEST(UpdateErrorDetailTest, TheHeadingIsNotSaidTwice)
{
    EXPECT_EQ(updateErrorDetail(QStringLiteral("Couldn't check for updates: Host not found")),
              QStringLiteral("Host not found"));
    EXPECT_EQ(updateErrorDetail(QStringLiteral("Couldn't check for updates: the server answered 500.")),
              QStringLiteral("The server answered 500."));
    EXPECT_EQ(updateErrorDetail(QStringLiteral("The feed is not valid.")), QStringLiteral("The feed is not valid."));
}

TEST_F(SettingsDialogTest, ToggleStartsFromTheUpdaterAndWritesEachChangeOnce)
{
    updater->setAutomaticallyChecksForUpdates(false);
    SettingsDialog dialog(QStringLiteral("/srv/guides"), *updater, {});
    QSignalSpy writes(updater.get(), &Updater::automaticallyChecksForUpdatesChanged);
    EXPECT_FALSE(dialog.automaticCheckBox()->isChecked());
    EXPECT_EQ(writes.count(), 0);
    dialog.automaticCheckBox()->setChecked(true);
    dialog.automaticCheckBox()->setChecked(false);
    dialog.automaticCheckBox()->setChecked(true);
    ASSERT_EQ(writes.count(), 3);
    EXPECT_EQ(writes[0][0].toBool(), true);
    EXPECT_EQ(writes[1][0].toBool(), false);
    EXPECT_EQ(writes[2][0].toBool(), true);
    EXPECT_TRUE(updater->automaticallyChecksForUpdates());
    EXPECT_TRUE(settings.value(QStringLiteral("updates/automaticallyChecksForUpdates")).toBool());
}

TEST_F(SettingsDialogTest, ButtonsRevealTheDataDirectoryAndCheckNow)
{
    QStringList revealed;
    SettingsDialog dialog(QStringLiteral("/nonexistent/guides"), *updater,
                          [&](const QString &path) { revealed << path; });
    for (NeuButton *button : dialog.findChildren<NeuButton *>())
        button->click(); // "Show in Files", then "Check Now"
    EXPECT_EQ(revealed, QStringList{"/nonexistent/guides"});
    EXPECT_TRUE(updater->isChecking());
}

TEST_F(SettingsDialogTest, ABuildWithoutAFeedSaysNothingOfUpdates)
{
    Updater::Options options;
    options.feedUrl = QUrl();
    Updater noFeed(scheduler, settings, options);
    SettingsDialog dialog(QStringLiteral("/srv/guides"), noFeed, {});
    EXPECT_EQ(dialog.automaticCheckBox(), nullptr);
    QStringList buttons;
    for (const NeuButton *button : dialog.findChildren<NeuButton *>())
        buttons << button->text();
    EXPECT_EQ(buttons, QStringList{"Show in Files"});
    EXPECT_FALSE(UpdateQuestion::isWanted(noFeed));
}

TEST_F(SettingsDialogTest, TheWelcomeQuestionIsAskedOnceAndItsAnswerKept)
{
    const QByteArray saved = qgetenv("KELVO_NO_UPDATES");
    qunsetenv("KELVO_NO_UPDATES");
    EXPECT_TRUE(UpdateQuestion::isWanted(*updater));
    UpdateQuestion question(*updater);
    question.show();
    question.allowButton()->click();
    EXPECT_FALSE(question.isVisible());
    EXPECT_TRUE(updater->automaticallyChecksForUpdates());
    EXPECT_FALSE(UpdateQuestion::isWanted(*updater)) << "asked once";
    qputenv("KELVO_NO_UPDATES", saved);
    EXPECT_FALSE(UpdateQuestion::isWanted(*updater));
}

TEST(PrivateSettings, TheSettingsFileIsTheOwnersAloneAndStaysSo)
{
    QTemporaryDir dir;
    const auto modeOf = [](const QString &path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 0777) : 0u;
    };
    // A new file, and one an older Kelvo left readable by everyone.
    const QString fresh = dir.filePath(QStringLiteral("new/kelvo.conf"));
    const QString older = dir.filePath(QStringLiteral("older.conf"));
    QFile file(older);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[updates]\nautomaticallyChecksForUpdates=false\n");
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    for (const QString &path : {fresh, older}) {
        QSettings settings(path, QSettings::IniFormat);
        makeSettingsPrivate(settings);
        settings.setValue(QStringLiteral("askedAccessibility"), true);
        settings.sync();
        ASSERT_EQ(settings.status(), QSettings::NoError);
        EXPECT_EQ(modeOf(path), 0600u) << path.toStdString() << " after a write";
    }
    EXPECT_EQ(QSettings(older, QSettings::IniFormat).value(QStringLiteral("updates/automaticallyChecksForUpdates")).toString(),
              QStringLiteral("false"))
        << "what was there stays";
}

} // namespace
} // namespace kelvo

TEST(PrivateSettings, SettingsOfAnEarlierVersionMoveOnceAndNeverOverwrite)
{
    QTemporaryDir dir;
    const QString oldFolder = dir.filePath(QStringLiteral("Unknown Organization"));
    ASSERT_TRUE(QDir().mkpath(oldFolder));
    const QString oldFile = oldFolder + QStringLiteral("/Kelvo.conf");
    {
        QSettings earlier(oldFile, QSettings::IniFormat);
        earlier.setValue(QStringLiteral("askedAccessibility"), true);
        earlier.setValue(QStringLiteral("updates/automaticallyChecksForUpdates"), false);
    }
    QSettings settings(dir.filePath(QStringLiteral("Kelvo/Kelvo.conf")), QSettings::IniFormat);
    kelvo::makeSettingsPrivate(settings);
    ASSERT_TRUE(kelvo::adoptSettingsOfEarlierVersion(settings, oldFile));
    EXPECT_TRUE(settings.value(QStringLiteral("askedAccessibility")).toBool());
    EXPECT_FALSE(settings.value(QStringLiteral("updates/automaticallyChecksForUpdates"), true).toBool());
    EXPECT_FALSE(QFile::exists(oldFile)) << "moved, not copied";
    EXPECT_FALSE(QDir(oldFolder).exists()) << "the emptied folder goes too";

    // A later start with settings of its own keeps them, even if an old file reappears.
    ASSERT_TRUE(QDir().mkpath(oldFolder));
    {
        QSettings earlier(oldFile, QSettings::IniFormat);
        earlier.setValue(QStringLiteral("askedAccessibility"), false);
    }
    ASSERT_TRUE(kelvo::adoptSettingsOfEarlierVersion(settings, oldFile));
    EXPECT_TRUE(settings.value(QStringLiteral("askedAccessibility")).toBool());
    EXPECT_TRUE(QFile::exists(oldFile)) << "left alone when not taken";
}
