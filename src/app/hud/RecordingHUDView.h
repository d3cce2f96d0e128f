// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/Phase.h"

#include <QWidget>

#include <optional>

class QLabel;
class QAbstractAnimation;

namespace kelvo {

class KeyboardSymbol;
class NeuButton;

// "Starting in 3…"
QString countdownText(int secondsLeft);
// Whole seconds (truncated) as "%02d:%02d" minutes and seconds; minutes never wrap.
QString elapsedText(double seconds);
// "0 steps", "1 step", "2 steps".
QString stepCountText(int count);

// The red recording indicator: fades between 0.3 and full opacity, 0.8 s each way;
// steady at full opacity when motion is reduced.
class PulsingDot : public QWidget {
    Q_OBJECT
public:
    explicit PulsingDot(QWidget *parent = nullptr);
    qreal opacity() const { return opacity_; }
    bool isAnimating() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    qreal opacity_ = 0.3;
    QAbstractAnimation *pulse_ = nullptr;
};

// A small indeterminate spinner.
class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    int timer_ = 0;
    int step_ = 0;
};

// The HUD's capsule content for one phase of the recording session. It holds no
// session: the controller feeds it, and it asks for a stop through stopRequested.
class RecordingHUDView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize fixedSize{340, 54};

    explicit RecordingHUDView(QWidget *parent = nullptr);

    Phase phase() const { return phase_; }
    // The texts on show, for tests and accessibility.
    QString primaryText() const;
    QString stepText() const;
    bool isCancelShown() const;
    bool isStopShown() const;
    // The keyboard symbol: typing is recorded.
    bool isTypingSymbolShown() const;
    NeuButton *cancelButton() const { return cancel_; }
    NeuButton *stopButton() const { return stop_; }
    PulsingDot *dot() const { return dot_; }
    Spinner *spinner() const { return spinner_; }
    // How often flash() ran, for tests.
    int flashCount() const { return flashCount_; }

public slots:
    void setPhase(kelvo::Phase phase);
    void setElapsed(double seconds);
    void setStepCount(int count);
    // Whether typing and shortcuts are recorded: a keyboard symbol while recording.
    void setTypingShown(bool shown);
    // Lights the border up once: "Kelvo is here, recording" (for a second launch).
    void flash();

signals:
    // Cancel in a countdown, Stop while recording: the session decides which.
    void stopRequested();
    // The pointer travelled the drag distance with the button held: the HUD moves.
    void moveStarted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void updateContent();

    Phase phase_ = Phase::idle();
    qreal flashLevel_ = 0;
    int flashCount_ = 0;
    QAbstractAnimation *flashAnimation_ = nullptr;
    double elapsed_ = 0;
    int stepCount_ = 0;

    PulsingDot *dot_;
    Spinner *spinner_;
    QLabel *primary_;
    QLabel *steps_;
    NeuButton *cancel_;
    NeuButton *stop_;
    KeyboardSymbol *keyboard_;
    bool typingShown_ = false;

    // Where the left button went down, until a drag starts or it comes up.
    std::optional<QPoint> pressPoint_;
    // Drag fallback where the window manager cannot move the window for us.
    std::optional<QPoint> dragOffset_;
};

} // namespace kelvo
