// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/hud/HUDController.h"

#include "app/hud/RecordingHUDView.h"
#include "platform/x11/X11WindowHints.h"
#include "capture/RecordingSession.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace kelvo {

HUDController::HUDController(RecordingSession &session, QObject *parent)
    : QObject(parent)
    , primaryScreen([] { return QGuiApplication::primaryScreen(); })
    , session_(session)
{
}

HUDController::~HUDController() = default;

QPoint HUDController::topCentre(const QRect &available, QSize panelSize)
{
    return {available.left() + (available.width() - panelSize.width()) / 2, available.top() + topMargin};
}

void HUDController::makePanel()
{
    panel_ = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                                    Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
    panel_->setObjectName(QStringLiteral("KelvoHUD"));
    panel_->setWindowTitle(QStringLiteral("Kelvo"));
    panel_->setAttribute(Qt::WA_ShowWithoutActivating);
    panel_->setAttribute(Qt::WA_TranslucentBackground);
    panel_->setAttribute(Qt::WA_X11DoNotAcceptFocus);
    panel_->setFocusPolicy(Qt::NoFocus);

    view_ = new RecordingHUDView(panel_.get());
    auto *layout = new QVBoxLayout(panel_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    panel_->setFixedSize(RecordingHUDView::fixedSize);

    view_->setPhase(session_.phase());
    view_->setElapsed(session_.elapsed());
    view_->setStepCount(session_.stepCount());
    view_->setTypingShown(session_.capturesTyping());
    connect(&session_, &RecordingSession::phaseChanged, view_, &RecordingHUDView::setPhase);
    connect(&session_, &RecordingSession::elapsedChanged, view_, &RecordingHUDView::setElapsed);
    connect(&session_, &RecordingSession::stepCountChanged, view_, &RecordingHUDView::setStepCount);
    connect(&session_, &RecordingSession::phaseChanged, view_,
            [this] { view_->setTypingShown(session_.capturesTyping()); });
    connect(view_, &RecordingHUDView::stopRequested, &session_, &RecordingSession::stop);
}

void HUDController::show()
{
    if (!panel_)
        makePanel();
    QScreen *screen = primaryScreen ? primaryScreen() : nullptr;
    if (!screen)
        return;
    panel_->move(topCentre(screen->availableGeometry(), panel_->size()));
    if (!compositingManagerRunning()) {
        QPainterPath capsule;
        const QRectF bounds(QPointF(0, 0), QSizeF(panel_->size()));
        capsule.addRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
        panel_->setMask(QRegion(capsule.toFillPolygon().toPolygon()));
    } else {
        panel_->clearMask();
    }
    if (!panel_->isVisible()) {
        // The workspace hints go on the unmapped window so the window manager sees them at map time.
        panel_->winId();
        setOnAllWorkspaces(panel_->windowHandle());
        panel_->show();
    }
    panel_->raise();
}

void HUDController::flash()
{
    if (!panel_ || !panel_->isVisible())
        return;
    panel_->raise();
    view_->flash();
}

void HUDController::hide()
{
    if (panel_)
        panel_->hide();
}

} // namespace kelvo
