// SPDX-License-Identifier: GPL-3.0-or-later
// The German translation as built into Kelvo: caption patterns, plurals, the
// guide title, and the English texts when no translation applies.
#include "app/Translations.h"
#include "capture/CaptionWriter.h"
#include "capture/RecordingSession.h"
#include "model/StepCount.h"

#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QTranslator>

#include <gtest/gtest.h>

namespace kelvo {
namespace {

void removeTranslations()
{
    for (QTranslator *translator : QCoreApplication::instance()->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

ClickTarget target(const char *role, std::optional<QString> label)
{
    ClickTarget t;
    t.role = QString::fromLatin1(role);
    t.label = std::move(label);
    return t;
}

class GermanTranslation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(installTranslations(*QCoreApplication::instance(), QLocale(QLocale::German, QLocale::Germany)));
    }
    void TearDown() override { removeTranslations(); }
};

TEST_F(GermanTranslation, CaptionPatternsPutTheLabelWhereGermanWantsIt)
{
    EXPECT_EQ(makeCaption(target("AXMenuItem", QStringLiteral("Save As")), false), QStringLiteral("„Save As“ im Menü wählen"));
    EXPECT_EQ(makeCaption(target("AXMenuBarItem", QStringLiteral("File")), false), QStringLiteral("Menü „File“ öffnen"));
    EXPECT_EQ(makeCaption(target("AXTextField", QStringLiteral("Name")), false),
              QStringLiteral("In das Feld „Name“ klicken"));
    EXPECT_EQ(makeCaption(target("AXButton", QStringLiteral("OK")), true),
              QStringLiteral("Auf „OK“ mit der rechten Maustaste klicken"));
    EXPECT_EQ(makeCaption(target("AXCheckBox", std::nullopt), false), QStringLiteral("Kontrollkästchen umschalten"));
    EXPECT_EQ(makeCaption(std::optional<ClickTarget>(), false), QStringLiteral("Hier klicken"));
    ClickTarget inApp;
    inApp.appName = QStringLiteral("Files");
    EXPECT_EQ(makeCaption(inApp, false), QStringLiteral("In Files klicken"));
}

TEST_F(GermanTranslation, LabelsStayAsTheyAreEvenWithPlaceholdersInThem)
{
    EXPECT_EQ(makeCaption(target("AXTab", QStringLiteral("%1 %2")), false), QStringLiteral("Zum Tab „%1 %2“ wechseln"));
}

TEST_F(GermanTranslation, StepCountsUseGermanPlurals)
{
    EXPECT_EQ(stepCountText(0), QStringLiteral("0 Schritte"));
    EXPECT_EQ(stepCountText(1), QStringLiteral("1 Schritt"));
    EXPECT_EQ(stepCountText(2), QStringLiteral("2 Schritte"));
    EXPECT_EQ(stepCountText(21), QStringLiteral("21 Schritte"));
}

TEST_F(GermanTranslation, NewGuideTitleIsGermanAndInTheGermanDateOrder)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QString title = defaultGuideTitle(QDateTime(QDate(2026, 2, 3), QTime(8, 30)), german);
    EXPECT_EQ(title, QStringLiteral("Anleitung – 3. Feb. 2026, 08:30")) << title.toStdString();
}

TEST(Translations, EnglishAndUnknownLanguagesKeepTheSourceTexts)
{
    for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Swahili), QLocale::c()}) {
        EXPECT_FALSE(installTranslations(*QCoreApplication::instance(), locale)) << locale.name().toStdString();
        EXPECT_EQ(makeCaption(target("AXMenuItem", QStringLiteral("Save As")), false),
                  QStringLiteral("Choose \"Save As\" from the menu"));
        EXPECT_EQ(makeCaption(target("AXButton", QStringLiteral("OK")), true), QStringLiteral("Right-click \"OK\""));
        EXPECT_EQ(stepCountText(1), QStringLiteral("1 step"));
        EXPECT_EQ(stepCountText(3), QStringLiteral("3 steps"));
        removeTranslations();
    }
}

} // namespace
} // namespace kelvo
