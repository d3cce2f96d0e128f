#pragma once

#include <QMainWindow>

namespace kelvo {

class AppMenus;
class AppModel;
class LibraryView;
class Scheduler;

// The main window "Kelvo": the library, with the application's menus, which
// follow this window's editor while it is the active window.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(AppModel &model, AppMenus &menus, Scheduler &scheduler, QWidget *parent = nullptr);

    LibraryView *library() const { return library_; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void publishEditor();

    AppMenus &menus_;
    LibraryView *library_;
};

} // namespace kelvo
