#pragma once

#include <QPointer>
#include <QWidget>

#include <QMediaPlayer>
class QVideoWidget;
class QSlider;
class QAbstractButton;
#include <QLabel>

namespace kelvo {

class NeuIconButton;

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
    QAbstractButton *playPauseButton() const;
    QSlider *positionSlider() const { return slider_; }
    QLabel *timeLabel() const { return time_; }
    // How often a different player object was attached (for tests of the identity rule).
    int attachCount() const { return attachCount_; }

private:
    void attach();
    void updateControls();

    QPointer<QMediaPlayer> player_;
    QVideoWidget *video_;
    NeuIconButton *playPause_;
    QSlider *slider_;
    QLabel *time_;
    QList<QMetaObject::Connection> connections_;
    bool sliderHeld_ = false;
    int attachCount_ = 0;
};

} // namespace kelvo
