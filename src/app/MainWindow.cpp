// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/library/LibraryView.h"
#include "app/menus/AppMenus.h"
#include "editor/GuideEditorView.h"

#include <QEvent>
#include <QMenuBar>
#include <QScreen>

namespace kelvo {

MainWindow::MainWindow(AppModel &model, AppMenus &menus, Scheduler &scheduler, QWidget *parent)
    : QMainWindow(parent)
    , menus_(menus)
    , library_(new LibraryView(model, scheduler, {}, this))
{
    setWindowTitle(QStringLiteral("Kelvo"));
    menus.populate(menuBar());
    setCentralWidget(library_);
    QSize minimum = library_->minimumSizeHint().expandedTo(library_->minimumSize())
        + QSize(0, menuBar()->sizeHint().height());
    // Fitted to the screen it opens on: a small or scaled screen shows it whole.
    if (QScreen *screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        const QSize size = fittedWindowSize(QSize(1280, 800), minimum, available);
        minimum = minimum.boundedTo(size);
        // A screen smaller than the layout's minimum still shows the whole window.
        const int menuHeight = menuBar()->sizeHint().height();
        library_->setMinimumSize(library_->minimumSize().boundedTo(size - QSize(0, menuHeight)));
        resize(size);
        move(available.center() - QPoint(size.width() / 2, size.height() / 2));
    } else {
        resize(1280, 800);
    }
    setMinimumSize(minimum);
    connect(library_, &LibraryView::currentEditorChanged, this, [this](GuideEditorView *editor) {
        if (editor)
            connect(editor, &GuideEditorView::actionsChanged, this, &MainWindow::publishEditor, Qt::UniqueConnection);
        publishEditor();
    });
    publishEditor();
}

QSize fittedWindowSize(QSize wanted, QSize minimum, QRect available, QSize decoration)
{
    const QSize room = (available.size() - decoration).expandedTo(QSize(1, 1));
    return wanted.expandedTo(minimum).boundedTo(room);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        publishEditor();
}

void MainWindow::publishEditor()
{
    if (!isActiveWindow() && isVisible())
        return; // another main window owns the menus now
    GuideEditorView *editor = library_->currentEditor();
    if (editor)
        menus_.setFocusedEditor(editor->guideActions(), library_->undoStack());
    else
        menus_.setFocusedEditor(std::nullopt, library_->undoStack());
}

} // namespace kelvo
