// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/export/ExportFormat.h"
#include "model/Guide.h"

#include <functional>
#include <optional>

namespace kelvo {

// Where a step's screenshot is stored; nothing when the step names no file of its guide.
using StepImagePathSource = std::function<std::optional<QString>(const Step &)>;

// Writes the guide in one format at destination (a file, or for Markdown a
// folder), reading each screenshot through readStepImageBytes when its step comes.
// Missing or unreadable screenshots leave their steps without an image. Throws
// GuideExportError (MarkdownFolderExists for an occupied Markdown folder).
void exportGuide(const Guide &guide, const QString &destination, ExportFormat format,
                 const StepImagePathSource &imagePaths, bool replaceExport = false);

} // namespace kelvo
