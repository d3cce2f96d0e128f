// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QRect>
#include <QSize>

namespace kelvo {

class AppMenus;
class AppModel;
class LibraryView;
class Scheduler;

// The first size of a window that wants `wanted` and can go down to `minimum`,
// on a screen whose free area is `available` (the window manager's title bar
// and borders take `decoration` more): never larger than the free area.
QSize fittedWindowSize(QSize wanted, QSize minimum, QRect available, QSize decoration = QSize(16, 48));

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
