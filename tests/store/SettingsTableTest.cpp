// SPDX-License-Identifier: GPL-3.0-or-later
// The settings table: defaults until set, values as written, and the keys
// earlier versions wrote read the same.
#include "store/Settings.h"

#include <QSet>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

TEST(SettingsTable, DefaultsUntilSetThenTheValuesWritten)
{
    QTemporaryDir dir;
    QSettings file(dir.filePath("Kelvo.conf"), QSettings::IniFormat);
    EXPECT_FALSE(settings::askedAccessibility.read(file));
    EXPECT_FALSE(settings::automaticUpdateChecks.read(file));
    EXPECT_FALSE(settings::automaticUpdateChecks.isSet(file));
    EXPECT_FALSE(settings::lastUpdateCheck.read(file).isValid());
    EXPECT_EQ(settings::exportFormat.read(file), QStringLiteral("pdf"));

    const QDateTime when(QDate(2026, 12, 7), QTime(9, 30), Qt::UTC);
    settings::askedAccessibility.write(file, true);
    settings::automaticUpdateChecks.write(file, false);
    settings::lastUpdateCheck.write(file, when);
    settings::exportFormat.write(file, QStringLiteral("md"));
    file.sync();

    const QSettings again(dir.filePath("Kelvo.conf"), QSettings::IniFormat);
    EXPECT_TRUE(settings::askedAccessibility.read(again));
    EXPECT_TRUE(settings::automaticUpdateChecks.isSet(again)) << "false, but asked";
    EXPECT_FALSE(settings::automaticUpdateChecks.read(again));
    EXPECT_EQ(settings::lastUpdateCheck.read(again), when);
    EXPECT_EQ(settings::exportFormat.read(again), QStringLiteral("md"));
}

TEST(SettingsTable, ReadsWhatEarlierVersionsWrote)
{
    QTemporaryDir dir;
    const QDateTime when(QDate(2026, 11, 30), QTime(8, 0), Qt::UTC);
    {
        // As the code before the table wrote them, key by key.
        QSettings old(dir.filePath("Kelvo.conf"), QSettings::IniFormat);
        old.setValue(QStringLiteral("askedAccessibility"), true);
        old.setValue(QStringLiteral("exportFormat"), QStringLiteral("html"));
        old.setValue(QStringLiteral("updates/automaticallyChecksForUpdates"), true);
        old.setValue(QStringLiteral("updates/lastCheck"), when);
    }
    const QSettings file(dir.filePath("Kelvo.conf"), QSettings::IniFormat);
    EXPECT_TRUE(settings::askedAccessibility.read(file));
    EXPECT_TRUE(settings::automaticUpdateChecks.read(file));
    EXPECT_EQ(settings::lastUpdateCheck.read(file), when);
    EXPECT_EQ(settings::exportFormat.read(file), QStringLiteral("html"));
}

TEST(SettingsTable, KeysAreDistinct)
{
    const QStringList keys{settings::askedAccessibility.name(), settings::automaticUpdateChecks.name(),
                           settings::lastUpdateCheck.name(), settings::exportFormat.name()};
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
}

} // namespace
} // namespace kelvo
