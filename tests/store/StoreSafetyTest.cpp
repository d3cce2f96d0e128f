// SPDX-License-Identifier: GPL-3.0-or-later
// What the store reads, cleans and deletes when the data directory holds copies,
// links, devices, pipes and files of the user's own.
#include "store/GuideStore.h"

#include "model/GuideJson.h"
#include "store/GuideFiles.h"
#include "store/ImageCache.h"
#include "support/HostileDataDir.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSignalSpy>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

const QUuid ordinaryId = QUuid::fromString(QStringLiteral("A0000001-0000-4000-8000-000000000001"));
const QUuid namesakeId = QUuid::fromString(QStringLiteral("A0000003-0000-4000-8000-000000000003"));
const QUuid linkedId = QUuid::fromString(QStringLiteral("A0000004-0000-4000-8000-000000000004"));
const QUuid duplicateStepsId = QUuid::fromString(QStringLiteral("A0000011-0000-4000-8000-000000000011"));

bool exists(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The entries that differ between two snapshots.
QStringList changes(const QMap<QString, QString> &before, const QMap<QString, QString> &after)
{
    QStringList changed;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key()))
            changed.append(QStringLiteral("removed ") + it.key());
        else if (after.value(it.key()) != it.value())
            changed.append(QStringLiteral("changed ") + it.key());
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!before.contains(it.key()))
            changed.append(QStringLiteral("added ") + it.key());
    }
    return changed;
}

class HostileStore : public ::testing::Test {
protected:
    test::HostileDataDir corpus;
    test::ManualScheduler scheduler;

    void SetUp() override { ASSERT_TRUE(corpus.isValid()) << corpus.error().toStdString(); }
    QString data(const QString &relative) const { return corpus.dataPath() + QLatin1Char('/') + relative; }
};

TEST_F(HostileStore, LoadingListsWhatIsReadableAndChangesNothing)
{
    const auto before = test::snapshotTree(corpus.rootPath());
    GuideStore store(scheduler, corpus.dataPath());
    QStringList ids;
    for (const Guide &guide : store.guides())
        ids.append(uuidText(guide.id));
    EXPECT_EQ(ids, test::HostileDataDir::listedIds());
    EXPECT_EQ(changes(before, test::snapshotTree(corpus.rootPath())), QStringList());

    QStringList problems;
    for (const GuideStore::Problem &problem : store.problems())
        problems.append(QFileInfo(problem.folder).fileName() + QStringLiteral(": ") + problem.reason);
    EXPECT_EQ(problems, (QStringList{
                            QStringLiteral("damaged: guide.json is damaged or not a Kelvo guide"),
                            QStringLiteral("dev-zero: guide.json is a link"),
                            QStringLiteral("far-date: guide.json is damaged or not a Kelvo guide"),
                            QStringLiteral("fifo-document: guide.json: not a regular file"),
                            QStringLiteral("no-guide: no guide.json"),
                            QStringLiteral("oversized: guide.json: larger than 64 MB"),
                        }));
}

TEST_F(HostileStore, AGuideLivesInTheFolderItWasFoundIn)
{
    GuideStore store(scheduler, corpus.dataPath());
    // Two folders with one id: the newer document is listed, from its own folder.
    EXPECT_EQ(store.folderPath(namesakeId), data(QStringLiteral("foreign-same-id")));
    EXPECT_TRUE(store.guideWithID(namesakeId)->steps.isEmpty());
    EXPECT_EQ(store.folderPath(ordinaryId), data(uuidText(ordinaryId)));
    EXPECT_EQ(store.guideWithID(ordinaryId)->steps.size(), 2);

    // A folder named otherwise finds its images and is saved where it was read.
    const Guide linked = *store.guideWithID(linkedId);
    EXPECT_EQ(store.imagePath(linked, linked.steps[0]), data(QStringLiteral("linked-outside/step-1.jpg")));
    Guide edit = linked;
    edit.title = QStringLiteral("Renamed");
    ASSERT_TRUE(store.save(edit));
    EXPECT_EQ(decodeGuide(*guideFiles::readRegularFile(corpus.outsidePath() + "/linked-target/guide.json",
                                                      guideFiles::maxDocumentBytes))
                  ->title,
              "Renamed");
    EXPECT_FALSE(exists(data(uuidText(linkedId)))) << "no second folder named after the id";
}

TEST_F(HostileStore, CleanUpRemovesOnlyTheOrphanOfARealUnsharedFolder)
{
    GuideStore store(scheduler, corpus.dataPath());
    const auto before = test::snapshotTree(corpus.rootPath());
    store.removeOrphanImages();
    // The ordinary guide and its copy share an id (which screenshots are whose is
    // unknown), so do the namesakes; the linked folder lives outside; step-notes.jpg
    // is not a screenshot's name. Only the orphan of a real, unshared folder goes.
    EXPECT_EQ(changes(before, test::snapshotTree(corpus.rootPath())),
              (QStringList{QStringLiteral("changed /data/control-chars"),
                           QStringLiteral("removed /data/control-chars/step-4.jpg")}));
}

TEST_F(HostileStore, CleanUpLeavesAFolderThatARecordingHolds)
{
    GuideStore store(scheduler, corpus.dataPath());
    const QString folder = data(QStringLiteral("control-chars"));
    {
        const auto lock = GuideStore::lockForRecording(folder);
        ASSERT_TRUE(lock);
        EXPECT_TRUE(guideFiles::isHeldByRecording(folder));
        store.removeOrphanImages();
        EXPECT_TRUE(exists(folder + "/step-4.jpg")) << "the recording may be about to name it";
    }
    EXPECT_FALSE(guideFiles::isHeldByRecording(folder)) << "released with the recording";
    EXPECT_FALSE(exists(folder + "/recording.lock"));

    // A lock left by a recording whose process is gone does not hold the folder.
    writeFile(folder + "/recording.lock", "999999999\nkelvo\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    EXPECT_FALSE(guideFiles::isHeldByRecording(folder));
    store.removeOrphanImages();
    EXPECT_FALSE(exists(folder + "/step-4.jpg"));
}

TEST_F(HostileStore, DeletingALinkedGuideUnlinksItAndLeavesTheTarget)
{
    GuideStore store(scheduler, corpus.dataPath());
    const auto outsideBefore = test::snapshotTree(corpus.outsidePath());
    ASSERT_TRUE(store.deleteGuide(linkedId));
    EXPECT_FALSE(exists(data(QStringLiteral("linked-outside"))));
    EXPECT_EQ(changes(outsideBefore, test::snapshotTree(corpus.outsidePath())), QStringList());
    EXPECT_FALSE(store.guideWithID(linkedId));
}

TEST_F(HostileStore, DeletingAGuideRemovesKelvosFilesOnlyAndNotItsNamesake)
{
    GuideStore store(scheduler, corpus.dataPath());
    const QString folder = data(uuidText(ordinaryId));
    const auto copyBefore = test::snapshotTree(data(QStringLiteral("copy-of-ordinary")));
    ASSERT_TRUE(store.deleteGuide(ordinaryId));
    QStringList left = QDir(folder).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, (QStringList{QStringLiteral("notes.txt"), QStringLiteral("step-notes.jpg")}));
    EXPECT_EQ(changes(copyBefore, test::snapshotTree(data(QStringLiteral("copy-of-ordinary")))), QStringList());

    // With nothing of the user's in it, the folder itself goes too.
    ASSERT_TRUE(store.deleteGuide(duplicateStepsId));
    EXPECT_FALSE(exists(data(QStringLiteral("duplicate-step-ids"))));
}

TEST_F(HostileStore, LinkedDevicesAndPipesAreNeverReadAsImagesOrVideo)
{
    GuideStore store(scheduler, corpus.dataPath());
    // Each of these would block, read forever or reveal a file outside.
    for (const QString &name : {QStringLiteral("secret-link/step-1.jpg"), QStringLiteral("device-image/step-1.jpg"),
                                QStringLiteral("device-image/step-2.jpg")}) {
        EXPECT_FALSE(ImageCache::downsample(data(name), 200)) << name.toStdString();
        Error error;
        EXPECT_FALSE(guideFiles::readRegularFile(data(name), guideFiles::maxImageBytes, &error));
        EXPECT_FALSE(error.message().isEmpty());
    }
    EXPECT_TRUE(ImageCache::downsample(data(uuidText(ordinaryId) + "/step-1.jpg"), 200)) << "a real one still reads";
    const Guide guide = *store.guideWithID(ordinaryId);
    const QByteArray video = QFile::encodeName(data(uuidText(ordinaryId) + "/video.mov"));
    EXPECT_TRUE(store.videoURL(guide)) << "a real file";
    ASSERT_EQ(::unlink(video.constData()), 0);
    ASSERT_EQ(::symlink("/dev/zero", video.constData()), 0);
    EXPECT_FALSE(store.videoURL(guide)) << "a link in place of the video";
    ASSERT_EQ(::unlink(video.constData()), 0);
    ASSERT_EQ(::mkfifo(video.constData(), 0600), 0);
    EXPECT_FALSE(store.videoURL(guide)) << "a pipe in place of the video";
}

TEST_F(HostileStore, StepsThatShareAnIdGetDistinctOnesInMemoryOnly)
{
    const auto before = test::snapshotTree(corpus.rootPath());
    GuideStore store(scheduler, corpus.dataPath());
    const Guide guide = *store.guideWithID(duplicateStepsId);
    ASSERT_EQ(guide.steps.size(), 2);
    EXPECT_NE(guide.steps[0].id, guide.steps[1].id);
    EXPECT_EQ(guide.steps[1].id, GuideStore(scheduler, corpus.dataPath()).guideWithID(duplicateStepsId)->steps[1].id)
        << "the same on every read";
    EXPECT_EQ(changes(before, test::snapshotTree(corpus.rootPath())), QStringList());
}

TEST(StoreReading, AMissingDataDirectoryIsNotCreatedByReading)
{
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    const QString root = data.filePath(QStringLiteral("not/yet"));
    GuideStore store(scheduler, root);
    EXPECT_TRUE(store.guides().isEmpty());
    EXPECT_FALSE(exists(data.filePath(QStringLiteral("not"))));
    ASSERT_TRUE(store.makeRootDirectory());
    EXPECT_TRUE(QFileInfo(root).isDir());
}

TEST(StoreSaving, AFailedSaveIsAnnouncedAndTheGuideStaysInMemory)
{
    test::TempDataDir data;
    test::ManualScheduler scheduler;
    GuideStore store(scheduler, data.path());
    Guide guide;
    guide.title = QStringLiteral("Kept");
    guide.createdAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    ASSERT_TRUE(store.add(guide));
    const QString folder = store.folderPath(guide.id);

    // The folder turns into a file: no save can reach it (as on a read-only or full disk).
    ASSERT_TRUE(guideFiles::removeGuideFolder(folder));
    writeFile(folder, "in the way");
    QSignalSpy failed(&store, &GuideStore::saveFailed);
    QSignalSpy saved(&store, &GuideStore::saved);
    Guide edit = guide;
    edit.title = QStringLiteral("Typed while the disk was gone");
    store.update(edit);
    scheduler.advance(1s);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.first().at(0).value<QUuid>(), guide.id);
    EXPECT_TRUE(failed.first().at(1).value<Error>().message().contains(folder));
    EXPECT_EQ(store.guideWithID(guide.id)->title, edit.title) << "nothing lost in memory";

    Error error;
    EXPECT_FALSE(store.saveNow(guide.id, &error));
    EXPECT_FALSE(error.why().isEmpty());
    ASSERT_TRUE(QFile::remove(folder));
    EXPECT_TRUE(store.saveNow(guide.id));
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(decodeGuide(*guideFiles::readRegularFile(folder + "/guide.json", guideFiles::maxDocumentBytes))->title,
              edit.title);
}

TEST(StoreFiles, OnlyScreenshotNamesCountAsScreenshots)
{
    for (const char *name : {"step-1.jpg", "step-0042.jpg"})
        EXPECT_TRUE(guideFiles::isStepImageName(QString::fromLatin1(name))) << name;
    for (const char *name : {"step-notes.jpg", "step-.jpg", "step-1.jpg.bak", "STEP-1.JPG", "step-1.jpeg",
                             "step-1.jpg\n", "xstep-1.jpg", "step-1-copy.jpg"})
        EXPECT_FALSE(guideFiles::isStepImageName(QString::fromLatin1(name))) << name;
}

TEST(StoreFiles, ReadingStopsAtTheSizeLimit)
{
    test::TempDataDir data;
    QFile file(data.filePath(QStringLiteral("big")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(1000));
    file.close();
    Error error;
    EXPECT_FALSE(guideFiles::readRegularFile(file.fileName(), 999, &error));
    EXPECT_TRUE(error.message().contains(QStringLiteral("larger than")));
    EXPECT_EQ(guideFiles::readRegularFile(file.fileName(), 1000)->size(), 1000);
}

} // namespace
} // namespace kelvo
