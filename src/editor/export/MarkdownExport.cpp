// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/export/MarkdownExport.h"

#include "editor/pdf/PdfExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void failWriting(const QString &folder, const QString &reason)
{
    throw GuideExportError(QCoreApplication::translate("kelvo::GuideExport", "Couldn't write the Markdown folder “%1” (%2).").arg(folder, reason));
}

bool isEmptyFolder(const QString &path)
{
    return QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

void writeAll(QFile &file, const QByteArray &bytes, const QString &folder)
{
    if (file.write(bytes) != bytes.size())
        failWriting(folder, file.errorString());
}

// Swaps two folders in one step where the file system can; else moves the old
// one aside first. Afterwards `from` holds the old folder.
bool exchangeFolders(const QString &from, const QString &to, QString *errorText)
{
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        *errorText = systemError(errno);
        return false;
    }
    const QByteArray aside = QFile::encodeName(from + QStringLiteral(".old"));
    if (::rename(b.constData(), aside.constData()) != 0) {
        *errorText = systemError(errno);
        return false;
    }
    if (::rename(a.constData(), b.constData()) != 0) {
        *errorText = systemError(errno);
        ::rename(aside.constData(), b.constData());
        return false;
    }
    ::rename(aside.constData(), a.constData());
    return true;
}

} // namespace

QString escapeMarkdown(const QString &text)
{
    // CommonMark lets a backslash escape exactly these, and each then stands for itself.
    static constexpr QByteArrayView asciiPunctuation("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~");
    QString escaped;
    escaped.reserve(text.size() + text.size() / 4);
    for (const QChar c : text.trimmed()) {
        const ushort u = c.unicode();
        if (u < 0x80 && asciiPunctuation.contains(char(u))) {
            escaped += QLatin1Char('\\');
            escaped += c;
        } else if (u < 0x20 || u == 0x7F || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            escaped += QLatin1Char(' ');
        } else {
            escaped += c;
        }
    }
    return escaped;
}

bool isMarkdownExportFolder(const QString &path)
{
    static const QRegularExpression imageName(QStringLiteral("^step-[0-9]+\\.(jpg|png|gif|webp)$"));
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    bool hasReadme = false;
    for (const QFileInfo &entry : QDir(path).entryInfoList(all)) {
        if (entry.fileName() == QLatin1String("README.md") && entry.isFile() && !entry.isSymLink()) {
            hasReadme = true;
        } else if (entry.fileName() == QLatin1String("images") && entry.isDir() && !entry.isSymLink()) {
            for (const QFileInfo &image : QDir(entry.filePath()).entryInfoList(all)) {
                if (!imageName.match(image.fileName()).hasMatch() || !image.isFile() || image.isSymLink())
                    return false;
            }
        } else {
            return false;
        }
    }
    return hasReadme;
}

void writeMarkdown(const Guide &guide, const QString &destination, const StepImageFileSource &images,
                   bool replaceExport)
{
    QString folder = destination;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    const QFileInfo where(folder);
    const QString name = where.fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        throw GuideExportError(QCoreApplication::translate("kelvo::GuideExport", "“%1” does not name a folder for the Markdown export.").arg(destination));

    bool replacing = false;
    struct stat existing {};
    if (::lstat(QFile::encodeName(folder).constData(), &existing) == 0) {
        if (!S_ISDIR(existing.st_mode))
            throw GuideExportError(QCoreApplication::translate("kelvo::GuideExport", "“%1” already exists and is not a folder.").arg(folder));
        if (!isEmptyFolder(folder)) {
            if (!replaceExport)
                throw MarkdownFolderExists(
                    QCoreApplication::translate("kelvo::GuideExport", "The folder “%1” already exists and is not empty.").arg(folder));
            if (!isMarkdownExportFolder(folder))
                throw GuideExportError(
                    QCoreApplication::translate("kelvo::GuideExport", "The folder “%1” holds files Kelvo did not write; it is left as it is.").arg(folder));
            replacing = true;
        }
    }

    // Built beside its destination, so the final rename stays on one file system.
    QTemporaryDir building(where.absolutePath() + QStringLiteral("/.") + name + QStringLiteral(".kelvo-XXXXXX"));
    if (!building.isValid())
        failWriting(folder, building.errorString());
    const QString imagesFolder = building.filePath(QStringLiteral("images"));
    if (::mkdir(QFile::encodeName(imagesFolder).constData(), 0777) != 0)
        failWriting(folder, systemError(errno));

    QFile readme(building.filePath(QStringLiteral("README.md")));
    if (!readme.open(QIODevice::WriteOnly))
        failWriting(folder, readme.errorString());
    writeAll(readme, "# " + escapeMarkdown(guide.title).toUtf8() + "\n\n"
                         + escapeMarkdown(pdfSubtitle(guide.createdAt, guide.steps.size())).toUtf8() + "\n",
             folder);
    for (qsizetype i = 0; i < guide.steps.size(); ++i) {
        const Step &step = guide.steps[i];
        const QByteArray marker = QByteArray::number(i + 1) + ". ";
        // Continuation lines line up with the item's text, as CommonMark wants.
        const QByteArray indent(marker.size(), ' ');
        const QByteArray caption = escapeMarkdown(step.caption).toUtf8();
        QList<QByteArray> blocks;
        if (!caption.isEmpty())
            blocks << "**" + caption + "**";
        if (step.appName) {
            const QByteArray app = escapeMarkdown(*step.appName).toUtf8();
            if (!app.isEmpty())
                blocks << "*" + app + "*";
        }
        // One screenshot in memory at a time.
        if (const std::optional<StepImageFile> image = images ? images(step) : std::nullopt) {
            const QString file = QStringLiteral("step-%1.%2").arg(i + 1).arg(image->extension);
            QFile copy(imagesFolder + QLatin1Char('/') + file);
            if (!copy.open(QIODevice::WriteOnly))
                failWriting(folder, copy.errorString());
            writeAll(copy, image->bytes, folder);
            if (!copy.flush())
                failWriting(folder, copy.errorString());
            blocks << "![" + caption + "](images/" + file.toUtf8() + ")";
        }
        QByteArray item = "\n" + marker;
        for (qsizetype b = 0; b < blocks.size(); ++b)
            item += (b == 0 ? QByteArray() : "\n" + indent) + blocks[b] + "\n";
        if (blocks.isEmpty())
            item += "\n";
        writeAll(readme, item, folder);
    }
    if (!readme.flush())
        failWriting(folder, readme.errorString());
    readme.close();

    // The hidden folder is private while it is built; the export gets the mode a
    // new folder of the user's gets, as images/ did.
    struct stat fresh {};
    if (::stat(QFile::encodeName(imagesFolder).constData(), &fresh) == 0)
        ::chmod(QFile::encodeName(building.path()).constData(), fresh.st_mode & 07777);

    const QByteArray from = QFile::encodeName(building.path());
    const QByteArray to = QFile::encodeName(folder);
    if (replacing) {
        QString error;
        if (!exchangeFolders(building.path(), folder, &error))
            failWriting(folder, error);
        // The earlier export now sits under the hidden name and goes with it.
        return;
    }
    // Replaces an empty folder; fails when one with content has appeared meanwhile.
    if (::rename(from.constData(), to.constData()) != 0)
        failWriting(folder, systemError(errno));
    building.setAutoRemove(false);
}

} // namespace kelvo
