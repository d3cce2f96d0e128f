// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QScrollArea;

namespace kelvo {

class StepImageView;

// Decodes the images of a long scrolling list only near what is on screen, and
// lets go of those far away, so opening a list costs a screenful of decodes and
// scrolling keeps memory bounded (the image cache still keeps recent ones).
class NearViewportLoader : public QObject {
    Q_OBJECT
public:
    // The views are asked for whenever the visible part may have changed.
    NearViewportLoader(QScrollArea *area, std::function<QList<StepImageView *>()> views, QObject *parent = nullptr);

    // Load within one viewport height of the visible part; release beyond three.
    void refresh();
    // Coalesces refreshes of one turn of the event loop.
    void scheduleRefresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QScrollArea> area_;
    std::function<QList<StepImageView *>()> views_;
    bool scheduled_ = false;
};

} // namespace kelvo
