// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ffmpeg/VideoFrameReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <memory>

namespace kelvo {

namespace {

struct InputCloser {
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct ScalerFreer {
    void operator()(SwsContext *s) const { sws_freeContext(s); }
};

QImage toImage(const AVFrame *frame, QSize bound)
{
    QSize size(frame->width, frame->height);
    if (size.isEmpty())
        return {};
    if (bound.isValid() && (size.width() > bound.width() || size.height() > bound.height()))
        size = size.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    std::unique_ptr<SwsContext, ScalerFreer> scaler(
        sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), size.width(), size.height(),
                       AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler)
        return {};
    QImage image(size, QImage::Format_RGB32);
    uint8_t *planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    return image;
}

} // namespace

QImage readVideoFrame(const QString &path, double seconds, QSize bound)
{
    AVFormatContext *opened = nullptr;
    if (avformat_open_input(&opened, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return {};
    std::unique_ptr<AVFormatContext, InputCloser> input(opened);
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        return {};
    const AVCodec *codec = nullptr;
    const int streamIndex = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (streamIndex < 0 || !codec)
        return {};
    AVStream *stream = input->streams[streamIndex];
    std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0)
        return {};
    decoder->thread_count = 1; // one still: no point in waking threads
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return {};

    const double timeBase = av_q2d(stream->time_base);
    const bool seeking = std::isfinite(seconds) && seconds > 0 && timeBase > 0;
    int64_t target = 0;
    if (seeking) {
        target = int64_t(std::llround(seconds / timeBase));
        av_seek_frame(input.get(), streamIndex, target, AVSEEK_FLAG_BACKWARD);
    }

    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    std::unique_ptr<AVFrame, FrameFreer> last(av_frame_alloc());
    if (!packet || !frame || !last)
        return {};
    bool haveLast = false;
    // Decodes up to the wanted time; past the end, the last picture decoded.
    auto drain = [&]() -> bool {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            const int64_t pts = frame->best_effort_timestamp;
            av_frame_unref(last.get());
            av_frame_move_ref(last.get(), frame.get());
            haveLast = true;
            if (!seeking || pts == AV_NOPTS_VALUE || pts >= target)
                return true;
        }
        return false;
    };
    bool done = false;
    while (!done && av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == streamIndex && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            done = drain();
        av_packet_unref(packet.get());
    }
    if (!done) {
        avcodec_send_packet(decoder.get(), nullptr);
        drain();
    }
    return haveLast ? toImage(last.get(), bound) : QImage();
}

} // namespace kelvo
