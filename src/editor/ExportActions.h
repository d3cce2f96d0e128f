// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/DesktopPorts.h"
#include "editor/GuideEditing.h"
#include "editor/export/ExportFormat.h"
#include "store/GuideStore.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class QMenu;

namespace kelvo {

// org.freedesktop.FileManager1.ShowItems on the session bus; where no file
// manager answers, opens the folder holding the first item instead.
// What the file manager fallback opens for an item: a folder itself, a file's folder.
QUrl folderToOpenFor(const QString &path);
// Where the save dialog starts: the documents folder when it exists, else home.
QString exportStartFolder(const QString &documents, const QString &home);

class DesktopFileRevealer final : public FileRevealer {
public:
    using UrlOpener = std::function<void(const QUrl &)>;
    explicit DesktopFileRevealer(UrlOpener fallback = {});
    void showItems(const QStringList &paths) override;

private:
    UrlOpener fallback_;
};

class DesktopShareServices final : public ShareServices {
public:
    void email(const QString &path) override;
    void copy(const QString &path) override;
    void open(const QString &path) override;
};

// The menu "Email", "Copy", "Open" for one file; the caller shows it.
QMenu *makeShareMenu(const QString &path, ShareServices &services, QWidget *parent);

class MenuSharePicker final : public SharePicker {
public:
    explicit MenuSharePicker(ShareServices &services) : services_(services) {}
    void offer(const QString &path, QWidget *window, QPoint anchor) override;

private:
    ShareServices &services_;
};

class FileDialogSavePanel final : public SavePanel {
public:
    std::optional<QString> askForPDFLocation(QWidget *parent, const QString &suggestedName) override;
    std::optional<QString> askForExportLocation(QWidget *parent, const QString &suggestedName,
                                                ExportFormat format) override;
};

// In the application's settings file under "exportFormat".
class SettingsExportFormatMemory final : public ExportFormatMemory {
public:
    ExportFormat lastFormat() const override;
    void remember(ExportFormat format) override;
};

class MessageBoxAlerter final : public Alerter {
public:
    void alert(QWidget *parent, const QString &title, const QString &message) override;
};

inline const QString exportErrorTitle = QStringLiteral(QT_TRANSLATE_NOOP("kelvo::ExportActions", "Couldn't export"));

// A folder only this user can enter (0700, owned by the user), for shared PDFs:
// under the runtime directory, else the cache directory. Empty with errorText on failure.
QString privateShareFolder(const QString &base = {}, QString *errorText = nullptr);

// Export, share and reveal of the guide an editor shows, on the main thread.
class GuideExporter {
public:
    struct Services {
        SavePanel *savePanel = nullptr;
        FileRevealer *revealer = nullptr;
        SharePicker *sharePicker = nullptr;
        Alerter *alerter = nullptr;
        QString shareBase; // empty = the user's runtime or cache directory
        ExportFormatMemory *formatMemory = nullptr; // nothing = PDF, not remembered
    };

    GuideExporter(GuideStore &store, GuideBinding binding, QWidget *window, Services services);

    // Writes the guide as it is now; false with errorText on failure.
    bool writeGuidePDF(const QString &destination, QString *errorText) const;
    bool writeGuide(const QString &destination, ExportFormat format, QString *errorText) const;

    void exportPDF();
    // Asks where, writes, reveals the result, and remembers the format.
    void exportAs(ExportFormat format);
    ExportFormat lastFormat() const;
    void sharePDF();
    void reveal();
    // The share menu opens under this widget (the Share button) when it is set.
    void setShareAnchor(QWidget *anchor) { shareAnchor_ = anchor; }

    const std::optional<QString> &exportError() const { return exportError_; }
    // A fresh record for the guide as it is now; the actions act on the guide as
    // it is when they are called. They refer to this exporter, which the editor
    // keeps for as long as it publishes them.
    GuideActions actions();

private:
    void fail(const QString &message);

    QPointer<GuideStore> store_;
    GuideBinding binding_;
    QPointer<QWidget> window_;
    QPointer<QWidget> shareAnchor_;
    Services services_;
    std::optional<QString> exportError_;
};

} // namespace kelvo
