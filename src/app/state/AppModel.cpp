// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/state/AppModel.h"

#include "app/hud/HUDController.h"
#include "app/updates/Updater.h"
#include "capture/Permissions.h"
#include "capture/RecordingSession.h"
#include "store/GuideStore.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

namespace kelvo {

namespace {
constexpr auto mainWindowProperty = "kelvoMainWindow";
}

AppModel::AppModel(Parts parts, QObject *parent)
    : QObject(parent)
    , store_(std::move(parts.store))
    , permissions_(std::move(parts.permissions))
    , session_(std::move(parts.session))
    , hud_(std::make_unique<HUDController>(*session_))
    , updater_(std::move(parts.updater))
{
    QPointer<AppModel> self(this);
    session_->onPhaseChange = [self](Phase phase) {
        if (self)
            self->handlePhaseChange(phase);
    };
    session_->onFinished = [self](const std::optional<Guide> &guide) {
        if (self)
            self->handleFinished(guide);
    };
    if (!store_->guides().isEmpty())
        selectedGuideID_ = store_->guides().first().id;
    if (updater_)
        updater_->start();
    if (parts.registerHotKey) {
        hotKey_ = parts.registerHotKey([self] {
            if (self)
                self->toggleRecording();
        });
    }
}

AppModel::~AppModel()
{
    session_->onPhaseChange = nullptr;
    session_->onFinished = nullptr;
}

void AppModel::setSelectedGuideID(std::optional<QUuid> id)
{
    if (selectedGuideID_ == id)
        return;
    selectedGuideID_ = id;
    emit selectedGuideIDChanged();
}

void AppModel::startRecording()
{
    permissions_->refresh();
    if (permissions_->screenRecording()) {
        if (!permissions_->accessibility() && !permissions_->askedAccessibility()) {
            permissions_->setAskedAccessibility(true);
            permissions_->requestAccessibility();
        }
        session_->start();
        return;
    }
    // There is no system prompt for screen capture on X11: the permission card in
    // the main window says what is missing.
    permissions_->refresh();
    showMainWindow();
}

void AppModel::toggleRecording()
{
    if (session_->phase().isIdle())
        startRecording();
    else
        session_->stop();
}

void AppModel::quitWhenSafe(std::function<void()> quit)
{
    if (session_->phase().isIdle()) {
        quit();
        return;
    }
    pendingQuit_ = std::move(quit);
    session_->stop();
}

void AppModel::finishRecordingNow(int limitMs)
{
    if (session_->phase().isIdle())
        return;
    QEventLoop loop;
    // Runs once the session has reported its guide (see handlePhaseChange); the
    // loop may be gone by then when the limit ran out first.
    pendingQuit_ = [guard = QPointer<QEventLoop>(&loop)] {
        if (guard)
            guard->quit();
    };
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    session_->stop();
    loop.exec();
    pendingQuit_ = nullptr;
}

void AppModel::showMainWindow()
{
    const QList<QWidget *> windows = mainWindows();
    if (windows.isEmpty()) {
        if (openMainWindow)
            openMainWindow();
        return;
    }
    QWidget *window = windows.first();
    window->show();
    window->raise();
    window->activateWindow();
}

void AppModel::anotherLaunchArrived()
{
    if (session_->phase().isIdle())
        showMainWindow();
    else
        hud_->flash();
}

void AppModel::showMainWindowIfNoneVisible()
{
    for (QWidget *window : mainWindows()) {
        if (window->isVisible())
            return;
    }
    showMainWindow();
}

QList<QWidget *> AppModel::mainWindows() const
{
    QList<QWidget *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->property(mainWindowProperty).toBool() && widget != hud_->panel())
            windows.append(widget);
    }
    return windows;
}

void AppModel::markAsMainWindow(QWidget *window)
{
    window->setProperty(mainWindowProperty, true);
}

void AppModel::handlePhaseChange(Phase phase)
{
    if (phase.isIdle() && pendingQuit_) {
        hud_->hide();
        // After the session has reported its guide, which follows this phase change.
        QMetaObject::invokeMethod(this, [quit = std::exchange(pendingQuit_, nullptr)] { quit(); },
                                  Qt::QueuedConnection);
        return;
    }
    if (phase.isIdle()) {
        hud_->hide();
        showMainWindow();
    } else if (phase.isCountdown()) {
        for (QWidget *window : mainWindows())
            window->hide();
        hud_->show();
    }
}

void AppModel::handleFinished(const std::optional<Guide> &guide)
{
    if (guide)
        setSelectedGuideID(guide->id);
}

} // namespace kelvo
