#include "app/MainWindow.h"

#include "store/GuideStore.h"

#include <QListWidget>

namespace kelvo {

MainWindow::MainWindow(GuideStore &store, QWidget *parent)
    : QMainWindow(parent)
    , store_(store)
    , list_(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Kelvo"));
    resize(1280, 800);
    setCentralWidget(list_);
    connect(&store_, &GuideStore::guidesChanged, this, &MainWindow::refresh);
    refresh();
}

void MainWindow::refresh()
{
    list_->clear();
    for (const Guide &guide : store_.guides()) {
        const auto count = guide.steps.size();
        list_->addItem(QStringLiteral("%1 — %2 %3").arg(guide.title).arg(count).arg(count == 1 ? "step" : "steps"));
    }
}

} // namespace kelvo
