// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Framing.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace kelvo {

// Redacted areas are painted over solid, never blurred: a blur of text can be undone.
inline const QColor redactionFill{28, 28, 30};
inline constexpr int exportJpegQuality = 85;

// Everything that decides how one step's stored screenshot is shown: the same
// for the editor, the thumbnails and every export.
struct StepImageRecipe {
    Framing framing = Framing::wholeScreen;
    double clickX = 0;
    double clickY = 0;
    std::optional<NormalRect> windowFrame;
    QList<NormalRect> redactions;

    // The stored picture as it is: whole screen (or a window framing without a
    // frame) and nothing to redact.
    bool leavesPictureAlone() const;
    // The region shown of a picture stored at this size.
    NormalRect region(QSize storedSize) const;

    friend bool operator==(const StepImageRecipe &, const StepImageRecipe &) = default;
};

StepImageRecipe stepImageRecipe(const Guide &guide, const Step &step);
StepImageRecipe stepImageRecipe(std::optional<Framing> guideFraming, const Step &step);

// Crops the picture to the recipe's region and fills its redactions. image may
// be a scaled-down decode of a file stored at storedSize (the click marker's
// size, and so the window framing, depends on the stored width).
QImage applyStepImageRecipe(const QImage &image, const StepImageRecipe &recipe, QSize storedSize);

// Fills the redactions (fractions of the whole picture) of a picture showing region.
void fillRedactions(QImage &image, const NormalRect &region, const QList<NormalRect> &redactions);

// A step's picture for an export that needs new pixels: decoded (only the
// framed part when the file allows), cropped, redacted and encoded once as JPEG.
struct RenderedStepImage {
    QByteArray jpeg;
    QSize size;
};
std::optional<RenderedStepImage> renderStepImageFile(const QString &path, const StepImageRecipe &recipe);

std::optional<QByteArray> encodeJpeg(const QImage &image, int quality = exportJpegQuality);

} // namespace kelvo
