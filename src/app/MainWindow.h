#pragma once

#include <QMainWindow>

class QListWidget;

namespace kelvo {

class GuideStore;

// Lists the stored guides, newest first.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(GuideStore &store, QWidget *parent = nullptr);

private:
    void refresh();

    GuideStore &store_;
    QListWidget *list_;
};

} // namespace kelvo
