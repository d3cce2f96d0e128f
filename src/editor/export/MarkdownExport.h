// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/export/ExportFormat.h"
#include "editor/export/StepImageFile.h"
#include "model/Guide.h"

namespace kelvo {

class MarkdownFolderExists : public GuideExportError {
public:
    using GuideExportError::GuideExportError;
};

// Writes the guide as a folder holding README.md (CommonMark with GitHub's
// extensions in mind) and images/step-N.jpg, the screenshots' own bytes, linked
// relatively. The folder is built beside the destination under a hidden name and
// renamed into place, so it appears complete or not at all. An existing empty
// folder is replaced; a non-empty one throws MarkdownFolderExists unless
// replaceExport is set and it holds nothing but an earlier export. Throws
// GuideExportError for every other failure.
void writeMarkdown(const Guide &guide, const QString &destination, const StepImageFileSource &images,
                   bool replaceExport = false);

// Inline text that renders literally: ASCII punctuation backslash-escaped, line
// breaks and controls as spaces, no leading or trailing space.
QString escapeMarkdown(const QString &text);

// Whether path is a folder holding only README.md and images/step-N.<ext>.
bool isMarkdownExportFolder(const QString &path);

} // namespace kelvo
