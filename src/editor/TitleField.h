// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

namespace kelvo {

// The guide's title: edited in place. Without the focus it shows the start of a
// long title, cut at the end with "…", never a slice of its end.
class TitleField : public QLineEdit {
    Q_OBJECT
public:
    explicit TitleField(QWidget *parent = nullptr);
    // What an unfocused field shows: the title, elided at the end to fit.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QRect textArea() const;
};

} // namespace kelvo
