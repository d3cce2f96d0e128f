#pragma once

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

// Selects files or folders in the file manager.
class FileRevealer {
public:
    virtual ~FileRevealer() = default;
    virtual void showItems(const QStringList &paths) = 0;
};

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

// What the share menu offers for one file.
class ShareServices {
public:
    virtual ~ShareServices() = default;
    virtual void email(const QString &path) = 0; // xdg-email --attach
    virtual void copy(const QString &path) = 0;  // the file to the clipboard
    virtual void open(const QString &path) = 0;  // the default viewer
};

class DesktopShareServices final : public ShareServices {
public:
    void email(const QString &path) override;
    void copy(const QString &path) override;
    void open(const QString &path) override;
};

// The menu "Email", "Copy", "Open" for one file; the caller shows it.
QMenu *makeShareMenu(const QString &path, ShareServices &services, QWidget *parent);

// Offers a written file for sharing at a point of a window.
class SharePicker {
public:
    virtual ~SharePicker() = default;
    virtual void offer(const QString &path, QWidget *window, QPoint anchor) = 0;
};

class MenuSharePicker final : public SharePicker {
public:
    explicit MenuSharePicker(ShareServices &services) : services_(services) {}
    void offer(const QString &path, QWidget *window, QPoint anchor) override;

private:
    ShareServices &services_;
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

class FileDialogSavePanel final : public SavePanel {
public:
    std::optional<QString> askForPDFLocation(QWidget *parent, const QString &suggestedName) override;
    std::optional<QString> askForExportLocation(QWidget *parent, const QString &suggestedName,
                                                ExportFormat format) override;
};

// The export format chosen last, kept between runs; PDF until one is chosen.
class ExportFormatMemory {
public:
    virtual ~ExportFormatMemory() = default;
    virtual ExportFormat lastFormat() const = 0;
    virtual void remember(ExportFormat format) = 0;
};

// In the application's settings file under "exportFormat".
class SettingsExportFormatMemory final : public ExportFormatMemory {
public:
    ExportFormat lastFormat() const override;
    void remember(ExportFormat format) override;
};

// Shows an alert and returns when it is dismissed.
class Alerter {
public:
    virtual ~Alerter() = default;
    virtual void alert(QWidget *parent, const QString &title, const QString &message) = 0;
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
