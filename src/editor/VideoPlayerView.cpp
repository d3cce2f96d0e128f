// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/VideoPlayerView.h"

#include "ui/Palette.h"
#include "ui/Style.h"
#include "ui/Widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QPainter>
#include <QSlider>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace kelvo {

VideoPoster::VideoPoster(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoPoster::setImage(const QImage &image)
{
    image_ = image;
    update();
}

void VideoPoster::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (image_.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize fitted = image_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.drawImage(target, image_);
}

VideoPlayerView::VideoPlayerView(QMediaPlayer *player, QWidget *parent)
    : QWidget(parent)
    , video_(new QVideoWidget(this))
    , poster_(new VideoPoster(this))
    , pictures_(new QStackedLayout)
    , playPause_(new NeuIconButton(QStringLiteral("play.fill"), tr("Play"),
                                   {palette::accent, 28}, this))
    , slider_(new QSlider(Qt::Horizontal, this))
    , time_(new QLabel(QStringLiteral("0:00 / 0:00"), this))
{
    setAccessibleName(tr("Recording"));
    video_->setAccessibleName(tr("Video"));
    video_->setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette dark = video_->palette();
    dark.setColor(QPalette::Window, Qt::black);
    video_->setPalette(dark);
    video_->setAutoFillBackground(true);

    playPause_->setToolTip(QString());
    slider_->setAccessibleName(tr("Position"));
    slider_->setRange(0, 0);
    slider_->setFocusPolicy(Qt::TabFocus);
    time_->setFont(styleFont(11, QFont::DemiBold));
    time_->setStyleSheet(QStringLiteral("color: %1").arg(palette::inkSecondary.name()));
    time_->setAccessibleName(tr("Time"));

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
    // The still covers the video widget until a player plays: a native video
    // window keeps whatever was last drawn while the window was away.
    pictures_->setStackingMode(QStackedLayout::StackOne);
    pictures_->addWidget(poster_);
    pictures_->addWidget(video_);
    pictures_->setCurrentWidget(poster_);
    column->addLayout(pictures_, 1);
    column->addWidget(controls);

    connect(playPause_, &QAbstractButton::clicked, this, [this] {
        if (!player_) {
            emit playRequested();
            return;
        }
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

void VideoPlayerView::setPoster(const QImage &image, qint64 durationMs)
{
    poster_->setImage(image);
    if (durationMs >= 0)
        posterDuration_ = durationMs;
    updateControls();
}

bool VideoPlayerView::isShowingPoster() const
{
    return pictures_->currentWidget() == poster_;
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
    const qint64 duration = player_ && player_->duration() > 0 ? player_->duration() : posterDuration_;
    const qint64 position = player_ ? player_->position() : 0;
    const bool playing = player_ && player_->playbackState() == QMediaPlayer::PlayingState;
    // The picture switches to the player once it has played; until then the still.
    if (playing)
        pictures_->setCurrentWidget(video_);
    else if (!player_)
        pictures_->setCurrentWidget(poster_);
    slider_->setEnabled(player_ && duration > 0);
    playPause_->setEnabled(true);
    slider_->setMaximum(static_cast<int>(std::min<qint64>(duration, INT_MAX)));
    if (!sliderHeld_)
        slider_->setValue(static_cast<int>(std::min<qint64>(position, INT_MAX)));
    // The total is the guide's own length when known, as the header shows it:
    // the movie's may differ by a fraction that rounds to another second.
    const qint64 total = posterDuration_ > 0 ? posterDuration_ : duration;
    time_->setText(formatTimestamp(position / 1000.0) + QStringLiteral(" / ") + formatTimestamp(total / 1000.0));
    const QString name = playing ? tr("Pause") : tr("Play");
    if (playPause_->accessibleName() != name) {
        playPause_->setIconName(playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"));
        playPause_->setAccessibleName(name);
        playPause_->setText(name);
    }
}

} // namespace kelvo
