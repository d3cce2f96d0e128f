// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ExportActions.h"

#include "editor/export/GuideExport.h"
#include "editor/export/MarkdownExport.h"
#include "editor/pdf/PdfExport.h"
#include "store/Settings.h"

#include <QCoreApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo {

DesktopFileRevealer::DesktopFileRevealer(UrlOpener fallback)
    : fallback_(std::move(fallback))
{
    if (!fallback_)
        fallback_ = [](const QUrl &url) { QDesktopServices::openUrl(url); };
}

QUrl folderToOpenFor(const QString &path)
{
    const QFileInfo info(path);
    return QUrl::fromLocalFile(info.isDir() ? info.absoluteFilePath() : info.absolutePath());
}

QString exportStartFolder(const QString &documents, const QString &home)
{
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : home;
}

void DesktopFileRevealer::showItems(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    QStringList uris;
    for (const QString &path : paths)
        uris << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    const QUrl folder = folderToOpenFor(paths.first());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fallback_(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    // Asynchronous, so a file manager being started by the bus never blocks the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [fallback = fallback_, folder](QDBusPendingCallWatcher *w) {
                         if (w->isError())
                             fallback(folder);
                         w->deleteLater();
                     });
}

void DesktopShareServices::email(const QString &path)
{
    QProcess::startDetached(QStringLiteral("xdg-email"), {QStringLiteral("--attach"), path});
}

void DesktopShareServices::copy(const QString &path)
{
    auto *data = new QMimeData;
    const QUrl url = QUrl::fromLocalFile(path);
    data->setUrls({url}); // text/uri-list
    // File managers of GNOME and others paste files from this form.
    data->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + url.toEncoded());
    QGuiApplication::clipboard()->setMimeData(data);
}

void DesktopShareServices::open(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QMenu *makeShareMenu(const QString &path, ShareServices &services, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->addAction(QIcon::fromTheme(QStringLiteral("mail-send")), QCoreApplication::translate("kelvo::ExportActions", "Email"),
                    [&services, path] { services.email(path); });
    menu->addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), QCoreApplication::translate("kelvo::ExportActions", "Copy"),
                    [&services, path] { services.copy(path); });
    menu->addAction(QIcon::fromTheme(QStringLiteral("document-open")), QCoreApplication::translate("kelvo::ExportActions", "Open"),
                    [&services, path] { services.open(path); });
    return menu;
}

void MenuSharePicker::offer(const QString &path, QWidget *window, QPoint anchor)
{
    QMenu *menu = makeShareMenu(path, services_, window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(window->mapToGlobal(anchor));
}

namespace {

// Runs a save dialog from the documents folder (or home, when there is none)
// with the suggested name; the chosen path, or nothing when cancelled.
std::optional<QString> runSaveDialog(QFileDialog &dialog, const QString &suggestedName)
{
    dialog.setDirectory(
        exportStartFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath()));
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return chosen.first();
}

} // namespace

std::optional<QString> FileDialogSavePanel::askForPDFLocation(QWidget *parent, const QString &suggestedName)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setMimeTypeFilters({QStringLiteral("application/pdf")});
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    return runSaveDialog(dialog, suggestedName);
}

std::optional<QString> SavePanel::askForExportLocation(QWidget *parent, const QString &suggestedName,
                                                      ExportFormat format)
{
    if (format == ExportFormat::pdf)
        return askForPDFLocation(parent, suggestedName);
    return std::nullopt;
}

std::optional<QString> FileDialogSavePanel::askForExportLocation(QWidget *parent, const QString &suggestedName,
                                                                 ExportFormat format)
{
    if (format == ExportFormat::pdf)
        return askForPDFLocation(parent, suggestedName);
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (format == ExportFormat::html) {
        dialog.setWindowTitle(QCoreApplication::translate("kelvo::ExportActions", "Export HTML"));
        dialog.setMimeTypeFilters({QStringLiteral("text/html")});
        dialog.setDefaultSuffix(QStringLiteral("html"));
    } else {
        // The name given becomes a new folder holding README.md and images/.
        dialog.setWindowTitle(QCoreApplication::translate("kelvo::ExportActions", "Export Markdown"));
        dialog.setNameFilter(QCoreApplication::translate("kelvo::ExportActions", "Markdown folder (*)"));
        dialog.setLabelText(QFileDialog::FileName, QCoreApplication::translate("kelvo::ExportActions", "Folder name:"));
    }
    dialog.setLabelText(QFileDialog::Accept, QCoreApplication::translate("kelvo::ExportActions", "Export"));
    return runSaveDialog(dialog, suggestedName);
}

ExportFormat SettingsExportFormatMemory::lastFormat() const
{
    return exportFormatFromKey(settings::exportFormat.read(QSettings())).value_or(ExportFormat::pdf);
}

void SettingsExportFormatMemory::remember(ExportFormat format)
{
    QSettings file;
    settings::exportFormat.write(file, exportFormatKey(format));
}

void MessageBoxAlerter::alert(QWidget *parent, const QString &title, const QString &message)
{
    QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::NoButton, parent);
    box.addButton(QCoreApplication::translate("kelvo::ExportActions", "OK"), QMessageBox::RejectRole);
    box.exec();
}

QString privateShareFolder(const QString &base, QString *errorText)
{
    QString root = base;
    if (root.isEmpty())
        root = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (root.isEmpty())
        root = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString folder = root + QStringLiteral("/kelvo-share");
    if (!makePrivateDirectories(folder, errorText))
        return {};
    // A folder of that name made by someone else, or opened up, is not ours to trust.
    struct stat info {};
    const QByteArray native = QFile::encodeName(folder);
    const auto refuse = [&](const QString &why) {
        if (errorText)
            *errorText = QCoreApplication::translate("kelvo::ExportActions", "Couldn't use the folder “%1” for sharing: %2").arg(folder, why);
        return QString();
    };
    if (::lstat(native.constData(), &info) != 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(info.st_mode))
        return refuse(QCoreApplication::translate("kelvo::ExportActions", "it is a link to another place."));
    if (!S_ISDIR(info.st_mode))
        return refuse(QCoreApplication::translate("kelvo::ExportActions", "it is not a folder."));
    if (info.st_uid != ::geteuid())
        return refuse(QCoreApplication::translate("kelvo::ExportActions", "it belongs to another user."));
    if ((info.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0) {
        if (errorText)
            *errorText = QCoreApplication::translate("kelvo::ExportActions", "Couldn't protect the folder “%1”: %2")
                             .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    return folder;
}

GuideExporter::GuideExporter(GuideStore &store, GuideBinding binding, QWidget *window, Services services)
    : store_(&store)
    , binding_(std::move(binding))
    , window_(window)
    , services_(std::move(services))
{
}

bool GuideExporter::writeGuidePDF(const QString &destination, QString *errorText) const
{
    return writeGuide(destination, ExportFormat::pdf, errorText);
}

bool GuideExporter::writeGuide(const QString &destination, ExportFormat format, QString *errorText) const
{
    const Guide guide = binding_.get();
    const QString folder = store_ ? store_->folderPath(guide.id) : QString();
    auto imagePaths = [&](const Step &step) -> std::optional<QString> {
        if (folder.isEmpty() || !isBareFileName(step.imageFileName))
            return std::nullopt;
        return folder + QLatin1Char('/') + step.imageFileName;
    };
    try {
        exportGuide(guide, destination, format, imagePaths);
    } catch (const MarkdownFolderExists &error) {
        if (errorText)
            *errorText = QCoreApplication::translate("kelvo::ExportActions", "%1 Choose a new folder name.").arg(error.message());
        return false;
    } catch (const GuideExportError &error) {
        if (errorText)
            *errorText = error.message();
        return false;
    }
    return true;
}

void GuideExporter::fail(const QString &message)
{
    exportError_ = message;
    if (services_.alerter)
        services_.alerter->alert(
            window_, QCoreApplication::translate("kelvo::ExportActions", exportErrorTitle.toUtf8().constData()), message);
    // Dismissing the alert, by its button or otherwise, clears the error.
    exportError_.reset();
}

void GuideExporter::exportPDF()
{
    exportAs(ExportFormat::pdf);
}

void GuideExporter::exportAs(ExportFormat format)
{
    if (!services_.savePanel)
        return;
    if (services_.formatMemory)
        services_.formatMemory->remember(format);
    const auto destination = services_.savePanel->askForExportLocation(
        window_, suggestedExportName(binding_.get().title, format), format);
    if (!destination)
        return;
    QString error;
    if (!writeGuide(*destination, format, &error)) {
        fail(error);
        return;
    }
    if (services_.revealer)
        services_.revealer->showItems({*destination});
}

ExportFormat GuideExporter::lastFormat() const
{
    return services_.formatMemory ? services_.formatMemory->lastFormat() : ExportFormat::pdf;
}

void GuideExporter::sharePDF()
{
    QString error;
    const QString folder = privateShareFolder(services_.shareBase, &error);
    if (folder.isEmpty()) {
        fail(error);
        return;
    }
    const QString file = folder + QLatin1Char('/') + suggestedPDFName(binding_.get().title);
    if (!writeGuidePDF(file, &error)) {
        fail(error);
        return;
    }
    // Without a window the file stays written and nothing is shown.
    if (!window_ || !services_.sharePicker)
        return;
    QPoint anchor(window_->width() - 140, 90);
    if (shareAnchor_ && shareAnchor_->isVisible() && window_->isAncestorOf(shareAnchor_))
        anchor = shareAnchor_->mapTo(window_, QPoint(0, shareAnchor_->height() + 4));
    services_.sharePicker->offer(file, window_, anchor);
}

void GuideExporter::reveal()
{
    if (!store_ || !services_.revealer)
        return;
    services_.revealer->showItems({store_->folderPath(binding_.id())});
}

GuideActions GuideExporter::actions()
{
    GuideActions actions;
    actions.canExport = !binding_.get().steps.isEmpty();
    actions.exportPDF = [this] { exportPDF(); };
    actions.sharePDF = [this] { sharePDF(); };
    actions.reveal = [this] { reveal(); };
    actions.exportHTML = [this] { exportAs(ExportFormat::html); };
    actions.exportMarkdown = [this] { exportAs(ExportFormat::markdown); };
    return actions;
}

} // namespace kelvo
