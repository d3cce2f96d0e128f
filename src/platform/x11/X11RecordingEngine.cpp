// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11RecordingEngine.h"

#include "capture/FrameQueue.h"
#include "capture/RecordingError.h"
#include "platform/ffmpeg/MovieWriter.h"
#include "platform/x11/CompositeRedirect.h"
#include "platform/x11/DamageTracker.h"
#include "platform/x11/ScreenGrabber.h"
#include "platform/x11/XcbUtil.h"

#include <QCoreApplication>
#include <xcb/damage.h>
#include <xcb/xfixes.h>
#include <xcb/xinput.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

namespace kelvo {

namespace x11 {

struct QueuedFrame {
    QImage image;
    std::int64_t ms = 0;
};

struct RecordingRun {
    RecordingRun(QString display, QString video) : displayId(std::move(display)), videoPath(std::move(video))
    {
        wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
    ~RecordingRun()
    {
        if (wakeFd >= 0)
            ::close(wakeFd);
    }
    void requestStop()
    {
        stopRequested = true;
        const std::uint64_t one = 1;
        if (wakeFd >= 0)
            [[maybe_unused]] auto n = ::write(wakeFd, &one, sizeof one);
    }

    const QString displayId;
    const QString videoPath;
    int wakeFd = -1;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> failureReported{false};
    std::atomic<bool> encoderFinished{false};
    std::atomic<bool> excludesOwnWindows{true};
    std::atomic<std::uint64_t> grabbed{0};
    std::atomic<std::uint64_t> written{0};
    std::atomic<std::int64_t> endMs{0};
    // Six frames in flight at most, like a capture queue depth of 6.
    FrameQueue<QueuedFrame> queue{6};
    std::unique_ptr<MovieWriter> writer; // handed from the capture thread to the encoder
    std::thread captureThread;
    std::thread encoderThread;
};

} // namespace x11

using x11::RecordingRun;

namespace {
constexpr auto frameInterval = std::chrono::microseconds(1'000'000 / 30);
// With no frames for this long, buffered video is pushed to disk.
constexpr auto quietFlush = std::chrono::milliseconds(1000);
// How long a recording's start waits for windows under Kelvo's to paint again.
constexpr auto staleRepaintLimit = std::chrono::milliseconds(400);

void joinIfJoinable(std::thread &t)
{
    if (t.joinable())
        t.join();
}
} // namespace

X11RecordingEngine::X11RecordingEngine(Scheduler &scheduler, QObject *parent)
    : QObject(parent), finishWaiter_(scheduler)
{
}

X11RecordingEngine::~X11RecordingEngine()
{
    std::vector<std::shared_ptr<RecordingRun>> all = retired_;
    if (current_)
        all.push_back(current_);
    if (run_)
        all.push_back(run_);
    for (auto &run : all)
        run->requestStop();
    for (auto &run : all) {
        joinIfJoinable(run->captureThread);
        joinIfJoinable(run->encoderThread);
    }
}

void X11RecordingEngine::start(const QString &displayId, const QString &videoPath, StartDone done)
{
    if (current_) {
        if (done)
            done(QCoreApplication::translate("kelvo::X11RecordingEngine", "A recording is already running."));
        return;
    }
    finishWaiter_.reset();
    auto run = std::make_shared<RecordingRun>(displayId, videoPath);
    run_ = run;
    current_ = run;
    last_ = run;
    run->captureThread = std::thread([this, run, done = std::move(done)]() mutable {
        captureMain(run, std::move(done));
    });
}

void X11RecordingEngine::stop(StopDone done)
{
    if (!run_) {
        if (done)
            done();
        return;
    }
    std::shared_ptr<RecordingRun> run = std::move(run_);
    run->requestStop();
    // The capture loop wakes on the stop request at once.
    joinIfJoinable(run->captureThread);
    if (!run->encoderThread.joinable())
        finishWaiter_.finish(); // it never started: no file to wait for
    finishWaiter_.wait(finishLimit, [this, run, done = std::move(done)] {
        publish(QImage());
        if (run->encoderFinished)
            joinIfJoinable(run->encoderThread);
        else
            retired_.push_back(run);
        if (current_ == run)
            current_.reset();
        if (done)
            done();
    });
}

QImage X11RecordingEngine::latestFrame() const
{
    std::lock_guard lock(frameLock_);
    return latestFrame_;
}

X11RecordingEngine::Statistics X11RecordingEngine::statistics() const
{
    if (!last_)
        return {};
    return {last_->grabbed.load(), last_->written.load(), last_->queue.dropped()};
}

bool X11RecordingEngine::excludesOwnWindows() const
{
    return last_ ? bool(last_->excludesOwnWindows) : x11::compositeAvailable();
}

void X11RecordingEngine::publish(const QImage &frame)
{
    QImage previous = frame;
    {
        std::lock_guard lock(frameLock_);
        latestFrame_.swap(previous);
    }
    // previous is released here, outside the lock: freeing a frame is not free.
}

void X11RecordingEngine::fail(RecordingRun &run, const QString &error)
{
    if (!run.failureReported.exchange(true))
        reportUnexpectedStop(error);
}

void X11RecordingEngine::runFinished(const std::shared_ptr<RecordingRun> &run)
{
    if (run == current_) {
        finishWaiter_.finish();
        return;
    }
    auto it = std::find(retired_.begin(), retired_.end(), run);
    if (it != retired_.end()) {
        joinIfJoinable(run->encoderThread);
        retired_.erase(it);
    }
}

namespace {

using Clock = std::chrono::steady_clock;

void roundTrip(xcb_connection_t *c)
{
    x11::Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// Pointer motion shows in the frames too (the pointer is drawn in), but moves
// no pixel on the screen: raw motion events say when it moved. XInput's opcode,
// or 0 without XInput 2.2.
uint8_t selectRawMotion(xcb_connection_t *c, xcb_window_t root)
{
    const xcb_query_extension_reply_t *xi = xcb_get_extension_data(c, &xcb_input_id);
    if (!xi || !xi->present)
        return 0;
    x11::Reply<xcb_input_xi_query_version_reply_t> v(
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    if (!v || v->major_version < 2)
        return 0;
    struct {
        xcb_input_event_mask_t head;
        uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_MOTION};
    xcb_input_xi_select_events(c, root, 1, &mask.head);
    return xi->major_opcode;
}

// Top-levels were redirected just now: those under Kelvo's windows hold a copy
// of them until they paint again. Asks them to, and gives them a moment, so that
// even the first frame leaves Kelvo out.
void waitForRepaintsUnderOwn(xcb_connection_t *c, x11::ScreenGrabber &grabber, uint8_t damageEvent,
                             const RecordingRun &run)
{
    grabber.scanWindows();
    const std::vector<xcb_window_t> stale = grabber.windowsUnderOwn();
    if (stale.empty())
        return;
    std::vector<xcb_damage_damage_t> repaints;
    for (xcb_window_t w : stale) {
        const xcb_damage_damage_t d = xcb_generate_id(c);
        xcb_damage_create(c, d, w, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_damage_subtract(c, d, XCB_NONE, XCB_NONE); // a new one reports the whole window
        repaints.push_back(d);
    }
    roundTrip(c);
    while (x11::Reply<xcb_generic_event_t> ev{xcb_poll_for_event(c)}) {
    }
    x11::askToRepaint(c, stale, grabber.ownFrames());
    std::vector<xcb_damage_damage_t> waiting = repaints;
    const Clock::time_point until = Clock::now() + staleRepaintLimit;
    while (!waiting.empty() && !run.stopRequested && !xcb_connection_has_error(c)) {
        while (x11::Reply<xcb_generic_event_t> ev{xcb_poll_for_event(c)}) {
            if (ev->response_type != damageEvent)
                continue;
            const auto *notify = reinterpret_cast<xcb_damage_notify_event_t *>(ev.get());
            waiting.erase(std::remove(waiting.begin(), waiting.end(), notify->damage), waiting.end());
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
        if (waiting.empty() || left <= 0)
            break;
        pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {run.wakeFd, POLLIN, 0}};
        ::poll(fds, 2, int(left));
    }
    for (xcb_damage_damage_t d : repaints)
        xcb_damage_destroy(c, d);
    // Painting takes a moment after the damage is reported.
    roundTrip(c);
}

// Makes the movie's frames: grabs, scales to the movie's size, shows the frame
// as the latest and queues it for the encoder with its time since the start.
class FrameComposer {
public:
    FrameComposer(x11::ScreenGrabber &grabber, QSize size, RecordingRun &run,
                  std::function<void(const QImage &)> publish)
        : grabber_(grabber)
        , size_(size)
        , run_(run)
        , publish_(std::move(publish))
        , t0_(Clock::now())
    {
    }

    std::int64_t msSinceStart() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0_).count();
    }

    // False when the screen could not be grabbed.
    bool grabAndQueue()
    {
        QImage frame = grabber_.grab();
        if (frame.isNull())
            return false;
        if (frame.size() != size_)
            frame = frame.scaled(size_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const std::int64_t ms = msSinceStart();
        publish_(frame);
        ++run_.grabbed;
        run_.queue.push({std::move(frame), ms}); // a full queue drops it; the newest frame stays published
        return true;
    }

private:
    x11::ScreenGrabber &grabber_;
    const QSize size_;
    RecordingRun &run_;
    const std::function<void(const QImage &)> publish_;
    const Clock::time_point t0_;
};

// Grabs when something changed, at most at the frame rate, until stopped.
class CaptureLoop {
public:
    CaptureLoop(xcb_connection_t *c, RecordingRun &run, x11::ScreenGrabber &grabber, x11::DamageTracker *damage,
                uint8_t xinputOpcode, QRect monitor, FrameComposer &frames)
        : c_(c), run_(run), grabber_(grabber), damage_(damage), xinputOpcode_(xinputOpcode), monitor_(monitor),
          frames_(frames), dirty_(!damage)
    {
    }

    // Why it ended early; nothing when stopped.
    std::optional<QString> run()
    {
        const int fd = xcb_get_file_descriptor(c_);
        watchWindowsUnderOwn();
        Clock::time_point nextGrab = Clock::now() + frameInterval;
        while (!run_.stopRequested) {
            readEvents();
            if (xcb_connection_has_error(c_))
                return QCoreApplication::translate("kelvo::X11RecordingEngine", "The connection to the X server was lost.");
            const Clock::time_point now = Clock::now();
            if (dirty_ && now >= nextGrab) {
                dirty_ = !damage_;
                const bool visible = changeIsVisible();
                if (visible) {
                    if (!frames_.grabAndQueue())
                        return QCoreApplication::translate("kelvo::X11RecordingEngine", "Couldn't capture the screen: the display has changed.");
                    nextGrab = now + frameInterval;
                    watchWindowsUnderOwn();
                }
                xcb_flush(c_);
                continue; // replies may have queued events: drain before sleeping
            }
            xcb_flush(c_);
            int timeoutMs = -1;
            if (dirty_)
                timeoutMs = std::max(int(std::chrono::ceil<std::chrono::milliseconds>(nextGrab - now).count()), 0);
            pollfd fds[2] = {{fd, POLLIN, 0}, {run_.wakeFd, POLLIN, 0}};
            ::poll(fds, 2, timeoutMs);
        }
        return std::nullopt;
    }

private:
    // Reads everything xcb holds before sleeping on the socket, or queued
    // events would wait for the next wake-up.
    void readEvents()
    {
        while (x11::Reply<xcb_generic_event_t> ev{xcb_poll_for_event(c_)}) {
            if (damage_ && ev->response_type == damage_->eventType()) {
                if (damage_->take(*ev) == x11::DamageTracker::Change::underOwn)
                    underOwnChanged_ = true;
                dirty_ = true;
            } else if (xinputOpcode_ && (ev->response_type & 0x7f) == XCB_GE_GENERIC) {
                auto *ge = reinterpret_cast<xcb_ge_generic_event_t *>(ev.get());
                if (ge->extension == xinputOpcode_ && ge->event_type == XCB_INPUT_RAW_MOTION)
                    dirty_ = pointerMoved_ = true;
            }
        }
    }

    // Changes inside Kelvo's own windows are not in the picture. Starts the
    // next round of reports.
    bool changeIsVisible()
    {
        bool visible = true;
        if (damage_ && !pointerMoved_ && !underOwnChanged_ && !grabber_.ownRects().empty())
            visible = damage_->pendingChangeOutside(monitor_, grabber_.ownRects());
        pointerMoved_ = false;
        underOwnChanged_ = false;
        if (damage_)
            damage_->clearPending();
        return visible;
    }

    void watchWindowsUnderOwn()
    {
        if (damage_)
            damage_->watchOnly(grabber_.windowsUnderOwn());
    }

    xcb_connection_t *c_;
    RecordingRun &run_;
    x11::ScreenGrabber &grabber_;
    x11::DamageTracker *damage_;
    const uint8_t xinputOpcode_;
    const QRect monitor_;
    FrameComposer &frames_;
    bool dirty_;
    bool pointerMoved_ = false;
    bool underOwnChanged_ = false;
};

} // namespace

void X11RecordingEngine::captureMain(std::shared_ptr<RecordingRun> run, StartDone done)
{
    auto answer = [&](std::optional<QString> error) {
        QMetaObject::invokeMethod(
            this,
            [this, run, error, done = std::move(done)] {
                if (error) {
                    joinIfJoinable(run->captureThread);
                    if (run_ == run)
                        run_.reset();
                    if (current_ == run)
                        current_.reset();
                }
                if (done)
                    done(error);
            },
            Qt::QueuedConnection);
    };

    auto open = x11::connectToDisplay();
    if (!open)
        return answer(QCoreApplication::translate("kelvo::X11RecordingEngine", "Couldn't connect to the X display."));
    xcb_connection_t *c = open->connection.get();
    xcb_screen_t *screen = open->screen;
    const auto monitor = x11::findMonitor(c, screen, run->displayId);
    if (!monitor)
        return answer(describe(RecordingError::displayNotFound));
    QString error;
    auto grabber = x11::ScreenGrabber::create(c, screen, monitor->frame, unsigned(getpid()), &error);
    if (!grabber)
        return answer(error);
    run->excludesOwnWindows = grabber->excludesOwnWindows();
    const QSize size = captureSize(monitor->frame.size());
    run->writer = MovieWriter::open(run->videoPath, size, &error);
    if (!run->writer)
        return answer(error);

    // Damage tells when anything on the screen changed; without it, grab at
    // the frame rate.
    const std::unique_ptr<x11::DamageTracker> damage = x11::DamageTracker::create(c, screen->root);
    const uint8_t xinputOpcode = selectRawMotion(c, screen->root);
    FrameComposer frames(*grabber, size, *run, [this](const QImage &frame) { publish(frame); });
    if (damage && grabber->excludesOwnWindows())
        waitForRepaintsUnderOwn(c, *grabber, damage->eventType(), *run);
    if (damage)
        damage->discardReports();
    if (!frames.grabAndQueue()) {
        run->writer.reset();
        return answer(QCoreApplication::translate("kelvo::X11RecordingEngine", "Couldn't capture the screen."));
    }
    run->encoderThread = std::thread([this, run] { encoderMain(run); });
    answer(std::nullopt);

    CaptureLoop loop(c, *run, *grabber, damage.get(), xinputOpcode, monitor->frame, frames);
    if (const std::optional<QString> failure = loop.run())
        fail(*run, *failure);
    run->endMs = frames.msSinceStart();
    run->queue.close();
}

void X11RecordingEngine::encoderMain(std::shared_ptr<RecordingRun> run)
{
    std::unique_ptr<MovieWriter> writer = std::move(run->writer);
    bool failed = false;
    bool unflushed = false;
    x11::QueuedFrame item;
    for (;;) {
        const auto result = run->queue.pop(item, quietFlush);
        if (result == FrameQueue<x11::QueuedFrame>::Result::closed)
            break;
        if (failed)
            continue; // drain, so capture never waits
        if (result == FrameQueue<x11::QueuedFrame>::Result::timeout) {
            if (unflushed && !writer->flush()) {
                failed = true;
                fail(*run, writer->error());
            }
            unflushed = false;
            continue;
        }
        if (writer->write(item.image, item.ms)) {
            ++run->written;
            unflushed = true;
            // The first picture goes to disk at once: a recording killed in its
            // first second still leaves a playable file.
            if (run->written == 1) {
                if (!writer->flush()) {
                    failed = true;
                    fail(*run, writer->error());
                }
                unflushed = false;
            }
        } else {
            failed = true;
            fail(*run, writer->error());
        }
        item.image = QImage();
    }
    if (!writer->finish(run->endMs) && !failed)
        fail(*run, writer->error());
    writer.reset();
    run->encoderFinished = true;
    QMetaObject::invokeMethod(this, [this, run] { runFinished(run); }, Qt::QueuedConnection);
}

} // namespace kelvo
