#include "editor/VideoPlayerView.h"

#include "app/style/Palette.h"
#include "app/style/Style.h"
#include "app/style/Widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QSlider>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace kelvo {

VideoPlayerView::VideoPlayerView(QMediaPlayer *player, QWidget *parent)
    : QWidget(parent)
    , video_(new QVideoWidget(this))
    , playPause_(new NeuIconButton(QStringLiteral("play.fill"), QStringLiteral("Play"),
                                   {palette::accent, 28}, this))
    , slider_(new QSlider(Qt::Horizontal, this))
    , time_(new QLabel(QStringLiteral("0:00 / 0:00"), this))
{
    setAccessibleName(QStringLiteral("Recording"));
    video_->setAccessibleName(QStringLiteral("Video"));
    video_->setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette dark = video_->palette();
    dark.setColor(QPalette::Window, Qt::black);
    video_->setPalette(dark);
    video_->setAutoFillBackground(true);

    playPause_->setToolTip(QString());
    slider_->setAccessibleName(QStringLiteral("Position"));
    slider_->setRange(0, 0);
    slider_->setFocusPolicy(Qt::TabFocus);
    time_->setFont(styleFont(11, QFont::DemiBold));
    time_->setStyleSheet(QStringLiteral("color: %1").arg(palette::inkSecondary.name()));
    time_->setAccessibleName(QStringLiteral("Time"));

    // The controls bar sits under the picture, inside the same rounded area.
    auto *controls = new QWidget(this);
    auto *row = new QHBoxLayout(controls);
    row->setContentsMargins(8, 4, 10, 4);
    row->setSpacing(8);
    row->addWidget(playPause_);
    row->addWidget(slider_, 1);
    row->addWidget(time_);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(video_, 1);
    column->addWidget(controls);

    connect(playPause_, &QAbstractButton::clicked, this, [this] {
        if (!player_)
            return;
        if (player_->playbackState() == QMediaPlayer::PlayingState)
            player_->pause();
        else
            player_->play();
    });
    connect(slider_, &QSlider::sliderPressed, this, [this] { sliderHeld_ = true; });
    connect(slider_, &QSlider::sliderReleased, this, [this] {
        sliderHeld_ = false;
        if (player_)
            player_->setPosition(slider_->value());
    });
    // Keyboard and page steps move the slider without a press.
    connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderMove || !player_)
            return;
        QMetaObject::invokeMethod(this, [this] {
            if (player_ && !sliderHeld_)
                player_->setPosition(slider_->value());
        }, Qt::QueuedConnection);
    });
    setPlayer(player);
}

QAbstractButton *VideoPlayerView::playPauseButton() const
{
    return playPause_;
}

void VideoPlayerView::setPlayer(QMediaPlayer *player)
{
    if (player == player_)
        return;
    for (const auto &connection : std::as_const(connections_))
        disconnect(connection);
    connections_.clear();
    if (player_ && player_->videoOutput() == video_)
        player_->setVideoOutput(nullptr);
    player_ = player;
    attach();
}

void VideoPlayerView::attach()
{
    if (player_) {
        ++attachCount_;
        player_->setVideoOutput(video_);
        connections_ << connect(player_, &QMediaPlayer::positionChanged, this, &VideoPlayerView::updateControls)
                     << connect(player_, &QMediaPlayer::durationChanged, this, &VideoPlayerView::updateControls)
                     << connect(player_, &QMediaPlayer::playbackStateChanged, this,
                                &VideoPlayerView::updateControls);
    }
    updateControls();
}

void VideoPlayerView::updateControls()
{
    const qint64 duration = player_ ? player_->duration() : 0;
    const qint64 position = player_ ? player_->position() : 0;
    const bool playing = player_ && player_->playbackState() == QMediaPlayer::PlayingState;
    slider_->setEnabled(player_ && duration > 0);
    playPause_->setEnabled(player_ != nullptr);
    slider_->setMaximum(static_cast<int>(std::min<qint64>(duration, INT_MAX)));
    if (!sliderHeld_)
        slider_->setValue(static_cast<int>(std::min<qint64>(position, INT_MAX)));
    time_->setText(formatTimestamp(position / 1000.0) + QStringLiteral(" / ") + formatTimestamp(duration / 1000.0));
    const QString name = playing ? QStringLiteral("Pause") : QStringLiteral("Play");
    if (playPause_->accessibleName() != name) {
        playPause_->setIconName(playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"));
        playPause_->setAccessibleName(name);
        playPause_->setText(name);
    }
}

} // namespace kelvo
