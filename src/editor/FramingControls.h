// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/StepImagePipeline.h"
#include "model/FrameTypes.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include <optional>

class QActionGroup;
class QBoxLayout;
class QButtonGroup;
class QMenu;

namespace kelvo {

class NeuButton;
class StepImageView;

// One segment of the framing control.
class SegmentButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SegmentButton(const QString &text, QWidget *parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool hovering_ = false;
};

// The guide's framing as a segmented control: Whole screen | Clicked window | Close-up.
class FramingSelector : public QWidget {
    Q_OBJECT
public:
    explicit FramingSelector(QWidget *parent = nullptr);
    // Shows the framing without reporting it.
    void setFraming(Framing framing);
    Framing framing() const { return framing_; }
    SegmentButton *segment(Framing framing) const;

signals:
    // The user chose another framing.
    void framingChosen(kelvo::Framing framing);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QButtonGroup *group_;
    QList<SegmentButton *> segments_;
    Framing framing_ = Framing::wholeScreen;
};

// Drawn over a step's screenshot in Redact mode: a drag marks an area, each
// area shows its outline and a button that removes it. Outside Redact mode it
// shows nothing and lets every click through.
class RedactionOverlay : public QWidget {
    Q_OBJECT
public:
    // Drags shorter than this (in pixels, either side) mark nothing.
    static constexpr int minimumDrag = 4;

    explicit RedactionOverlay(StepImageView *image);
    void setActive(bool active);
    bool isActive() const { return active_; }
    // The step's areas, in fractions of the whole screenshot.
    void setRedactions(const QList<NormalRect> &redactions);
    const QList<QAbstractButton *> &removeButtons() const { return removeButtons_; }

    // Where an area of the whole screenshot lies on the overlay, and back.
    QRectF toWidget(const NormalRect &area) const;
    NormalRect fromWidget(const QRectF &rect) const;

signals:
    void redactionDrawn(const kelvo::NormalRect &area);
    void removeRequested(qsizetype index);
    // The picture or the areas moved: what sits on them follows.
    void layoutChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeButtons();

    StepImageView *image_;
    bool active_ = false;
    QList<NormalRect> redactions_;
    QList<QAbstractButton *> removeButtons_;
    std::optional<QPointF> dragFrom_;
    QPointF dragTo_;
};

// The round "more" button of a step row.
class StepMenuButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit StepMenuButton(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A step row's menu (its framing, Redact Areas…) and Redact mode: the overlay on
// the row's screenshot with its Done button.
class StepFramingTools : public QObject {
    Q_OBJECT
public:
    StepFramingTools(StepImageView *image, QWidget *row);
    // The menu button takes no width: it goes under the drag handle.
    void addButtonsTo(QBoxLayout *layout);
    // Shows the step as the guide has it now.
    void showStep(const StepImageRecipe &recipe, std::optional<Framing> stepFraming, Framing guideFraming);

    void setRedacting(bool redacting);
    bool isRedacting() const;

    StepMenuButton *menuButton() const { return menuButton_; }
    QMenu *menu() const { return menu_; }
    QMenu *framingMenu() const { return framingMenu_; }
    QAction *redactAction() const { return redactAction_; }
    NeuButton *doneButton() const { return doneButton_; }
    RedactionOverlay *overlay() const { return overlay_; }

signals:
    // Nothing = follow the guide.
    void framingOverrideChosen(std::optional<kelvo::Framing> framing);
    void redactionDrawn(const kelvo::NormalRect &area);
    void redactionRemoveRequested(qsizetype index);

private:
    void placeDoneButton();

    StepImageView *image_;
    StepMenuButton *menuButton_;
    QMenu *menu_;
    QMenu *framingMenu_ = nullptr;
    QActionGroup *choices_;
    QAction *followGuide_;
    QAction *redactAction_;
    RedactionOverlay *overlay_;
    NeuButton *doneButton_;
};

} // namespace kelvo
