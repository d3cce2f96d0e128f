// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Guide.h"
#include "store/GuideStore.h"

#include <QString>
#include <QUndoStack>

#include <optional>

namespace kelvo {

inline const QString changeFramingActionName = QStringLiteral("Change Framing");
inline const QString changeStepFramingActionName = QStringLiteral("Change Step Framing");
inline const QString addRedactionActionName = QStringLiteral("Redact Area");
inline const QString removeRedactionActionName = QStringLiteral("Remove Redaction");

// The menu and control texts of the framings.
QString framingTitle(Framing framing);

// Whole-guide snapshot edits like the structural ones: nothing happens (and no
// undo entry) when the guide, the step or the redaction is unknown or nothing
// would change. Return whether the guide changed.
bool setGuideFraming(GuideStore &store, const QUuid &guideId, Framing framing, QUndoStack *undoStack);
// Nothing = the step follows the guide again.
bool setStepFraming(GuideStore &store, const QUuid &guideId, const QUuid &stepId, std::optional<Framing> framing,
                    QUndoStack *undoStack);
// The area in fractions of the whole screenshot; cut to the screenshot, refused when empty.
bool addRedaction(GuideStore &store, const QUuid &guideId, const QUuid &stepId, const NormalRect &area,
                  QUndoStack *undoStack);
bool removeRedaction(GuideStore &store, const QUuid &guideId, const QUuid &stepId, qsizetype index,
                     QUndoStack *undoStack);

// The area cut to the screenshot (0..1 on both axes); nothing when no area is left.
std::optional<NormalRect> clampedToPicture(const NormalRect &area);

} // namespace kelvo
