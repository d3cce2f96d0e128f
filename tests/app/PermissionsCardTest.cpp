// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/permissions/PermissionsCard.h"
#include "capture/Permissions.h"
#include "support/ManualScheduler.h"

#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

QStringList labelTexts(const QWidget &widget)
{
    QStringList texts;
    for (const QLabel *label : widget.findChildren<QLabel *>()) {
        if (label->isVisibleTo(&widget))
            texts << label->text();
    }
    return texts;
}

TEST(PermissionsCard, RowsAndTexts)
{
    PermissionsCard card;
    EXPECT_EQ(card.maximumWidth(), 500);
    EXPECT_EQ(card.radius(), 26);
    EXPECT_EQ(card.screenRecordingRow()->title(), "Screen Recording");
    EXPECT_EQ(card.screenRecordingRow()->detail(), "Records the video and takes a screenshot at every click.");
    EXPECT_EQ(card.accessibilityRow()->title(), "Accessibility");
    EXPECT_EQ(card.accessibilityRow()->detail(), "Reads button and menu names so steps are written for you.");
    const QStringList texts = labelTexts(card);
    EXPECT_TRUE(texts.contains("Everything Kelvo records stays on this computer. It has no analytics. Its only use of "
                               "the network is a daily check for updates."));
}

TEST(PermissionsCard, ScreenRecordingGrantedAccessibilityMissing)
{
    PermissionsCard card;
    card.setScreenRecording(true);
    card.setAccessibility(false);
    EXPECT_TRUE(card.screenRecordingRow()->isGranted());
    EXPECT_FALSE(card.screenRecordingRow()->enableButton()->isVisibleTo(&card));
    EXPECT_FALSE(card.accessibilityRow()->isGranted());
    EXPECT_TRUE(card.accessibilityRow()->enableButton()->isVisibleTo(&card));
    EXPECT_EQ(card.accessibilityRow()->enableButton()->text(), "Enable");
    EXPECT_EQ(card.accessibilityRow()->enableButton()->buttonStyle().kind, NeuButtonStyle::Kind::primary);
    EXPECT_TRUE(card.accessibilityRow()->enableButton()->buttonStyle().compact);
    EXPECT_FALSE(card.isReopenNoteShown());
}

TEST(PermissionsCard, HeadingCountsWhatIsMissing)
{
    PermissionsCard card;
    card.setScreenRecording(false);
    card.setAccessibility(false);
    EXPECT_EQ(card.headingText(), "Two permissions to set up");
    card.setAccessibility(true);
    EXPECT_EQ(card.headingText(), "One permission to set up");
    card.setAccessibility(false);
    card.setScreenRecording(true);
    EXPECT_EQ(card.headingText(), "One permission to set up");
}

TEST(PermissionsCard, ReopenNoteOnlyWhileScreenRecordingIsMissing)
{
    PermissionsCard card;
    card.setScreenRecording(false);
    EXPECT_TRUE(card.isReopenNoteShown());
    EXPECT_TRUE(labelTexts(card).contains(
        "After enabling Screen Recording, your desktop may ask you to quit and reopen Kelvo."));
    EXPECT_FALSE(card.isWaylandNoteShown());
    card.setWaylandWithoutX11(true);
    EXPECT_FALSE(card.isReopenNoteShown());
    EXPECT_TRUE(card.isWaylandNoteShown());
    card.setScreenRecording(true);
    EXPECT_FALSE(card.isReopenNoteShown());
    EXPECT_FALSE(card.isWaylandNoteShown());
}

TEST(PermissionsCard, EnableButtonsAskForTheirGrant)
{
    PermissionsCard card;
    card.setScreenRecording(false);
    card.setAccessibility(false);
    QSignalSpy screen(&card, &PermissionsCard::enableScreenRecordingRequested);
    QSignalSpy accessibility(&card, &PermissionsCard::enableAccessibilityRequested);
    card.accessibilityRow()->enableButton()->click();
    EXPECT_EQ(screen.count(), 0);
    EXPECT_EQ(accessibility.count(), 1);
    card.screenRecordingRow()->enableButton()->click();
    EXPECT_EQ(screen.count(), 1);
    // Granted: the button goes and the badge turns.
    card.setAccessibility(true);
    EXPECT_TRUE(card.accessibilityRow()->isGranted());
    EXPECT_FALSE(card.accessibilityRow()->enableButton()->isVisibleTo(&card));
}

TEST(PermissionBadge, ColoursFollowTheGrant)
{
    PermissionBadge badge(false);
    EXPECT_EQ(badge.size(), QSize(28, 28));
    const QImage missing = badge.grab().toImage();
    // The top-left part of the disc is near the start of its gradient.
    const QColor red = missing.pixelColor(8, 10);
    EXPECT_GT(red.red(), 180);
    EXPECT_LT(red.blue(), 90);
    badge.setGranted(true);
    const QColor blue = badge.grab().toImage().pixelColor(8, 10);
    EXPECT_GT(blue.blue(), 200);
    EXPECT_LT(blue.red(), 80);
}

TEST(PermissionsRefresher, WhenShownAndOnActivationNeverOnATimer)
{
    test::ManualScheduler scheduler;
    int refreshes = 0;
    PermissionsRefresher refresher([&] { ++refreshes; });
    QWidget window;
    refresher.watch(&window);
    EXPECT_EQ(refreshes, 0); // not shown

    window.show();
    EXPECT_TRUE(refresher.isShown());
    EXPECT_EQ(refreshes, 1);
    scheduler.advance(60000ms);
    EXPECT_EQ(refreshes, 1) << "no polling while shown";
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    refresher.applicationBecameActive();
    EXPECT_EQ(refreshes, 2);
    window.hide();
    EXPECT_FALSE(refresher.isShown());
    window.show();
    EXPECT_EQ(refreshes, 3);
}

// The accessibility bus announces a switch; Permissions takes it from there.
class AnnouncingProbe final : public PermissionProbe {
public:
    bool enabled = false;
    int reads = 0;
    std::function<void(bool)> announce;
    bool screenRecording() override { return true; }
    bool accessibility() override
    {
        ++reads;
        return enabled;
    }
    bool requestAccessibility() override { return enabled = true; }
    void watchAccessibility(std::function<void(bool)> changed) override { announce = std::move(changed); }
};

TEST(Permissions, FollowTheDesktopsAnnouncementsWithoutAsking)
{
    AnnouncingProbe probe;
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("kelvo.ini")), QSettings::IniFormat);
    auto permissions = std::make_unique<Permissions>(probe, settings);
    ASSERT_TRUE(probe.announce);
    QList<bool> changes;
    QObject::connect(permissions.get(), &Permissions::accessibilityChanged, [&](bool on) { changes << on; });
    const int readsBefore = probe.reads;
    probe.announce(true);
    EXPECT_TRUE(permissions->accessibility());
    probe.announce(true); // no change, no signal
    probe.announce(false);
    EXPECT_EQ(changes, (QList<bool>{true, false}));
    EXPECT_EQ(probe.reads, readsBefore) << "the announcement carries the value";
    permissions.reset();
    probe.announce(true); // after Permissions is gone: ignored
}

} // namespace
} // namespace kelvo
