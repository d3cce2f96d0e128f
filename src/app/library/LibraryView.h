// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Widgets.h"
#include "editor/ExportActions.h"
#include "editor/GuideEditorView.h"

#include <QPointer>
#include <QUndoStack>

#include <memory>

class QLabel;
class QVBoxLayout;

namespace kelvo {

class AppModel;
class PermissionsCard;
class PermissionsRefresher;
class Scheduler;
class SidebarView;

// The welcome screen of the detail area: an invitation to record and, while a
// grant is missing, the permission card.
class EmptyStateView : public QWidget {
    Q_OBJECT
public:
    explicit EmptyStateView(AppModel &model, QWidget *parent = nullptr);

    NeuButton *recordButton() const { return record_; }
    PermissionsCard *permissionsCard() const { return card_; }

private:
    void updateCard();

    AppModel &model_;
    NeuButton *record_;
    PermissionsCard *card_;
};

// What the library asks of the desktop; tests give their own.
struct LibraryServices {
    // Shows an alert and returns once dismissed; default: a message box.
    Alerter *alerter = nullptr;
    // Passed on to every editor (clearSelection is the library's own).
    GuideEditorView::Services editor;
};

// The content of the main window: the sidebar of guides and, beside it, the
// editor of the selected guide or the welcome screen. It keeps the grants
// current while shown and reports recording problems.
class LibraryView : public NeuSurface {
    Q_OBJECT
public:
    using Services = LibraryServices;

    // With the menu bar a window of 960 × 600 (the editor's side column narrows).
    static constexpr QSize minimumContentSize{960, 560};

    LibraryView(AppModel &model, Scheduler &scheduler, Services services = {}, QWidget *parent = nullptr);
    ~LibraryView() override;

    SidebarView *sidebar() const { return sidebar_; }
    EmptyStateView *emptyState() const { return emptyState_; }
    // The editor on screen, or nothing while the welcome screen shows.
    GuideEditorView *currentEditor() const { return editor_; }
    // The window's undo history, shared by the editors it shows.
    QUndoStack *undoStack() { return &undoStack_; }
    PermissionsRefresher *permissionsRefresher() const { return refresher_; }

signals:
    void currentEditorChanged(kelvo::GuideEditorView *editor);

private:
    void updateDetail();
    void showRecordingProblem();

    AppModel &model_;
    Services services_;
    std::unique_ptr<Alerter> ownAlerter_;
    QUndoStack undoStack_;
    SidebarView *sidebar_;
    QVBoxLayout *detail_;
    EmptyStateView *emptyState_;
    QPointer<GuideEditorView> editor_;
    PermissionsRefresher *refresher_;
    bool alertShowing_ = false;
};

} // namespace kelvo
