// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/GuideEditing.h"

#include <QCoreApplication>

#include <algorithm>

namespace kelvo {

namespace {

qsizetype indexOfStep(const QList<Step> &steps, const QUuid &stepId)
{
    const auto it = std::find_if(steps.cbegin(), steps.cend(), [&](const Step &step) { return step.id == stepId; });
    return it == steps.cend() ? -1 : qsizetype(it - steps.cbegin());
}

// The shared pattern: compare before update, so edits with nothing to do stay silent.
template<typename Change>
bool editStructure(GuideStore &store, const QUuid &guideId, const QString &actionName, QUndoStack *undoStack,
                   Change change)
{
    const auto before = store.guideWithID(guideId);
    if (!before)
        return false;
    Guide after = *before;
    change(after.steps);
    if (after == *before)
        return false;
    applyWithUndo(store, after, QCoreApplication::translate("kelvo::GuideEditing", actionName.toUtf8().constData()),
                  undoStack);
    return true;
}

} // namespace

GuideSnapshotCommand::GuideSnapshotCommand(GuideStore &store, Guide before, Guide after, const QString &actionName)
    : QUndoCommand(actionName)
    , store_(&store)
    , before_(std::move(before))
    , after_(std::move(after))
{
}

void GuideSnapshotCommand::undo()
{
    if (!store_)
        return;
    const auto now = store_->guideWithID(before_.id);
    if (!now)
        return; // deleted meanwhile
    after_ = *now;
    store_->update(before_);
    applied_ = false;
}

void GuideSnapshotCommand::redo()
{
    // QUndoStack::push calls redo(); the change was applied before the push.
    if (applied_) {
        applied_ = false;
        return;
    }
    if (!store_)
        return;
    const auto now = store_->guideWithID(after_.id);
    if (!now)
        return;
    before_ = *now;
    store_->update(after_);
}

void applyWithUndo(GuideStore &store, const Guide &state, const QString &actionName, QPointer<QUndoStack> undoStack)
{
    const auto previous = store.guideWithID(state.id);
    store.update(state);
    if (previous && undoStack)
        undoStack->push(new GuideSnapshotCommand(store, *previous, state, actionName));
}

bool moveStep(GuideStore &store, const QUuid &guideId, const QUuid &stepId, int offset, QUndoStack *undoStack)
{
    return editStructure(store, guideId, moveStepActionName, undoStack, [&](QList<Step> &steps) {
        const qsizetype index = indexOfStep(steps, stepId);
        if (index < 0)
            return;
        const qsizetype target = index + offset;
        if (target < 0 || target >= steps.size())
            return;
        steps.swapItemsAt(index, target);
    });
}

bool deleteStep(GuideStore &store, const QUuid &guideId, const QUuid &stepId, QUndoStack *undoStack)
{
    return editStructure(store, guideId, deleteStepActionName, undoStack, [&](QList<Step> &steps) {
        // One step, even where a hand-edited document gave several the same id.
        if (const qsizetype index = indexOfStep(steps, stepId); index >= 0)
            steps.removeAt(index);
    });
}

bool reorderStep(GuideStore &store, const QUuid &guideId, const QUuid &draggedId, const QUuid &targetId,
                 QUndoStack *undoStack)
{
    return editStructure(store, guideId, reorderStepsActionName, undoStack, [&](QList<Step> &steps) {
        const qsizetype from = indexOfStep(steps, draggedId);
        const qsizetype to = indexOfStep(steps, targetId);
        if (from < 0 || to < 0 || from == to)
            return;
        // Insert at the target's index taken before the removal: a later target
        // puts the step just after it, an earlier one just before it.
        steps.move(from, to);
    });
}

void setCaption(const GuideBinding &binding, const QUuid &stepId, const QString &caption)
{
    Guide guide = binding.get();
    bool found = false;
    for (Step &step : guide.steps) {
        if (step.id == stepId) {
            step.caption = caption;
            found = true;
            break;
        }
    }
    if (found)
        binding.set(guide);
}

void setTitle(const GuideBinding &binding, const QString &title)
{
    Guide guide = binding.get();
    guide.title = title;
    binding.set(guide);
}

void deleteGuide(GuideStore &store, const QUuid &guideId, const std::function<void()> &clearSelection)
{
    if (clearSelection)
        clearSelection();
    store.deleteGuide(guideId);
}

} // namespace kelvo
