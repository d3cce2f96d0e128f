// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/menus/AppMenus.h"

#include "app/state/AppModel.h"
#include "capture/RecordingSession.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

namespace kelvo {

AppMenus::AppMenus(AppModel &model, Handlers handlers, QObject *parent)
    : QObject(parent)
    , model_(model)
    , handlers_(std::move(handlers))
    , newRecording_(new QAction(this))
    , exportPDF_(new QAction(tr("Export PDF…"), this))
    , exportHTML_(new QAction(tr("Export HTML…"), this))
    , exportMarkdown_(new QAction(tr("Export Markdown…"), this))
    , sharePDF_(new QAction(tr("Share PDF…"), this))
    , reveal_(new QAction(tr("Show Guide in Files"), this))
    , undo_(new QAction(tr("Undo"), this))
    , redo_(new QAction(tr("Redo"), this))
    , checkForUpdates_(new QAction(tr("Check for Updates…"), this))
    , settings_(new QAction(tr("Settings…"), this))
    , quit_(new QAction(tr("Quit Kelvo"), this))
    , trayRecording_(new QAction(this))
    , openKelvo_(new QAction(tr("Open Kelvo"), this))
    , trayMenu_(std::make_unique<QMenu>())
{
    // The same action from the File menu, the tray and the hot key: start when
    // idle, otherwise stop (which also cancels a countdown).
    const auto toggle = [this] {
        if (model_.session().phase().isIdle())
            model_.startRecording();
        else
            model_.session().stop();
    };
    newRecording_->setShortcut(QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_R));
    newRecording_->setShortcutContext(Qt::ApplicationShortcut);
    connect(newRecording_, &QAction::triggered, this, toggle);
    connect(trayRecording_, &QAction::triggered, this, toggle);

    exportPDF_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    sharePDF_->setShortcut(QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_E));
    reveal_->setShortcut(QKeySequence(Qt::ALT | Qt::CTRL | Qt::Key_R));
    connect(exportPDF_, &QAction::triggered, this, [this] {
        if (actions_ && actions_->canExport && actions_->exportPDF)
            actions_->exportPDF();
    });
    connect(exportHTML_, &QAction::triggered, this, [this] {
        if (actions_ && actions_->canExport && actions_->exportHTML)
            actions_->exportHTML();
    });
    connect(exportMarkdown_, &QAction::triggered, this, [this] {
        if (actions_ && actions_->canExport && actions_->exportMarkdown)
            actions_->exportMarkdown();
    });
    connect(sharePDF_, &QAction::triggered, this, [this] {
        if (actions_ && actions_->canExport && actions_->sharePDF)
            actions_->sharePDF();
    });
    connect(reveal_, &QAction::triggered, this, [this] {
        if (actions_ && actions_->reveal)
            actions_->reveal();
    });

    undo_->setShortcut(QKeySequence::Undo);
    redo_->setShortcut(QKeySequence::Redo);
    connect(undo_, &QAction::triggered, this, [this] {
        if (undoStack_)
            undoStack_->undo();
    });
    connect(redo_, &QAction::triggered, this, [this] {
        if (undoStack_)
            undoStack_->redo();
    });

    // Most Linux desktops define no Preferences key: Ctrl+, as elsewhere.
    const QKeySequence preferences(QKeySequence::Preferences);
    settings_->setShortcut(preferences.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Comma) : preferences);
    quit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit_->setShortcutContext(Qt::ApplicationShortcut);
    connect(checkForUpdates_, &QAction::triggered, this, [this] {
        if (handlers_.checkForUpdates)
            handlers_.checkForUpdates();
    });
    connect(settings_, &QAction::triggered, this, [this] {
        if (handlers_.showSettings)
            handlers_.showSettings();
    });
    connect(quit_, &QAction::triggered, this, [this] {
        if (handlers_.quit)
            handlers_.quit();
    });
    connect(openKelvo_, &QAction::triggered, this, [this] { model_.showMainWindow(); });

    trayMenu_->addAction(trayRecording_);
    trayMenu_->addSeparator();
    trayMenu_->addAction(openKelvo_);
    auto *trayUpdates = trayMenu_->addAction(tr("Check for Updates…"));
    connect(trayUpdates, &QAction::triggered, this, [this] {
        model_.showMainWindow(); // in front before the update check shows its window
        if (handlers_.checkForUpdates)
            handlers_.checkForUpdates();
    });
    // A build without an update feed says nothing of updates.
    trayUpdates->setVisible(bool(handlers_.checkForUpdates));
    checkForUpdates_->setVisible(bool(handlers_.checkForUpdates));
    trayMenu_->addSeparator();
    trayMenu_->addAction(quit_);

    connect(&model_.session(), &RecordingSession::phaseChanged, this, &AppMenus::phaseChanged);
    phaseChanged(model_.session().phase());
    refreshGuideCommands();
    refreshUndo();
}

AppMenus::~AppMenus() = default;

void AppMenus::populate(QMenuBar *bar)
{
    QMenu *app = bar->addMenu(tr("&Kelvo"));
    app->addAction(checkForUpdates_);
    app->addSeparator();
    app->addAction(settings_);
    app->addSeparator();
    app->addAction(quit_);

    QMenu *file = bar->addMenu(tr("&File"));
    file->addAction(newRecording_);
    file->addSeparator();
    file->addAction(exportPDF_);
    file->addAction(exportHTML_);
    file->addAction(exportMarkdown_);
    file->addAction(sharePDF_);
    file->addAction(reveal_);

    QMenu *edit = bar->addMenu(tr("&Edit"));
    edit->addAction(undo_);
    edit->addAction(redo_);
}

void AppMenus::setFocusedEditor(std::optional<GuideActions> actions, QUndoStack *undoStack)
{
    actions_ = std::move(actions);
    for (const auto &connection : undoConnections_)
        disconnect(connection);
    undoConnections_.clear();
    undoStack_ = undoStack;
    if (undoStack) {
        undoConnections_ << connect(undoStack, &QUndoStack::indexChanged, this, &AppMenus::refreshUndo)
                         << connect(undoStack, &QUndoStack::cleanChanged, this, &AppMenus::refreshUndo)
                         << connect(undoStack, &QObject::destroyed, this, &AppMenus::refreshUndo);
    }
    refreshGuideCommands();
    refreshUndo();
}

void AppMenus::phaseChanged(Phase phase)
{
    const bool idle = phase.isIdle();
    newRecording_->setText(idle ? tr("New Recording") : tr("Stop Recording"));
    trayRecording_->setText(idle ? tr("Start Recording  (Ctrl+Alt+Super+R)")
                                 : tr("Stop Recording  (Ctrl+Alt+Super+R)"));
}

void AppMenus::refreshGuideCommands()
{
    const bool canExport = actions_ && actions_->canExport;
    exportPDF_->setEnabled(canExport);
    exportHTML_->setEnabled(canExport);
    exportMarkdown_->setEnabled(canExport);
    sharePDF_->setEnabled(canExport);
    reveal_->setEnabled(actions_.has_value());
}

void AppMenus::refreshUndo()
{
    const bool canUndo = undoStack_ && undoStack_->canUndo();
    const bool canRedo = undoStack_ && undoStack_->canRedo();
    undo_->setEnabled(canUndo);
    redo_->setEnabled(canRedo);
    undo_->setText(canUndo ? tr("Undo %1").arg(undoStack_->undoText()) : tr("Undo"));
    redo_->setText(canRedo ? tr("Redo %1").arg(undoStack_->redoText()) : tr("Redo"));
}

QString trayIconName(Phase phase)
{
    return phase.isRecording() ? QStringLiteral("record.circle.fill") : QStringLiteral("list.number");
}

} // namespace kelvo
