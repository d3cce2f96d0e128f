// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/export/ExportFormat.h"
#include "editor/export/StepImageFile.h"
#include "model/Guide.h"

namespace kelvo {

// Writes the guide as one self-contained HTML5 page: screenshots embedded as data
// URIs of their own bytes, an inline stylesheet, no script and no reference to
// anything outside the file. Streams one step at a time and writes atomically:
// the file appears only when complete. Throws GuideExportError.
void writeHTML(const Guide &guide, const QString &destination, const StepImageFileSource &images);

// Text for HTML content and attribute values: & < > " ' as references, and
// characters HTML does not allow (controls, noncharacters) as U+FFFD.
QString escapeHtml(const QString &text);

} // namespace kelvo
