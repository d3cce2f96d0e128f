// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/KelvoApplication.h"

#include "app/MainWindow.h"
#include "app/instance/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "app/library/LibraryView.h"
#include "app/menus/AppMenus.h"
#include "app/state/AppModel.h"
#include "app/permissions/PermissionsCard.h"
#include "app/settings/PrivateSettings.h"
#include "app/settings/SettingsDialog.h"
#include "app/settings/TypingSetting.h"
#include "app/updates/UpdateAlert.h"
#include "app/updates/Updater.h"
#include "capture/GlobalHotKey.h"
#include "editor/ExportActions.h"
#include "store/GuideStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QLocalServer>
#include <QPainter>
#include <QSystemTrayIcon>

namespace kelvo {

namespace {

constexpr std::chrono::milliseconds launchDelay{700};

QIcon trayIcon(bool recording)
{
    if (!recording)
        return applicationIcon();
    QPixmap pixmap(44, 44);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 69, 58), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(4, 4, 36, 36));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 69, 58));
    painter.drawEllipse(QRectF(12, 12, 20, 20));
    return QIcon(pixmap);
}

} // namespace

QString instanceServerName()
{
    return singleInstance::socketPath();
}

QIcon applicationIcon()
{
    return QIcon::fromTheme(QStringLiteral(KELVO_APP_ID),
                            QIcon(QStringLiteral(":/icons/" KELVO_APP_ID ".svg")));
}

bool KelvoApplication::handOverToRunningInstance(Request request)
{
    return singleInstance::handOverToRunningInstance(request == Request::NewRecording ? QByteArrayLiteral("new-recording")
                                                                                      : QByteArrayLiteral("show"));
}

KelvoApplication::KelvoApplication(QApplication &app)
    : app_(app)
{
    makeSettingsPrivate(settings_);
    adoptSettingsOfEarlierVersion(settings_, earlierSettingsFile());
    // The launcher entry and its icon belong to this id.
    QGuiApplication::setDesktopFileName(QStringLiteral(KELVO_APP_ID));
    QApplication::setWindowIcon(applicationIcon());
    auto store = std::make_unique<GuideStore>(scheduler_);
    // Only the application tidies the data directory; the commands just read it.
    store->makeRootDirectory();
    store->removeOrphanImages();
    capture_ = makeDesktopCapture(*store, scheduler_, settings_);

    AppModel::Parts parts;
    parts.store = std::move(store);
    parts.permissions = std::move(capture_.permissions);
    parts.session = std::move(capture_.session);
    parts.updater = std::make_unique<Updater>(scheduler_, settings_, Updater::Options{});
    parts.registerHotKey = [](GlobalHotKey::Action action) {
        return GlobalHotKey::create(Qt::Key_R, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier,
                                    std::move(action));
    };
    model_ = std::make_unique<AppModel>(std::move(parts));
    model_->openMainWindow = [this] { openMainWindow(); };

    Updater *updater = model_->updater();
    connect(updater, &Updater::checkFinished, this, [this, updater](const UpdateCheckResult &result, bool user) {
        const QList<QWidget *> windows = model_->mainWindows();
        showUpdateCheckResult(windows.isEmpty() ? nullptr : windows.first(), result, user,
                              updater->options().version);
    });

    menus_ = std::make_unique<AppMenus>(*model_, AppMenus::Handlers{
                                                     .checkForUpdates = updater->hasFeed()
                                                         ? std::function<void()>([updater] { updater->checkForUpdates(); })
                                                         : std::function<void()>(),
                                                     .showSettings = [this] { showSettings(); },
                                                     .quit = [this] { model_->quitWhenSafe([] { QApplication::quit(); }); },
                                                 });

    // The grants are read again at once whenever Kelvo becomes the active application.
    connect(&app_, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            return;
        for (QWidget *window : model_->mainWindows()) {
            if (auto *main = qobject_cast<MainWindow *>(window))
                main->library()->permissionsRefresher()->applicationBecameActive();
        }
    });

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = std::make_unique<QSystemTrayIcon>();
        tray_->setToolTip(QStringLiteral("Kelvo"));
        tray_->setContextMenu(menus_->trayMenu());
        updateTrayIcon();
        tray_->show();
        connect(&model_->session(), &RecordingSession::phaseChanged, this, &KelvoApplication::updateTrayIcon);
    }

    // A signal or the end of the desktop session finishes a recording like Quit does.
    auto *terminations = new TerminationSignals(this);
    connect(terminations, &TerminationSignals::received, this,
            [this] { model_->quitWhenSafe([] { QApplication::quit(); }); });
    connect(&app_, &QGuiApplication::commitDataRequest, this, [this] { model_->finishRecordingNow(); });
    connect(&app_, &QCoreApplication::aboutToQuit, this, [this] {
        model_->finishRecordingNow();
        model_->store().flushPendingSaves();
    });

    openMainWindow();
    // If no main window is visible after a moment (none was restored), bring one up.
    scheduler_.postAfter(launchDelay, [this] { model_->showMainWindowIfNoneVisible(); });
}

KelvoApplication::~KelvoApplication()
{
    for (QWidget *window : model_->mainWindows())
        delete window;
}

void KelvoApplication::listenForOtherInstances()
{
    server_ = singleInstance::listen(this, [this](const QByteArray &request) {
        answer(request == "new-recording" ? Request::NewRecording : Request::Show);
    });
}

void KelvoApplication::answer(Request request)
{
    if (request == Request::Show)
        model_->anotherLaunchArrived(); // during a recording the window stays away
    else if (model_->session().phase().isIdle())
        model_->startRecording();
    // A recording already under way goes on; its bar is on screen.
}

MainWindow *KelvoApplication::openMainWindow()
{
    auto *window = new MainWindow(*model_, *menus_, scheduler_);
    AppModel::markAsMainWindow(window);
    window->show();
    return window;
}

void KelvoApplication::showSettings()
{
    if (!settingsDialog_) {
        settingsDialog_ = new SettingsDialog(
            model_->store().rootPath(), *model_->updater(),
            [](const QString &path) {
                DesktopFileRevealer revealer;
                revealer.showItems({path});
            },
            nullptr);
        settingsDialog_->setAttribute(Qt::WA_DeleteOnClose);
        settingsDialog_->addRecordingRow(makeRecordTypingCheckBox(model_->session(), settings_, settingsDialog_));
    }
    settingsDialog_->show();
    settingsDialog_->raise();
    settingsDialog_->activateWindow();
}

void KelvoApplication::updateTrayIcon()
{
    if (tray_)
        tray_->setIcon(trayIcon(model_->session().phase().isRecording()));
}

} // namespace kelvo
