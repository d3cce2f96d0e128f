// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/GuideStore.h"

#include "model/GuideJson.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

Guide makeGuide(const QString &title, const QDateTime &createdAt, int stepCount = 2)
{
    Guide guide;
    guide.title = title;
    guide.createdAt = createdAt;
    guide.duration = 30;
    guide.videoFileName = QStringLiteral("video.mov");
    for (int i = 1; i <= stepCount; ++i) {
        Step step;
        step.caption = QStringLiteral("Step %1").arg(i);
        step.timestamp = i;
        step.imageFileName = QStringLiteral("step-%1.jpg").arg(i);
        guide.steps.append(step);
    }
    return guide;
}

QDateTime at(int day)
{
    return QDateTime(QDate(2026, 1, day), QTime(12, 0), Qt::UTC);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class GuideStoreTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    test::ManualScheduler scheduler;

    // Puts a guide on disk as another run of Kelvo would have left it.
    QString plant(const Guide &guide)
    {
        const QString folder = data.filePath(uuidText(guide.id));
        writeFile(folder + "/guide.json", *encodeGuide(guide));
        return folder;
    }

    QDateTime modified(const Guide &guide)
    {
        return QFileInfo(data.filePath(uuidText(guide.id) + "/guide.json")).lastModified();
    }
};

TEST_F(GuideStoreTest, LoadsReadableGuidesNewestFirstAndSkipsTheRest)
{
    const Guide older = makeGuide("older", at(1));
    const Guide newer = makeGuide("newer", at(3));
    const Guide middle = makeGuide("middle", at(2));
    plant(older);
    plant(newer);
    plant(middle);

    // A step without "isRightClick" makes its whole guide unreadable; its files stay.
    const Guide broken = makeGuide("broken", at(4));
    QByteArray document = *encodeGuide(broken);
    document.replace("\"isRightClick\" : false,", "");
    const QString brokenFolder = data.filePath(uuidText(broken.id));
    writeFile(brokenFolder + "/guide.json", document);
    writeFile(brokenFolder + "/step-9.jpg", "x");
    writeFile(data.filePath("stray-file.txt"), "not a guide");
    QDir().mkpath(data.filePath(".hidden-empty"));

    GuideStore store(scheduler, data.path());
    ASSERT_EQ(store.guides().size(), 3);
    EXPECT_EQ(store.guides()[0], newer);
    EXPECT_EQ(store.guides()[1], middle);
    EXPECT_EQ(store.guides()[2], older);
    EXPECT_TRUE(QFile::exists(brokenFolder + "/guide.json"));
    EXPECT_TRUE(QFile::exists(brokenFolder + "/step-9.jpg"));
}

TEST_F(GuideStoreTest, FolderNameIsNotCheckedAgainstTheDocument)
{
    const Guide guide = makeGuide("moved", at(1));
    writeFile(data.filePath("some-other-name/guide.json"), *encodeGuide(guide));
    GuideStore store(scheduler, data.path());
    ASSERT_EQ(store.guides().size(), 1);
    EXPECT_EQ(store.guides()[0].id, guide.id);
}

TEST_F(GuideStoreTest, CleanUpRemovesOnlyUnreferencedScreenshots)
{
    Guide guide = makeGuide("g", at(1), 3);
    guide.steps.removeAt(1); // refers to step-1.jpg and step-3.jpg
    const QString folder = plant(guide);
    for (const char *name : {"step-1.jpg", "step-2.jpg", "step-3.jpg", "step-2.png", "shot.jpg",
                             "video.mov", "STEP-5.JPG", "step-notes.jpg", "step-2.jpg.bak"})
        writeFile(folder + "/" + name, "x");

    GuideStore store(scheduler, data.path());
    EXPECT_TRUE(QFile::exists(folder + "/step-2.jpg")) << "loading alone deletes nothing";
    store.removeOrphanImages();
    EXPECT_TRUE(QFile::exists(folder + "/step-notes.jpg"));
    EXPECT_TRUE(QFile::exists(folder + "/step-2.jpg.bak"));
    EXPECT_TRUE(QFile::exists(folder + "/step-1.jpg"));
    EXPECT_FALSE(QFile::exists(folder + "/step-2.jpg"));
    EXPECT_TRUE(QFile::exists(folder + "/step-3.jpg"));
    EXPECT_TRUE(QFile::exists(folder + "/step-2.png"));
    EXPECT_TRUE(QFile::exists(folder + "/shot.jpg"));
    EXPECT_TRUE(QFile::exists(folder + "/video.mov"));
    EXPECT_TRUE(QFile::exists(folder + "/STEP-5.JPG"));
    EXPECT_TRUE(QFile::exists(folder + "/guide.json"));
}

TEST_F(GuideStoreTest, AddSavesAtOnceAndSortsNewestFirst)
{
    plant(makeGuide("old", at(1)));
    GuideStore store(scheduler, data.path());
    QSignalSpy changed(&store, &GuideStore::guidesChanged);
    const Guide recorded = makeGuide("new", at(5));
    store.add(recorded);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(store.guides().front(), recorded);
    EXPECT_EQ(decodeGuide(readFile(data.filePath(uuidText(recorded.id) + "/guide.json"))), recorded);
}

TEST_F(GuideStoreTest, EditsHalfASecondApartAreWrittenTwice)
{
    const Guide guide = makeGuide("t", at(1));
    plant(guide);
    GuideStore store(scheduler, data.path());
    const QString path = data.filePath(uuidText(guide.id) + "/guide.json");

    Guide first = guide;
    first.title = "first";
    store.update(first);
    scheduler.advance(399ms);
    EXPECT_EQ(decodeGuide(readFile(path))->title, "t");
    scheduler.advance(101ms);
    EXPECT_EQ(decodeGuide(readFile(path))->title, "first");

    Guide second = guide;
    second.title = "second";
    store.update(second);
    scheduler.advance(400ms);
    EXPECT_EQ(decodeGuide(readFile(path))->title, "second");
}

TEST_F(GuideStoreTest, EditsCloserThanTheDelayAreWrittenOnceWithTheLastState)
{
    const Guide guide = makeGuide("t", at(1));
    const QString path = plant(guide) + "/guide.json";
    GuideStore store(scheduler, data.path());

    Guide edit = guide;
    edit.title = "first";
    store.update(edit);
    scheduler.advance(300ms);
    edit.title = "second";
    store.update(edit);
    QFile::remove(path); // any write would bring it back
    scheduler.advance(399ms);
    EXPECT_FALSE(QFile::exists(path)) << "written before 0.4 s after the last edit";
    scheduler.advance(1ms);
    EXPECT_EQ(decodeGuide(readFile(path))->title, "second");
    QFile::remove(path);
    scheduler.advance(2000ms);
    EXPECT_FALSE(QFile::exists(path)) << "written a second time";
}

TEST_F(GuideStoreTest, EditsOfDifferentGuidesAreSavedIndependently)
{
    const Guide a = makeGuide("a", at(1));
    const Guide b = makeGuide("b", at(2));
    plant(a);
    plant(b);
    GuideStore store(scheduler, data.path());
    Guide a2 = a, b2 = b;
    a2.title = "a2";
    b2.title = "b2";
    store.update(a2);
    scheduler.advance(200ms);
    store.update(b2);
    scheduler.advance(200ms);
    EXPECT_EQ(decodeGuide(readFile(data.filePath(uuidText(a.id) + "/guide.json")))->title, "a2");
    EXPECT_EQ(decodeGuide(readFile(data.filePath(uuidText(b.id) + "/guide.json")))->title, "b");
    scheduler.advance(200ms);
    EXPECT_EQ(decodeGuide(readFile(data.filePath(uuidText(b.id) + "/guide.json")))->title, "b2");
}

TEST_F(GuideStoreTest, UpdateOfAnUnknownGuideChangesAndWritesNothing)
{
    plant(makeGuide("known", at(1)));
    GuideStore store(scheduler, data.path());
    QSignalSpy changed(&store, &GuideStore::guidesChanged);
    const auto before = store.guides();
    const Guide stranger = makeGuide("stranger", at(2));
    store.update(stranger);
    scheduler.advance(1s);
    EXPECT_EQ(store.guides(), before);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(QFileInfo::exists(data.filePath(uuidText(stranger.id))));
}

TEST_F(GuideStoreTest, UpdateWithAnEqualGuideNotifiesNobody)
{
    const Guide guide = makeGuide("same", at(1));
    plant(guide);
    GuideStore store(scheduler, data.path());
    QSignalSpy changed(&store, &GuideStore::guidesChanged);
    store.update(guide);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(GuideStoreTest, DeleteWhileASaveIsPendingNeverWrites)
{
    const Guide guide = makeGuide("doomed", at(1));
    const QString folder = plant(guide);
    GuideStore store(scheduler, data.path());
    QSignalSpy changed(&store, &GuideStore::guidesChanged);
    Guide edit = guide;
    edit.title = "edited";
    store.update(edit);
    store.deleteGuide(guide.id);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_TRUE(store.guides().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder));
    scheduler.advance(1s);
    EXPECT_FALSE(QFileInfo::exists(folder)) << "the delayed save recreated the folder";
}

TEST_F(GuideStoreTest, PendingSavesAreWrittenWhenTheStoreGoes)
{
    const Guide guide = makeGuide("t", at(1));
    const QString path = plant(guide) + "/guide.json";
    {
        GuideStore store(scheduler, data.path());
        Guide edit = guide;
        edit.title = "typed just before quitting";
        store.update(edit);
    }
    EXPECT_EQ(decodeGuide(readFile(path))->title, "typed just before quitting");
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(GuideStoreTest, BindingFallsBackToItsSnapshotOnceTheGuideIsGone)
{
    const Guide guide = makeGuide("bound", at(1));
    plant(guide);
    GuideStore store(scheduler, data.path());
    EXPECT_FALSE(store.guideBinding(QUuid::createUuid()));
    const auto binding = store.guideBinding(guide.id);
    ASSERT_TRUE(binding);
    Guide edit = guide;
    edit.title = "through the binding";
    binding->set(edit);
    EXPECT_EQ(store.guideWithID(guide.id)->title, "through the binding");
    EXPECT_EQ(binding->get().title, "through the binding");
    store.deleteGuide(guide.id);
    EXPECT_EQ(binding->get(), guide) << "the copy taken when the binding was made";
    binding->set(edit); // writes to a deleted guide do nothing
    EXPECT_TRUE(store.guides().isEmpty());
}

TEST_F(GuideStoreTest, FailedSaveKeepsThePreviousDocument)
{
    const Guide guide = makeGuide("t", at(1));
    const QString folder = plant(guide);
    const QByteArray before = readFile(folder + "/guide.json");
    GuideStore store(scheduler, data.path());
    Guide edit = guide;
    edit.steps[0].clickX = std::numeric_limits<double>::quiet_NaN(); // cannot be encoded
    EXPECT_FALSE(store.save(edit));
    EXPECT_EQ(readFile(folder + "/guide.json"), before);
    if (::geteuid() != 0) { // root ignores permissions
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        edit = guide;
        edit.title = "cannot write";
        EXPECT_FALSE(store.save(edit));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(readFile(folder + "/guide.json"), before);
    }
}

TEST_F(GuideStoreTest, FoldersAreCreatedForTheOwnerOnly)
{
    const QString root = data.filePath("new/data");
    GuideStore store(scheduler, root);
    const QString folder = store.createFolder(QUuid::createUuid());
    ASSERT_FALSE(folder.isEmpty());
    for (const QString &path : {data.filePath("new"), root, folder}) {
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << path.toStdString();
    }
}

TEST_F(GuideStoreTest, CreateFolderReportsWhatIsInTheWay)
{
    GuideStore store(scheduler, data.path());
    const QUuid id = QUuid::createUuid();
    writeFile(data.filePath(uuidText(id)), "a file where the folder should be");
    QString error;
    EXPECT_TRUE(store.createFolder(id, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(GuideStoreTest, FileNamesThatAreNotBareNeverResolve)
{
    Guide guide = makeGuide("hostile", at(1));
    guide.videoFileName = QStringLiteral("../../outside.mov");
    guide.steps[0].imageFileName = QStringLiteral("../../etc/passwd");
    const QString folder = plant(guide);
    writeFile(data.filePath("outside.mov"), "x");
    GuideStore store(scheduler, data.path());
    ASSERT_EQ(store.guides().size(), 1) << "the document still loads";
    const Guide &loaded = store.guides()[0];
    EXPECT_FALSE(store.videoURL(loaded));
    EXPECT_FALSE(store.imagePath(loaded, loaded.steps[0]));
    EXPECT_EQ(store.imagePath(loaded, loaded.steps[1]), folder + "/step-2.jpg");
}

TEST_F(GuideStoreTest, VideoURLNeedsTheFile)
{
    Guide guide = makeGuide("v", at(1));
    const QString folder = plant(guide);
    GuideStore store(scheduler, data.path());
    EXPECT_FALSE(store.videoURL(guide));
    writeFile(folder + "/video.mov", "x");
    EXPECT_EQ(store.videoURL(guide), QUrl::fromLocalFile(folder + "/video.mov"));
    guide.videoFileName.reset();
    EXPECT_FALSE(store.videoURL(guide));
}

TEST(GuideStoreRoot, DataDirectoryComesFromTheEnvironment)
{
    const QByteArray previous = qgetenv("KELVO_DATA_DIR");
    qputenv("KELVO_DATA_DIR", "/some/where");
    EXPECT_EQ(GuideStore::defaultRootPath(), "/some/where") << "nothing appended";
    qputenv("KELVO_DATA_DIR", "relative/dir");
    EXPECT_EQ(GuideStore::defaultRootPath(), "relative/dir");
    qputenv("KELVO_DATA_DIR", "");
    EXPECT_TRUE(GuideStore::defaultRootPath().endsWith("/Kelvo/Guides"));
    EXPECT_FALSE(GuideStore::defaultRootPath().startsWith("relative"));
    qunsetenv("KELVO_DATA_DIR");
    EXPECT_TRUE(GuideStore::defaultRootPath().endsWith("/Kelvo/Guides"));
    qputenv("KELVO_DATA_DIR", previous);
}

} // namespace
} // namespace kelvo
