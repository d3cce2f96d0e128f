// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Guide.h"

#include <QRect>
#include <QSize>

namespace kelvo {

// The step's own framing, else the guide's; guides from before framing show the whole screen.
Framing effectiveFraming(const Guide &guide, const Step &step);

// Share of the display width that a close-up shows, and its aspect (width / height).
inline constexpr double closeUpWidthShare = 0.45;
inline constexpr double closeUpAspect = 16.0 / 10.0;
// Room left around the clicked window's frame, as a share of the display width.
inline constexpr double windowMarginShare = 0.02;

// The region of a screenshot of storedSize pixels (the stored file's size: the
// click marker's size depends on it) that the framing shows, in fractions of it.
// Whole screen, or a clicked window without a frame: the whole picture.
// Clicked window: the frame plus the margin, grown to take in the click marker
// (a click outside its window's frame) and to at least a close-up's size (a tiny
// window), clamped to the display. Close-up: 16:10 at 45 % of the display width,
// centred on the click, moved (never shrunk) to stay on the display.
NormalRect frameRegion(Framing framing, QSize storedSize, const Step &step);

// The pixels of a region in a picture of this size, rounded to the nearest pixel,
// at least one pixel, inside the picture.
QRect pixelRect(const NormalRect &region, QSize size);

// Every pixel the region touches (rounded outwards): what a redaction must cover.
QRect coveringPixelRect(const NormalRect &region, QSize size);

// Where a point given in fractions of the whole picture lies in a region, in fractions of the region.
NormalRect toRegion(const NormalRect &region, const NormalRect &rect);
// The inverse: a rectangle in fractions of the region back in fractions of the whole picture.
NormalRect fromRegion(const NormalRect &region, const NormalRect &rect);

// The outer radius, in pixels, of the click marker drawn on a picture this wide.
double markerOuterRadius(int storedWidth);

} // namespace kelvo
