// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/GuideEditorView.h"
#include "editor/SaveProblemBanner.h"

#include "editor/StepImageView.h"
#include "editor/StepRowView.h"
#include "editor/TitleField.h"
#include "platform/ffmpeg/VideoFrameReader.h"
#include "editor/VideoPlayerView.h"
#include "model/GuideJson.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"
#include "support/TestGuides.h"
#include "ui/Widgets.h"

#include <QDir>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QVideoWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

class GuideEditorViewTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler};
    QUndoStack undo;
    Guide guide;
    std::unique_ptr<GuideEditorView> editor;
    int confirmations = 0;
    bool confirmAnswer = true;
    std::vector<std::string> events;

    void open(int steps, bool withVideo = false)
    {
        guide = test::plantGuide(store, QStringLiteral("Set up the printer"), steps,
                                 QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC), 125.4);
        if (withVideo) {
            ASSERT_TRUE(test::writeTestMovie(store.folderPath(guide.id) + QStringLiteral("/video.mov"), 15));
            guide.videoFileName = QStringLiteral("video.mov");
            store.update(guide);
        }
        reopen();
    }

    void reopen()
    {
        GuideEditorView::Services services;
        services.clearSelection = [this] {
            events.push_back(store.guideWithID(guide.id) ? "clear while stored" : "clear after removal");
        };
        services.confirmDeleteGuide = [this](QWidget *) {
            ++confirmations;
            return confirmAnswer;
        };
        editor = std::make_unique<GuideEditorView>(store, *store.guideBinding(guide.id), &undo, services);
        editor->resize(1400, 900);
        editor->show();
        QCoreApplication::processEvents();
    }

    std::vector<int> rowNumbers() const
    {
        std::vector<int> numbers;
        for (StepRowView *row : editor->stepRows())
            numbers.push_back(row->number());
        return numbers;
    }

    // The rows' captions in order, as the captured step numbers: "1,3,2".
    std::string rowOrder() const
    {
        QStringList order;
        for (StepRowView *row : editor->stepRows())
            order << row->captionField()->toPlainText().mid(5);
        return order.join(QLatin1Char(',')).toStdString();
    }

    std::string jumpOrder() const
    {
        QStringList order;
        for (JumpRow *row : editor->jumpRows())
            order << QStringLiteral("%1:%2").arg(row->badge()->number()).arg(row->text().mid(5));
        return order.join(QLatin1Char(',')).toStdString();
    }

    std::string storedOrder() const
    {
        QStringList order;
        const Guide stored = *store.guideWithID(guide.id);
        for (const Step &step : stored.steps)
            order << step.caption.mid(5);
        return order.join(QLatin1Char(',')).toStdString();
    }

    QByteArray onDisk() const
    {
        QFile file(store.folderPath(guide.id) + QStringLiteral("/guide.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(GuideEditorViewTest, GuideWithoutStepsShowsItsPlaceholdersAndDisablesExport)
{
    open(0);
    EXPECT_TRUE(editor->noStepsCard()->isVisible());
    EXPECT_FALSE(editor->stepsScrollArea()->isVisible());
    EXPECT_TRUE(editor->noJumpStepsLabel()->isVisible());
    EXPECT_EQ(editor->noJumpStepsLabel()->text(), QStringLiteral("Steps will appear here."));
    EXPECT_EQ(editor->chips()[0]->text(), QStringLiteral("0 steps"));
    EXPECT_FALSE(editor->exportButton()->isEnabled());
    EXPECT_FALSE(editor->shareButton()->isEnabled());
    EXPECT_TRUE(editor->revealButton()->isEnabled());
    EXPECT_TRUE(editor->deleteButton()->isEnabled());
    EXPECT_FALSE(editor->guideActions().canExport);
    const auto labels = editor->noStepsCard()->findChildren<QLabel *>();
    QStringList texts;
    for (QLabel *label : labels)
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("No steps captured")));
    EXPECT_TRUE(editor->noVideoPlaceholder()->isVisible());
}

TEST_F(GuideEditorViewTest, HeaderShowsTitleChipsAndTooltips)
{
    open(1);
    EXPECT_EQ(editor->titleField()->text(), QStringLiteral("Set up the printer"));
    EXPECT_EQ(editor->titleField()->placeholderText(), QStringLiteral("Guide title"));
    EXPECT_EQ(editor->chips()[0]->text(), QStringLiteral("1 step"));
    EXPECT_EQ(editor->chips()[1]->text(), QStringLiteral("2:05"));
    EXPECT_EQ(editor->exportButton()->toolTip(), QStringLiteral("Export PDF (Ctrl+E)"));
    EXPECT_EQ(editor->shareButton()->toolTip(), QStringLiteral("Share PDF (Shift+Ctrl+E)"));
    EXPECT_EQ(editor->revealButton()->toolTip(), QStringLiteral("Show in Files"));
    EXPECT_EQ(editor->deleteButton()->toolTip(), QStringLiteral("Delete guide"));
    EXPECT_TRUE(editor->exportButton()->isEnabled());
    EXPECT_TRUE(editor->guideActions().canExport);
}

TEST_F(GuideEditorViewTest, DurationChipRoundsHalvesUp)
{
    open(0);
    for (const auto &[seconds, text] : std::vector<std::pair<double, QString>>{
             {59.5, QStringLiteral("1:00")}, {0.4, QStringLiteral("0:00")}, {3600, QStringLiteral("60:00")}}) {
        Guide changed = *store.guideWithID(guide.id);
        changed.duration = seconds;
        store.update(changed);
        EXPECT_EQ(editor->chips()[1]->text(), text) << seconds;
    }
}

TEST_F(GuideEditorViewTest, MoveButtonsAreDisabledAtTheEnds)
{
    open(1);
    ASSERT_EQ(editor->stepRows().size(), 1);
    EXPECT_FALSE(editor->stepRows()[0]->moveUpButton()->isEnabled());
    EXPECT_FALSE(editor->stepRows()[0]->moveDownButton()->isEnabled());

    store.deleteGuide(guide.id);
    open(3);
    const auto rows = editor->stepRows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_FALSE(rows[0]->moveUpButton()->isEnabled());
    EXPECT_TRUE(rows[0]->moveDownButton()->isEnabled());
    EXPECT_TRUE(rows[1]->moveUpButton()->isEnabled());
    EXPECT_TRUE(rows[1]->moveDownButton()->isEnabled());
    EXPECT_TRUE(rows[2]->moveUpButton()->isEnabled());
    EXPECT_FALSE(rows[2]->moveDownButton()->isEnabled());
    EXPECT_TRUE(rows[2]->deleteButton()->isEnabled());
    EXPECT_EQ(rows[2]->deleteButton()->toolTip(), QStringLiteral("Delete step (Ctrl+Z to undo)"));
    EXPECT_EQ(rows[1]->dragHandle()->toolTip(), QStringLiteral("Drag to reorder"));
}

TEST_F(GuideEditorViewTest, WithoutVideoNoRowOffersPlayAndPlayingDoesNothing)
{
    open(3);
    EXPECT_EQ(editor->player(), nullptr);
    EXPECT_TRUE(editor->noVideoPlaceholder()->isVisible());
    for (StepRowView *row : editor->stepRows()) {
        EXPECT_TRUE(row->playButton()->isHidden());
        EXPECT_TRUE(row->moveUpButton()->isVisible());
        EXPECT_TRUE(row->deleteButton()->isVisible());
    }
    editor->playFromStep(guide.steps[1]); // no player: nothing happens, nothing crashes
    EXPECT_EQ(editor->player(), nullptr);
}

TEST_F(GuideEditorViewTest, RefusedDropsChangeNothing)
{
    open(3);
    StepRowView *target = editor->stepRows()[1];
    struct Case {
        const char *name;
        std::optional<QString> text;
    };
    const std::vector<Case> cases{
        {"no text", std::nullopt},
        {"empty text", QString()},
        {"not a UUID", QStringLiteral("step two")},
        {"its own id", uuidText(guide.steps[1].id)},
    };
    for (const Case &c : cases) {
        QMimeData mime;
        if (c.text)
            mime.setText(*c.text);
        EXPECT_FALSE(target->acceptDrop(&mime)) << c.name;
        EXPECT_EQ(storedOrder(), "1,2,3") << c.name;
        EXPECT_EQ(undo.count(), 0) << c.name;
    }
    // A UUID of no step of this guide is accepted by the row but changes nothing.
    QMimeData unknown;
    unknown.setText(uuidText(QUuid::createUuid()));
    EXPECT_TRUE(target->acceptDrop(&unknown));
    EXPECT_EQ(storedOrder(), "1,2,3");
    EXPECT_EQ(undo.count(), 0);
    EXPECT_EQ(rowOrder(), "1,2,3");
}

TEST_F(GuideEditorViewTest, DroppingAStepOnAnotherReordersRowsAndJumpList)
{
    open(4);
    QMimeData mime;
    mime.setText(editor->stepRows()[0]->dragHandle()->makeMimeData()->text());
    EXPECT_EQ(mime.text(), uuidText(guide.steps[0].id));
    EXPECT_TRUE(editor->stepRows()[2]->acceptDrop(&mime));
    EXPECT_EQ(storedOrder(), "2,3,1,4");
    EXPECT_EQ(rowOrder(), "2,3,1,4");
    EXPECT_EQ(rowNumbers(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(jumpOrder(), "1:2,2:3,3:1,4:4");
    EXPECT_EQ(undo.undoText(), QStringLiteral("Reorder Steps"));
}

TEST_F(GuideEditorViewTest, MovingAndDeletingRenumberAtOnceAndUndoRestores)
{
    open(3);
    editor->stepRows()[1]->moveDownButton()->click();
    EXPECT_EQ(rowOrder(), "1,3,2");
    EXPECT_EQ(jumpOrder(), "1:1,2:3,3:2");
    EXPECT_FALSE(editor->stepRows()[2]->moveDownButton()->isEnabled());
    EXPECT_TRUE(editor->stepRows()[1]->moveDownButton()->isEnabled());

    editor->stepRows()[0]->deleteButton()->click();
    EXPECT_EQ(rowOrder(), "3,2");
    EXPECT_EQ(rowNumbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(jumpOrder(), "1:3,2:2");
    EXPECT_EQ(editor->chips()[0]->text(), QStringLiteral("2 steps"));
    EXPECT_FALSE(editor->stepRows()[0]->moveUpButton()->isEnabled());
    EXPECT_EQ(editor->stepRows()[0]->captionField()->accessibleName(), QStringLiteral("Caption for step 1"));

    undo.undo();
    EXPECT_EQ(rowOrder(), "1,3,2");
    EXPECT_EQ(jumpOrder(), "1:1,2:3,3:2");
    undo.undo();
    EXPECT_EQ(rowOrder(), "1,2,3");
    undo.redo();
    EXPECT_EQ(rowOrder(), "1,3,2");
}

// Ctrl+Z reaches the guide's undo stack from wherever the focus lands after a
// delete; a caption field keeps the key only while it has typing of its own to undo.
TEST_F(GuideEditorViewTest, UndoKeysReachTheGuideUnlessTheCaptionHasItsOwnUndo)
{
    open(3);
    QAction undoAction(editor.get());
    undoAction.setShortcut(QKeySequence::Undo);
    QObject::connect(&undoAction, &QAction::triggered, &undo, &QUndoStack::undo);
    editor->addAction(&undoAction);
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));

    editor->stepRows()[1]->deleteButton()->setFocus();
    QTest::keyClick(editor->stepRows()[1]->deleteButton(), Qt::Key_Space);
    ASSERT_EQ(rowOrder(), "1,3");
    QWidget *focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus, editor->stepRows()[1]) << focus->metaObject()->className();

    QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rowOrder(), "1,2,3");

    // A caption field with nothing typed passes Ctrl+Z on.
    editor->stepRows()[0]->moveDownButton()->click();
    ASSERT_EQ(rowOrder(), "2,1,3");
    CaptionField *field = editor->stepRows()[2]->captionField();
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rowOrder(), "1,2,3");

    // Typing is undone by the field first, then the key goes to the guide again.
    field = editor->stepRows()[2]->captionField();
    field->setFocus();
    field->moveCursor(QTextCursor::End);
    QTest::keyClick(field, Qt::Key_X);
    EXPECT_EQ(field->toPlainText(), QStringLiteral("Step 3x"));
    const int entries = undo.index();
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->toPlainText(), QStringLiteral("Step 3"));
    EXPECT_EQ(undo.index(), entries);
}

// A focused step moves with Alt+Up and Alt+Down and is deleted with Delete; the
// focus stays with the step it moved.
TEST_F(GuideEditorViewTest, FocusedStepMovesAndDeletesFromTheKeyboard)
{
    open(3);
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    StepRowView *first = editor->stepRows()[0];
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(rowOrder(), "2,1,3");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(rowOrder(), "2,3,1");
    EXPECT_EQ(QApplication::focusWidget(), first);
    QTest::keyClick(first, Qt::Key_Down, Qt::AltModifier); // already last
    EXPECT_EQ(rowOrder(), "2,3,1");

    // From the move-up button the focus follows the step too.
    first->moveUpButton()->setFocus();
    QTest::keyClick(first->moveUpButton(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(rowOrder(), "2,1,3");
    QWidget *focus = QApplication::focusWidget();
    EXPECT_TRUE(focus == first || first->isAncestorOf(focus));

    // Delete in the caption field edits the text, on the card it deletes the step.
    CaptionField *field = first->captionField();
    field->setFocus();
    field->moveCursor(QTextCursor::Start);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_EQ(editor->stepRows().size(), 3);
    EXPECT_EQ(field->toPlainText(), QStringLiteral("tep 1"));
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Delete);
    EXPECT_EQ(storedOrder(), "2,3");
    EXPECT_EQ(QApplication::focusWidget(), editor->stepRows()[1]);
}

// Keyboard focus shows on every button of the header and the steps: a ring in
// the accent colour (with a white line inside) appears where it had none.
TEST_F(GuideEditorViewTest, FocusedControlsDrawAnAccentRing)
{
    open(2);
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    StepRowView *row = editor->stepRows()[0];
    const QList<QWidget *> controls{editor->exportButton(), editor->shareButton(),   editor->revealButton(),
                                    editor->deleteButton(), row->moveDownButton(),   row->deleteButton(),
                                    editor->stepRows()[1]->moveUpButton(), row,       editor->jumpRows()[0]};
    const QColor accent(45, 105, 250);
    auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 60;
    };
    for (QWidget *control : controls) {
        editor->titleField()->setFocus();
        const QImage before = control->grab().toImage();
        control->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(control->hasFocus()) << control->accessibleName().toStdString();
        const QImage after = control->grab().toImage();
        ASSERT_EQ(before.size(), after.size());
        int ringPixels = 0;
        for (int y = 0; y < after.height(); ++y) {
            for (int x = 0; x < after.width(); ++x) {
                const QColor now = after.pixelColor(x, y);
                if (now != before.pixelColor(x, y) && (near(now, accent) || near(now, Qt::white)))
                    ++ringPixels;
            }
        }
        const int perimeter = 2 * (after.width() + after.height()) / int(after.devicePixelRatio());
        EXPECT_GT(ringPixels, perimeter / 3) << control->accessibleName().toStdString();
    }
}

TEST_F(GuideEditorViewTest, DeletingTheLastStepShowsThePlaceholdersAndTellsTheMenus)
{
    open(1);
    QSignalSpy changed(editor.get(), &GuideEditorView::actionsChanged);
    editor->stepRows()[0]->deleteButton()->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(editor->stepRows().isEmpty());
    EXPECT_TRUE(editor->noStepsCard()->isVisible());
    EXPECT_FALSE(editor->exportButton()->isEnabled());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(editor->guideActions().canExport);
}

TEST_F(GuideEditorViewTest, TypedCaptionReachesDiskOnceAfterTheLastKey)
{
    open(2);
    const QByteArray before = onDisk();
    CaptionField *field = editor->stepRows()[1]->captionField();
    field->setFocus();
    field->moveCursor(QTextCursor::End);
    for (const char key : std::string(" done")) {
        QTest::keyClick(field, key);
        scheduler.advance(300ms);
        EXPECT_EQ(onDisk(), before) << "written while typing";
    }
    // In the store at once, every keystroke.
    EXPECT_EQ(store.guideWithID(guide.id)->steps[1].caption, QStringLiteral("Step 2 done"));
    EXPECT_EQ(field->toPlainText(), QStringLiteral("Step 2 done"));
    scheduler.advance(99ms);
    EXPECT_EQ(onDisk(), before);
    scheduler.advance(1ms);
    const QByteArray after = onDisk();
    EXPECT_NE(after, before);
    EXPECT_TRUE(after.contains("Step 2 done"));
    EXPECT_FALSE(store.hasPendingSave(guide.id));
    EXPECT_EQ(undo.count(), 0); // text edits register no undo
}

TEST_F(GuideEditorViewTest, TitleEditsGoToTheStore)
{
    open(1);
    editor->titleField()->setFocus();
    editor->titleField()->selectAll();
    QTest::keyClicks(editor->titleField(), QStringLiteral("Printer: a/b"));
    EXPECT_EQ(store.guideWithID(guide.id)->title, QStringLiteral("Printer: a/b"));
    // Emptied, it is stored empty.
    editor->titleField()->selectAll();
    QTest::keyClick(editor->titleField(), Qt::Key_Delete);
    EXPECT_EQ(store.guideWithID(guide.id)->title, QString());
}

// A long title shows its start, cut with "…" at the end, while the field is not
// being edited; typing a new title can be undone with Ctrl+Z like a caption.
TEST_F(GuideEditorViewTest, LongTitleShowsItsStartAndRenamingUndoes)
{
    open(1);
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    auto *title = qobject_cast<TitleField *>(editor->titleField());
    ASSERT_NE(title, nullptr);
    const QString longTitle = QStringLiteral("Set up the office printer for the whole team on the third floor – "
                                             "Guide 6 Dec 2026 at 14:05 with every driver and tray option");
    setTitle(*store.guideBinding(guide.id), longTitle);
    ASSERT_EQ(title->text(), longTitle);
    const QString shown = title->shownText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Set up the"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("…"))) << shown.toStdString();
    EXPECT_LT(shown.size(), longTitle.size());
    EXPECT_LE(title->fontMetrics().horizontalAdvance(shown), title->width());

    title->setFocus();
    title->selectAll();
    QTest::keyClicks(title, QStringLiteral("Printer"));
    EXPECT_EQ(store.guideWithID(guide.id)->title, QStringLiteral("Printer"));
    QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(title->text(), longTitle);
    EXPECT_EQ(store.guideWithID(guide.id)->title, longTitle);
    editor->stepRows()[0]->setFocus();
    EXPECT_EQ(title->cursorPosition(), 0);
}

TEST_F(GuideEditorViewTest, ChipsOfAStepShowItsApplicationAndTime)
{
    open(2);
    Guide changed = *store.guideWithID(guide.id);
    changed.steps[0].appName = std::nullopt;
    changed.steps[0].timestamp = 75.5;
    changed.steps[1].appName = QString();
    store.update(changed);
    const auto first = editor->stepRows()[0]->chips();
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(first[0]->text(), QStringLiteral("1:16"));
    EXPECT_EQ(editor->stepRows()[1]->chips().size(), 1);
    EXPECT_EQ(editor->jumpRows()[0]->timeText(), QStringLiteral("1:16"));
}

TEST_F(GuideEditorViewTest, HostileOrMissingScreenshotKeepsTheRow)
{
    open(2);
    Guide changed = *store.guideWithID(guide.id);
    changed.steps[0].imageFileName = QStringLiteral("../../etc/passwd");
    changed.steps[1].imageFileName = QStringLiteral("step-99.jpg"); // never written
    store.update(changed);
    reopen();
    ASSERT_EQ(editor->stepRows().size(), 2);
    EXPECT_TRUE(editor->stepRows()[0]->imageView()->path().isEmpty());
    EXPECT_FALSE(editor->stepRows()[1]->imageView()->hasImage());
    EXPECT_TRUE(editor->stepRows()[1]->captionField()->isVisible());
}

TEST_F(GuideEditorViewTest, DuplicatedStepIdsShowOnceWithTheirOwnCaptions)
{
    open(3);
    Guide changed = *store.guideWithID(guide.id);
    changed.steps[1].id = changed.steps[0].id; // a hand-edited guide.json
    store.update(changed);
    EXPECT_EQ(rowOrder(), "1,3");
    EXPECT_EQ(rowNumbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(jumpOrder(), "1:1,2:3");
    EXPECT_FALSE(editor->stepRows()[1]->moveDownButton()->isEnabled());
}

TEST_F(GuideEditorViewTest, DeleteGuideAsksThenClearsSelectionFirst)
{
    open(2);
    confirmAnswer = false;
    editor->deleteButton()->click();
    EXPECT_EQ(confirmations, 1);
    EXPECT_TRUE(store.guideWithID(guide.id).has_value());
    EXPECT_TRUE(events.empty());

    confirmAnswer = true;
    editor->deleteButton()->click();
    EXPECT_FALSE(store.guideWithID(guide.id).has_value());
    EXPECT_FALSE(QFileInfo::exists(store.folderPath(guide.id)));
    EXPECT_EQ(events, (std::vector<std::string>{"clear while stored"}));
}

// The player's own reported position after playFromStep: the first position it
// reports once playing is where the seek landed.
TEST_F(GuideEditorViewTest, PlayFromStepSeeksOneSecondBeforeTheStep)
{
    open(2, true);
    EXPECT_TRUE(editor->noVideoPlaceholder()->isHidden());
    editor->loadPlayer();
    QMediaPlayer *player = editor->player();
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(editor->playerView()->player(), player);
    for (StepRowView *row : editor->stepRows())
        EXPECT_FALSE(row->playButton()->isHidden());
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->mediaStatus() == QMediaPlayer::LoadedMedia; }, 20000))
        << player->errorString().toStdString();

    struct Case {
        double timestamp;
        qint64 expectedMs;
    };
    for (const Case &c : {Case{12, 11000}, Case{0.6, 0}}) {
        Step step = guide.steps[0];
        step.timestamp = c.timestamp;
        editor->playFromStep(step);
        ASSERT_TRUE(QTest::qWaitFor([&] { return player->playbackState() == QMediaPlayer::PlayingState; }, 10000));
        // Within one frame (the movie has 10 a second) plus what has played since.
        ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(player->position() - c.expectedMs) <= 400; }, 10000))
            << c.timestamp << " at " << player->position();
        player->pause();
    }
    // Hidden, the editor pauses.
    editor->playFromStep(guide.steps[1]);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->playbackState() == QMediaPlayer::PlayingState; }, 10000));
    editor->hide();
    EXPECT_EQ(player->playbackState(), QMediaPlayer::PausedState);
    EXPECT_EQ(editor->player(), nullptr) << "the pipeline goes while the editor is away";
    EXPECT_TRUE(editor->playerView()->isShowingPoster());
}

// Before anything plays the video area shows the movie's first picture from a
// still, without a media pipeline; Play makes the player.
TEST_F(GuideEditorViewTest, TheFirstPictureShowsWithoutAPlayerUntilPlay)
{
    open(2, true);
    ASSERT_NE(editor->playerView(), nullptr);
    EXPECT_EQ(editor->player(), nullptr);
    EXPECT_TRUE(editor->playerView()->isShowingPoster());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !editor->playerView()->poster()->image().isNull(); }, 20000));
    const QImage still = editor->playerView()->poster()->image();
    // The test movie's first picture, 320 x 200 as recorded.
    EXPECT_EQ(still.size(), QSize(320, 200));
    const QImage expected = readVideoFrame(store.folderPath(guide.id) + QStringLiteral("/video.mov"), 0, QSize());
    EXPECT_EQ(still.pixelColor(40, 40).rgb(), expected.pixelColor(40, 40).rgb());
    EXPECT_EQ(editor->playerView()->timeLabel()->text(), QStringLiteral("0:00 / 2:05"));
    for (StepRowView *row : editor->stepRows())
        EXPECT_FALSE(row->playButton()->isHidden());

    editor->playerView()->playPauseButton()->click();
    ASSERT_NE(editor->player(), nullptr);
    EXPECT_EQ(editor->playerView()->player(), editor->player());
    // The movie is 15 s long; the total stays the guide's, as in the header chip.
    QMediaPlayer *player = editor->player();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->duration() > 0; }, 20000));
    EXPECT_TRUE(editor->playerView()->timeLabel()->text().endsWith(QStringLiteral(" / 2:05")))
        << editor->playerView()->timeLabel()->text().toStdString();
    EXPECT_EQ(editor->chips()[1]->text(), QStringLiteral("2:05"));
}

TEST(VideoFrameReaderTest, PicturesAtTimesAndBadFiles)
{
    QTemporaryDir dir;
    const QString movie = dir.filePath(QStringLiteral("video.mov"));
    ASSERT_TRUE(test::writeTestMovie(movie, 3));
    const QImage first = readVideoFrame(movie, 0, QSize(160, 160));
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.size(), QSize(160, 100)); // fitted, shape kept
    const QImage later = readVideoFrame(movie, 2, QSize());
    ASSERT_EQ(later.size(), QSize(320, 200));
    EXPECT_NE(later, readVideoFrame(movie, 0, QSize())); // the test picture's counter moved on
    EXPECT_FALSE(readVideoFrame(movie, 99, QSize()).isNull()) << "past the end: the last picture";

    EXPECT_TRUE(readVideoFrame(dir.filePath(QStringLiteral("missing.mov")), 0, QSize()).isNull());
    QFile junk(dir.filePath(QStringLiteral("junk.mov")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_TRUE(readVideoFrame(junk.fileName(), 0, QSize()).isNull());
}

// Every row built so far stands for the stored step at its place, numbered so.
::testing::AssertionResult builtRowsMatch(const GuideEditorView &view, const Guide &stored)
{
    for (StepRowView *row : view.stepRows()) {
        const int number = row->number();
        if (number < 1 || number > stored.steps.size() || stored.steps[number - 1].id != row->stepId())
            return ::testing::AssertionFailure() << "row numbered " << number << " shows another step";
        if (row->captionField()->toPlainText() != stored.steps[number - 1].caption)
            return ::testing::AssertionFailure() << "row " << number << " shows an old caption";
    }
    return ::testing::AssertionSuccess();
}

// A long guide builds the rows near what is on screen, the rest as it scrolls.
TEST_F(GuideEditorViewTest, LongGuideBuildsRowsNearTheViewportAsItScrolls)
{
    open(30);
    const auto built = editor->stepRows().size();
    EXPECT_GE(built, GuideEditorView::eagerRowCount);
    EXPECT_LT(built, 12);
    EXPECT_EQ(editor->stepRows().first()->stepId(), guide.steps.first().id);
    QScrollBar *bar = editor->stepsScrollArea()->verticalScrollBar();
    // The places of the rows not built yet give the column its whole length.
    EXPECT_GT(bar->maximum(), 20 * 300);
    EXPECT_TRUE(builtRowsMatch(*editor, *store.guideWithID(guide.id)));

    bar->setValue(bar->maximum());
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->stepRows().last()->stepId() == guide.steps.last().id; }, 5000));
    EXPECT_LT(editor->stepRows().size(), 30); // the middle was never on screen
    EXPECT_TRUE(builtRowsMatch(*editor, *store.guideWithID(guide.id)));
    EXPECT_TRUE(editor->stepRows().last()->isVisible());
    EXPECT_FALSE(editor->stepRows().last()->moveDownButton()->isEnabled());
    // The rows left far above go again; back at the top they are built anew.
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->stepRows().first()->stepId() != guide.steps.first().id; }, 5000));
    bar->setValue(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->stepRows().first()->stepId() == guide.steps.first().id; }, 5000));
    EXPECT_TRUE(builtRowsMatch(*editor, *store.guideWithID(guide.id)));
    EXPECT_GT(bar->maximum(), 20 * 300);
}

// While a row is dragged it may be the drag's source: no row goes until the drop.
TEST_F(GuideEditorViewTest, NoRowGoesWhileADragIsUnderWay)
{
    open(30);
    StepRowView *source = editor->stepRows().first();
    ASSERT_EQ(source->stepId(), guide.steps.first().id);
    emit source->dragHandle()->dragStarted();
    QScrollBar *bar = editor->stepsScrollArea()->verticalScrollBar();
    bar->setValue(bar->maximum());
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->stepRows().last()->stepId() == guide.steps.last().id; }, 5000));
    EXPECT_EQ(editor->stepRows().first(), source);
    emit source->dragHandle()->dragFinished();
    bar->setValue(bar->maximum() - 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->stepRows().first()->stepId() != guide.steps.first().id; }, 5000));
}

// Rows built late still take Tab in step order, whichever was built first.
TEST_F(GuideEditorViewTest, RowsBuiltLateTakeTabInStepOrder)
{
    open(30);
    const QList<int> buildOrder{20, 10, 15, 11, 21, 29};
    for (int index : buildOrder)
        ASSERT_NE(editor->ensureStepRow(guide.steps[index].id), nullptr);
    // From each built row, the first widget past it in the Tab order is the next built row.
    const QList<StepRowView *> rows = editor->stepRows();
    for (qsizetype i = 0; i + 1 < rows.size(); ++i) {
        QWidget *next = rows[i]->nextInFocusChain();
        while (next != rows[i] && rows[i]->isAncestorOf(next))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, rows[i + 1]) << "after row " << rows[i]->number();
    }
}

// A jump scrolls the step column to the step, built on the way, and marks it with the focus.
TEST_F(GuideEditorViewTest, JumpListScrollsToTheStepAndFocusesIt)
{
    open(30);
    editor->resize(1400, 600);
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    QScrollArea *area = editor->stepsScrollArea();
    EXPECT_NE(editor->stepRows().last()->stepId(), guide.steps.last().id);
    editor->jumpRows().last()->click();
    StepRowView *last = editor->stepRows().last();
    ASSERT_EQ(last->stepId(), guide.steps.last().id);
    EXPECT_EQ(last->number(), 30);
    const QRect shown(last->mapTo(area->viewport(), QPoint(0, 0)), last->size());
    EXPECT_TRUE(area->viewport()->rect().intersects(shown));
    EXPECT_TRUE(last->hasFocus());
}

// Moving, dropping and deleting work the same on rows built late, and the rows
// built later show the order as it is now.
TEST_F(GuideEditorViewTest, RowsBuiltLateFollowMovesDropsDeletesAndUndo)
{
    open(30);
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    const QUuid first = guide.steps[0].id;
    const QUuid twentieth = guide.steps[19].id;
    StepRowView *target = editor->ensureStepRow(twentieth);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->number(), 20);
    EXPECT_EQ(editor->ensureStepRow(twentieth), target);
    EXPECT_EQ(editor->ensureStepRow(QUuid::createUuid()), nullptr);

    QMimeData mime;
    mime.setText(uuidText(first));
    EXPECT_TRUE(target->acceptDrop(&mime));
    Guide stored = *store.guideWithID(guide.id);
    EXPECT_EQ(stored.steps[19].id, first);
    EXPECT_TRUE(builtRowsMatch(*editor, stored));
    // A step dropped far down keeps its row; one built now shows its new place.
    EXPECT_EQ(editor->ensureStepRow(first)->number(), 20);
    EXPECT_EQ(editor->ensureStepRow(guide.steps[25].id)->number(), 26);

    // Deleting the focused last step hands the focus to the new last one, built for it.
    editor->jumpRows().last()->click();
    StepRowView *last = editor->ensureStepRow(guide.steps[29].id);
    ASSERT_TRUE(last->hasFocus());
    last->deleteButton()->click();
    stored = *store.guideWithID(guide.id);
    ASSERT_EQ(stored.steps.size(), 29);
    StepRowView *newLast = editor->ensureStepRow(guide.steps[28].id);
    EXPECT_TRUE(newLast->hasFocus());
    EXPECT_EQ(newLast->number(), 29);
    EXPECT_FALSE(newLast->moveDownButton()->isEnabled());
    EXPECT_TRUE(builtRowsMatch(*editor, stored));

    undo.undo();
    undo.undo();
    stored = *store.guideWithID(guide.id);
    EXPECT_EQ(stored.steps.size(), 30);
    EXPECT_EQ(stored.steps[0].id, first);
    EXPECT_TRUE(builtRowsMatch(*editor, stored));
    EXPECT_EQ(editor->ensureStepRow(guide.steps[29].id)->number(), 30);
}

TEST(PlayStartTest, OneSecondBeforeTheStepNeverBeforeTheStart)
{
    EXPECT_EQ(GuideEditorView::playStartMilliseconds(0.6), 0);
    EXPECT_EQ(GuideEditorView::playStartMilliseconds(12), 11000);
    EXPECT_EQ(GuideEditorView::playStartMilliseconds(1), 0);
    EXPECT_EQ(GuideEditorView::playStartMilliseconds(1.25), 250);
    EXPECT_EQ(GuideEditorView::playStartMilliseconds(-3), 0);
    EXPECT_EQ(GuideEditorView::playStartMilliseconds(std::nan("")), 0);
}

TEST(VideoPlayerViewTest, SamePlayerIsLeftAloneAndAnotherIsSwappedIn)
{
    QMediaPlayer first;
    QMediaPlayer second;
    VideoPlayerView view(&first);
    EXPECT_EQ(view.attachCount(), 1);
    EXPECT_EQ(first.videoOutput(), static_cast<QObject *>(view.videoWidget()));
    view.setPlayer(&first);
    view.setPlayer(&first);
    EXPECT_EQ(view.attachCount(), 1);
    view.setPlayer(&second);
    EXPECT_EQ(view.attachCount(), 2);
    EXPECT_EQ(view.player(), &second);
    EXPECT_EQ(second.videoOutput(), static_cast<QObject *>(view.videoWidget()));
    EXPECT_EQ(first.videoOutput(), nullptr);
    // No full-screen control anywhere in the view.
    for (QAbstractButton *button : view.findChildren<QAbstractButton *>())
        EXPECT_FALSE(button->accessibleName().contains(QStringLiteral("full"), Qt::CaseInsensitive));
    EXPECT_EQ(first.playbackState(), QMediaPlayer::StoppedState);
}

} // namespace
} // namespace kelvo

namespace kelvo {
namespace {

TEST(AbbreviatedDateTimeTest, ShortMonthNoWeekdayNoSeconds)
{
    const QDateTime when = QDateTime(QDate(2026, 3, 1), QTime(14, 5, 33)).toUTC();
    const QString english = abbreviatedDateTime(when, QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(english.startsWith(QStringLiteral("Mar 1, 2026, "))) << english.toStdString();
    EXPECT_TRUE(english.contains(QStringLiteral("2:05"))) << english.toStdString();
    EXPECT_FALSE(english.contains(QStringLiteral("33"))) << english.toStdString();
    const QString c = abbreviatedDateTime(when, QLocale::c());
    EXPECT_FALSE(c.contains(QStringLiteral(":33"))) << c.toStdString();
}

TEST_F(GuideEditorViewTest, AFailedSaveShowsABannerWithRetryAndLosesNothing)
{
    open(2);
    EXPECT_FALSE(editor->saveBanner()->isVisible());
    // A folder where guide.json should be: no save can replace it (as on a
    // read-only or full disk, and the same for root).
    const QString document = store.folderPath(guide.id) + QStringLiteral("/guide.json");
    ASSERT_TRUE(QFile::remove(document));
    ASSERT_TRUE(QDir().mkdir(document));

    QTest::keyClicks(editor->titleField(), QStringLiteral(" twice"));
    scheduler.advance(1s);
    ASSERT_TRUE(editor->saveBanner()->isVisible());
    EXPECT_TRUE(editor->saveBanner()->text().startsWith(QStringLiteral("Couldn't save your changes: ")))
        << editor->saveBanner()->text().toStdString();
    EXPECT_EQ(store.guideWithID(guide.id)->title, QStringLiteral("Set up the printer twice")) << "kept in memory";
    EXPECT_EQ(editor->titleField()->text(), QStringLiteral("Set up the printer twice"));

    editor->saveBanner()->retryButton()->click();
    EXPECT_TRUE(editor->saveBanner()->isVisible()) << "still failing";
    ASSERT_TRUE(QDir().rmdir(document));
    editor->saveBanner()->retryButton()->click();
    EXPECT_FALSE(editor->saveBanner()->isVisible());
    EXPECT_EQ(decodeGuide(onDisk())->title, QStringLiteral("Set up the printer twice"));
}

} // namespace
} // namespace kelvo
