// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/hud/RecordingHUDView.h"

#include "app/hud/KeyboardSymbol.h"

#include "ui/Palette.h"
#include "ui/Style.h"
#include "ui/Widgets.h"
#include "model/StepCount.h"

#include <QCoreApplication>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSequentialAnimationGroup>
#include <QVariantAnimation>
#include <QWindow>

#include <cmath>

namespace kelvo {

QString countdownText(int secondsLeft)
{
    return QCoreApplication::translate("kelvo::RecordingHUDView", "Starting in %1…").arg(secondsLeft);
}

QString elapsedText(double seconds)
{
    long long s = 0;
    if (std::isfinite(seconds) && seconds > 0)
        s = static_cast<long long>(std::trunc(std::min(seconds, 1e12)));
    const long long m = s / 60;
    return QString::asprintf("%02lld:%02lld", m, s - 60 * m);
}

QString stepCountText(int count)
{
    return stepCountText(qsizetype(count));
}

// --- PulsingDot -----------------------------------------------------------------

PulsingDot::PulsingDot(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(10, 10);
    setAccessibleName(tr("Recording"));
}

bool PulsingDot::isAnimating() const
{
    return pulse_ && pulse_->state() == QAbstractAnimation::Running;
}

void PulsingDot::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (StyleEnvironment::reduceMotion()) {
        opacity_ = 1.0;
        update();
        return;
    }
    if (!pulse_) {
        auto *group = new QSequentialAnimationGroup(this);
        for (const auto &[from, to] : {std::pair{0.3, 1.0}, std::pair{1.0, 0.3}}) {
            auto *fade = new QVariantAnimation(group);
            fade->setStartValue(from);
            fade->setEndValue(to);
            fade->setDuration(800);
            fade->setEasingCurve(QEasingCurve::InOutSine);
            connect(fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
                opacity_ = v.toReal();
                update();
            });
            group->addAnimation(fade);
        }
        group->setLoopCount(-1);
        pulse_ = group;
    }
    pulse_->start();
}

void PulsingDot::hideEvent(QHideEvent *event)
{
    if (pulse_)
        pulse_->stop();
    QWidget::hideEvent(event);
}

void PulsingDot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity_);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::dangerBright);
    painter.drawEllipse(QRectF(0, 0, 10, 10));
}

// --- Spinner --------------------------------------------------------------------

Spinner::Spinner(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(16, 16);
}

void Spinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!timer_)
        timer_ = startTimer(StyleEnvironment::reduceMotion() ? 500 : 80);
}

void Spinner::hideEvent(QHideEvent *event)
{
    if (timer_)
        killTimer(timer_);
    timer_ = 0;
    QWidget::hideEvent(event);
}

void Spinner::timerEvent(QTimerEvent *)
{
    step_ = (step_ + 1) % 12;
    update();
}

void Spinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(8, 8);
    for (int i = 0; i < 12; ++i) {
        const int age = (step_ - i + 12) % 12;
        painter.setPen(QPen(palette::withAlpha(palette::ink, 1.0 - age / 13.0), 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -3.5), QPointF(0, -7));
        painter.rotate(30);
    }
}

// --- RecordingHUDView -----------------------------------------------------------

RecordingHUDView::RecordingHUDView(QWidget *parent)
    : QWidget(parent)
    , dot_(new PulsingDot(this))
    , spinner_(new Spinner(this))
    , primary_(new QLabel(this))
    , steps_(new QLabel(this))
    , cancel_(new NeuButton(tr("Cancel"), {NeuButtonStyle::Kind::plain, true, false}, this))
    , stop_(new NeuButton(tr("Stop"), {NeuButtonStyle::Kind::danger, true, false}, this))
    , keyboard_(new KeyboardSymbol(palette::inkSecondary, this))
{
    markShadowHost(this);
    setFixedSize(fixedSize);
    setAttribute(Qt::WA_TranslucentBackground);

    QPalette inkPalette = palette();
    inkPalette.setColor(QPalette::WindowText, palette::ink);
    setPalette(inkPalette);
    primary_->setFont(styleFont(15, QFont::Bold));
    steps_->setFont(styleFont(13, QFont::Medium));
    QPalette stepPalette = inkPalette;
    stepPalette.setColor(QPalette::WindowText, palette::inkSecondary);
    steps_->setPalette(stepPalette);
    cancel_->setFocusPolicy(Qt::NoFocus);
    stop_->setFocusPolicy(Qt::NoFocus);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(18, 0, 18, 0);
    row->setSpacing(12);
    row->addWidget(dot_, 0, Qt::AlignVCenter);
    row->addWidget(spinner_, 0, Qt::AlignVCenter);
    row->addWidget(primary_, 0, Qt::AlignVCenter);
    row->addWidget(steps_, 0, Qt::AlignVCenter);
    row->addWidget(keyboard_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(cancel_, 0, Qt::AlignVCenter);
    row->addWidget(stop_, 0, Qt::AlignVCenter);

    connect(cancel_, &QAbstractButton::clicked, this, &RecordingHUDView::stopRequested);
    connect(stop_, &QAbstractButton::clicked, this, &RecordingHUDView::stopRequested);
    updateContent();
}

void RecordingHUDView::setPhase(Phase phase)
{
    if (phase == phase_)
        return;
    phase_ = phase;
    updateContent();
}

void RecordingHUDView::setElapsed(double seconds)
{
    elapsed_ = seconds;
    if (phase_.isRecording())
        primary_->setText(elapsedText(elapsed_));
}

void RecordingHUDView::setStepCount(int count)
{
    stepCount_ = count;
    steps_->setText(stepCountText(stepCount_));
}

void RecordingHUDView::flash()
{
    ++flashCount_;
    if (!flashAnimation_) {
        auto *fade = new QVariantAnimation(this);
        fade->setStartValue(1.0);
        fade->setEndValue(0.0);
        fade->setEasingCurve(QEasingCurve::InQuad);
        connect(fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
            flashLevel_ = v.toReal();
            update();
        });
        flashAnimation_ = fade;
    }
    // With reduced motion the light goes off in one step, later.
    auto *fade = static_cast<QVariantAnimation *>(flashAnimation_);
    fade->setDuration(StyleEnvironment::reduceMotion() ? 900 : 700);
    fade->setEasingCurve(StyleEnvironment::reduceMotion() ? QEasingCurve(QEasingCurve::Linear) : QEasingCurve::InQuad);
    fade->stop();
    fade->start();
}

void RecordingHUDView::setTypingShown(bool shown)
{
    if (typingShown_ == shown)
        return;
    typingShown_ = shown;
    updateContent();
}

bool RecordingHUDView::isTypingSymbolShown() const
{
    return !keyboard_->isHidden();
}

QString RecordingHUDView::primaryText() const
{
    return primary_->text();
}

QString RecordingHUDView::stepText() const
{
    return steps_->isVisibleTo(this) ? steps_->text() : QString();
}

bool RecordingHUDView::isCancelShown() const
{
    return cancel_->isVisibleTo(this);
}

bool RecordingHUDView::isStopShown() const
{
    return stop_->isVisibleTo(this);
}

void RecordingHUDView::updateContent()
{
    const bool countdown = phase_.isCountdown();
    const bool recording = phase_.isRecording();
    dot_->setVisible(recording);
    spinner_->setVisible(!countdown && !recording);
    steps_->setVisible(recording);
    keyboard_->setVisible(recording && typingShown_);
    cancel_->setVisible(countdown);
    stop_->setVisible(recording);
    if (countdown)
        primary_->setText(countdownText(phase_.secondsLeft));
    else if (recording)
        primary_->setText(elapsedText(elapsed_));
    else
        primary_->setText(tr("Saving guide…"));
    steps_->setText(stepCountText(stepCount_));
    update();
}

void RecordingHUDView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule(rect());
    QPainterPath path;
    path.addRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    painter.fillPath(path, palette::surface);
    painter.save();
    painter.setClipPath(path);
    paintHostedShadows(painter, this);
    painter.restore();
    paintInsideBorder(painter, capsule, capsule.height() / 2, palette::withAlpha(palette::highlight, 0.9), 1.5);
    if (flashLevel_ > 0)
        paintInsideBorder(painter, capsule, capsule.height() / 2, palette::withAlpha(palette::accentBright, flashLevel_),
                          4);
}

void RecordingHUDView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    // A click alone does nothing: a window manager move started on every press
    // swallows the next click and the keyboard until it ends.
    pressPoint_ = event->globalPosition().toPoint();
    dragOffset_.reset();
}

void RecordingHUDView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        pressPoint_.reset();
        dragOffset_.reset();
        return QWidget::mouseMoveEvent(event);
    }
    const QPoint global = event->globalPosition().toPoint();
    if (dragOffset_) {
        window()->move(global - *dragOffset_);
        return;
    }
    if (!pressPoint_ || (global - *pressPoint_).manhattanLength() < QApplication::startDragDistance())
        return QWidget::mouseMoveEvent(event);
    const QPoint pressedAt = *pressPoint_;
    pressPoint_.reset();
    emit moveStarted();
    // The window manager moves the window itself where it can (no focus needed).
    if (QWindow *handle = window()->windowHandle(); handle && handle->startSystemMove())
        return;
    dragOffset_ = pressedAt - window()->pos();
    window()->move(global - *dragOffset_);
}

void RecordingHUDView::mouseReleaseEvent(QMouseEvent *event)
{
    pressPoint_.reset();
    dragOffset_.reset();
    QWidget::mouseReleaseEvent(event);
}

} // namespace kelvo
