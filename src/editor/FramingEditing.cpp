// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/FramingEditing.h"

#include "editor/GuideEditing.h"

#include <algorithm>
#include <cmath>

namespace kelvo {
namespace {

template<typename Change>
bool editGuide(GuideStore &store, const QUuid &guideId, const QString &actionName, QUndoStack *undoStack,
               Change change)
{
    const auto before = store.guideWithID(guideId);
    if (!before)
        return false;
    Guide after = *before;
    change(after);
    if (after == *before)
        return false;
    applyWithUndo(store, after, actionName, undoStack);
    return true;
}

Step *stepIn(Guide &guide, const QUuid &stepId)
{
    const auto it = std::find_if(guide.steps.begin(), guide.steps.end(), [&](const Step &s) { return s.id == stepId; });
    return it == guide.steps.end() ? nullptr : &*it;
}

} // namespace

QString framingTitle(Framing framing)
{
    switch (framing) {
    case Framing::wholeScreen: return QStringLiteral("Whole screen");
    case Framing::clickedWindow: return QStringLiteral("Clicked window");
    case Framing::closeUp: return QStringLiteral("Close-up");
    }
    return {};
}

bool setGuideFraming(GuideStore &store, const QUuid &guideId, Framing framing, QUndoStack *undoStack)
{
    return editGuide(store, guideId, changeFramingActionName, undoStack, [&](Guide &guide) {
        // Choosing what an older guide shows anyway still writes the key: the choice was made.
        guide.framing = framing;
    });
}

bool setStepFraming(GuideStore &store, const QUuid &guideId, const QUuid &stepId, std::optional<Framing> framing,
                    QUndoStack *undoStack)
{
    return editGuide(store, guideId, changeStepFramingActionName, undoStack, [&](Guide &guide) {
        if (Step *step = stepIn(guide, stepId))
            step->framing = framing;
    });
}

std::optional<NormalRect> clampedToPicture(const NormalRect &area)
{
    if (!std::isfinite(area.x) || !std::isfinite(area.y) || !std::isfinite(area.width) || !std::isfinite(area.height))
        return std::nullopt;
    const double left = std::clamp(std::min(area.x, area.x + area.width), 0.0, 1.0);
    const double right = std::clamp(std::max(area.x, area.x + area.width), 0.0, 1.0);
    const double top = std::clamp(std::min(area.y, area.y + area.height), 0.0, 1.0);
    const double bottom = std::clamp(std::max(area.y, area.y + area.height), 0.0, 1.0);
    if (right - left <= 0 || bottom - top <= 0)
        return std::nullopt;
    return NormalRect{left, top, right - left, bottom - top};
}

bool addRedaction(GuideStore &store, const QUuid &guideId, const QUuid &stepId, const NormalRect &area,
                  QUndoStack *undoStack)
{
    const auto clamped = clampedToPicture(area);
    if (!clamped)
        return false;
    return editGuide(store, guideId, addRedactionActionName, undoStack, [&](Guide &guide) {
        if (Step *step = stepIn(guide, stepId))
            step->redactions.append(*clamped);
    });
}

bool removeRedaction(GuideStore &store, const QUuid &guideId, const QUuid &stepId, qsizetype index,
                     QUndoStack *undoStack)
{
    return editGuide(store, guideId, removeRedactionActionName, undoStack, [&](Guide &guide) {
        Step *step = stepIn(guide, stepId);
        if (step && index >= 0 && index < step->redactions.size())
            step->redactions.removeAt(index);
    });
}

} // namespace kelvo
