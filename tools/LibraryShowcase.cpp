// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the library for scripts/screenshots.sh:
// kelvo_library_showcase library-empty | library | editor-empty | editor-drag | editor-export |
//   editor-save-failed | library-updates-question | editor-small |
//   editor-fitted (run with QT_SCALE_FACTOR=2) | editor-focus | editor-long-title
#include "app/MainWindow.h"
#include "app/Translations.h"
#include "app/library/LibraryView.h"
#include "app/library/SidebarView.h"
#include "app/state/AppModel.h"
#include "ui/Style.h"
#include "app/updates/Updater.h"
#include "capture/Permissions.h"
#include "capture/RecordingSession.h"
#include "editor/FramingControls.h"
#include "editor/StepRowView.h"
#include "model/QtScheduler.h"
#include "store/GuideStore.h"
#include "support/TestGuides.h"
#include "support/capture/FakeCapture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace kelvo;

namespace {

struct ShowcaseProbe final : PermissionProbe {
    bool a11y = true;
    bool screenRecording() override { return true; }
    bool accessibility() override { return a11y; }
    bool requestAccessibility() override { return a11y; }
};

// A screenshot-like picture of a settings window with the click marker.
QImage screenshot(int seed)
{
    QImage image(1600, 900, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(image.rect(), QColor::fromHsv((seed * 53 + 200) % 360, 60, 190));
    const QRect window(160, 90, 1280, 720);
    painter.fillRect(window, QColor(248, 248, 250));
    painter.fillRect(QRect(window.topLeft(), QSize(window.width(), 44)), QColor(52, 56, 66));
    painter.fillRect(QRect(window.left(), window.top() + 44, 260, window.height() - 44), QColor(236, 237, 240));
    QFont font = painter.font();
    font.setPixelSize(22);
    painter.setFont(font);
    for (int i = 0; i < 9; ++i) {
        painter.setPen(QColor(70, 74, 86));
        painter.drawText(QPoint(window.left() + 28, window.top() + 100 + i * 56),
                         QStringList{"Network", "Bluetooth", "Printers", "Displays", "Sound", "Power", "Mouse",
                                     "Keyboard", "Users"}[i]);
        painter.fillRect(QRect(window.left() + 320, window.top() + 84 + i * 64, 500 + (i * 97 + seed * 31) % 380, 18),
                         QColor(200, 204, 214));
    }
    painter.setPen(QPen(QColor(230, 40, 40), 5));
    painter.setBrush(QColor(230, 40, 40, 60));
    painter.drawEllipse(QPoint(window.left() + 420 + seed * 60 % 600, window.top() + 150 + seed * 90 % 420), 26, 26);
    return image;
}

Guide plant(GuideStore &store, const QString &title, int steps, int minutesAgo, bool video)
{
    Guide guide = test::plantGuide(store, title, steps, QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo),
                                   18 + steps * 7.3);
    const QStringList captions{QStringLiteral("Click \u201cSettings\u201d"), QStringLiteral("Choose \u201cPrinters\u201d"),
                               QStringLiteral("Click \u201cAdd Printer\u201d"), QStringLiteral("Toggle the checkbox"),
                               QStringLiteral("Type in the \u201cName\u201d field"), QStringLiteral("Click \u201cAdd\u201d")};
    const QString folder = store.folderPath(guide.id);
    for (int i = 0; i < guide.steps.size(); ++i) {
        guide.steps[i].caption = captions[i % captions.size()];
        guide.steps[i].appName = i % 3 == 2 ? std::optional<QString>() : std::optional<QString>(QStringLiteral("Settings"));
        screenshot(i + 1 + steps).save(folder + QLatin1Char('/') + guide.steps[i].imageFileName, "JPEG", 85);
    }
    if (video && test::writeTestMovie(folder + QStringLiteral("/video.mov"), 20))
        guide.videoFileName = QStringLiteral("video.mov");
    store.update(guide);
    store.flushPendingSaves();
    return guide;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installTranslations(app); // German pictures: LC_ALL=de_DE.UTF-8
    applyKelvoStyle(app);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("library");
    QTemporaryDir data;
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath(QStringLiteral("kelvo.ini")), QSettings::IniFormat);
    QtScheduler scheduler;
    ShowcaseProbe probe;
    probe.a11y = mode != QLatin1String("library-empty");
    const bool asksAboutUpdates = mode == QLatin1String("library-updates-question");
    if (asksAboutUpdates)
        qunsetenv("KELVO_NO_UPDATES");
    test::FakeDisplayProvider displays;

    std::optional<QUuid> select;
    {
        GuideStore seed(scheduler, data.path());
        if (mode != QLatin1String("library-empty") && !asksAboutUpdates) {
            plant(seed, QStringLiteral("Send an invoice from the accounting app"), 9, 60 * 30, false);
            plant(seed, QStringLiteral("Share a folder with the team"), 1, 60 * 24 * 3, false);
            plant(seed, QStringLiteral("Reset a user's password"), 7, 60 * 5, false);
            const Guide empty = plant(seed, QStringLiteral("Recording without clicks"), 0, 60, true);
            const Guide printer = plant(seed, QStringLiteral("Add a network printer"), 6, 5, true);
            select = mode == QLatin1String("editor-empty") ? empty.id : printer.id;
            if (mode.startsWith(QLatin1String("editor-framing")) || mode == QLatin1String("editor-redact")) {
                // Recorded with framing: every click in the settings window, the
                // second step a close-up with a name hidden.
                Guide framed = *seed.guideWithID(printer.id);
                framed.framing = Framing::clickedWindow;
                for (Step &step : framed.steps) {
                    step.windowFrame = NormalRect{0.1, 0.1, 0.8, 0.8};
                    step.clickX = 0.45;
                    step.clickY = 0.4;
                }
                framed.steps[1].framing = Framing::closeUp;
                framed.steps[0].redactions = {NormalRect{0.3, 0.28, 0.25, 0.05}};
                seed.update(framed);
                seed.flushPendingSaves();
            }
            if (mode == QLatin1String("editor-long-title")) {
                Guide long_ = plant(seed, QStringLiteral("Set up the office printer for the whole team on the third "
                                                         "floor – Guide 6 Dec 2026 at 14:05"),
                                    3, 2, false);
                select = long_.id;
            }
        }
    }
    auto store = std::make_unique<GuideStore>(scheduler, data.path());
    GuideStore &storeRef = *store;
    auto services = test::quietServices(storeRef, scheduler, displays);
    AppModel::Parts parts;
    parts.store = std::move(store);
    parts.permissions = std::make_unique<Permissions>(probe, settings);
    parts.session = std::make_unique<RecordingSession>(std::move(services), std::make_unique<test::FakeRecordingEngine>(),
                                                       std::make_unique<test::FakeClickMonitor>());
    if (asksAboutUpdates) {
        Updater::Options options;
        options.feedUrl = QUrl(QStringLiteral("http://127.0.0.1:9/appcast.xml"));
        parts.updater = std::make_unique<Updater>(scheduler, settings, options);
    }
    AppModel model(std::move(parts));
    model.setSelectedGuideID(select);
    LibraryView library(model, scheduler);
    library.setWindowTitle(QStringLiteral("Kelvo"));
    library.resize(1440, 900);
    library.move(60, 40);
    if (mode == QLatin1String("editor-small")) {
        library.resize(960, 570); // a 960 x 600 window less its menu bar
    } else if (mode == QLatin1String("editor-fitted")) {
        const QRect available = library.screen()->availableGeometry();
        const QSize size = fittedWindowSize(QSize(1280, 800), library.minimumSize(), available);
        library.setMinimumSize(library.minimumSize().boundedTo(size));
        library.resize(size);
        library.move(available.topLeft() + QPoint(8, 40));
    }
    library.show();

    if (mode == QLatin1String("editor-save-failed") && select) {
        // A folder where guide.json should be: the save fails.
        const QString document = storeRef.folderPath(*select) + QStringLiteral("/guide.json");
        QFile::remove(document);
        QDir().mkdir(document);
        storeRef.saveNow(*select);
    }
    if (mode == QLatin1String("editor-focus") && library.currentEditor()) {
        // Keyboard focus on Share and, for the second picture of the same run, a step.
        library.activateWindow();
        QMetaObject::invokeMethod(&library, [&library] {
            if (GuideEditorView *editor = library.currentEditor())
                editor->shareButton()->setFocus(Qt::TabFocusReason);
        }, Qt::QueuedConnection);
    }

    if (mode == QLatin1String("editor-drag") && library.currentEditor()) {
        // A drag from the first row's handle hovering over the second row.
        const auto rows = library.currentEditor()->stepRows();
        if (rows.size() > 1) {
            QMimeData *mime = rows[0]->dragHandle()->makeMimeData();
            QDragEnterEvent enter(QPoint(40, 40), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(rows[1], &enter);
            QMetaObject::invokeMethod(&library, [&library, rows] {
                if (auto *area = library.currentEditor()->stepsScrollArea())
                    area->ensureWidgetVisible(rows[1], 0, 40);
            }, Qt::QueuedConnection);
        }
    }
    if ((mode == QLatin1String("editor-redact") || mode == QLatin1String("editor-framing-menu"))
        && library.currentEditor()) {
        // The first step in Redact mode, or its framing menu open.
        QTimer::singleShot(1500, &library, [&library, mode] {
            auto *editor = library.currentEditor();
            StepRowView *row = editor ? editor->stepRows().value(0) : nullptr;
            if (!row)
                return;
            if (mode == QLatin1String("editor-redact"))
                row->framingTools()->setRedacting(true);
            else
                row->framingTools()->menuButton()->click();
        });
    }
    if (mode == QLatin1String("editor-export") && library.currentEditor()) {
        // The Export arrow's menu open, once the window manager has placed the window.
        QTimer::singleShot(1500, &library, [&library] {
            if (auto *editor = library.currentEditor())
                editor->exportFormatsButton()->click();
        });
    }
    return QApplication::exec();
}
