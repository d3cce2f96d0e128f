// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/RecordingSession.h"

#include "model/GuideJson.h"
#include "store/GuideFiles.h"
#include "store/GuideStore.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"
#include "support/capture/FakeCapture.h"
#include "support/capture/FakeTyping.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThreadPool>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

using Kind = KeyPress::Kind;

// Typing and shortcut steps made by a whole session, on the manual clock.
class TypingSessionTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler, data.path()};
    test::FakeDisplayProvider displays;
    QThreadPool pool;
    test::FakeRecordingEngine *engine = nullptr;
    test::FakeClickMonitor *clicks = nullptr;
    test::FakeKeyMonitor *keys = nullptr;
    test::FakeFieldWatcher *fields = nullptr;
    std::unique_ptr<RecordingSession> session;
    QList<std::optional<Guide>> finished;

    void SetUp() override
    {
        auto ownedEngine = std::make_unique<test::FakeRecordingEngine>();
        auto ownedClicks = std::make_unique<test::FakeClickMonitor>();
        engine = ownedEngine.get();
        clicks = ownedClicks.get();
        QImage frame(1000, 500, QImage::Format_RGB32);
        frame.fill(Qt::white);
        engine->setFrame(frame);
        displays.screens = {{QStringLiteral("primary"), QRect(0, 0, 1000, 500)}};
        displays.pointer = QPoint(900, 400);
        pool.setMaxThreadCount(4);
        RecordingSession::Services services{
            .store = store,
            .scheduler = scheduler,
            .displays = displays,
            .inspectTarget =
                [](QPointF point) {
                    // The fields lie between x 100 and 300; elsewhere there are buttons.
                    if (point.x() >= 100 && point.x() < 300)
                        return ClickTarget{QStringLiteral("AXTextField"), QStringLiteral("Name"), std::nullopt,
                                           QStringLiteral("Form")};
                    return ClickTarget{QStringLiteral("AXButton"), QStringLiteral("OK"), std::nullopt,
                                       QStringLiteral("Form")};
                },
            .makeCaption = [](const ClickTarget &target, bool) { return "Click " + target.label.value_or("-"); },
            .frontmostApplication = [] { return [] { return std::optional<QString>(QStringLiteral("Front")); }; },
            .screenRecordingGranted = [] { return true; },
            .currentDateTime = [] { return QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53), Qt::UTC); },
            .pool = &pool,
        };
        session = std::make_unique<RecordingSession>(std::move(services), std::move(ownedEngine),
                                                     std::move(ownedClicks));
        auto ownedKeys = std::make_unique<test::FakeKeyMonitor>();
        auto ownedFields = std::make_unique<test::FakeFieldWatcher>();
        keys = ownedKeys.get();
        fields = ownedFields.get();
        session->setTypingCapture(std::move(ownedKeys), std::move(ownedFields));
        session->onFinished = [this](const std::optional<Guide> &guide) { finished.append(guide); };
    }

    void startRecording()
    {
        session->start();
        scheduler.advance(3s);
        ASSERT_EQ(session->phase(), Phase::recording());
    }

    static FocusedField field(quint64 id, const QString &label, bool password = false)
    {
        FocusedField f;
        f.id = id;
        f.label = label;
        f.isPassword = password;
        f.appName = QStringLiteral("Form");
        f.bounds = QRect(100, 100 * int(id), 200, 20); // centre (200, 100·id + 10)
        return f;
    }

    void press(Kind kind, unsigned modifiers = 0, const QString &label = {}, bool hot = false)
    {
        scheduler.advance(100ms);
        KeyPress key;
        key.kind = kind;
        key.modifiers = modifiers;
        key.label = label;
        key.isHotKey = hot;
        key.time = scheduler.now();
        keys->press(key);
    }

    void type(int characters)
    {
        for (int i = 0; i < characters; ++i)
            press(Kind::Text);
    }

    void click(double x, double y)
    {
        scheduler.advance(500ms);
        clicks->click(Click{QPointF(x, y), scheduler.now(), false});
    }

    void settle()
    {
        pool.waitForDone();
        QCoreApplication::processEvents();
    }

    Guide stop()
    {
        session->stop();
        settle();
        EXPECT_EQ(finished.size(), 1);
        return finished.isEmpty() || !finished.last() ? Guide() : *finished.last();
    }

    static QStringList captions(const Guide &guide)
    {
        QStringList result;
        for (const Step &step : guide.steps)
            result << step.caption;
        return result;
    }

    QStringList files(const Guide &guide) const
    {
        return QDir(data.filePath(uuidText(guide.id))).entryList({"step-*.jpg"}, QDir::Files, QDir::Name);
    }
};

TEST_F(TypingSessionTest, TypingAndShortcutStepsTakeTheirPlaceAmongClicksByTime)
{
    startRecording();
    click(900, 50);                                // 0.5 s: a button
    fields->focus(field(1, QStringLiteral("Name")));
    fields->setText(1, QStringLiteral("Ada Lovelace"));
    type(5);                                       // begins at 0.6 s
    click(950, 450);                               // 1.5 s, elsewhere: ends the typing
    fields->focus(field(2, QStringLiteral("City")));
    fields->setText(2, QStringLiteral("London"));
    type(2);                                       // begins at 1.6 s
    press(Kind::Enter);
    fields->focus(std::nullopt);
    press(Kind::Text, KeyPress::Ctrl, QStringLiteral("S")); // 1.9 s, at the pointer
    const Guide guide = stop();

    EXPECT_EQ(captions(guide), (QStringList{"Click OK", "Type \"Ada Lovelace\" in the \"Name\" field", "Click OK",
                                            "Type \"London\" in the \"City\" field and press Enter", "Press Ctrl+S"}))
        << "buttons that pass the focus to a field keep their steps";
    ASSERT_EQ(guide.steps.size(), 5);
    EXPECT_DOUBLE_EQ(guide.steps[1].timestamp, 0.6);
    EXPECT_DOUBLE_EQ(guide.steps[3].timestamp, 1.6);
    EXPECT_DOUBLE_EQ(guide.steps[4].timestamp, 1.9);
    EXPECT_DOUBLE_EQ(guide.steps[1].clickX, 0.2) << "the marker sits at the centre of the field";
    EXPECT_DOUBLE_EQ(guide.steps[1].clickY, 110.0 / 500);
    EXPECT_DOUBLE_EQ(guide.steps[4].clickX, 0.9) << "a shortcut outside a field points at the pointer";
    EXPECT_EQ(guide.steps[1].appName, "Form");
    EXPECT_EQ(guide.steps[4].appName, "Front");
    for (const Step &step : guide.steps)
        EXPECT_TRUE(QFileInfo::exists(data.filePath(uuidText(guide.id)) + "/" + step.imageFileName)) << step.caption.toStdString();
    EXPECT_EQ(files(guide).size(), 5);
}

TEST_F(TypingSessionTest, AClickIntoTheFieldGivesWayToTheTypingWhetherItsStepIsDoneOrNot)
{
    startRecording();
    click(150, 110); // into field 1
    settle();        // its step is done
    fields->focus(field(1, QStringLiteral("Name")));
    fields->setText(1, QStringLiteral("Ada"));
    type(3);
    click(150, 210); // into field 2, ending the typing in field 1
    fields->focus(field(2, QStringLiteral("City")));
    fields->setText(2, QStringLiteral("Paris"));
    type(3); // field 2's click is still being made
    const Guide guide = stop();
    EXPECT_EQ(captions(guide), (QStringList{"Type \"Ada\" in the \"Name\" field", "Type \"Paris\" in the \"City\" field"}));
    EXPECT_EQ(files(guide).size(), 2) << "the merged clicks' pictures are gone";
    for (const Step &step : guide.steps)
        EXPECT_TRUE(files(guide).contains(step.imageFileName));
}

TEST_F(TypingSessionTest, AFieldReportedAwayFromItsClickStillTakesTheClickAndItsPoint)
{
    startRecording();
    click(250, 480); // on an editable field the toolkit reports at (100, 100)
    settle();        // the click's step is done: its field is known
    fields->focus(field(1, QStringLiteral("Name")));
    fields->setText(1, QStringLiteral("Ada"));
    type(3);
    const Guide guide = stop();
    EXPECT_EQ(captions(guide), QStringList{"Type \"Ada\" in the \"Name\" field"});
    ASSERT_EQ(guide.steps.size(), 1);
    EXPECT_DOUBLE_EQ(guide.steps[0].clickX, 0.25) << "the marker goes where the click was";
    EXPECT_DOUBLE_EQ(guide.steps[0].clickY, 0.96);
}

TEST_F(TypingSessionTest, APasswordIsNeverReadAndNamedOnlyAsAPassword)
{
    startRecording();
    fields->focus(field(1, QStringLiteral("Password"), true));
    fields->setText(1, QStringLiteral("hunter2")); // the fake fails the test if this is asked for
    type(7);
    press(Kind::Enter);
    fields->focus(field(2, QStringLiteral("PIN")));
    fields->setText(2, QString::fromUtf8("●●●●"));
    type(4);
    const Guide guide = stop();
    EXPECT_EQ(captions(guide), (QStringList{"Type the password in the \"Password\" field and press Enter",
                                            "Type the password in the \"PIN\" field"}));
    EXPECT_EQ(fields->state->reads, 1) << "only the field that is not a password field is read";
}

TEST_F(TypingSessionTest, HotKeyAndNavigationKeysAddNothingAndStopEndsTheTyping)
{
    startRecording();
    press(Kind::Text, KeyPress::Ctrl | KeyPress::Alt | KeyPress::Super, QStringLiteral("R"), true);
    press(Kind::Navigation);
    fields->focus(field(1, QStringLiteral("Name")));
    type(2);
    EXPECT_EQ(session->stepCount(), 0);
    const Guide guide = stop();
    EXPECT_EQ(captions(guide), (QStringList{"Type in the \"Name\" field"})) << "unreadable text still makes the step";
    EXPECT_FALSE(keys->log->running);
    EXPECT_FALSE(fields->state->running);
}

TEST_F(TypingSessionTest, WithTheSettingOffNoKeyIsWatched)
{
    QList<bool> changes;
    QObject::connect(session.get(), &RecordingSession::recordTypingChanged, [&](bool on) { changes.append(on); });
    session->setRecordTyping(false);
    session->setRecordTyping(false);
    EXPECT_EQ(changes, QList<bool>{false});
    startRecording();
    EXPECT_EQ(keys->log->starts, 0);
    EXPECT_FALSE(fields->state->running);
    EXPECT_FALSE(session->capturesTyping());
    fields->focus(field(1, QStringLiteral("Name")));
    type(3);
    press(Kind::Text, KeyPress::Ctrl, QStringLiteral("S"));
    click(700, 400);
    const Guide guide = stop();
    EXPECT_EQ(captions(guide), QStringList{"Click OK"});

    // On again: the next recording sees keys.
    finished.clear();
    session->setRecordTyping(true);
    QImage frame(1000, 500, QImage::Format_RGB32);
    frame.fill(Qt::white);
    engine->setFrame(frame); // the stopped engine let its frame go
    startRecording();
    EXPECT_TRUE(session->capturesTyping());
    press(Kind::Text, KeyPress::Ctrl, QStringLiteral("S"));
    EXPECT_EQ(captions(stop()), QStringList{"Press Ctrl+S"});
}

} // namespace
} // namespace kelvo
