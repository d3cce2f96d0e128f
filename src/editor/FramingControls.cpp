// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/FramingControls.h"

#include "ui/Palette.h"
#include "ui/Style.h"
#include "editor/FramingEditing.h"
#include "editor/StepImageView.h"

#include "ui/Widgets.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QMenu>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace kelvo {

namespace {

constexpr Framing framingOrder[] = {Framing::wholeScreen, Framing::clickedWindow, Framing::closeUp};

// The small round button that removes one redaction.
class RemoveButton : public QAbstractButton {
public:
    explicit RemoveButton(QWidget *parent)
        : QAbstractButton(parent)
    {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
        setFixedSize(22, 22);
        setToolTip(QStringLiteral("Remove this redaction"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF disc = QRectF(rect()).adjusted(1, 1, -1, -1);
        painter.setPen(QPen(palette::highlight, 1.5));
        painter.setBrush(underMouse() || hasFocus() ? palette::danger : palette::ink);
        painter.drawEllipse(disc);
        painter.setPen(QPen(palette::highlight, 1.8, Qt::SolidLine, Qt::RoundCap));
        const QPointF c = disc.center();
        const qreal d = 4.5;
        painter.drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
        painter.drawLine(c + QPointF(-d, d), c + QPointF(d, -d));
    }
};

} // namespace

// --- SegmentButton ---------------------------------------------------------------

SegmentButton::SegmentButton(const QString &text, QWidget *parent)
    : QAbstractButton(parent)
{
    setText(text);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFont(styleFont(13, QFont::DemiBold));
}

QSize SegmentButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 28, 30};
}

void SegmentButton::enterEvent(QEnterEvent *event)
{
    hovering_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SegmentButton::leaveEvent(QEvent *event)
{
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SegmentButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).adjusted(2, 2, -2, -2);
    if (isChecked()) {
        QPainterPath path;
        path.addRoundedRect(shape, shape.height() / 2, shape.height() / 2);
        painter.fillPath(path, palette::blueGradient(shape));
    } else if (hovering_) {
        QPainterPath path;
        path.addRoundedRect(shape, shape.height() / 2, shape.height() / 2);
        painter.fillPath(path, palette::withAlpha(palette::accent, 0.08));
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette::accentBright, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(shape.adjusted(-1, -1, 1, 1), shape.height() / 2 + 1, shape.height() / 2 + 1);
    }
    painter.setPen(isChecked() ? palette::highlight : palette::ink);
    painter.drawText(rect(), Qt::AlignCenter, text());
}

// --- FramingSelector -------------------------------------------------------------

FramingSelector::FramingSelector(QWidget *parent)
    : QWidget(parent)
    , group_(new QButtonGroup(this))
{
    setAccessibleName(QStringLiteral("Screenshot framing"));
    setToolTip(QStringLiteral("How much of the screen each step's screenshot shows"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(0);
    group_->setExclusive(true);
    for (const Framing framing : framingOrder) {
        auto *segment = new SegmentButton(framingTitle(framing), this);
        segments_.append(segment);
        group_->addButton(segment, int(framing));
        row->addWidget(segment);
    }
    segment(framing_)->setChecked(true);
    connect(group_, &QButtonGroup::idClicked, this, [this](int id) {
        const auto chosen = Framing(id);
        if (chosen == framing_)
            return;
        framing_ = chosen;
        emit framingChosen(chosen);
    });
}

SegmentButton *FramingSelector::segment(Framing framing) const
{
    return segments_.value(int(framing));
}

void FramingSelector::setFraming(Framing framing)
{
    framing_ = framing;
    if (SegmentButton *button = segment(framing); button && !button->isChecked())
        button->setChecked(true);
}

void FramingSelector::paintEvent(QPaintEvent *)
{
    // A soft well behind the segments, like the inset surfaces.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(palette::rim, 1));
    painter.setBrush(palette::withAlpha(palette::shadowDark, 0.25));
    painter.drawRoundedRect(shape, shape.height() / 2, shape.height() / 2);
}

// --- RedactionOverlay ------------------------------------------------------------

RedactionOverlay::RedactionOverlay(StepImageView *image)
    : QWidget(image)
    , image_(image)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setGeometry(image->rect());
    image->installEventFilter(this); // follows the picture's size
    connect(image, &StepImageView::imageChanged, this, [this] {
        placeButtons();
        update();
    });
}

void RedactionOverlay::setActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    dragFrom_.reset();
    setAttribute(Qt::WA_TransparentForMouseEvents, !active);
    setCursor(active ? Qt::CrossCursor : Qt::ArrowCursor);
    placeButtons();
    update();
}

void RedactionOverlay::setRedactions(const QList<NormalRect> &redactions)
{
    if (redactions == redactions_)
        return;
    redactions_ = redactions;
    placeButtons();
    update();
}

QRectF RedactionOverlay::toWidget(const NormalRect &area) const
{
    const QRectF target = image_->imageRect();
    const NormalRect inRegion = toRegion(image_->shownRegion(), area);
    return {target.x() + inRegion.x * target.width(), target.y() + inRegion.y * target.height(),
            inRegion.width * target.width(), inRegion.height * target.height()};
}

NormalRect RedactionOverlay::fromWidget(const QRectF &rect) const
{
    const QRectF target = image_->imageRect();
    if (target.isEmpty())
        return {};
    const NormalRect inRegion{(rect.x() - target.x()) / target.width(), (rect.y() - target.y()) / target.height(),
                              rect.width() / target.width(), rect.height() / target.height()};
    return fromRegion(image_->shownRegion(), inRegion);
}

void RedactionOverlay::placeButtons()
{
    emit layoutChanged();
    const qsizetype wanted = active_ ? redactions_.size() : 0;
    while (removeButtons_.size() > wanted)
        delete removeButtons_.takeLast();
    while (removeButtons_.size() < wanted) {
        auto *button = new RemoveButton(this);
        const qsizetype index = removeButtons_.size();
        connect(button, &QAbstractButton::clicked, this, [this, index] { emit removeRequested(index); });
        removeButtons_.append(button);
    }
    const QRectF target = image_->imageRect();
    for (qsizetype i = 0; i < removeButtons_.size(); ++i) {
        QAbstractButton *button = removeButtons_[i];
        button->setAccessibleName(QStringLiteral("Remove redaction %1").arg(i + 1));
        // At the area's top-right corner, kept on the picture.
        const QRectF area = toWidget(redactions_[i]).intersected(target);
        const QPointF corner = area.isEmpty() ? target.topRight() : area.topRight();
        const int x = std::clamp(int(corner.x()) - button->width() / 2, 0, std::max(0, width() - button->width()));
        const int y = std::clamp(int(corner.y()) - button->height() / 2, 0, std::max(0, height() - button->height()));
        button->move(x, y);
        button->setVisible(!area.isEmpty());
    }
}

bool RedactionOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == image_ && event->type() == QEvent::Resize)
        setGeometry(image_->rect());
    return QWidget::eventFilter(watched, event);
}

void RedactionOverlay::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void RedactionOverlay::paintEvent(QPaintEvent *)
{
    if (!active_)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF target = image_->imageRect();
    painter.setClipRect(target);
    // A faint veil tells the mode; each area gets a dashed outline.
    painter.fillRect(target, palette::withAlpha(palette::accent, 0.08));
    painter.setPen(QPen(palette::accentBright, 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(target.adjusted(1.5, 1.5, -1.5, -1.5));
    for (const NormalRect &area : std::as_const(redactions_)) {
        painter.setPen(QPen(palette::accentBright, 2, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(toWidget(area).adjusted(1, 1, -1, -1));
    }
    if (redactions_.isEmpty() && !dragFrom_) {
        // What to do, until the first area is drawn.
        const QString hint = QStringLiteral("Drag over what to hide");
        QFont font = painter.font();
        font.setBold(true);
        painter.setFont(font);
        const QRectF box = QFontMetricsF(font).boundingRect(hint).adjusted(-10, -6, 10, 6);
        const QRectF placed(target.topLeft() + QPointF(10, 10), box.size());
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette::withAlpha(palette::ink, 0.82));
        painter.drawRoundedRect(placed, placed.height() / 2, placed.height() / 2);
        painter.setPen(palette::highlight);
        painter.drawText(placed, Qt::AlignCenter, hint);
    }
    if (dragFrom_) {
        const QRectF band = QRectF(*dragFrom_, dragTo_).normalized();
        painter.setPen(QPen(palette::accentBright, 2));
        painter.setBrush(palette::withAlpha(redactionFill, 0.55));
        painter.drawRect(band);
    }
}

void RedactionOverlay::mousePressEvent(QMouseEvent *event)
{
    if (!active_ || event->button() != Qt::LeftButton || !image_->imageRect().contains(event->position())) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragFrom_ = event->position();
    dragTo_ = event->position();
    update();
}

void RedactionOverlay::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragFrom_)
        return;
    const QRectF target = image_->imageRect();
    dragTo_ = QPointF(std::clamp(event->position().x(), target.left(), target.right()),
                      std::clamp(event->position().y(), target.top(), target.bottom()));
    update();
}

void RedactionOverlay::mouseReleaseEvent(QMouseEvent *event)
{
    if (!dragFrom_ || event->button() != Qt::LeftButton)
        return;
    mouseMoveEvent(event);
    const QRectF band = QRectF(*dragFrom_, dragTo_).normalized();
    dragFrom_.reset();
    update();
    if (band.width() < minimumDrag || band.height() < minimumDrag)
        return;
    emit redactionDrawn(fromWidget(band));
}

// --- StepFramingTools -----------------------------------------------------------

StepMenuButton::StepMenuButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(28, 28);
}

void StepMenuButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (underMouse() || hasFocus() || isDown()) {
        painter.setPen(hasFocus() ? QPen(palette::accentBright, 2) : Qt::NoPen);
        painter.setBrush(palette::withAlpha(palette::accent, 0.10));
        painter.drawEllipse(QRectF(rect()).adjusted(2, 2, -2, -2));
    }
    // Three dots: more for this step.
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::inkSecondary);
    const QPointF c = QRectF(rect()).center();
    for (int i = -1; i <= 1; ++i)
        painter.drawEllipse(c + QPointF(i * 6.5, 0), 2.1, 2.1);
}

StepFramingTools::StepFramingTools(StepImageView *image, QWidget *row)
    : QObject(row)
    , image_(image)
    , menuButton_(new StepMenuButton(row))
    , menu_(new QMenu(row))
    , choices_(new QActionGroup(this))
    , followGuide_(nullptr)
    , redactAction_(nullptr)
    , overlay_(new RedactionOverlay(image))
    , doneButton_(new NeuButton(QStringLiteral("Done"), {NeuButtonStyle::Kind::primary, true, false}, overlay_))
{
    menuButton_->setAccessibleName(QStringLiteral("More for this step"));
    menuButton_->setToolTip(QStringLiteral("Framing and redaction of this step's screenshot"));
    menu_->setAccessibleName(QStringLiteral("More for this step"));
    QMenu *framing = menu_->addMenu(QStringLiteral("Framing"));
    framingMenu_ = framing;
    choices_->setExclusive(true);
    followGuide_ = framing->addAction(QStringLiteral("Same as Guide"));
    followGuide_->setCheckable(true);
    choices_->addAction(followGuide_);
    connect(followGuide_, &QAction::triggered, this, [this] { emit framingOverrideChosen(std::nullopt); });
    framing->addSeparator();
    for (const Framing choice : framingOrder) {
        QAction *action = framing->addAction(framingTitle(choice));
        action->setCheckable(true);
        action->setData(int(choice));
        choices_->addAction(action);
        connect(action, &QAction::triggered, this, [this, choice] { emit framingOverrideChosen(choice); });
    }
    redactAction_ = menu_->addAction(QStringLiteral("Redact Areas…"));
    redactAction_->setToolTip(QStringLiteral("Drag over the screenshot to hide an area in the editor and every export"));
    connect(redactAction_, &QAction::triggered, this, [this] { setRedacting(true); });
    connect(menuButton_, &QAbstractButton::clicked, this, [this] {
        menu_->popup(menuButton_->mapToGlobal(QPoint(menuButton_->width() - menu_->sizeHint().width(),
                                                     menuButton_->height() + 4)));
    });

    doneButton_->setAccessibleName(QStringLiteral("Done redacting"));
    doneButton_->setToolTip(QStringLiteral("Leave Redact mode"));
    doneButton_->hide();
    connect(doneButton_, &QAbstractButton::clicked, this, [this] { setRedacting(false); });
    connect(overlay_, &RedactionOverlay::redactionDrawn, this, &StepFramingTools::redactionDrawn);
    connect(overlay_, &RedactionOverlay::removeRequested, this, &StepFramingTools::redactionRemoveRequested);
    connect(overlay_, &RedactionOverlay::layoutChanged, this, [this] { placeDoneButton(); });
}

void StepFramingTools::addButtonsTo(QBoxLayout *layout)
{
    layout->addWidget(menuButton_, 0, Qt::AlignHCenter);
}

void StepFramingTools::showStep(const StepImageRecipe &recipe, std::optional<Framing> stepFraming,
                                Framing guideFraming)
{
    image_->setRecipe(recipe);
    overlay_->setRedactions(recipe.redactions);
    followGuide_->setText(QStringLiteral("Same as Guide (%1)").arg(framingTitle(guideFraming)));
    for (QAction *action : choices_->actions()) {
        const bool follows = action == followGuide_;
        action->setChecked(follows ? !stepFraming : stepFraming && action->data().toInt() == int(*stepFraming));
    }
}

void StepFramingTools::placeDoneButton()
{
    const QRectF target = image_->imageRect();
    doneButton_->resize(doneButton_->sizeHint());
    const QPoint corner = target.isEmpty() ? QPoint(overlay_->width(), 0) : target.topRight().toPoint();
    doneButton_->move(std::max(0, corner.x() - doneButton_->width() - 10), std::max(0, corner.y() + 10));
    doneButton_->raise();
}

void StepFramingTools::setRedacting(bool redacting)
{
    overlay_->setActive(redacting);
    redactAction_->setEnabled(!redacting);
    doneButton_->setVisible(redacting);
    placeDoneButton();
    if (redacting)
        doneButton_->setFocus(Qt::OtherFocusReason);
}

bool StepFramingTools::isRedacting() const
{
    return overlay_->isActive();
}

} // namespace kelvo
