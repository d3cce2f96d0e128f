// SPDX-License-Identifier: GPL-3.0-or-later
// Framing and redaction in the editor: the guide's segmented control, the step
// menu, Redact mode, and their undo.
#include "editor/FramingControls.h"
#include "editor/FramingEditing.h"
#include "editor/GuideEditorView.h"
#include "editor/StepImageView.h"
#include "editor/StepRowView.h"
#include "support/ManualScheduler.h"
#include "support/QtPrinters.h"
#include "support/TempDataDir.h"
#include "support/TestGuides.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace kelvo {
namespace {

void expectNear(const NormalRect &actual, const NormalRect &expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
    EXPECT_NEAR(actual.width, expected.width, 1e-9);
    EXPECT_NEAR(actual.height, expected.height, 1e-9);
}

class FramingEditorTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler};
    QUndoStack undo;
    Guide guide;
    std::unique_ptr<GuideEditorView> editor;

    void open(int steps)
    {
        guide = test::plantGuide(store, QStringLiteral("Framed"), steps, QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC));
        // The first step's click sits in a window on the left half of the screen.
        guide.steps[0].clickX = 0.25;
        guide.steps[0].clickY = 0.5;
        guide.steps[0].windowFrame = NormalRect{0.05, 0.2, 0.4, 0.6};
        store.update(guide);
        editor = std::make_unique<GuideEditorView>(store, *store.guideBinding(guide.id), &undo);
        editor->resize(1400, 900);
        editor->show();
        QCoreApplication::processEvents();
    }

    Guide stored() const { return *store.guideWithID(guide.id); }

    StepRowView *firstRow() const { return editor->stepRows().value(0); }

    // Waits for the row's screenshot to arrive from the cache's decoder.
    const QImage &shownImage(StepRowView *row)
    {
        EXPECT_TRUE(QTest::qWaitFor([row] { return row->imageView()->hasImage(); }, 10000))
            << "the screenshot never arrived";
        static const QImage none;
        return row->imageView()->image() ? *row->imageView()->image() : none;
    }
};

// --- the operations ------------------------------------------------------------------

TEST_F(FramingEditorTest, FramingEditsAreUndoableAndSilentWhenNothingChanges)
{
    open(2);
    const QUuid stepId = guide.steps[0].id;
    EXPECT_TRUE(setGuideFraming(store, guide.id, Framing::closeUp, &undo));
    EXPECT_EQ(stored().framing, Framing::closeUp);
    EXPECT_EQ(undo.undoText(), changeFramingActionName);
    EXPECT_FALSE(setGuideFraming(store, guide.id, Framing::closeUp, &undo));
    EXPECT_TRUE(setStepFraming(store, guide.id, stepId, Framing::wholeScreen, &undo));
    EXPECT_EQ(stored().steps[0].framing, Framing::wholeScreen);
    EXPECT_FALSE(setStepFraming(store, guide.id, QUuid::createUuid(), Framing::closeUp, &undo));
    EXPECT_FALSE(setStepFraming(store, QUuid::createUuid(), stepId, Framing::closeUp, &undo));
    EXPECT_EQ(undo.count(), 2);

    undo.undo();
    EXPECT_EQ(stored().steps[0].framing, std::nullopt);
    undo.undo();
    EXPECT_EQ(stored().framing, std::nullopt) << "back to an older guide's absent key";
    undo.redo();
    EXPECT_EQ(stored().framing, Framing::closeUp);
}

TEST_F(FramingEditorTest, RedactionsAreCutToThePictureAndRemovedByIndex)
{
    open(1);
    const QUuid stepId = guide.steps[0].id;
    EXPECT_TRUE(addRedaction(store, guide.id, stepId, {0.9, -0.2, 0.3, 0.4}, &undo));
    ASSERT_EQ(stored().steps[0].redactions.size(), 1);
    expectNear(stored().steps[0].redactions[0], {0.9, 0, 0.1, 0.2});
    EXPECT_FALSE(addRedaction(store, guide.id, stepId, {1.2, 0.1, 0.3, 0.3}, &undo)) << "wholly outside";
    EXPECT_FALSE(addRedaction(store, guide.id, stepId, {0.1, 0.1, 0, 0.3}, &undo)) << "no area";
    EXPECT_TRUE(addRedaction(store, guide.id, stepId, {0.5, 0.5, -0.2, -0.1}, &undo)) << "dragged up and left";
    expectNear(stored().steps[0].redactions.value(1), {0.3, 0.4, 0.2, 0.1});
    EXPECT_FALSE(removeRedaction(store, guide.id, stepId, 2, &undo));
    EXPECT_FALSE(removeRedaction(store, guide.id, stepId, -1, &undo));
    EXPECT_TRUE(removeRedaction(store, guide.id, stepId, 0, &undo));
    ASSERT_EQ(stored().steps[0].redactions.size(), 1);
    expectNear(stored().steps[0].redactions[0], {0.3, 0.4, 0.2, 0.1});
    EXPECT_EQ(undo.undoText(), removeRedactionActionName);
    undo.undo();
    EXPECT_EQ(stored().steps[0].redactions.size(), 2);
    undo.undo();
    undo.undo();
    EXPECT_TRUE(stored().steps[0].redactions.isEmpty());
}

// --- the editor ------------------------------------------------------------------------

TEST_F(FramingEditorTest, SegmentedControlSetsTheGuidesFramingAndRowsFollow)
{
    open(2);
    FramingSelector *selector = editor->framingSelector();
    ASSERT_TRUE(selector);
    EXPECT_EQ(selector->framing(), Framing::wholeScreen) << "an older guide shows the whole screen";
    StepRowView *row = firstRow();
    EXPECT_EQ(shownImage(row).size(), QSize(320, 180));

    QTest::mouseClick(selector->segment(Framing::clickedWindow), Qt::LeftButton);
    EXPECT_EQ(stored().framing, Framing::clickedWindow);
    // The window (0.05, 0.2, 0.4, 0.6) of a 320 x 180 picture, grown to a close-up's width.
    const QRect expected = pixelRect(frameRegion(Framing::clickedWindow, QSize(320, 180), stored().steps[0]), QSize(320, 180));
    EXPECT_EQ(shownImage(row).size(), expected.size());
    EXPECT_LT(expected.width(), 320);

    undo.undo();
    EXPECT_EQ(selector->framing(), Framing::wholeScreen);
    EXPECT_EQ(shownImage(row).size(), QSize(320, 180));
}

TEST_F(FramingEditorTest, StepMenuOverridesTheGuideAndFollowsItAgain)
{
    open(2);
    StepRowView *row = firstRow();
    StepFramingTools *tools = row->framingTools();
    QMenu *menu = tools->framingMenu();
    QAction *closeUp = nullptr;
    QAction *follow = nullptr;
    for (QAction *action : menu->actions()) {
        if (action->text() == QStringLiteral("Close-up"))
            closeUp = action;
        if (action->text().startsWith(QStringLiteral("Same as Guide")))
            follow = action;
    }
    ASSERT_TRUE(closeUp && follow);
    EXPECT_TRUE(follow->isChecked());
    EXPECT_EQ(follow->text(), QStringLiteral("Same as Guide (Whole screen)"));
    closeUp->trigger();
    EXPECT_EQ(stored().steps[0].framing, Framing::closeUp);
    EXPECT_EQ(stored().steps[1].framing, std::nullopt);
    EXPECT_TRUE(closeUp->isChecked());
    EXPECT_EQ(shownImage(row).size(), QSize(144, 90));
    follow->trigger();
    EXPECT_EQ(stored().steps[0].framing, std::nullopt);
    EXPECT_EQ(undo.undoText(), changeStepFramingActionName);
}

TEST_F(FramingEditorTest, RedactModeDrawsAndRemovesAreasWithUndo)
{
    open(1);
    StepRowView *row = firstRow();
    shownImage(row);
    StepFramingTools *tools = row->framingTools();
    RedactionOverlay *overlay = tools->overlay();
    EXPECT_TRUE(overlay->testAttribute(Qt::WA_TransparentForMouseEvents)) << "clicks pass outside Redact mode";
    EXPECT_EQ(tools->menu()->actions().count(tools->redactAction()), 1) << "Redact Areas… is in the step's menu";
    tools->redactAction()->trigger();
    ASSERT_TRUE(tools->isRedacting());
    EXPECT_TRUE(tools->doneButton()->isVisible());

    const QRectF picture = row->imageView()->imageRect();
    ASSERT_FALSE(picture.isEmpty());
    const QPoint from = (picture.topLeft() + QPointF(picture.width() * 0.2, picture.height() * 0.3)).toPoint();
    const QPoint to = (picture.topLeft() + QPointF(picture.width() * 0.6, picture.height() * 0.7)).toPoint();
    QTest::mousePress(overlay, Qt::LeftButton, {}, from);
    QTest::mouseMove(overlay, to);
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, to);
    ASSERT_EQ(stored().steps[0].redactions.size(), 1);
    const NormalRect area = stored().steps[0].redactions[0];
    EXPECT_NEAR(area.x, 0.2, 0.01);
    EXPECT_NEAR(area.y, 0.3, 0.01);
    EXPECT_NEAR(area.width, 0.4, 0.01);
    EXPECT_NEAR(area.height, 0.4, 0.01);
    EXPECT_EQ(undo.undoText(), addRedactionActionName);

    // The row's picture is filled where the area is.
    const QImage &shown = shownImage(row);
    const QColor middle = shown.pixelColor(int(shown.width() * 0.4), int(shown.height() * 0.5));
    EXPECT_EQ(middle, redactionFill);

    // A tiny drag marks nothing.
    QTest::mousePress(overlay, Qt::LeftButton, {}, from);
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, from + QPoint(2, 2));
    EXPECT_EQ(stored().steps[0].redactions.size(), 1);

    ASSERT_EQ(overlay->removeButtons().size(), 1);
    EXPECT_EQ(overlay->removeButtons()[0]->accessibleName(), QStringLiteral("Remove redaction 1"));
    QTest::mouseClick(overlay->removeButtons()[0], Qt::LeftButton);
    EXPECT_TRUE(stored().steps[0].redactions.isEmpty());
    undo.undo();
    EXPECT_EQ(stored().steps[0].redactions.size(), 1);

    QTest::mouseClick(tools->doneButton(), Qt::LeftButton);
    EXPECT_FALSE(tools->isRedacting());
    EXPECT_TRUE(overlay->removeButtons().isEmpty());
}

} // namespace
} // namespace kelvo
