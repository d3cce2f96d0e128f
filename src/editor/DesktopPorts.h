// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/export/ExportFormat.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace kelvo {

// What export, share and reveal need from the desktop; ExportActions.h has the
// real ones, tests their own.

// Selects files or folders in the file manager.
class FileRevealer {
public:
    virtual ~FileRevealer() = default;
    virtual void showItems(const QStringList &paths) = 0;
};

// What the share menu offers for one file.
class ShareServices {
public:
    virtual ~ShareServices() = default;
    virtual void email(const QString &path) = 0; // xdg-email --attach
    virtual void copy(const QString &path) = 0;  // the file to the clipboard
    virtual void open(const QString &path) = 0;  // the default viewer
};

// Offers a written file for sharing at a point of a window.
class SharePicker {
public:
    virtual ~SharePicker() = default;
    virtual void offer(const QString &path, QWidget *window, QPoint anchor) = 0;
};

// Asks where to save a PDF; nothing when the user cancels.
class SavePanel {
public:
    virtual ~SavePanel() = default;
    virtual std::optional<QString> askForPDFLocation(QWidget *parent, const QString &suggestedName) = 0;
    // The file, or for Markdown the new folder, of an export in format. PDF asks
    // askForPDFLocation; other formats are offered only by panels that know them.
    virtual std::optional<QString> askForExportLocation(QWidget *parent, const QString &suggestedName,
                                                        ExportFormat format);
};

// The export format chosen last, kept between runs; PDF until one is chosen.
class ExportFormatMemory {
public:
    virtual ~ExportFormatMemory() = default;
    virtual ExportFormat lastFormat() const = 0;
    virtual void remember(ExportFormat format) = 0;
};

// Shows an alert and returns when it is dismissed.
class Alerter {
public:
    virtual ~Alerter() = default;
    virtual void alert(QWidget *parent, const QString &title, const QString &message) = 0;
};

} // namespace kelvo
