#include "app/MainWindow.h"

#include "app/menus/AppMenus.h"
#include "app/model/AppModel.h"
#include "store/GuideStore.h"

#include <QListWidget>
#include <QMenuBar>

namespace kelvo {

MainWindow::MainWindow(AppModel &model, AppMenus &menus, QWidget *parent)
    : QMainWindow(parent)
    , model_(model)
    , list_(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Kelvo"));
    resize(1280, 800);
    menus.populate(menuBar());
    setCentralWidget(list_);
    connect(&model_.store(), &GuideStore::guidesChanged, this, &MainWindow::refresh);
    connect(&model_, &AppModel::selectedGuideIDChanged, this, &MainWindow::refresh);
    refresh();
}

void MainWindow::refresh()
{
    list_->clear();
    for (const Guide &guide : model_.store().guides()) {
        const auto count = guide.steps.size();
        auto *item = new QListWidgetItem(
            QStringLiteral("%1 — %2 %3").arg(guide.title).arg(count).arg(count == 1 ? "step" : "steps"), list_);
        item->setSelected(model_.selectedGuideID() == guide.id);
    }
}

} // namespace kelvo
