// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/GuideStore.h"

#include "model/GuideJson.h"
#include "model/Logging.h"
#include "store/GuideFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentMap>
#include <QStandardPaths>

#include <QSet>

#include <algorithm>
#include <utility>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo {

GuideBinding::GuideBinding(GuideStore *store, Guide snapshot)
    : store_(store)
    , snapshot_(std::move(snapshot))
{
}

Guide GuideBinding::get() const
{
    if (store_) {
        if (auto guide = store_->guideWithID(snapshot_.id))
            return *guide;
    }
    return snapshot_;
}

void GuideBinding::set(const Guide &guide) const
{
    if (store_)
        store_->update(guide);
}

bool makePrivateDirectories(const QString &path, QString *errorText)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current;
    for (const QString &part : parts) {
        current += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(current);
        if (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST)
            continue;
        if (errorText)
            *errorText = QCoreApplication::translate("kelvo::GuideStore", "Couldn't create the folder “%1”: %2")
                             .arg(current, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!QFileInfo(absolute).isDir()) {
        if (errorText)
            *errorText = QCoreApplication::translate("kelvo::GuideStore", "Couldn't create the folder “%1”: a file is in the way.").arg(absolute);
        return false;
    }
    return true;
}

GuideStore::GuideStore(Scheduler &scheduler, const QString &root, QObject *parent)
    : QObject(parent)
    , scheduler_(scheduler)
    , root_(root.isEmpty() ? defaultRootPath() : root)
{
    reload();
}

GuideStore::~GuideStore()
{
    flushPendingSaves();
}

QString GuideStore::defaultRootPath()
{
    const QByteArray fromEnvironment = qgetenv("KELVO_DATA_DIR");
    if (!fromEnvironment.isEmpty())
        return QFile::decodeName(fromEnvironment);
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Kelvo/Guides");
}

QString GuideStore::folderPath(const QUuid &id) const
{
    if (const auto it = folders_.constFind(id); it != folders_.constEnd())
        return *it;
    return root_ + QLatin1Char('/') + uuidText(id);
}

bool GuideStore::makeRootDirectory(Error *error)
{
    QString text;
    if (makePrivateDirectories(root_, &text))
        return true;
    qCWarning(lcStore) << text;
    if (error)
        *error = Error{text, 0};
    return false;
}

std::unique_ptr<QLockFile> GuideStore::lockForRecording(const QString &folder, QString *errorText)
{
    auto lock = std::make_unique<QLockFile>(folder + QLatin1Char('/') + guideFiles::recordingLockName);
    lock->setStaleLockTime(0); // stale only once its owner is gone
    if (lock->tryLock(0))
        return lock;
    const QString text = QCoreApplication::translate("kelvo::GuideStore", "Couldn't lock the folder “%1” for recording").arg(folder);
    qCWarning(lcStore) << text << lock->error();
    if (errorText)
        *errorText = text + QLatin1Char('.');
    return nullptr;
}

QString GuideStore::createFolder(const QUuid &id, QString *errorText)
{
    const QString path = folderPath(id);
    if (!makePrivateDirectories(path, errorText))
        return {};
    return path;
}

std::optional<Guide> GuideStore::guideWithID(const QUuid &id) const
{
    for (const Guide &guide : guides_) {
        if (guide.id == id)
            return guide;
    }
    return std::nullopt;
}

std::optional<GuideBinding> GuideStore::guideBinding(const QUuid &id)
{
    auto guide = guideWithID(id);
    if (!guide)
        return std::nullopt;
    return GuideBinding(this, std::move(*guide));
}

void GuideStore::update(const Guide &guide)
{
    const auto it = std::find_if(guides_.begin(), guides_.end(),
                                 [&](const Guide &g) { return g.id == guide.id; });
    if (it == guides_.end())
        return;
    if (!(*it == guide)) {
        *it = guide;
        emit guidesChanged();
    }
    scheduleSave(guide);
}

bool GuideStore::add(const Guide &guide, Error *error)
{
    QList<Guide> next = guides_;
    next.removeIf([&](const Guide &g) { return g.id == guide.id; });
    next.append(guide);
    setGuides(std::move(next));
    return save(guide, error);
}

bool GuideStore::save(const Guide &guide, Error *error)
{
    const auto failed = [&](Error reason) {
        qCWarning(lcStore).noquote() << "save of guide" << uuidText(guide.id) << "failed:" << reason.message();
        if (error)
            *error = reason;
        emit saveFailed(guide.id, reason);
        return false;
    };
    const auto document = encodeGuide(guide);
    if (!document)
        return failed(Error{QCoreApplication::translate("kelvo::GuideStore", "The guide holds a number that cannot be written"), 0});
    QString folderError;
    const QString folder = createFolder(guide.id, &folderError);
    if (folder.isEmpty())
        return failed(Error{folderError, 0});
    const QString path = folder + QLatin1Char('/') + guideFiles::documentName;
    const auto fileError = [&](const QSaveFile &file) {
        // errno still holds the system's reason right after the failed call.
        const int systemError = errno;
        // Otherwise Qt's own words, short enough for the editor's banner.
        return systemError != 0 ? Error::fromErrno(QCoreApplication::translate("kelvo::GuideStore", "Couldn't write “%1”").arg(path), systemError)
                                : Error{file.errorString(), 0};
    };
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return failed(fileError(file));
    errno = 0;
    if (file.write(*document) != document->size()) {
        const Error reason = fileError(file);
        file.cancelWriting();
        return failed(reason);
    }
    errno = 0;
    if (!file.commit())
        return failed(fileError(file));
    emit saved(guide.id);
    return true;
}

bool GuideStore::saveNow(const QUuid &id, Error *error)
{
    const auto guide = guideWithID(id);
    if (!guide)
        return true; // deleted meanwhile: nothing left to save
    if (const auto it = pending_.find(id); it != pending_.end()) {
        scheduler_.cancel(it->task);
        pending_.erase(it);
    }
    return save(*guide, error);
}

void GuideStore::scheduleSave(const Guide &guide)
{
    if (const auto it = pending_.constFind(guide.id); it != pending_.constEnd())
        scheduler_.cancel(it->task);
    const QUuid id = guide.id;
    // The store cancels its tasks when it goes, so `this` outlives every task.
    const auto task = scheduler_.postAfter(saveDelay, [this, id] {
        const auto it = pending_.find(id);
        if (it == pending_.end())
            return;
        const Guide toSave = std::move(it->guide);
        pending_.erase(it);
        save(toSave);
    });
    pending_[id] = PendingSave{task, guide};
}

bool GuideStore::deleteGuide(const QUuid &id, Error *error)
{
    const QString folder = folderPath(id);
    if (const auto it = pending_.find(id); it != pending_.end()) {
        scheduler_.cancel(it->task);
        pending_.erase(it);
    }
    QList<Guide> next = guides_;
    next.removeIf([&](const Guide &g) { return g.id == id; });
    if (next.size() != guides_.size()) {
        guides_ = std::move(next);
        emit guidesChanged();
    }
    folders_.remove(id);
    Error reason;
    if (guideFiles::removeGuideFolder(folder, &reason))
        return true;
    qCWarning(lcStore).noquote() << "delete failed:" << reason.message();
    if (error)
        *error = reason;
    return false;
}

std::optional<QUrl> GuideStore::videoURL(const Guide &guide) const
{
    if (!guide.videoFileName || !isBareFileName(*guide.videoFileName))
        return std::nullopt;
    const QString path = folderPath(guide.id) + QLatin1Char('/') + *guide.videoFileName;
    // A link or a pipe under the video's name is never handed to the player.
    if (!guideFiles::isRegularFile(path))
        return std::nullopt;
    return QUrl::fromLocalFile(path);
}

std::optional<QString> GuideStore::imagePath(const Guide &guide, const Step &step) const
{
    if (!isBareFileName(step.imageFileName))
        return std::nullopt;
    return folderPath(guide.id) + QLatin1Char('/') + step.imageFileName;
}

void GuideStore::flushPendingSaves()
{
    const auto pending = std::exchange(pending_, {});
    for (const PendingSave &pendingSave : pending) {
        scheduler_.cancel(pendingSave.task);
        save(pendingSave.guide);
    }
}

namespace {

// Views and edits address a step by its id. A hand-edited document that gives
// several steps one id gets, in memory, a distinct one derived from the id and
// position for each repeat (the same on every read); the file stays as it is
// until the guide is next saved.
void giveStepsDistinctIds(Guide &guide)
{
    QSet<QUuid> seen;
    for (qsizetype i = 0; i < guide.steps.size(); ++i) {
        Step &step = guide.steps[i];
        if (seen.contains(step.id))
            step.id = QUuid::createUuidV5(step.id, QString::number(i));
        seen.insert(step.id);
    }
}

} // namespace

GuideStore::Library GuideStore::loadLibrary(const QString &root)
{
    const QStringList names =
        QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    struct Found {
        QString folder;
        std::optional<Guide> guide;
        std::optional<QString> problem; // set for folders that hold no readable guide
    };
    // Reading and decoding are independent per folder: spread them over the cores.
    const QList<Found> found = QtConcurrent::blockingMapped(names, [&root](const QString &name) {
        Found result{root + QLatin1Char('/') + name, std::nullopt, std::nullopt};
        struct stat info {};
        // stat, not lstat: a link to a guide folder lists the guide. Plain files,
        // pipes and devices in the data directory are no guide folders.
        if (::stat(QFile::encodeName(result.folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
            return result;
        Error error;
        const auto document =
            guideFiles::readRegularFile(result.folder + QLatin1Char('/') + guideFiles::documentName,
                                        guideFiles::maxDocumentBytes, &error);
        if (document)
            result.guide = decodeGuide(*document);
        if (result.guide)
            giveStepsDistinctIds(*result.guide);
        // Hidden folders are not Kelvo's: skipped without a word.
        if (result.guide || name.startsWith(QLatin1Char('.')))
            return result;
        if (!document)
            result.problem = error.systemError == ENOENT ? QCoreApplication::translate("kelvo::GuideStore", "no guide.json")
                : error.systemError == ELOOP             ? QCoreApplication::translate("kelvo::GuideStore", "guide.json is a link")
                : error.systemError != 0                 ? QStringLiteral("guide.json: ") + error.reason()
                                                         : QStringLiteral("guide.json") + error.text.section(QStringLiteral("”"), -1);
        else
            result.problem = QCoreApplication::translate("kelvo::GuideStore", "guide.json is damaged or not a Kelvo guide");
        return result;
    });

    Library library;
    QHash<QUuid, qsizetype> chosen; // id -> index into found
    const auto isBetter = [&](const Found &candidate, const Found &current) {
        // The newer document wins; on a tie, the folder named after the id.
        if (candidate.guide->createdAt != current.guide->createdAt)
            return candidate.guide->createdAt > current.guide->createdAt;
        const QString own = uuidText(candidate.guide->id);
        return QFileInfo(candidate.folder).fileName() == own && QFileInfo(current.folder).fileName() != own;
    };
    for (qsizetype i = 0; i < found.size(); ++i) {
        const Found &entry = found[i];
        if (entry.problem)
            library.problems.append({entry.folder, *entry.problem});
        if (!entry.guide)
            continue;
        const auto it = chosen.find(entry.guide->id);
        if (it == chosen.end()) {
            chosen.insert(entry.guide->id, i);
            continue;
        }
        library.sharedIds.insert(entry.guide->id);
        if (isBetter(entry, found[*it]))
            *it = i;
    }
    library.guides.reserve(chosen.size());
    for (auto it = chosen.cbegin(); it != chosen.cend(); ++it) {
        library.guides.append(*found[it.value()].guide);
        library.folders.insert(it.key(), found[it.value()].folder);
    }
    sortNewestFirst(library.guides);
    return library;
}

void GuideStore::reload()
{
    Library library = loadLibrary(root_);
    folders_ = std::move(library.folders);
    sharedIds_ = std::move(library.sharedIds);
    problems_ = std::move(library.problems);
    setGuides(std::move(library.guides));
}

void GuideStore::removeOrphanImages()
{
    for (const Guide &guide : guides_) {
        // A folder whose id another folder shares may be a copy: which screenshots
        // belong to which is unknown, so neither is touched.
        if (sharedIds_.contains(guide.id) || !folders_.contains(guide.id))
            continue;
        const QString folder = folders_.value(guide.id);
        const QByteArray native = QFile::encodeName(folder);
        struct stat info {};
        if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
            continue; // a linked folder lives outside the data directory
        if (guideFiles::isHeldByRecording(folder))
            continue;
        QSet<QString> referred;
        for (const Step &step : guide.steps)
            referred.insert(step.imageFileName);
        const int dirFd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (dirFd < 0)
            continue;
        // Plain readdir: no per-file stat, this runs over every guide at start.
        DIR *listing = ::fdopendir(::dup(dirFd));
        while (listing) {
            const dirent *entry = ::readdir(listing);
            if (!entry)
                break;
            const QString name = QFile::decodeName(entry->d_name);
            if (guideFiles::isStepImageName(name) && !referred.contains(name))
                ::unlinkat(dirFd, entry->d_name, 0);
        }
        if (listing)
            ::closedir(listing);
        ::close(dirFd);
    }
}

void GuideStore::sortNewestFirst(QList<Guide> &guides)
{
    std::stable_sort(guides.begin(), guides.end(),
                     [](const Guide &a, const Guide &b) { return a.createdAt > b.createdAt; });
}

void GuideStore::setGuides(QList<Guide> guides)
{
    sortNewestFirst(guides);
    if (guides == guides_)
        return;
    guides_ = std::move(guides);
    emit guidesChanged();
}

} // namespace kelvo
