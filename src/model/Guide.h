// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include "model/FrameTypes.h"

#include <optional>

namespace kelvo {

// One captured click.
struct Step {
    QUuid id = QUuid::createUuid();
    QString caption;
    std::optional<QString> appName;
    double timestamp = 0;  // seconds from the start of the recording
    QString imageFileName; // bare file name inside the guide's folder
    double clickX = 0;     // fraction of the display width, 0 at the left
    double clickY = 0;     // fraction of the display height, 0 at the top
    bool isRightClick = false;
    // The clicked top-level window with its frame; absent for old guides and the bare desktop.
    std::optional<NormalRect> windowFrame = {};
    std::optional<Framing> framing = {}; // overrides the guide's
    QList<NormalRect> redactions = {};   // filled solid wherever the screenshot is shown

    friend bool operator==(const Step &, const Step &) = default;
};

// One recorded task: its steps in presentation order.
struct Guide {
    QUuid id = QUuid::createUuid();
    QString title;
    QDateTime createdAt;
    double duration = 0; // seconds
    std::optional<QString> videoFileName;
    QList<Step> steps;
    std::optional<Framing> framing = {}; // absent: the whole screen

    friend bool operator==(const Guide &, const Guide &) = default;
};

// Canonical upper-case 36-character text of a UUID, as used for folder names and guide.json.
QString uuidText(const QUuid &id);

// True when name can safely be joined to a folder: not empty, not "." or "..",
// and without path separators. Names read from disk that fail this never resolve.
bool isBareFileName(const QString &name);

} // namespace kelvo
