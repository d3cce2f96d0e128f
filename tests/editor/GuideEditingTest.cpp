// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/GuideEditing.h"

#include "editor/pdf/PdfExport.h"
#include "model/GuideJson.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"

#include <QFile>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

class GuideEditingTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler};
    QUndoStack undo;
    Guide guide;

    void SetUp() override { plant(4); }

    void plant(int steps)
    {
        if (store.guideWithID(guide.id))
            store.deleteGuide(guide.id);
        guide = Guide();
        guide.title = QStringLiteral("Guide");
        guide.createdAt = QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC);
        for (int i = 1; i <= steps; ++i) {
            Step step;
            step.caption = QStringLiteral("Step %1").arg(i);
            step.imageFileName = QStringLiteral("step-%1.jpg").arg(i);
            step.appName = QStringLiteral("App");
            guide.steps.append(step);
        }
        store.add(guide);
    }

    QUuid stepId(int number) const { return guide.steps[number - 1].id; }

    // The stored order as the captured numbers: "1,3,2".
    std::string order() const
    {
        QStringList numbers;
        const Guide stored = *store.guideWithID(guide.id);
        for (const Step &step : stored.steps)
            numbers << step.caption.mid(5);
        return numbers.join(QLatin1Char(',')).toStdString();
    }

    QByteArray onDisk() const
    {
        QFile file(data.filePath(uuidText(guide.id) + "/guide.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(GuideEditingTest, MovesPastEitherEndChangeNothingAndRegisterNothing)
{
    EXPECT_FALSE(moveStep(store, guide.id, stepId(1), -1, &undo));
    EXPECT_FALSE(moveStep(store, guide.id, stepId(4), +1, &undo));
    EXPECT_FALSE(moveStep(store, guide.id, QUuid::createUuid(), +1, &undo));
    EXPECT_FALSE(moveStep(store, QUuid::createUuid(), stepId(1), +1, &undo));
    EXPECT_EQ(order(), "1,2,3,4");
    EXPECT_EQ(undo.count(), 0);
    EXPECT_FALSE(store.hasPendingSave(guide.id));
}

TEST_F(GuideEditingTest, MoveDownThenUndoAndRedoAlternate)
{
    plant(3);
    ASSERT_TRUE(moveStep(store, guide.id, stepId(2), +1, &undo));
    EXPECT_EQ(order(), "1,3,2");
    ASSERT_EQ(undo.count(), 1);
    EXPECT_EQ(undo.undoText().toStdString(), "Move Step");

    undo.undo();
    EXPECT_EQ(order(), "1,2,3");
    EXPECT_EQ(undo.redoText().toStdString(), "Move Step");
    undo.redo();
    EXPECT_EQ(order(), "1,3,2");
    undo.undo();
    undo.redo();
    EXPECT_EQ(order(), "1,3,2");
    EXPECT_EQ(undo.count(), 1);
}

TEST_F(GuideEditingTest, UndoSavesThroughTheDelayedSave)
{
    ASSERT_TRUE(moveStep(store, guide.id, stepId(1), +1, &undo));
    scheduler.advance(400ms);
    EXPECT_EQ(decodeGuide(onDisk())->steps[0].id, stepId(2));
    undo.undo();
    EXPECT_TRUE(store.hasPendingSave(guide.id));
    scheduler.advance(399ms);
    EXPECT_EQ(decodeGuide(onDisk())->steps[0].id, stepId(2));
    scheduler.advance(1ms);
    EXPECT_EQ(decodeGuide(onDisk())->steps[0].id, stepId(1));
}

struct ReorderCase {
    const char *name;
    int dragged;
    int target;
    const char *expected;
    bool changes;
};

class ReorderTest : public GuideEditingTest, public ::testing::WithParamInterface<ReorderCase> {};

TEST_P(ReorderTest, DraggedStepTakesTheTargetsPlace)
{
    const ReorderCase &c = GetParam();
    EXPECT_EQ(reorderStep(store, guide.id, stepId(c.dragged), stepId(c.target), &undo), c.changes);
    EXPECT_EQ(order(), c.expected);
    EXPECT_EQ(undo.count(), c.changes ? 1 : 0);
    if (c.changes) {
        EXPECT_EQ(undo.undoText().toStdString(), "Reorder Steps");
        undo.undo();
        EXPECT_EQ(order(), "1,2,3,4");
    }
}

INSTANTIATE_TEST_SUITE_P(Drops, ReorderTest,
                         ::testing::Values(ReorderCase{"FirstOntoThird", 1, 3, "2,3,1,4", true},
                                           ReorderCase{"LastOntoSecond", 4, 2, "1,4,2,3", true},
                                           ReorderCase{"OntoNeighbourBelow", 2, 3, "1,3,2,4", true},
                                           ReorderCase{"LastOntoFirst", 4, 1, "4,1,2,3", true},
                                           ReorderCase{"OntoItself", 3, 3, "1,2,3,4", false}),
                         [](const auto &p) { return std::string(p.param.name); });

TEST_F(GuideEditingTest, ReorderWithAnUnknownStepChangesNothing)
{
    EXPECT_FALSE(reorderStep(store, guide.id, QUuid::createUuid(), stepId(2), &undo));
    EXPECT_FALSE(reorderStep(store, guide.id, stepId(2), QUuid::createUuid(), &undo));
    EXPECT_EQ(order(), "1,2,3,4");
    EXPECT_EQ(undo.count(), 0);
}

TEST_F(GuideEditingTest, DeleteAndUndoBringBackTheSameStep)
{
    const Step removed = guide.steps[1];
    ASSERT_TRUE(deleteStep(store, guide.id, removed.id, &undo));
    EXPECT_EQ(order(), "1,3,4");
    EXPECT_EQ(undo.undoText().toStdString(), "Delete Step");
    undo.undo();
    ASSERT_EQ(order(), "1,2,3,4");
    EXPECT_EQ(store.guideWithID(guide.id)->steps[1], removed);
    EXPECT_FALSE(deleteStep(store, guide.id, QUuid::createUuid(), &undo));
}

TEST_F(GuideEditingTest, DeleteRemovesOneStepEvenWhenOthersShareItsId)
{
    // A hand-edited document: steps 2 and 3 carry one id.
    guide.steps[2].id = guide.steps[1].id;
    store.update(guide);
    ASSERT_TRUE(deleteStep(store, guide.id, guide.steps[1].id, &undo));
    EXPECT_EQ(order(), "1,3,4");
}

TEST_F(GuideEditingTest, DeletingTheOnlyStepLeavesAnEmptyGuide)
{
    plant(1);
    ASSERT_TRUE(deleteStep(store, guide.id, stepId(1), &undo));
    EXPECT_TRUE(store.guideWithID(guide.id)->steps.isEmpty());
}

TEST_F(GuideEditingTest, UndoRestoresTheWholeSnapshotAndRedoTheEditedState)
{
    ASSERT_TRUE(deleteStep(store, guide.id, stepId(2), &undo));
    const auto binding = store.guideBinding(guide.id);
    ASSERT_TRUE(binding);
    setCaption(*binding, stepId(1), QStringLiteral("Typed after the deletion"));
    EXPECT_EQ(undo.count(), 1); // text edits register nothing

    undo.undo();
    Guide now = *store.guideWithID(guide.id);
    EXPECT_EQ(now.steps.size(), 4);
    EXPECT_EQ(now.steps[0].caption.toStdString(), "Step 1");

    // Redo brings back the state undo replaced, caption included.
    undo.redo();
    now = *store.guideWithID(guide.id);
    EXPECT_EQ(now.steps.size(), 3);
    EXPECT_EQ(now.steps[0].caption.toStdString(), "Typed after the deletion");
}

TEST_F(GuideEditingTest, UndoAfterTheGuideIsDeletedDoesNothing)
{
    ASSERT_TRUE(moveStep(store, guide.id, stepId(1), +1, &undo));
    store.deleteGuide(guide.id);
    undo.undo();
    undo.redo();
    EXPECT_FALSE(store.guideWithID(guide.id));
    EXPECT_FALSE(store.hasPendingSave(guide.id));
    EXPECT_FALSE(QFile::exists(data.filePath(uuidText(guide.id))));
}

TEST_F(GuideEditingTest, WithoutAnUndoStackTheEditStillHappens)
{
    EXPECT_TRUE(moveStep(store, guide.id, stepId(1), +1, nullptr));
    EXPECT_EQ(order(), "2,1,3,4");
    auto stack = new QUndoStack;
    QPointer<QUndoStack> weak(stack);
    delete stack; // the window closed
    applyWithUndo(store, guide, moveStepActionName, weak);
    EXPECT_EQ(order(), "1,2,3,4");
}

TEST_F(GuideEditingTest, TextIsStoredExactlyAsTyped)
{
    const auto binding = store.guideBinding(guide.id);
    ASSERT_TRUE(binding);
    setTitle(*binding, QStringLiteral("  spaced: title  "));
    setCaption(*binding, stepId(3), QString());
    const Guide now = *store.guideWithID(guide.id);
    EXPECT_EQ(now.title.toStdString(), "  spaced: title  ");
    EXPECT_TRUE(now.steps[2].caption.isEmpty());
    EXPECT_EQ(undo.count(), 0);
    // One delayed write for the burst.
    scheduler.advance(400ms);
    EXPECT_EQ(decodeGuide(onDisk())->title.toStdString(), "  spaced: title  ");
}

TEST_F(GuideEditingTest, DeleteGuideClearsTheSelectionBeforeTheGuideGoes)
{
    bool stillListedWhenCleared = false;
    deleteGuide(store, guide.id, [&] { stillListedWhenCleared = store.guideWithID(guide.id).has_value(); });
    EXPECT_TRUE(stillListedWhenCleared);
    EXPECT_FALSE(store.guideWithID(guide.id));
    EXPECT_FALSE(QFile::exists(data.filePath(uuidText(guide.id))));
}

TEST(SuggestedPDFName, ReplacesSlashesAndColonsOnly)
{
    const std::pair<const char *, const char *> cases[] = {
        {"Plain title", "Plain title.pdf"},
        {"a/b:c//d::", "a-b-c--d--.pdf"},
        {"v1.2 notes.pdf", "v1.2 notes.pdf.pdf"},
        {"", ".pdf"},
        {"Ünïcode \\ back", "Ünïcode \\ back.pdf"},
    };
    for (const auto &[title, expected] : cases)
        EXPECT_EQ(suggestedPDFName(QString::fromUtf8(title)).toStdString(), expected) << title;
}

} // namespace
} // namespace kelvo
