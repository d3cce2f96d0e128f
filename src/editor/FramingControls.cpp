#include "editor/FramingControls.h"

#include "app/style/Palette.h"
#include "app/style/Style.h"
#include "editor/FramingEditing.h"
#include "editor/StepImageView.h"

#include "app/style/Widgets.h"

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
    painter.fillRect(target, palette::withAlpha(palette::accent, 0.06));
    for (const NormalRect &area : std::as_const(redactions_)) {
        painter.setPen(QPen(palette::accentBright, 2, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(toWidget(area).adjusted(1, 1, -1, -1));
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

StepFramingTools::StepFramingTools(StepImageView *image, QWidget *row)
    : QObject(row)
    , image_(image)
    , framingButton_(new NeuButton(QStringLiteral("Framing"), {NeuButtonStyle::Kind::plain, true, false}, row))
    , menu_(new QMenu(row))
    , choices_(new QActionGroup(this))
    , followGuide_(nullptr)
    , redactButton_(new NeuButton(QStringLiteral("Redact"), {NeuButtonStyle::Kind::plain, true, false}, row))
    , overlay_(new RedactionOverlay(image))
{
    framingButton_->setAccessibleName(QStringLiteral("Framing of this step"));
    framingButton_->setToolTip(QStringLiteral("How much of the screen this step's screenshot shows"));
    menu_->setAccessibleName(QStringLiteral("Framing of this step"));
    choices_->setExclusive(true);
    followGuide_ = menu_->addAction(QStringLiteral("Same as Guide"));
    followGuide_->setCheckable(true);
    choices_->addAction(followGuide_);
    connect(followGuide_, &QAction::triggered, this, [this] { emit framingOverrideChosen(std::nullopt); });
    menu_->addSeparator();
    for (const Framing framing : framingOrder) {
        QAction *action = menu_->addAction(framingTitle(framing));
        action->setCheckable(true);
        action->setData(int(framing));
        choices_->addAction(action);
        connect(action, &QAction::triggered, this, [this, framing] { emit framingOverrideChosen(framing); });
    }
    connect(framingButton_, &QAbstractButton::clicked, this, [this] {
        menu_->popup(framingButton_->mapToGlobal(QPoint(0, framingButton_->height() + 4)));
    });

    redactButton_->setToolTip(QStringLiteral("Drag over the screenshot to hide an area in the editor and every export"));
    redactButton_->setAccessibleName(QStringLiteral("Redact"));
    connect(redactButton_, &QAbstractButton::clicked, this, [this] { setRedacting(!isRedacting()); });
    connect(overlay_, &RedactionOverlay::redactionDrawn, this, &StepFramingTools::redactionDrawn);
    connect(overlay_, &RedactionOverlay::removeRequested, this, &StepFramingTools::redactionRemoveRequested);
}

void StepFramingTools::addButtonsTo(QBoxLayout *layout)
{
    layout->addWidget(framingButton_, 0, Qt::AlignVCenter);
    layout->addWidget(redactButton_, 0, Qt::AlignVCenter);
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
    framingButton_->setText(stepFraming ? QStringLiteral("Framing: %1").arg(framingTitle(*stepFraming))
                                        : QStringLiteral("Framing"));
    framingButton_->setMinimumSize(framingButton_->sizeHint());
}

void StepFramingTools::setRedacting(bool redacting)
{
    overlay_->setActive(redacting);
    redactButton_->setText(redacting ? QStringLiteral("Done") : QStringLiteral("Redact"));
    redactButton_->setAccessibleName(redacting ? QStringLiteral("Done redacting") : QStringLiteral("Redact"));
    redactButton_->setMinimumSize(redactButton_->sizeHint());
}

bool StepFramingTools::isRedacting() const
{
    return overlay_->isActive();
}

} // namespace kelvo
