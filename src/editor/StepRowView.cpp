// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/StepRowView.h"

#include "ui/Palette.h"
#include "ui/Style.h"
#include "editor/FramingControls.h"
#include "editor/StepImageView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include "store/ImageCache.h"

#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QVBoxLayout>

namespace kelvo {

namespace {
constexpr int screenshotMaxPixel = 1600;
constexpr qreal cardRadius = 26;
} // namespace

// --- CaptionField ---------------------------------------------------------------

CaptionField::CaptionField(QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptRichText(false);
    setTabChangesFocus(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setPlaceholderText(tr("Describe this step"));
    setFont(styleFont(17, QFont::DemiBold));
    document()->setDocumentMargin(0);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QTextEdit { background: transparent; color: %1; }").arg(palette::ink.name()));
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &CaptionField::fitHeight);
    fitHeight();
}

QSize CaptionField::sizeHint() const
{
    const int lineHeight = fontMetrics().lineSpacing();
    const int height = std::max(lineHeight, static_cast<int>(std::ceil(document()->size().height())));
    return {200, height};
}

bool CaptionField::event(QEvent *event)
{
    // With nothing of its own to undo or redo the field lets the keys through to
    // the guide's undo stack (a deleted step comes back with Ctrl+Z).
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->matches(QKeySequence::Undo) && !document()->isUndoAvailable())
            || (key->matches(QKeySequence::Redo) && !document()->isRedoAvailable())) {
            event->ignore();
            return true;
        }
    }
    return QTextEdit::event(event);
}

void CaptionField::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    fitHeight();
}

void CaptionField::fitHeight()
{
    const int height = sizeHint().height();
    if (height != this->height() || minimumHeight() != height)
        setFixedHeight(height);
}

// --- DragHandle -----------------------------------------------------------------

DragHandle::DragHandle(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(28, 36);
    setCursor(Qt::OpenHandCursor);
    setToolTip(tr("Drag to reorder"));
    setAccessibleDescription(
        tr("Use the Move Up and Move Down buttons to reorder with the keyboard"));
}

QMimeData *DragHandle::makeMimeData() const
{
    auto *mime = new QMimeData;
    mime->setText(uuidText(stepId_));
    return mime;
}

void DragHandle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintSymbol(painter, QStringLiteral("line.3.horizontal"), QRectF((width() - 14) / 2.0, (height() - 14) / 2.0, 14, 14),
                palette::inkSecondary);
}

void DragHandle::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        pressedAt_ = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void DragHandle::mouseMoveEvent(QMouseEvent *event)
{
    if (!pressedAt_ || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - *pressedAt_).manhattanLength() < QApplication::startDragDistance())
        return;
    pressedAt_.reset();
    auto *drag = new QDrag(this);
    drag->setMimeData(makeMimeData());
    // A small picture of the card travels with the pointer.
    QWidget *row = parentWidget();
    while (row && !qobject_cast<StepRowView *>(row))
        row = row->parentWidget();
    if (row) {
        const QPixmap picture = row->grab().scaledToWidth(std::min(320, row->width()), Qt::SmoothTransformation);
        drag->setPixmap(picture);
        drag->setHotSpot(QPoint(picture.width() - 24, 24));
    }
    emit dragStarted();
    drag->exec(Qt::MoveAction);
    emit dragFinished();
}

// --- ScreenshotWell -------------------------------------------------------------

ScreenshotWell::ScreenshotWell(const QString &path, QWidget *parent)
    : NeuInset(20, parent)
    , image_(new StepImageView(path, screenshotMaxPixel, StepImageView::ContentMode::fit, this))
{
    image_->setCornerRadius(12);
    image_->setLoadsWhenShown(false);
    // The header gives the size before the image is decoded, so rows hardly jump;
    // read off the main thread, where a slow or hostile file cannot stall the editor.
    if (!path.isEmpty()) {
        ImageCache::shared().loadImageSize(path, this, [this](QSize size) {
            if (image_->image())
                return; // the image itself came first and set the shape
            const NormalRect region = image_->recipe().leavesPictureAlone() ? NormalRect{0, 0, 1, 1}
                                                                            : image_->recipe().region(size);
            aspect_ = QSizeF(size.width() * region.width, size.height() * region.height);
            updateGeometry();
        });
    }
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(image_, &StepImageView::imageChanged, this, &ScreenshotWell::imageArrived);
}

int ScreenshotWell::heightForWidth(int width) const
{
    const qreal inner = std::max(0, width - 2 * inset);
    const qreal height = std::min<qreal>(maxImageHeight, inner * aspect_.height() / aspect_.width());
    return static_cast<int>(std::ceil(height)) + 2 * inset;
}

QSize ScreenshotWell::sizeHint() const
{
    return {640, heightForWidth(640)};
}

void ScreenshotWell::resizeEvent(QResizeEvent *event)
{
    NeuInset::resizeEvent(event);
    image_->setGeometry(rect().adjusted(inset, inset, -inset, -inset));
}

void ScreenshotWell::imageArrived()
{
    const auto &image = image_->image();
    if (!image || image->isNull() || image->size() == aspect_.toSize())
        return;
    const QSizeF next = image->size();
    if (std::abs(next.width() / next.height() - aspect_.width() / aspect_.height()) < 1e-3)
        return;
    aspect_ = next;
    updateGeometry();
}

// --- StepRowView ----------------------------------------------------------------

StepRowView::StepRowView(int number, const Step &step, const QString &imagePath, bool hasVideo, bool isFirst,
                         bool isLast, QWidget *parent)
    : NeuRaised(cardRadius, 1, parent)
    , number_(number)
    , step_(step)
    , badge_(new NumberBadge(number, 34, this))
    , caption_(new CaptionField(this))
    , metaRow_(new QHBoxLayout)
    , appChip_(new Chip(QStringLiteral("app.dashed"), QString(), palette::inkSecondary, this))
    , timeChip_(new Chip(QStringLiteral("clock"), QString(), palette::inkSecondary, this))
    , handle_(new DragHandle(this))
    , well_(new ScreenshotWell(imagePath, this))
    , play_(new NeuButton(tr("Play from here"), {NeuButtonStyle::Kind::primary, true, false}, this))
    , up_(new NeuIconButton(QStringLiteral("chevron.up"), tr("Move step up"), {palette::ink, 34}, this))
    , down_(new NeuIconButton(QStringLiteral("chevron.down"), tr("Move step down"), {palette::ink, 34},
                              this))
    , delete_(new NeuIconButton(QStringLiteral("trash"), tr("Delete step"), {palette::danger, 34}, this))
    , framingTools_(new StepFramingTools(well_->imageView(), this))
{
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    handle_->setStepId(step_.id);
    play_->setSymbol(QStringLiteral("play.fill"));
    delete_->setToolTip(tr("Delete step (Ctrl+Z to undo)"));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(22, 22, 22, 22);
    column->setSpacing(18);

    auto *header = new QHBoxLayout;
    header->setSpacing(14);
    auto *badgeColumn = new QVBoxLayout;
    badgeColumn->setContentsMargins(0, 6, 0, 0);
    badgeColumn->addWidget(badge_);
    badgeColumn->addStretch();
    header->addLayout(badgeColumn);

    auto *textColumn = new QVBoxLayout;
    textColumn->setSpacing(10);
    auto *captionWell = new NeuInset(15, this);
    auto *captionLayout = new QVBoxLayout(captionWell);
    captionLayout->setContentsMargins(16, 11, 16, 11);
    captionLayout->addWidget(caption_);
    textColumn->addWidget(captionWell);
    metaRow_->setSpacing(8);
    metaRow_->setContentsMargins(2, 0, 0, 0);
    metaRow_->addWidget(appChip_);
    metaRow_->addWidget(timeChip_);
    metaRow_->addStretch();
    textColumn->addLayout(metaRow_);
    header->addLayout(textColumn, 1);
    auto *handleColumn = new QVBoxLayout;
    handleColumn->addWidget(handle_);
    framingTools_->addButtonsTo(handleColumn);
    handleColumn->addStretch();
    header->addLayout(handleColumn);
    column->addLayout(header);

    column->addWidget(well_);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addWidget(play_, 0, Qt::AlignVCenter);
    buttons->addWidget(up_, 0, Qt::AlignVCenter);
    buttons->addWidget(down_, 0, Qt::AlignVCenter);
    buttons->addWidget(delete_, 0, Qt::AlignVCenter);
    buttons->addStretch();
    column->addLayout(buttons);

    caption_->setPlainText(step_.caption);
    connect(caption_, &QTextEdit::textChanged, this, [this] {
        if (settingCaption_)
            return;
        const QString text = caption_->toPlainText();
        if (text == step_.caption)
            return;
        step_.caption = text;
        emit captionEdited(text);
    });
    connect(play_, &QAbstractButton::clicked, this, &StepRowView::playRequested);
    connect(up_, &QAbstractButton::clicked, this, &StepRowView::moveUpRequested);
    connect(down_, &QAbstractButton::clicked, this, &StepRowView::moveDownRequested);
    connect(delete_, &QAbstractButton::clicked, this, &StepRowView::deleteRequested);
    // From the card or any of its controls. The caption field keeps Delete for
    // its text: a text edit claims that key before shortcuts see it.
    const auto addKey = [this](QKeySequence key, auto handler) {
        auto *shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    addKey(QKeySequence(Qt::ALT | Qt::Key_Up), [this] {
        if (up_->isEnabled())
            emit moveUpRequested();
    });
    addKey(QKeySequence(Qt::ALT | Qt::Key_Down), [this] {
        if (down_->isEnabled())
            emit moveDownRequested();
    });
    addKey(QKeySequence(Qt::Key_Delete), [this] { emit deleteRequested(); });
    connect(handle_, &DragHandle::dragFinished, this, [this] { setDropTarget(false); });

    setHasVideo(hasVideo);
    setEnds(isFirst, isLast);
    updateChips();
    updateTexts();
}

QList<Chip *> StepRowView::chips() const
{
    QList<Chip *> visible;
    for (Chip *chip : {appChip_, timeChip_}) {
        if (!chip->isHidden())
            visible.append(chip);
    }
    return visible;
}

void StepRowView::setNumber(int number)
{
    if (number == number_)
        return;
    number_ = number;
    badge_->setNumber(number);
    updateTexts();
}

void StepRowView::setStep(const Step &step)
{
    const bool captionChanged = step.caption != caption_->toPlainText();
    step_ = step;
    handle_->setStepId(step_.id);
    if (captionChanged) {
        settingCaption_ = true;
        caption_->setPlainText(step_.caption);
        settingCaption_ = false;
    }
    updateChips();
}

void StepRowView::setHasVideo(bool hasVideo)
{
    play_->setVisible(hasVideo);
}

void StepRowView::setEnds(bool isFirst, bool isLast)
{
    up_->setEnabled(!isFirst);
    down_->setEnabled(!isLast);
}

void StepRowView::updateTexts()
{
    const QString n = QString::number(number_);
    setAccessibleName(tr("Step %1").arg(n));
    caption_->setAccessibleName(tr("Caption for step %1").arg(n));
    well_->imageView()->setAccessibleName(tr("Screenshot for step %1").arg(n));
    handle_->setAccessibleName(tr("Reorder step %1").arg(n));
}

void StepRowView::updateChips()
{
    const bool hasApp = step_.appName && !step_.appName->isEmpty();
    appChip_->setVisible(hasApp);
    appChip_->setText(hasApp ? *step_.appName : QString());
    timeChip_->setText(formatTimestamp(step_.timestamp));
}

void StepRowView::paintEvent(QPaintEvent *event)
{
    NeuRaised::paintEvent(event);
    if (!isDropTarget_ && !hasFocus())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDropTarget_)
        paintInsideBorder(painter, QRectF(rect()), cardRadius, palette::accentBright, 3);
    else
        paintFocusRing(painter, QRectF(rect()), cardRadius);
}

void StepRowView::focusInEvent(QFocusEvent *event)
{
    NeuRaised::focusInEvent(event);
    update();
}

void StepRowView::focusOutEvent(QFocusEvent *event)
{
    NeuRaised::focusOutEvent(event);
    update();
}

void StepRowView::setDropTarget(bool target)
{
    if (target == isDropTarget_)
        return;
    isDropTarget_ = target;
    update();
}

bool StepRowView::acceptDrop(const QMimeData *mime)
{
    if (!mime || !mime->hasText())
        return false;
    // A list of items arrives as lines: the first one counts.
    const QString first = mime->text().section(QLatin1Char('\n'), 0, 0);
    const QUuid id = QUuid::fromString(first);
    if (id.isNull() || id == step_.id)
        return false;
    emit stepDropped(id);
    return true;
}

void StepRowView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasText())
        return;
    setDropTarget(true);
    event->acceptProposedAction();
}

void StepRowView::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
}

void StepRowView::dragLeaveEvent(QDragLeaveEvent *event)
{
    setDropTarget(false);
    NeuRaised::dragLeaveEvent(event);
}

void StepRowView::dropEvent(QDropEvent *event)
{
    setDropTarget(false);
    // The signal may reorder and rebuild the list: decide first, act after.
    if (acceptDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

} // namespace kelvo
