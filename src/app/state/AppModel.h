// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/GlobalHotKey.h"
#include "capture/Phase.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace kelvo {

class GuideStore;
class HUDController;
class Permissions;
class RecordingSession;
class Updater;
struct Guide;

// The centre of the running application: owns the store, the permissions, the
// recording session, the HUD and the hot key, holds the selected guide, and
// reacts to the recording's life. Windows are built elsewhere and observe it.
class AppModel : public QObject {
    Q_OBJECT
public:
    using HotKeyFactory = std::function<std::unique_ptr<GlobalHotKey>(GlobalHotKey::Action)>;

    struct Parts {
        std::unique_ptr<GuideStore> store;
        std::unique_ptr<Permissions> permissions;
        std::unique_ptr<RecordingSession> session;
        std::unique_ptr<Updater> updater; // may be empty (tests)
        HotKeyFactory registerHotKey;     // may be empty (no hot key)
    };

    explicit AppModel(Parts parts, QObject *parent = nullptr);
    ~AppModel() override;

    GuideStore &store() { return *store_; }
    Permissions &permissions() { return *permissions_; }
    RecordingSession &session() { return *session_; }
    HUDController &hud() { return *hud_; }
    Updater *updater() { return updater_.get(); }
    bool hasHotKey() const { return bool(hotKey_); }

    std::optional<QUuid> selectedGuideID() const { return selectedGuideID_; }
    void setSelectedGuideID(std::optional<QUuid> id);

    // Opens a new main window; installed by the application entry.
    std::function<void()> openMainWindow;

    // The one way to start a recording (button, menus, tray, hot key).
    void startRecording();
    // The hot key's action: start when idle, otherwise stop.
    void toggleRecording();
    // Quits now when idle; otherwise stops the recording first (a countdown is
    // cancelled, a recording finished and saved) and quits once back to idle.
    void quitWhenSafe(std::function<void()> quit);
    // For an exit already under way (the event loop has stopped, the session is
    // ending): stops a recording and waits for its guide to be saved, at most
    // limitMs. Nothing when idle.
    void finishRecordingNow(int limitMs = 60000);
    void showMainWindow();
    void showMainWindowIfNoneVisible();
    // Another launch of Kelvo found this one: the main window comes forward,
    // except during a recording, where only the HUD flashes.
    void anotherLaunchArrived();
    // Kelvo's windows that can be the main window, in stacking order; never the HUD.
    QList<QWidget *> mainWindows() const;

    // Marks a top-level widget as a main window.
    static void markAsMainWindow(QWidget *window);

signals:
    void selectedGuideIDChanged();

private:
    void handlePhaseChange(Phase phase);
    void handleFinished(const std::optional<Guide> &guide);

    std::unique_ptr<GuideStore> store_;
    std::unique_ptr<Permissions> permissions_;
    std::unique_ptr<RecordingSession> session_;
    std::unique_ptr<HUDController> hud_;
    std::unique_ptr<Updater> updater_;
    std::unique_ptr<GlobalHotKey> hotKey_;
    std::optional<QUuid> selectedGuideID_;
    std::function<void()> pendingQuit_;
};

} // namespace kelvo
