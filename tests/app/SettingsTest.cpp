#include "app/settings/SettingsDialog.h"
#include "app/updates/UpdateAlert.h"
#include "app/updates/Updater.h"
#include "app/style/Widgets.h"
#include "support/ManualScheduler.h"

#include <QCheckBox>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace kelvo
