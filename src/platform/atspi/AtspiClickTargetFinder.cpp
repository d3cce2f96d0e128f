// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/AtspiClickTargetFinder.h"

#include "platform/atspi/AccessibilityBus.h"
#include "capture/TargetLookup.h"
#include "platform/atspi/AtspiNode.h"
#include "platform/atspi/HitTest.h"
#include "platform/atspi/NodeElement.h"
#include "platform/atspi/Snapshot.h"
#include "platform/x11/X11ApplicationNames.h"

// gio's headers use the word Qt defines as a keyword macro.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <thread>
#include <type_traits>
#include <vector>

namespace kelvo::atspi {

namespace {

// How long a caller waits for the AT-SPI thread. Each request is bounded by the
// 0.6 s messaging timeout, but a stuck library call is not: a click must never
// hold up its step (and the end of a recording) for good.
constexpr std::chrono::milliseconds callerPatience{10000};

// ---- the one thread of libatspi ----------------------------------------------

// libatspi is not thread-safe and dispatches its D-Bus traffic on a GLib main
// context; this thread owns a private context (so Qt's GLib dispatcher on the
// main thread never touches it) and runs every libatspi call.
class AtspiThread {
public:
    // Lives as long as the process and is never joined: a library call stuck
    // on a hung application must not hold up the exit.
    static AtspiThread &instance()
    {
        static AtspiThread *const thread = new AtspiThread;
        return *thread;
    }

    // Runs function on this thread and waits for it, at most limit; a caller
    // that gives up gets fallback. function must own everything it uses: it
    // may still run after its caller has left.
    template <typename F, typename R = std::invoke_result_t<F>>
    R call(F function, std::chrono::milliseconds limit, std::type_identity_t<R> fallback)
    {
        if (std::this_thread::get_id() == threadId)
            return function();
        auto task = std::make_shared<std::packaged_task<R()>>(std::move(function));
        std::future<R> result = task->get_future();
        post([task] { (*task)(); });
        if (result.wait_for(limit) != std::future_status::ready)
            return fallback;
        return result.get();
    }

    GMainContext *mainContext() const { return context; }

    void post(std::function<void()> job)
    {
        GSource *source = g_idle_source_new();
        g_source_set_callback(
            source,
            [](gpointer data) -> gboolean {
                (*static_cast<std::function<void()> *>(data))();
                return G_SOURCE_REMOVE;
            },
            new std::function<void()>(std::move(job)),
            [](gpointer data) { delete static_cast<std::function<void()> *>(data); });
        g_source_attach(source, context);
        g_source_unref(source);
    }

private:
    AtspiThread()
        : context(g_main_context_new())
        , loop(g_main_loop_new(context, FALSE))
    {
        auto started = std::make_shared<std::promise<std::thread::id>>();
        auto id = started->get_future();
        std::thread([this, started] {
            g_main_context_push_thread_default(context);
            started->set_value(std::this_thread::get_id());
            g_main_loop_run(loop);
        }).detach();
        threadId = id.get();
    }

    ~AtspiThread() = delete;

    GMainContext *context;
    GMainLoop *loop;
    std::thread::id threadId;
};

// ---- the AT-SPI side, confined to the AT-SPI thread ------------------------------

bool busSaysEnabled()
{
    return AccessibilityBus::isEnabled();
}

class Backend {
public:
    // Used on the AT-SPI thread only, and like it never destroyed.
    static Backend &onThread()
    {
        static Backend *const backend = new Backend;
        return *backend;
    }

    bool ready()
    {
        if (!initialized) {
            if (atspi_init() > 1)
                return false;
            // Move libatspi's D-Bus traffic onto this thread's own context.
            atspi_set_main_context(AtspiThread::instance().mainContext());
            initialized = true;
        }
        return true;
    }

    AtspiDesktop desktop;

private:
    bool initialized = false;
};

class AtspiService : public AccessibilityService {
public:
    bool isTrusted() override { return busSaysEnabled(); }

    void setMessagingTimeout(float seconds) override
    {
        const int milliseconds = int(std::lround(seconds * 1000.0f));
        atspi_set_timeout(milliseconds, milliseconds);
    }

    ElementPtr elementAtPosition(float x, float y) override
    {
        Backend &backend = Backend::onThread();
        if (!backend.ready())
            return nullptr;
        NodePtr hit = elementAt(backend.desktop, int(std::floor(x)), int(std::floor(y)));
        if (!hit)
            return nullptr;
        return std::make_shared<NodeElement>(std::move(hit));
    }
};

} // namespace

AtspiClickTargetFinder::AtspiClickTargetFinder(std::shared_ptr<ApplicationNames> applicationNames)
    : names(std::move(applicationNames))
{
}

AtspiClickTargetFinder::~AtspiClickTargetFinder() = default;

std::optional<ClickTarget> AtspiClickTargetFinder::inspectTarget(double x, double y)
{
    return AtspiThread::instance().call(
        [names = names, x, y]() -> std::optional<ClickTarget> {
            AtspiService service;
            return kelvo::inspectTarget(service, *names, x, y);
        },
        callerPatience, std::nullopt);
}

bool AtspiClickTargetFinder::accessibilityEnabled()
{
    return AtspiThread::instance().call([] { return busSaysEnabled(); }, callerPatience, false);
}

std::optional<QString> AtspiClickTargetFinder::accessibleApplicationName(qint64 pid)
{
    return AtspiThread::instance().call([pid]() -> std::optional<QString> {
        Backend &backend = Backend::onThread();
        if (!busSaysEnabled() || !backend.ready())
            return std::nullopt;
        NodePtr application = backend.desktop.application(pid);
        if (!application)
            return std::nullopt;
        std::optional<QString> result = application->name();
        if (!result || result->isEmpty())
            return std::nullopt;
        return result;
    }, callerPatience, std::optional<QString>());
}

QJsonObject AtspiClickTargetFinder::snapshot(int x, int y)
{
    return AtspiThread::instance().call([x, y]() -> QJsonObject {
        Backend &backend = Backend::onThread();
        if (!busSaysEnabled() || !backend.ready())
            return {};
        atspi_set_timeout(int(messagingTimeoutSeconds * 1000), int(messagingTimeoutSeconds * 1000));
        return takeSnapshot(backend.desktop, x, y);
    }, std::chrono::milliseconds(60000), QJsonObject());
}

void postToAtspiThread(std::function<void()> job)
{
    AtspiThread::instance().post(std::move(job));
}

bool runOnAtspiThread(std::function<void()> job, std::chrono::milliseconds limit)
{
    return AtspiThread::instance().call(
        [job = std::move(job)] {
            job();
            return true;
        },
        limit, false);
}

bool atspiReadyOnThread()
{
    return Backend::onThread().ready();
}

DesktopAccessibility makeDesktopAccessibility()
{
    auto names = std::make_shared<x11::X11ApplicationNames>(&AtspiClickTargetFinder::accessibleApplicationName);
    auto inspector = std::make_shared<AtspiClickTargetFinder>(names);
    return {std::move(names), std::move(inspector)};
}

} // namespace kelvo::atspi
