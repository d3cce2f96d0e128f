// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/Phase.h"
#include "editor/GuideEditing.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;
class QUndoStack;

namespace kelvo {

class AppModel;

// The menu commands: one set of actions shared by every main window's menu bar
// and the tray menu. Titles follow the recording phase; the guide commands and
// Undo/Redo follow the focused editor.
class AppMenus : public QObject {
    Q_OBJECT
public:
    struct Handlers {
        std::function<void()> checkForUpdates;
        std::function<void()> showSettings;
        std::function<void()> quit;
    };

    AppMenus(AppModel &model, Handlers handlers, QObject *parent = nullptr);
    ~AppMenus() override;

    // Adds the "Kelvo", "File" and "Edit" menus to a window's menu bar.
    void populate(QMenuBar *bar);
    // The tray icon's menu.
    QMenu *trayMenu() const { return trayMenu_.get(); }

    // The focused editor's commands and undo stack; nothing when no editor has focus.
    void setFocusedEditor(std::optional<GuideActions> actions, QUndoStack *undoStack);

    QAction *newRecordingAction() const { return newRecording_; }
    QAction *exportAction() const { return exportPDF_; }
    QAction *exportHTMLAction() const { return exportHTML_; }
    QAction *exportMarkdownAction() const { return exportMarkdown_; }
    QAction *shareAction() const { return sharePDF_; }
    QAction *revealAction() const { return reveal_; }
    QAction *undoAction() const { return undo_; }
    QAction *redoAction() const { return redo_; }
    QAction *trayRecordingAction() const { return trayRecording_; }

private:
    void phaseChanged(Phase phase);
    void refreshGuideCommands();
    void refreshUndo();

    AppModel &model_;
    Handlers handlers_;
    std::optional<GuideActions> actions_;
    QPointer<QUndoStack> undoStack_;
    QList<QMetaObject::Connection> undoConnections_;

    QAction *newRecording_;
    QAction *exportPDF_;
    QAction *exportHTML_;
    QAction *exportMarkdown_;
    QAction *sharePDF_;
    QAction *reveal_;
    QAction *undo_;
    QAction *redo_;
    QAction *checkForUpdates_;
    QAction *settings_;
    QAction *quit_;
    QAction *trayRecording_;
    QAction *openKelvo_;
    std::unique_ptr<QMenu> trayMenu_;
};

// "list.number" normally, "record.circle.fill" while recording.
QString trayIconName(Phase phase);

} // namespace kelvo
