// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/LibraryView.h"

#include "app/MainWindow.h"
#include "app/library/SidebarView.h"
#include "app/state/AppModel.h"
#include "app/permissions/PermissionsCard.h"
#include "app/updates/Updater.h"
#include "capture/Permissions.h"
#include "capture/RecordingSession.h"
#include "editor/StepImageView.h"
#include "editor/StepRowView.h"
#include "store/GuideStore.h"
#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"
#include "support/TestGuides.h"
#include "support/capture/FakeCapture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

struct FakeProbe final : PermissionProbe {
    bool screen = true;
    bool a11y = true;
    bool screenRecording() override { return screen; }
    bool accessibility() override { return a11y; }
    bool requestAccessibility() override { return a11y; }
    std::function<void(bool)> announce; // the accessibility bus telling of a switch
    void watchAccessibility(std::function<void(bool)> changed) override { announce = std::move(changed); }
};

struct RecordingAlerter final : Alerter {
    std::vector<std::pair<QString, QString>> shown;
    std::function<void()> whileShown;
    void alert(QWidget *, const QString &title, const QString &message) override
    {
        shown.emplace_back(title, message);
        if (whileShown)
            whileShown();
    }
};

class LibraryViewTest : public ::testing::Test {
protected:
    test::TempDataDir data;
    QTemporaryDir settingsDir;
    QSettings settings{settingsDir.filePath(QStringLiteral("kelvo.ini")), QSettings::IniFormat};
    test::ManualScheduler scheduler;
    FakeProbe probe;
    test::FakeDisplayProvider displays;
    test::FakeRecordingEngine *engine = nullptr;
    RecordingAlerter alerter;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<LibraryView> library;
    QList<Guide> planted;
    int deleteQuestions = 0;
    bool deleteAnswer = true;

    // Guides planted before the model starts, one minute apart (the last is newest).
    void start(const std::vector<int> &stepCounts)
    {
        {
            GuideStore seed(scheduler, data.path());
            for (std::size_t i = 0; i < stepCounts.size(); ++i)
                planted.append(test::plantGuide(seed, QStringLiteral("Guide %1").arg(i + 1), stepCounts[i],
                                                QDateTime(QDate(2026, 3, 1), QTime(9, int(i)), Qt::UTC), 125.4));
        }
        auto store = std::make_unique<GuideStore>(scheduler, data.path());
        GuideStore &storeRef = *store;
        auto fakeEngine = std::make_unique<test::FakeRecordingEngine>();
        engine = fakeEngine.get();
        auto services = test::quietServices(storeRef, scheduler, displays);
        services.screenRecordingGranted = [this] { return probe.screen; };
        AppModel::Parts parts;
        parts.store = std::move(store);
        parts.permissions = std::make_unique<Permissions>(probe, settings);
        parts.session = std::make_unique<RecordingSession>(std::move(services), std::move(fakeEngine),
                                                           std::make_unique<test::FakeClickMonitor>());
        model = std::make_unique<AppModel>(std::move(parts));
        LibraryView::Services libraryServices;
        libraryServices.alerter = &alerter;
        libraryServices.editor.confirmDeleteGuide = [this](QWidget *) {
            ++deleteQuestions;
            return deleteAnswer;
        };
        library = std::make_unique<LibraryView>(*model, scheduler, libraryServices);
        library->resize(1280, 800);
        library->show();
        QCoreApplication::processEvents();
    }

    const Guide &newest() const { return planted.last(); }

    QStringList rowTitles() const
    {
        QStringList titles;
        for (GuideRow *row : library->sidebar()->rows())
            titles << row->content().title;
        return titles;
    }

    void deleteFromContextMenu(const QUuid &id)
    {
        QMenu *menu = library->sidebar()->row(id)->contextMenu();
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Delete"));
        menu->actions()[0]->trigger();
        QCoreApplication::processEvents();
    }
};

TEST_F(LibraryViewTest, EmptyLibraryShowsTheEmptyTextAndTheWelcomeScreen)
{
    start({});
    EXPECT_TRUE(library->sidebar()->emptyLabel()->isVisible());
    EXPECT_EQ(library->sidebar()->emptyLabel()->text(),
              QStringLiteral("Nothing here yet. Your recordings will show up here."));
    EXPECT_FALSE(library->sidebar()->guidesArea()->isVisible());
    EXPECT_TRUE(library->emptyState()->isVisible());
    EXPECT_EQ(library->currentEditor(), nullptr);
    EXPECT_FALSE(library->emptyState()->permissionsCard()->isVisible()); // both granted
    EXPECT_EQ(library->sidebar()->recordButton()->toolTip(), QStringLiteral("Record a new guide (Shift+Ctrl+R)"));
    EXPECT_EQ(library->sidebar()->width(), 296);
    EXPECT_EQ(library->minimumSize(), QSize(960, 560));
    QStringList texts;
    for (QLabel *label : library->findChildren<QLabel *>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("YOUR GUIDES")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Stored only on this computer")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Record once, get a guide")));
}

TEST_F(LibraryViewTest, RowsAreNewestFirstWithStepCountAndDuration)
{
    start({12, 1, 0});
    EXPECT_EQ(rowTitles(), (QStringList{"Guide 3", "Guide 2", "Guide 1"}));
    const auto rows = library->sidebar()->rows();
    EXPECT_EQ(rows[0]->content().subtitle, QStringLiteral("0 steps · 2:05"));
    EXPECT_FALSE(rows[0]->content().hasSteps); // the "video" symbol instead of a thumbnail
    EXPECT_TRUE(rows[0]->thumbnail()->isHidden());
    EXPECT_EQ(rows[1]->content().subtitle, QStringLiteral("1 step · 2:05"));
    EXPECT_EQ(rows[2]->content().subtitle, QStringLiteral("12 steps · 2:05"));
    EXPECT_TRUE(rows[2]->content().thumbnailPath.endsWith(QStringLiteral("/step-1.jpg")));
    // The model selects the newest guide at start.
    EXPECT_TRUE(rows[0]->isSelected());
    EXPECT_FALSE(rows[1]->isSelected());
    ASSERT_NE(library->currentEditor(), nullptr);
    EXPECT_EQ(library->currentEditor()->guideId(), newest().id);
}

TEST_F(LibraryViewTest, ClickingARowOpensItsEditorWithANewPlayerArea)
{
    start({2, 3});
    QSignalSpy changed(library.get(), &LibraryView::currentEditorChanged);
    GuideEditorView *first = library->currentEditor();
    GuideRow *other = library->sidebar()->row(planted[0].id);
    QTest::mouseClick(other, Qt::LeftButton);
    EXPECT_EQ(model->selectedGuideID(), planted[0].id);
    EXPECT_TRUE(other->isSelected());
    EXPECT_FALSE(library->sidebar()->row(planted[1].id)->isSelected());
    ASSERT_NE(library->currentEditor(), nullptr);
    EXPECT_NE(library->currentEditor(), first);
    EXPECT_EQ(library->currentEditor()->guideId(), planted[0].id);
    EXPECT_EQ(library->currentEditor()->stepRows().size(), 2);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(library->currentEditor()->undoStack(), library->undoStack());
}

TEST_F(LibraryViewTest, DeletingTheSelectedGuideShowsTheNextOneThenTheWelcomeScreen)
{
    start({1, 2, 3});
    ASSERT_EQ(model->selectedGuideID(), newest().id);
    deleteFromContextMenu(newest().id);
    EXPECT_EQ(deleteQuestions, 1);
    EXPECT_FALSE(model->store().guideWithID(newest().id).has_value());
    EXPECT_FALSE(QFileInfo::exists(model->store().folderPath(newest().id)));
    // The next one down the list.
    EXPECT_EQ(model->selectedGuideID(), planted[1].id);
    ASSERT_NE(library->currentEditor(), nullptr);
    EXPECT_EQ(library->currentEditor()->guideId(), planted[1].id);

    // The bottom one hands over to the one above.
    model->setSelectedGuideID(planted[0].id);
    deleteFromContextMenu(planted[0].id);
    EXPECT_EQ(model->selectedGuideID(), planted[1].id);

    deleteFromContextMenu(planted[1].id);
    EXPECT_EQ(model->selectedGuideID(), std::nullopt);
    EXPECT_EQ(library->currentEditor(), nullptr);
    EXPECT_TRUE(library->emptyState()->isVisible());
    EXPECT_TRUE(rowTitles().isEmpty());
}

// The menu and the Delete key ask the editor's question; No keeps everything.
TEST_F(LibraryViewTest, SidebarDeleteAsksFirstFromTheMenuAndTheDeleteKey)
{
    start({1, 2});
    deleteAnswer = false;
    deleteFromContextMenu(planted[0].id);
    GuideRow *row = library->sidebar()->row(newest().id);
    row->setFocus();
    QTest::keyClick(row, Qt::Key_Delete);
    EXPECT_EQ(deleteQuestions, 2);
    EXPECT_EQ(model->store().guides().size(), 2);
    EXPECT_TRUE(QFileInfo::exists(model->store().folderPath(planted[0].id)));
    EXPECT_EQ(model->selectedGuideID(), newest().id);

    deleteAnswer = true;
    QTest::keyClick(row, Qt::Key_Delete);
    QCoreApplication::processEvents();
    EXPECT_EQ(deleteQuestions, 3);
    EXPECT_EQ(rowTitles(), (QStringList{"Guide 1"}));
    EXPECT_EQ(model->selectedGuideID(), planted[0].id);
}

// The record button says what it does: during a recording (its window brought
// up by hand) it stops.
TEST_F(LibraryViewTest, RecordButtonStopsWhileARecordingRuns)
{
    start({});
    NeuButton *record = library->sidebar()->recordButton();
    EXPECT_EQ(record->text(), QStringLiteral("New Recording"));
    record->click();
    ASSERT_TRUE(model->session().phase().isCountdown());
    EXPECT_EQ(record->text(), QStringLiteral("Stop Recording"));
    record->click();
    EXPECT_TRUE(model->session().phase().isIdle());
    EXPECT_EQ(record->text(), QStringLiteral("New Recording"));
}

// Up and Down on a focused sidebar row select and focus its neighbour.
TEST_F(LibraryViewTest, ArrowKeysWalkTheSidebar)
{
    start({1, 1, 1});
    library->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(library.get()));
    GuideRow *top = library->sidebar()->rows()[0];
    top->setFocus();
    QTest::keyClick(top, Qt::Key_Down);
    EXPECT_EQ(model->selectedGuideID(), planted[1].id);
    EXPECT_EQ(QApplication::focusWidget(), library->sidebar()->rows()[1]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // already the last
    EXPECT_EQ(model->selectedGuideID(), planted[0].id);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(model->selectedGuideID(), planted[1].id);
}

// Down to 960 × 600 with the menu bar every control of the editor is inside the
// window: the side column narrows, nothing is cut off.
TEST_F(LibraryViewTest, EditorFitsASmallWindow)
{
    start({4});
    EXPECT_LE(library->minimumSize().width(), 960);
    EXPECT_LE(library->minimumSize().height(), 570);
    library->resize(960, 570);
    QCoreApplication::processEvents();
    GuideEditorView *editor = library->currentEditor();
    ASSERT_NE(editor, nullptr);
    const QRect inside = library->rect();
    for (QWidget *control : std::initializer_list<QWidget *>{
             editor->exportButton(), editor->shareButton(), editor->revealButton(), editor->deleteButton(),
             editor->jumpRows()[0], library->sidebar()->recordButton()}) {
        const QRect area(control->mapTo(library.get(), QPoint(0, 0)), control->size());
        EXPECT_TRUE(inside.contains(area)) << control->accessibleName().toStdString();
        EXPECT_GE(control->width(), control->minimumSizeHint().width()) << control->accessibleName().toStdString();
    }
    const QRect title(editor->titleField()->mapTo(library.get(), QPoint(0, 0)), editor->titleField()->size());
    const QRect exportArea(editor->exportButton()->mapTo(library.get(), QPoint(0, 0)), editor->exportButton()->size());
    EXPECT_FALSE(title.intersects(exportArea));
    EXPECT_GE(title.width(), 200);
    EXPECT_GE(editor->stepRows()[0]->width(), 300);
}

TEST(FittedWindowSizeTest, NeverLargerThanTheFreeArea)
{
    const QSize decoration(16, 48);
    // Room to spare: the wanted size.
    EXPECT_EQ(fittedWindowSize(QSize(1280, 800), QSize(960, 600), QRect(0, 0, 1920, 1050), decoration),
              QSize(1280, 800));
    // A 1366 × 768 laptop with a panel.
    EXPECT_EQ(fittedWindowSize(QSize(1280, 800), QSize(960, 600), QRect(0, 0, 1366, 740), decoration),
              QSize(1280, 692));
    // 1920 × 1080 at scale 2 (960 × 540 free): smaller than the minimum, still on screen.
    EXPECT_EQ(fittedWindowSize(QSize(1280, 800), QSize(960, 600), QRect(0, 0, 960, 540), decoration),
              QSize(944, 492));
}

TEST(GuideShownAfterDeletingTest, NextElsePreviousElseNone)
{
    QList<Guide> guides(3);
    for (Guide &g : guides)
        g.id = QUuid::createUuid();
    EXPECT_EQ(guideShownAfterDeleting(guides, guides[0].id), guides[1].id);
    EXPECT_EQ(guideShownAfterDeleting(guides, guides[1].id), guides[2].id);
    EXPECT_EQ(guideShownAfterDeleting(guides, guides[2].id), guides[1].id);
    EXPECT_EQ(guideShownAfterDeleting(guides.mid(0, 1), guides[0].id), std::nullopt);
    EXPECT_EQ(guideShownAfterDeleting(guides, QUuid::createUuid()), std::nullopt);
}

TEST_F(LibraryViewTest, DeletingAnotherGuideKeepsTheEditor)
{
    start({1, 2});
    GuideEditorView *editor = library->currentEditor();
    ASSERT_NE(editor, nullptr);
    deleteFromContextMenu(planted[0].id);
    EXPECT_EQ(model->selectedGuideID(), newest().id);
    EXPECT_EQ(library->currentEditor(), editor);
    EXPECT_EQ(rowTitles(), (QStringList{"Guide 2"}));
    EXPECT_TRUE(library->sidebar()->row(newest().id)->isSelected());
}

TEST_F(LibraryViewTest, EditorDeleteSelectsTheNextGuideOrNone)
{
    start({1, 2});
    library->currentEditor()->deleteButton()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(model->selectedGuideID(), planted[0].id);
    ASSERT_NE(library->currentEditor(), nullptr);
    EXPECT_EQ(library->currentEditor()->guideId(), planted[0].id);
    library->currentEditor()->deleteButton()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(model->selectedGuideID(), std::nullopt);
    EXPECT_TRUE(model->store().guides().isEmpty());
    EXPECT_TRUE(library->emptyState()->isVisible());
    EXPECT_TRUE(library->sidebar()->emptyLabel()->isVisible());
}

TEST_F(LibraryViewTest, EditsInTheEditorReachTheSidebarRow)
{
    start({3});
    GuideEditorView *editor = library->currentEditor();
    editor->titleField()->selectAll();
    QTest::keyClicks(editor->titleField(), QStringLiteral("Renamed"));
    EXPECT_EQ(library->sidebar()->rows()[0]->content().title, QStringLiteral("Renamed"));
    editor->stepRows()[0]->deleteButton()->click();
    EXPECT_EQ(library->sidebar()->rows()[0]->content().subtitle, QStringLiteral("2 steps · 2:05"));
    EXPECT_TRUE(library->sidebar()->rows()[0]->content().thumbnailPath.endsWith(QStringLiteral("/step-2.jpg")));
}

TEST_F(LibraryViewTest, ASelectedIdWithoutGuideShowsTheWelcomeScreen)
{
    start({1});
    model->setSelectedGuideID(QUuid::createUuid());
    EXPECT_EQ(library->currentEditor(), nullptr);
    EXPECT_TRUE(library->emptyState()->isVisible());
    for (GuideRow *row : library->sidebar()->rows())
        EXPECT_FALSE(row->isSelected());
}

TEST_F(LibraryViewTest, PermissionCardShowsWhileAGrantIsMissing)
{
    probe.a11y = false;
    start({});
    EXPECT_TRUE(library->emptyState()->permissionsCard()->isVisible());
    // Granted while the window is open: gone as soon as the desktop tells.
    probe.a11y = true;
    scheduler.advance(60s);
    EXPECT_TRUE(library->emptyState()->permissionsCard()->isVisible()) << "nothing asks on a timer";
    ASSERT_TRUE(probe.announce);
    probe.announce(true);
    EXPECT_FALSE(library->emptyState()->permissionsCard()->isVisible());
}

TEST_F(LibraryViewTest, RecordingProblemIsShownOnceAndThenCleared)
{
    start({});
    engine->startError = QStringLiteral("The display went away.");
    model->startRecording();
    scheduler.advance(3000ms);
    ASSERT_TRUE(model->session().errorMessage().has_value());
    QCoreApplication::processEvents();
    ASSERT_EQ(alerter.shown.size(), 1u);
    EXPECT_EQ(alerter.shown[0].first, QStringLiteral("Recording problem"));
    EXPECT_TRUE(alerter.shown[0].second.contains(QStringLiteral("The display went away.")));
    EXPECT_FALSE(model->session().errorMessage().has_value());
    QCoreApplication::processEvents();
    EXPECT_EQ(alerter.shown.size(), 1u);
}

TEST_F(LibraryViewTest, SidebarThumbnailsLoadOnlyNearTheVisibleRows)
{
    start(std::vector<int>(60, 1));
    ASSERT_EQ(library->sidebar()->rows().size(), 60);
    QCoreApplication::processEvents();
    int started = 0;
    for (GuideRow *row : library->sidebar()->rows())
        started += row->thumbnail()->isLoadStarted() ? 1 : 0;
    EXPECT_GT(started, 0);
    EXPECT_LT(started, 40);
    EXPECT_TRUE(library->sidebar()->rows()[0]->thumbnail()->isLoadStarted());
    EXPECT_FALSE(library->sidebar()->rows()[59]->thumbnail()->isLoadStarted());
    // Scrolled to the end, the last rows load.
    QScrollArea *area = library->sidebar()->guidesArea();
    area->ensureWidgetVisible(library->sidebar()->rows()[59]);
    QCoreApplication::processEvents();
    EXPECT_TRUE(library->sidebar()->rows()[59]->thumbnail()->isLoadStarted());
}

} // namespace
} // namespace kelvo
