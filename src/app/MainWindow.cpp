#include "app/MainWindow.h"

#include "app/library/LibraryView.h"
#include "app/menus/AppMenus.h"
#include "editor/GuideEditorView.h"

#include <QEvent>
#include <QMenuBar>

namespace kelvo {

MainWindow::MainWindow(AppModel &model, AppMenus &menus, Scheduler &scheduler, QWidget *parent)
    : QMainWindow(parent)
    , menus_(menus)
    , library_(new LibraryView(model, scheduler, {}, this))
{
    setWindowTitle(QStringLiteral("Kelvo"));
    resize(1280, 800);
    menus.populate(menuBar());
    setCentralWidget(library_);
    setMinimumSize(library_->minimumSizeHint().expandedTo(library_->minimumSize())
                   + QSize(0, menuBar()->sizeHint().height()));
    connect(library_, &LibraryView::currentEditorChanged, this, [this](GuideEditorView *editor) {
        if (editor)
            connect(editor, &GuideEditorView::actionsChanged, this, &MainWindow::publishEditor, Qt::UniqueConnection);
        publishEditor();
    });
    publishEditor();
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
