// SPDX-License-Identifier: GPL-3.0-or-later
// Shows one of the shell's pieces on the desktop so that scripts/screenshots.sh
// can photograph it: kelvo_showcase hud-countdown | hud-recording | hud-finishing |
// settings | permissions | permissions-partial | style
#include "app/Translations.h"
#include "app/hud/HUDController.h"
#include "app/hud/RecordingHUDView.h"
#include "app/permissions/PermissionsCard.h"
#include "app/settings/SettingsDialog.h"
#include "ui/Palette.h"
#include "ui/Style.h"
#include "ui/Widgets.h"
#include "app/updates/Updater.h"
#include "capture/RecordingSession.h"
#include "store/GuideStore.h"
#include "support/ManualScheduler.h"
#include "support/capture/FakeCapture.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstdio>

using namespace kelvo;

namespace {

int showHud(const QString &mode)
{
    QTemporaryDir data;
    test::ManualScheduler scheduler;
    GuideStore store(scheduler, data.path());
    test::FakeDisplayProvider displays;
    auto services = test::quietServices(store, scheduler, displays);
    RecordingSession session(std::move(services), std::make_unique<test::FakeRecordingEngine>(),
                             std::make_unique<test::FakeClickMonitor>());
    HUDController hud(session);
    if (mode == QLatin1String("hud-countdown")) {
        session.start(); // countdown(3) at once
        hud.show();
    } else {
        hud.show();
        hud.view()->setPhase(mode == QLatin1String("hud-recording") ? Phase::recording() : Phase::finishing());
        hud.view()->setElapsed(754.6);
        hud.view()->setStepCount(4);
    }
    return QApplication::exec();
}

int showSettings()
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    test::ManualScheduler scheduler;
    Updater updater(scheduler, settings, {});
    SettingsDialog dialog(QDir::homePath() + QStringLiteral("/.local/share/Kelvo/Guides"), updater, {});
    dialog.move(100, 100);
    dialog.show();
    return QApplication::exec();
}

int showPermissions(bool screenGranted)
{
    NeuSurface window;
    window.setWindowTitle(QStringLiteral("Kelvo"));
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(40, 40, 40, 40);
    auto *card = new PermissionsCard(&window);
    card->setScreenRecording(screenGranted);
    card->setAccessibility(false);
    layout->addWidget(card);
    // Top-level windows do not follow height-for-width layouts on their own.
    window.resize(580, layout->totalHeightForWidth(580));
    window.move(100, 100);
    window.show();
    return QApplication::exec();
}

int showStyle()
{
    NeuSurface window;
    window.setWindowTitle(QStringLiteral("Kelvo style"));
    auto *grid = new QGridLayout(&window);
    grid->setContentsMargins(40, 40, 40, 40);
    grid->setSpacing(28);
    using Kind = NeuButtonStyle::Kind;
    int column = 0;
    for (Kind kind : {Kind::plain, Kind::primary, Kind::danger}) {
        grid->addWidget(new NeuButton(QStringLiteral("Regular"), {kind, false, false}), 0, column);
        grid->addWidget(new NeuButton(QStringLiteral("Compact"), {kind, true, false}), 1, column);
        auto *pressed = new NeuButton(QStringLiteral("Pressed"), {kind, true, false});
        pressed->setDown(true);
        emit pressed->pressed();
        grid->addWidget(pressed, 2, column);
        auto *disabled = new NeuButton(QStringLiteral("Disabled"), {kind, true, false});
        disabled->setEnabled(false);
        grid->addWidget(disabled, 3, column);
        ++column;
    }
    grid->addWidget(new NeuButton(QStringLiteral("Full width"), {Kind::primary, false, true}), 4, 0, 1, 3);
    auto *icons = new QHBoxLayout;
    icons->setSpacing(24);
    icons->addWidget(new NeuIconButton(QStringLiteral("checkmark"), QStringLiteral("Done"), {palette::accent, 34}));
    icons->addWidget(new NeuIconButton(QStringLiteral("exclamationmark"), QStringLiteral("Delete"), {palette::danger, 34}));
    icons->addWidget(new NumberBadge(3, 34));
    icons->addWidget(new NumberBadge(12, 34));
    icons->addWidget(new NumberBadge(128, 34));
    icons->addWidget(new Chip(QStringLiteral("checkmark"), QStringLiteral("12 steps"), palette::accent));
    icons->addWidget(new Chip({}, formatTimestamp(75.4), palette::inkSecondary));
    icons->addStretch(1);
    grid->addLayout(icons, 5, 0, 1, 3);
    auto *card = new NeuRaised(26);
    auto *cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(26, 26, 26, 26);
    cardLayout->addWidget(new QLabel(QStringLiteral("A raised card")));
    auto *well = new NeuInset(12);
    well->setMinimumHeight(44);
    cardLayout->addWidget(well);
    grid->addWidget(card, 6, 0, 1, 3);
    window.move(100, 100);
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installTranslations(app); // German pictures: LC_ALL=de_DE.UTF-8
    applyKelvoStyle(app);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode.startsWith(QLatin1String("hud-")))
        return showHud(mode);
    if (mode == QLatin1String("settings"))
        return showSettings();
    if (mode == QLatin1String("permissions"))
        return showPermissions(false);
    if (mode == QLatin1String("permissions-partial"))
        return showPermissions(true);
    if (mode == QLatin1String("style"))
        return showStyle();
    std::fputs("usage: kelvo_showcase hud-countdown|hud-recording|hud-finishing|settings|permissions|"
               "permissions-partial|style\n",
               stderr);
    return 2;
}
