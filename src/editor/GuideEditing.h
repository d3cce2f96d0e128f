// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Guide.h"
#include "store/GuideStore.h"

#include <QPointer>
#include <QString>
#include <QUndoCommand>
#include <QUndoStack>

#include <functional>

namespace kelvo {

// Undo action names of the structural edits (in English; shown translated).
inline const QString moveStepActionName = QStringLiteral(QT_TRANSLATE_NOOP("kelvo::GuideEditing", "Move Step"));
inline const QString deleteStepActionName = QStringLiteral(QT_TRANSLATE_NOOP("kelvo::GuideEditing", "Delete Step"));
inline const QString reorderStepsActionName = QStringLiteral(QT_TRANSLATE_NOOP("kelvo::GuideEditing", "Reorder Steps"));

// Replaces the stored guide with `state` (update: delayed save) and, while the
// stack lives and the guide was stored, pushes a command whose undo brings back
// the guide as it was and whose redo brings back `state`. Each undo or redo takes
// the store's copy at that moment as the state to return to, so the two
// alternate; once the guide is deleted they do nothing.
void applyWithUndo(GuideStore &store, const Guide &state, const QString &actionName, QPointer<QUndoStack> undoStack);

// One whole-guide snapshot swap on the store. Exposed for tests of the stack.
class GuideSnapshotCommand : public QUndoCommand {
public:
    GuideSnapshotCommand(GuideStore &store, Guide before, Guide after, const QString &actionName);

    void undo() override;
    void redo() override;

private:
    QPointer<GuideStore> store_;
    Guide before_;
    Guide after_;
    bool applied_ = true; // the change is in the store already when pushed
};

// Structural edits: read the store's copy, change it, and when it really changed,
// update the store and register undo (when a stack is given). Return whether
// anything changed.
bool moveStep(GuideStore &store, const QUuid &guideId, const QUuid &stepId, int offset, QUndoStack *undoStack);
bool deleteStep(GuideStore &store, const QUuid &guideId, const QUuid &stepId, QUndoStack *undoStack);
bool reorderStep(GuideStore &store, const QUuid &guideId, const QUuid &draggedId, const QUuid &targetId,
                 QUndoStack *undoStack);

// Text edits through the guide's binding, stored exactly as typed; no undo entry.
void setCaption(const GuideBinding &binding, const QUuid &stepId, const QString &caption);
void setTitle(const GuideBinding &binding, const QString &title);

// Clears the selection first, then removes the guide and its folder. No undo.
void deleteGuide(GuideStore &store, const QUuid &guideId, const std::function<void()> &clearSelection);

// The editor's export actions as the menu commands see them.
struct GuideActions {
    bool canExport = false;
    std::function<void()> exportPDF;
    std::function<void()> sharePDF;
    std::function<void()> reveal;
    std::function<void()> exportHTML;
    std::function<void()> exportMarkdown;
};

} // namespace kelvo
