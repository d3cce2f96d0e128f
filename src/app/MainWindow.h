#pragma once

#include <QMainWindow>

class QListWidget;

namespace kelvo {

class AppMenus;
class AppModel;

// The main window "Kelvo": the library, with the application's menus.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(AppModel &model, AppMenus &menus, QWidget *parent = nullptr);

private:
    void refresh();

    AppModel &model_;
    QListWidget *list_;
};

} // namespace kelvo
