// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Widgets.h"
#include "model/Guide.h"

#include <QTextEdit>
#include <QUuid>

#include <optional>

class QMimeData;
class QLabel;
class QHBoxLayout;

namespace kelvo {

class StepImageView;
class StepFramingTools;
class Chip;

// The caption field: plain text that grows with its lines instead of scrolling.
class CaptionField : public QTextEdit {
    Q_OBJECT
public:
    explicit CaptionField(QWidget *parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitHeight();
};

// The handle a step is dragged by; the drag carries the step id as text.
class DragHandle : public QWidget {
    Q_OBJECT
public:
    explicit DragHandle(QWidget *parent = nullptr);
    void setStepId(const QUuid &id) { stepId_ = id; }
    // The payload of a drag from this handle.
    QMimeData *makeMimeData() const;

signals:
    void dragStarted();
    void dragFinished();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QUuid stepId_;
    std::optional<QPoint> pressedAt_;
};

// The screenshot in its well: fitted to the width, at most 360 high.
class ScreenshotWell : public NeuInset {
    Q_OBJECT
public:
    static constexpr int maxImageHeight = 360;
    static constexpr int inset = 8;

    ScreenshotWell(const QString &path, QWidget *parent = nullptr);
    StepImageView *imageView() const { return image_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void imageArrived();

    StepImageView *image_;
    QSizeF aspect_{16, 10}; // until the file's own size is known
};

// One step in the editor: number, caption, application and time, screenshot,
// and the buttons to play, move and delete it. With the focus on it or inside
// it, Alt+Up and Alt+Down move it and Delete deletes it. It keeps no model: every change
// leaves through a signal, which the editor turns into the editing operations.
class StepRowView : public NeuRaised {
    Q_OBJECT
public:
    StepRowView(int number, const Step &step, const QString &imagePath, bool hasVideo, bool isFirst, bool isLast,
                QWidget *parent = nullptr);

    const QUuid &stepId() const { return step_.id; }
    int number() const { return number_; }
    bool isDropTarget() const { return isDropTarget_; }

    void setNumber(int number);
    // Shows the step as the guide has it now; the caption field is rewritten only
    // when its text differs, so typing is never disturbed.
    void setStep(const Step &step);
    void setHasVideo(bool hasVideo);
    void setEnds(bool isFirst, bool isLast);

    // The drop rules: no text, text that is not a UUID, or this row's own id are
    // refused (false); otherwise stepDropped is emitted and the drop accepted.
    bool acceptDrop(const QMimeData *mime);

    CaptionField *captionField() const { return caption_; }
    NeuButton *playButton() const { return play_; }
    NeuIconButton *moveUpButton() const { return up_; }
    NeuIconButton *moveDownButton() const { return down_; }
    NeuIconButton *deleteButton() const { return delete_; }
    DragHandle *dragHandle() const { return handle_; }
    StepImageView *imageView() const { return well_->imageView(); }
    // The step's framing menu and Redact mode.
    StepFramingTools *framingTools() const { return framingTools_; }
    NumberBadge *badge() const { return badge_; }
    QList<Chip *> chips() const;

signals:
    void captionEdited(const QString &caption);
    void playRequested();
    void moveUpRequested();
    void moveDownRequested();
    void deleteRequested();
    void stepDropped(const QUuid &draggedId);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setDropTarget(bool target);
    void updateTexts();
    void updateChips();

    int number_;
    Step step_;
    bool isDropTarget_ = false;
    NumberBadge *badge_;
    CaptionField *caption_;
    QHBoxLayout *metaRow_;
    Chip *appChip_;
    Chip *timeChip_;
    DragHandle *handle_;
    ScreenshotWell *well_;
    NeuButton *play_;
    NeuIconButton *up_;
    NeuIconButton *down_;
    NeuIconButton *delete_;
    StepFramingTools *framingTools_;
    bool settingCaption_ = false;
};

} // namespace kelvo
