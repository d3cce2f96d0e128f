// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DesktopServices.h"
#include "model/QtScheduler.h"

#include <QObject>
#include <QPointer>
#include <QSettings>

#include <memory>

class QApplication;
class QIcon;
class QLocalServer;
class QSystemTrayIcon;

namespace kelvo {

class AppMenus;
class AppModel;
class MainWindow;
class SettingsDialog;

// The desktop application: the model with its capture backends, the main
// windows, the menus, the tray icon and the settings window.
class KelvoApplication : public QObject {
    Q_OBJECT
public:
    explicit KelvoApplication(QApplication &app);
    ~KelvoApplication() override;

    // What a second launch asks of the running instance.
    enum class Request { Show, NewRecording };

    // Kelvo runs once per user and data directory: false when no other instance
    // answered, true when one did and was handed the request.
    static bool handOverToRunningInstance(Request request = Request::Show);
    void listenForOtherInstances();

    AppModel &model() { return *model_; }
    AppMenus &menus() { return *menus_; }

    // Opens a new main window.
    MainWindow *openMainWindow();

private:
    void answer(Request request);
    void showSettings();
    void updateTrayIcon();

    QApplication &app_;
    QtScheduler scheduler_;
    QSettings settings_;
    DesktopCapture capture_; // the probe and displays outlive the model that uses them
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<AppMenus> menus_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QPointer<SettingsDialog> settingsDialog_;
    QLocalServer *server_ = nullptr;
};

// The name other instances find this one under: one per user and data directory.
QString instanceServerName();

// Kelvo's icon: the installed theme's, else the one built in.
QIcon applicationIcon();

} // namespace kelvo
