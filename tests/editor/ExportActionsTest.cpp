// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ExportActions.h"

#include "editor/pdf/PdfExport.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kelvo {
namespace {

struct FakeSavePanel : SavePanel {
    std::optional<QString> answer;
    QStringList suggested;
    std::optional<QString> askForPDFLocation(QWidget *, const QString &suggestedName) override
    {
        suggested << suggestedName;
        return answer;
    }
};

struct FakeRevealer : FileRevealer {
    QList<QStringList> shown;
    void showItems(const QStringList &paths) override { shown << paths; }
};

struct FakeSharePicker : SharePicker {
    struct Offer {
        QString path;
        QWidget *window;
        QPoint anchor;
    };
    QList<Offer> offers;
    void offer(const QString &path, QWidget *window, QPoint anchor) override { offers.append({path, window, anchor}); }
};

struct FakeAlerter : Alerter {
    struct Alert {
        QString title;
        QString message;
        std::optional<QString> errorWhileShown;
    };
    QList<Alert> alerts;
    std::function<std::optional<QString>()> currentError;
    void alert(QWidget *, const QString &title, const QString &message) override
    {
        alerts.append({title, message, currentError ? currentError() : std::nullopt});
    }
};

struct FakeShareServices : ShareServices {
    QStringList calls;
    void email(const QString &path) override { calls << "email " + path; }
    void copy(const QString &path) override { calls << "copy " + path; }
    void open(const QString &path) override { calls << "open " + path; }
};

mode_t modeOf(const QString &path)
{
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

class ExportActionsTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    QTemporaryDir elsewhere;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler};
    FakeSavePanel panel;
    FakeRevealer revealer;
    FakeSharePicker picker;
    FakeAlerter alerter;
    QWidget window;
    Guide guide;
    std::unique_ptr<GuideExporter> exporter;

    void SetUp() override
    {
        guide.title = QStringLiteral("Mail: set up/sign in");
        guide.createdAt = QDateTime(QDate(2026, 4, 1), QTime(10, 0), Qt::UTC);
        Step step;
        step.caption = QStringLiteral("Click “Sign In”");
        step.imageFileName = QStringLiteral("step-1.jpg");
        guide.steps << step;
        store.add(guide);
        QImage shot(QSize(320, 200), QImage::Format_RGB32);
        shot.fill(Qt::darkCyan);
        ASSERT_TRUE(shot.save(store.folderPath(guide.id) + "/step-1.jpg", "jpeg"));
        window.resize(800, 600);
        makeExporter(&window);
        alerter.currentError = [this] { return exporter->exportError(); };
    }

    void makeExporter(QWidget *w)
    {
        exporter = std::make_unique<GuideExporter>(
            store, *store.guideBinding(guide.id), w,
            GuideExporter::Services{&panel, &revealer, &picker, &alerter, elsewhere.path()});
    }

    static QString pages(const QString &pdf)
    {
        QProcess process;
        process.start(QStringLiteral("pdfinfo"), {pdf});
        process.waitForFinished();
        for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
            if (line.startsWith("Pages:"))
                return QString::fromUtf8(line.mid(6)).trimmed();
        }
        return {};
    }
};

TEST_F(ExportActionsTest, ExportAsksWithTheSuggestedNameWritesAndReveals)
{
    const QString destination = elsewhere.filePath(QStringLiteral("chosen.pdf"));
    panel.answer = destination;
    exporter->exportPDF();
    EXPECT_EQ(panel.suggested, QStringList{QStringLiteral("Mail- set up-sign in.pdf")});
    EXPECT_EQ(pages(destination).toStdString(), "1");
    ASSERT_EQ(revealer.shown.size(), 1);
    EXPECT_EQ(revealer.shown[0], QStringList{destination});
    EXPECT_TRUE(alerter.alerts.isEmpty());
}

TEST_F(ExportActionsTest, ExportUsesTheGuideAsItIsWhenInvoked)
{
    const GuideActions actions = exporter->actions();
    Guide edited = guide;
    edited.title = QStringLiteral("Renamed");
    store.update(edited);
    panel.answer = elsewhere.filePath(QStringLiteral("x.pdf"));
    actions.exportPDF();
    EXPECT_EQ(panel.suggested.value(0).toStdString(), "Renamed.pdf");
}

TEST_F(ExportActionsTest, CancelledPanelIsSilent)
{
    exporter->exportPDF();
    EXPECT_EQ(panel.suggested.size(), 1);
    EXPECT_TRUE(revealer.shown.isEmpty());
    EXPECT_TRUE(alerter.alerts.isEmpty());
}

TEST_F(ExportActionsTest, FailedExportShowsTheAlertAndClearsTheErrorAfterwards)
{
    panel.answer = elsewhere.filePath(QStringLiteral("no-such-folder/out.pdf"));
    exporter->exportPDF();
    ASSERT_EQ(alerter.alerts.size(), 1);
    EXPECT_EQ(alerter.alerts[0].title.toStdString(), "Couldn't export");
    EXPECT_EQ(alerter.alerts[0].message.toStdString(), "Couldn't create the PDF file.");
    EXPECT_EQ(alerter.alerts[0].errorWhileShown.value_or(QString()).toStdString(), "Couldn't create the PDF file.");
    EXPECT_FALSE(exporter->exportError());
    EXPECT_TRUE(revealer.shown.isEmpty());
}

TEST_F(ExportActionsTest, ShareWritesIntoAPrivateFolderAndOffersTheFileEachTime)
{
    exporter->sharePDF();
    exporter->sharePDF();
    const QString folder = elsewhere.filePath(QStringLiteral("kelvo-share"));
    const QString file = folder + QStringLiteral("/Mail- set up-sign in.pdf");
    ASSERT_EQ(picker.offers.size(), 2);
    for (const auto &offer : picker.offers) {
        EXPECT_EQ(offer.path, file);
        EXPECT_EQ(offer.window, &window);
        EXPECT_EQ(offer.anchor, QPoint(660, 90));
    }
    EXPECT_EQ(pages(file).toStdString(), "1");
    EXPECT_EQ(modeOf(folder), mode_t(0700));
    EXPECT_TRUE(alerter.alerts.isEmpty());
}

TEST_F(ExportActionsTest, ShareWithoutAWindowWritesButShowsNothing)
{
    makeExporter(nullptr);
    exporter->sharePDF();
    EXPECT_TRUE(picker.offers.isEmpty());
    EXPECT_TRUE(QFile::exists(elsewhere.filePath(QStringLiteral("kelvo-share/Mail- set up-sign in.pdf"))));
}

TEST_F(ExportActionsTest, ShareFolderIsMadePrivateAndNeverFollowedThroughALink)
{
    const QString folder = elsewhere.filePath(QStringLiteral("kelvo-share"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_EQ(privateShareFolder(elsewhere.path()), folder);
    EXPECT_EQ(modeOf(folder), mode_t(0700));

    QTemporaryDir other;
    QTemporaryDir trap;
    ASSERT_TRUE(QFile::link(trap.path(), other.filePath(QStringLiteral("kelvo-share"))));
    QString error;
    EXPECT_TRUE(privateShareFolder(other.path(), &error).isEmpty());
    // Says what is wrong: a link, not someone else's folder.
    EXPECT_TRUE(error.contains(QStringLiteral("is a link"))) << error.toStdString();
    EXPECT_FALSE(error.contains(QStringLiteral("belong"))) << error.toStdString();

    // As a share: the alert, and nothing written into the linked folder.
    exporter = std::make_unique<GuideExporter>(store, *store.guideBinding(guide.id), &window,
                                               GuideExporter::Services{&panel, &revealer, &picker, &alerter, other.path()});
    exporter->sharePDF();
    ASSERT_EQ(alerter.alerts.size(), 1);
    EXPECT_EQ(alerter.alerts[0].title.toStdString(), "Couldn't export");
    EXPECT_TRUE(QDir(trap.path()).isEmpty());
    EXPECT_TRUE(picker.offers.isEmpty());
}

TEST_F(ExportActionsTest, RevealShowsTheGuideFolder)
{
    exporter->actions().reveal();
    ASSERT_EQ(revealer.shown.size(), 1);
    EXPECT_EQ(revealer.shown[0], QStringList{data.path() + "/" + uuidText(guide.id)});
}

TEST_F(ExportActionsTest, CanExportOnlyWithSteps)
{
    EXPECT_TRUE(exporter->actions().canExport);
    Guide empty = guide;
    empty.steps.clear();
    store.update(empty);
    EXPECT_FALSE(exporter->actions().canExport);
}

TEST(ShareMenu, OffersEmailCopyAndOpenForTheFile)
{
    FakeShareServices services;
    QWidget parent;
    std::unique_ptr<QMenu> menu(makeShareMenu(QStringLiteral("/tmp/a b.pdf"), services, &parent));
    QStringList texts;
    for (QAction *action : menu->actions()) {
        texts << action->text();
        action->trigger();
    }
    EXPECT_EQ(texts, (QStringList{"Email", "Copy", "Open"}));
    EXPECT_EQ(services.calls, (QStringList{"email /tmp/a b.pdf", "copy /tmp/a b.pdf", "open /tmp/a b.pdf"}));
}

TEST(ShareMenu, PickerPopsTheMenuUpOverTheWindow)
{
    FakeShareServices services;
    MenuSharePicker picker(services);
    QWidget window;
    window.resize(800, 600);
    window.show();
    picker.offer(QStringLiteral("/tmp/x.pdf"), &window, QPoint(660, 90));
    auto *menu = window.findChild<QMenu *>();
    ASSERT_TRUE(menu);
    EXPECT_TRUE(menu->isVisible());
    ASSERT_EQ(menu->actions().size(), 3);
    menu->actions()[2]->trigger();
    EXPECT_EQ(services.calls, QStringList{QStringLiteral("open /tmp/x.pdf")});
    menu->close();
}

TEST(ShareMenu, CopyPutsTheFileOnTheClipboardAsUriList)
{
    DesktopShareServices services;
    services.copy(QStringLiteral("/tmp/shared guide.pdf"));
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("text/uri-list")));
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls()[0].toString().toStdString(), "file:///tmp/shared guide.pdf");
}

} // namespace
} // namespace kelvo

namespace kelvo {
namespace {

TEST(ExportFoldersTest, DocumentsWhenPresentElseHomeAndFoldersOpenThemselves)
{
    QTemporaryDir home;
    const QString documents = home.filePath(QStringLiteral("Documents"));
    EXPECT_EQ(exportStartFolder(documents, home.path()), home.path()) << "no Documents folder yet";
    EXPECT_EQ(exportStartFolder(QString(), home.path()), home.path());
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Documents")));
    EXPECT_EQ(exportStartFolder(documents, home.path()), documents);

    // A guide's folder opens itself, a file opens its folder.
    const QString guide = home.filePath(QStringLiteral("Guides/abc"));
    ASSERT_TRUE(QDir().mkpath(guide));
    EXPECT_EQ(folderToOpenFor(guide), QUrl::fromLocalFile(guide));
    EXPECT_EQ(folderToOpenFor(documents + QStringLiteral("/Guide.pdf")), QUrl::fromLocalFile(documents));
}

} // namespace
} // namespace kelvo
