// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

namespace kelvo {

// Writes RGB32 frames into a QuickTime movie (HEVC through libx265) in small
// self-contained fragments, so a process killed mid-recording leaves a file
// that plays up to its last second. Timestamps are the caller's, in
// milliseconds. One thread at a time.
class MovieWriter {
public:
    // Nothing, with *error set, when the file or the encoder cannot be opened.
    static std::unique_ptr<MovieWriter> open(const QString &path, QSize frameSize, QString *error);
    ~MovieWriter();
    MovieWriter(const MovieWriter &) = delete;
    MovieWriter &operator=(const MovieWriter &) = delete;

    // Encodes one frame shown from ms on; later frames need later times.
    bool write(const QImage &frame, std::int64_t ms);
    // Pushes buffered data to disk now (during quiet periods with no frames).
    bool flush();
    // Ends the movie at endMs (the last frame stays until then), writes the
    // trailer and closes the file.
    bool finish(std::int64_t endMs);
    QString error() const { return error_; }
    std::uint64_t framesWritten() const { return framesWritten_; }
    QSize videoSize() const;

private:
    MovieWriter() = default;
    bool encode(AVFrame *frame);
    bool fail(const QString &what, int code);
    void close();

    AVFormatContext *format_ = nullptr;
    AVCodecContext *codec_ = nullptr;
    AVStream *stream_ = nullptr;
    AVFrame *frame_ = nullptr;
    AVPacket *packet_ = nullptr;
    SwsContext *sws_ = nullptr;
    QSize frameSize_;
    std::int64_t lastPts_ = -1;
    QImage lastFrame_;
    std::uint64_t framesWritten_ = 0;
    bool headerWritten_ = false;
    bool finished_ = false;
    QString error_;
};

} // namespace kelvo
