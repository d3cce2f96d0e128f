// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/HostileDataDir.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::test {

namespace {

QByteArray readLink(const QString &path)
{
    QByteArray target(4096, '\0');
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target.data(), size_t(target.size()));
    return n < 0 ? QByteArray() : target.left(n);
}

// Copies from into to, links as links.
bool copyTree(const QString &from, const QString &to, QString &error)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).path());
        struct stat info {};
        if (::lstat(QFile::encodeName(source).constData(), &info) != 0)
            return error = QStringLiteral("cannot stat ") + source, false;
        if (S_ISLNK(info.st_mode)) {
            if (::symlink(readLink(source).constData(), QFile::encodeName(target).constData()) != 0)
                return error = QStringLiteral("cannot link ") + target, false;
        } else if (S_ISDIR(info.st_mode)) {
            if (!QDir().mkpath(target))
                return error = QStringLiteral("cannot make ") + target, false;
        } else if (!QFile::copy(source, target)) {
            return error = QStringLiteral("cannot copy ") + source, false;
        }
    }
    return true;
}

QByteArray hugeCaptionDocument()
{
    QByteArray caption(10 * 1024 * 1024, 'w');
    for (qsizetype i = 7; i < caption.size(); i += 8)
        caption[i] = ' ';
    return "{\n  \"createdAt\" : \"2026-03-12T10:00:00Z\",\n  \"duration\" : 3,\n"
           "  \"id\" : \"A0000012-0000-4000-8000-000000000012\",\n  \"steps\" : [\n    {\n"
           "      \"caption\" : \"" + caption + "\",\n      \"clickX\" : 0.5,\n      \"clickY\" : 0.5,\n"
           "      \"id\" : \"50000121-0000-4000-8000-000000000121\",\n      \"imageFileName\" : \"step-1.jpg\",\n"
           "      \"isRightClick\" : false,\n      \"timestamp\" : 1\n    }\n  ],\n"
           "  \"title\" : \"A ten-megabyte caption\"\n}\n";
}

} // namespace

HostileDataDir::HostileDataDir()
{
    const QString corpus = QStringLiteral(KELVO_SOURCE_DIR "/tests/corpus/hostile-data");
    if (!copyTree(corpus + QStringLiteral("/data"), dataPath(), error_)
        || !copyTree(corpus + QStringLiteral("/outside"), outsidePath(), error_))
        return;
    const auto fifo = [&](const QString &relative) {
        QDir().mkpath(dataPath() + QLatin1Char('/') + relative.section(QLatin1Char('/'), 0, 0));
        if (::mkfifo(QFile::encodeName(dataPath() + QLatin1Char('/') + relative).constData(), 0600) != 0)
            error_ = QStringLiteral("cannot make the FIFO ") + relative;
    };
    fifo(QStringLiteral("fifo-document/guide.json"));
    fifo(QStringLiteral("device-image/step-1.jpg"));
    // Sparse: over the 64 MB limit without taking the disk.
    QDir().mkpath(dataPath() + QStringLiteral("/oversized"));
    QFile big(dataPath() + QStringLiteral("/oversized/guide.json"));
    if (!big.open(QIODevice::WriteOnly) || !big.resize(qint64(65) * 1024 * 1024))
        error_ = QStringLiteral("cannot make the oversized document");
    QDir().mkpath(dataPath() + QStringLiteral("/huge-caption"));
    QFile huge(dataPath() + QStringLiteral("/huge-caption/guide.json"));
    if (!huge.open(QIODevice::WriteOnly) || huge.write(hugeCaptionDocument()) < 0)
        error_ = QStringLiteral("cannot write the huge caption");
}

QStringList HostileDataDir::listedIds()
{
    return {
        QStringLiteral("A0000012-0000-4000-8000-000000000012"), // huge caption
        QStringLiteral("A0000011-0000-4000-8000-000000000011"), // duplicate step ids
        QStringLiteral("A0000009-0000-4000-8000-000000000009"), // control characters
        QStringLiteral("A0000008-0000-4000-8000-000000000008"), // device screenshots
        QStringLiteral("A0000005-0000-4000-8000-000000000005"), // secret link
        QStringLiteral("A0000004-0000-4000-8000-000000000004"), // linked folder
        QStringLiteral("A0000003-0000-4000-8000-000000000003"), // the foreign namesake, newer
        QStringLiteral("A0000001-0000-4000-8000-000000000001"), // the ordinary guide, newer than its copy
    };
}

QMap<QString, QString> snapshotTree(const QString &root)
{
    QMap<QString, QString> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories); // does not descend into linked folders
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info {};
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
            tree.insert(path, QStringLiteral("vanished"));
            continue;
        }
        QString line = QStringLiteral("mode %1 size %2 mtime %3.%4")
                           .arg(info.st_mode, 0, 8)
                           .arg(info.st_size)
                           .arg(info.st_mtim.tv_sec)
                           .arg(info.st_mtim.tv_nsec);
        if (S_ISLNK(info.st_mode)) {
            line += QStringLiteral(" -> ") + QString::fromLocal8Bit(readLink(path));
        } else if (S_ISREG(info.st_mode)) {
            QFile file(path);
            QCryptographicHash hash(QCryptographicHash::Sha256);
            if (file.open(QIODevice::ReadOnly) && hash.addData(&file))
                line += QStringLiteral(" sha256 ") + QString::fromLatin1(hash.result().toHex());
        }
        tree.insert(path.mid(root.size()), line);
    }
    return tree;
}

} // namespace kelvo::test
