// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

namespace kelvo {

// A small drawn keyboard: the HUD shows it while typing is recorded.
class KeyboardSymbol : public QWidget {
    Q_OBJECT
public:
    explicit KeyboardSymbol(const QColor &color, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {20, 14}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor color_;
};

} // namespace kelvo
