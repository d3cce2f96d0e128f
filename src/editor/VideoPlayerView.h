// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include <QMediaPlayer>
class QVideoWidget;
class QSlider;
class QAbstractButton;
class QStackedLayout;
#include <QImage>
#include <QLabel>

namespace kelvo {

class NeuIconButton;

// A still of the movie, fitted into black: what the video area shows while no
// media pipeline runs (before Play, and after the window was away).
class VideoPoster : public QWidget {
    Q_OBJECT
public:
    explicit VideoPoster(QWidget *parent = nullptr);
    void setImage(const QImage &image);
    const QImage &image() const { return image_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage image_;
};

// Shows a media player that its owner (the editor) creates, loads, seeks and
// plays; this view never does any of that by itself, except on the user's
// request through its inline controls: play/pause, position and time. It has no
// full-screen button.
class VideoPlayerView : public QWidget {
    Q_OBJECT
public:
    explicit VideoPlayerView(QMediaPlayer *player = nullptr, QWidget *parent = nullptr);

    // Attaches player unless it is the very object attached already, so that
    // ordinary refreshes never disturb its position or play state.
    void setPlayer(QMediaPlayer *player);
    QMediaPlayer *player() const { return player_; }

    QVideoWidget *videoWidget() const { return video_; }
    VideoPoster *poster() const { return poster_; }
    // The still shown until a player plays; the duration fills in the time label.
    void setPoster(const QImage &image, qint64 durationMs = -1);
    // True while the still is on show instead of the player's picture.
    bool isShowingPoster() const;
    QAbstractButton *playPauseButton() const;
    QSlider *positionSlider() const { return slider_; }
    QLabel *timeLabel() const { return time_; }
    // How often a different player object was attached (for tests of the identity rule).
    int attachCount() const { return attachCount_; }

signals:
    // Play was pressed with no player attached: the owner makes one and plays.
    void playRequested();

private:
    void attach();
    void updateControls();

    QPointer<QMediaPlayer> player_;
    QVideoWidget *video_;
    VideoPoster *poster_;
    QStackedLayout *pictures_;
    qint64 posterDuration_ = 0;
    NeuIconButton *playPause_;
    QSlider *slider_;
    QLabel *time_;
    QList<QMetaObject::Connection> connections_;
    bool sliderHeld_ = false;
    int attachCount_ = 0;
};

} // namespace kelvo
