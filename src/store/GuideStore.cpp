#include "store/GuideStore.h"

#include "model/GuideJson.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentMap>
#include <QStandardPaths>

#include <QSet>

#include <algorithm>
#include <utility>
#include <cerrno>
#include <filesystem>
#include <cstring>
#include <sys/stat.h>

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
            *errorText = QStringLiteral("Couldn't create the folder “%1”: %2")
                             .arg(current, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!QFileInfo(absolute).isDir()) {
        if (errorText)
            *errorText = QStringLiteral("Couldn't create the folder “%1”: a file is in the way.").arg(absolute);
        return false;
    }
    return true;
}

GuideStore::GuideStore(Scheduler &scheduler, const QString &root, QObject *parent)
    : QObject(parent)
    , scheduler_(scheduler)
    , root_(root.isEmpty() ? defaultRootPath() : root)
{
    makePrivateDirectories(root_);
    reload();
    removeOrphanImages();
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
    return root_ + QLatin1Char('/') + uuidText(id);
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

void GuideStore::add(const Guide &guide)
{
    QList<Guide> next = guides_;
    next.append(guide);
    setGuides(std::move(next));
    save(guide);
}

bool GuideStore::save(const Guide &guide)
{
    const auto document = encodeGuide(guide);
    if (!document)
        return false;
    const QString folder = createFolder(guide.id);
    if (folder.isEmpty())
        return false;
    QSaveFile file(folder + QStringLiteral("/guide.json"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(*document) != document->size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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

void GuideStore::deleteGuide(const QUuid &id)
{
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
    QDir(folderPath(id)).removeRecursively();
}

std::optional<QUrl> GuideStore::videoURL(const Guide &guide) const
{
    if (!guide.videoFileName || !isBareFileName(*guide.videoFileName))
        return std::nullopt;
    const QString path = folderPath(guide.id) + QLatin1Char('/') + *guide.videoFileName;
    if (!QFileInfo(path).isFile())
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

QList<Guide> GuideStore::loadGuides(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext())
        entries.append(it.next());
    // Reading and decoding are independent per folder: spread them over the cores.
    const QList<std::optional<Guide>> decoded =
        QtConcurrent::blockingMapped(entries, [](const QString &entry) -> std::optional<Guide> {
            QFile file(entry + QStringLiteral("/guide.json"));
            if (!file.open(QIODevice::ReadOnly))
                return std::nullopt;
            return decodeGuide(file.readAll());
        });
    QList<Guide> loaded;
    loaded.reserve(decoded.size());
    for (const auto &guide : decoded) {
        if (guide)
            loaded.append(*guide);
    }
    sortNewestFirst(loaded);
    return loaded;
}

void GuideStore::reload()
{
    setGuides(loadGuides(root_));
}

void GuideStore::removeOrphanImages()
{
    for (const Guide &guide : guides_) {
        QSet<QString> referred;
        for (const Step &step : guide.steps)
            referred.insert(step.imageFileName);
        // Plain readdir: no per-file stat, this runs over every guide at start.
        std::error_code error;
        for (const auto &entry : std::filesystem::directory_iterator(
                 QFile::encodeName(folderPath(guide.id)).toStdString(), error)) {
            const QString name = QFile::decodeName(QByteArray::fromStdString(entry.path().filename().string()));
            if (name.startsWith(QLatin1String("step-")) && name.endsWith(QLatin1String(".jpg"))
                && !referred.contains(name)) {
                std::error_code ignored;
                std::filesystem::remove(entry.path(), ignored);
            }
        }
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
