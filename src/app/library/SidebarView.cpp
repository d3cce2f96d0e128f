// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/SidebarView.h"

#include "app/state/AppModel.h"
#include "ui/Palette.h"
#include "ui/Label.h"
#include "ui/Style.h"
#include "capture/RecordingSession.h"
#include "editor/GuideEditorView.h"
#include "editor/NearViewportLoader.h"
#include "editor/StepImageView.h"
#include "model/StepCount.h"
#include "store/GuideStore.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace kelvo {

namespace {

constexpr int rowPadding = 12;
constexpr QSize thumbnailSize{62, 42};
constexpr qreal rowRadius = 18;
constexpr qreal rowDepth = 0.55;

// The brand mark: a blue rounded square holding the list symbol.
class BrandMark : public QWidget, public ShadowCaster {
public:
    explicit BrandMark(QWidget *parent)
        : QWidget(parent)
    {
        setFixedSize(32, 32);
    }
    void paintCastShadow(QPainter &painter) const override
    {
        paintShadow(painter, QRectF(0, 0, 32, 32), 10, palette::withAlpha(palette::accentDeep, 0.35), 6, {0, 3});
    }
    int shadowReach() const override { return 14; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, 32, 32), 10, 10);
        painter.fillPath(path, palette::blueGradient(QRectF(0, 0, 32, 32)));
        paintSymbol(painter, QStringLiteral("list.number"), QRectF(8.5, 8.5, 15, 15), palette::highlight);
    }
};

} // namespace

QString guideRowSubtitle(const Guide &guide)
{
    const auto count = guide.steps.size();
    return stepCountText(count) + QStringLiteral(" · ") + formatTimestamp(guide.duration);
}

// --- GuideRow -------------------------------------------------------------------

GuideRow::Content GuideRow::contentOf(const GuideStore &store, const Guide &guide)
{
    Content content;
    content.title = guide.title;
    content.subtitle = guideRowSubtitle(guide);
    content.hasSteps = !guide.steps.isEmpty();
    if (content.hasSteps) {
        content.thumbnailPath = store.imagePath(guide, guide.steps.first()).value_or(QString());
        content.thumbnailRecipe = stepImageRecipe(guide, guide.steps.first());
    }
    return content;
}

GuideRow::GuideRow(const QUuid &guideId, const Content &content, QWidget *parent)
    : QAbstractButton(parent)
    , guideId_(guideId)
    , content_(content)
    , thumbnail_(new StepImageView(content.thumbnailPath, 200, StepImageView::ContentMode::fill, this))
{
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCheckable(true);
    thumbnail_->setLoadsWhenShown(false);
    thumbnail_->setCornerRadius(9);
    thumbnail_->setRecipe(content_.thumbnailRecipe);
    thumbnail_->setGeometry(QRect(QPoint(rowPadding, rowPadding), thumbnailSize));
    thumbnail_->setVisible(content_.hasSteps);
    // Clicks select; the checked state follows the selection, not the click.
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (checked != selected_)
            setChecked(selected_);
    });
    updateAccessibility();
}

void GuideRow::setContent(const Content &content)
{
    if (content == content_)
        return;
    if (content.thumbnailPath != content_.thumbnailPath)
        thumbnail_->setPath(content.thumbnailPath);
    thumbnail_->setRecipe(content.thumbnailRecipe);
    thumbnail_->setVisible(content.hasSteps);
    content_ = content;
    updateAccessibility();
    update();
}

void GuideRow::setSelected(bool selected)
{
    if (selected == selected_)
        return;
    selected_ = selected;
    setChecked(selected);
    updateAccessibility();
    update();
    updateCastShadow(this);
}

void GuideRow::updateAccessibility()
{
    setText(content_.title);
    setAccessibleName(content_.title.isEmpty() ? tr("Untitled guide") : content_.title);
    setAccessibleDescription(content_.subtitle);
}

QMenu *GuideRow::contextMenu()
{
    if (!menu_) {
        menu_ = new QMenu(this);
        QAction *remove = menu_->addAction(tr("Delete"));
        remove->setObjectName(QStringLiteral("delete"));
        connect(remove, &QAction::triggered, this, [this] { emit deleteRequested(guideId_); });
    }
    return menu_;
}

void GuideRow::contextMenuEvent(QContextMenuEvent *event)
{
    contextMenu()->popup(event->globalPos());
}

void GuideRow::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (event->key() == Qt::Key_Delete && plain) {
        event->accept();
        emit deleteRequested(guideId_);
        return;
    }
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && plain) {
        event->accept();
        emit neighbourRequested(event->key() == Qt::Key_Up ? -1 : +1);
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

std::optional<QUuid> guideShownAfterDeleting(const QList<Guide> &guides, const QUuid &guideId)
{
    const auto it = std::find_if(guides.begin(), guides.end(), [&](const Guide &g) { return g.id == guideId; });
    if (it == guides.end())
        return std::nullopt;
    if (std::next(it) != guides.end())
        return std::next(it)->id;
    if (it != guides.begin())
        return std::prev(it)->id;
    return std::nullopt;
}

QSize GuideRow::sizeHint() const
{
    return {244, thumbnailSize.height() + 2 * rowPadding};
}

void GuideRow::paintCastShadow(QPainter &painter) const
{
    if (!selected_)
        paintRaisedShadows(painter, QRectF(rect()), rowRadius, rowDepth, StyleEnvironment::increasedContrast());
}

void GuideRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool contrast = StyleEnvironment::increasedContrast();
    if (selected_)
        paintInset(painter, QRectF(rect()), rowRadius, contrast);
    else
        paintRaisedFill(painter, QRectF(rect()), rowRadius, contrast);
    if (hasFocus())
        paintFocusRing(painter, QRectF(rect()), rowRadius);

    const QRectF thumb(QPointF(rowPadding, rowPadding), QSizeF(thumbnailSize));
    if (!content_.hasSteps) {
        QPainterPath frame;
        frame.addRoundedRect(thumb, 9, 9);
        painter.fillPath(frame, QColor(0, 0, 0, 13));
        paintSymbol(painter, QStringLiteral("video"), QRectF(thumb.center() - QPointF(9, 9), QSizeF(18, 18)),
                    palette::inkSecondary);
    }

    const qreal left = thumb.right() + 12;
    const qreal available = std::max<qreal>(0, width() - rowPadding - left);
    const QFont titleFont = styleFont(13, QFont::DemiBold);
    const QFont subtitleFont = styleFont(11, QFont::Medium);
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF subtitleMetrics(subtitleFont);
    const qreal block = titleMetrics.height() + 3 + subtitleMetrics.height();
    const qreal top = (height() - block) / 2;
    painter.setFont(titleFont);
    painter.setPen(selected_ ? palette::accent : palette::ink);
    painter.drawText(QRectF(left, top, available, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(content_.title, Qt::ElideRight, available));
    painter.setFont(subtitleFont);
    painter.setPen(palette::inkSecondary);
    painter.drawText(QRectF(left, top + titleMetrics.height() + 3, available, subtitleMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     subtitleMetrics.elidedText(content_.subtitle, Qt::ElideRight, available));
}

// --- SidebarView ----------------------------------------------------------------

namespace {

// A row of the column, inside its side padding.
void addPadded(QVBoxLayout *column, QLayout *layout, int above)
{
    auto *box = new QHBoxLayout;
    box->setContentsMargins(26, above, 26, 0);
    box->addLayout(layout);
    column->addLayout(box);
}

} // namespace

SidebarView::SidebarView(AppModel &model, QWidget *parent)
    : QWidget(parent)
    , model_(model)
{
    setFixedWidth(fixedWidth);
    setAccessibleName(tr("Guides"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 46, 0, 20);
    column->setSpacing(0);
    addPadded(column, makeBrand(), 0);
    addPadded(column, makeRecordButton(), 22);
    addPadded(column, makeListHeader(), 22);
    QWidget *emptyHolder = makeEmptyText();
    column->addWidget(emptyHolder, 1);
    QWidget *areaHolder = makeGuideList();
    column->addWidget(areaHolder, 1);
    addPadded(column, makeFooter(), 0);

    connect(&model_.store(), &GuideStore::guidesChanged, this, &SidebarView::syncRows);
    connect(&model_, &AppModel::selectedGuideIDChanged, this, &SidebarView::syncSelection);
    syncRows();
    // Either the empty text or the list: the holder of the other one goes.
    connect(&model_.store(), &GuideStore::guidesChanged, emptyHolder, [this, emptyHolder, areaHolder] {
        const bool none = model_.store().guides().isEmpty();
        emptyHolder->setVisible(none);
        areaHolder->setVisible(!none);
    });
    const bool none = model_.store().guides().isEmpty();
    emptyHolder->setVisible(none);
    areaHolder->setVisible(!none);
}

QLayout *SidebarView::makeBrand()
{
    auto *brand = new QHBoxLayout;
    brand->setSpacing(10);
    brand->addWidget(new BrandMark(this), 0, Qt::AlignVCenter);
    brand->addWidget(makeLabel(QStringLiteral("Kelvo"), styleFont(20, QFont::Bold), palette::ink, this), 0,
                     Qt::AlignVCenter);
    brand->addStretch();
    return brand;
}

QLayout *SidebarView::makeRecordButton()
{
    record_ = new NeuButton(tr("New Recording"), {NeuButtonStyle::Kind::danger, false, true}, this);
    record_->setSymbol(QStringLiteral("record.circle"));
    record_->setToolTip(tr("Record a new guide (Shift+Ctrl+R)"));
    auto *recordBox = new QHBoxLayout;
    recordBox->addWidget(record_);
    // During a recording (a window brought up by hand) the button stops it.
    connect(record_, &QAbstractButton::clicked, &model_, &AppModel::toggleRecording);
    auto followPhase = [this] {
        const bool idle = model_.session().phase().isIdle();
        record_->setText(idle ? tr("New Recording") : tr("Stop Recording"));
    };
    connect(&model_.session(), &RecordingSession::phaseChanged, this, followPhase);
    followPhase();
    return recordBox;
}

QLayout *SidebarView::makeListHeader()
{
    QFont headerFont = styleFont(11, QFont::Bold);
    headerFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    auto *header = makeLabel(tr("YOUR GUIDES"), headerFont, palette::inkSecondary, this);
    header->setContentsMargins(4, 0, 0, 0);
    header->setAccessibleName(tr("Your guides"));
    auto *headerBox = new QHBoxLayout;
    headerBox->addWidget(header);
    return headerBox;
}

QWidget *SidebarView::makeEmptyText()
{
    QFont callout = styleFont(12, QFont::Normal);
    empty_ = makeLabel(tr("Nothing here yet. Your recordings will show up here."), callout,
                       palette::inkSecondary, this);
    empty_->setWordWrap(true);
    empty_->setContentsMargins(4, 0, 4, 0);
    auto *emptyBox = new QVBoxLayout;
    emptyBox->addWidget(empty_);
    emptyBox->addStretch();
    auto *emptyHolder = new QWidget(this);
    emptyHolder->setLayout(emptyBox);
    emptyBox->setContentsMargins(26, 22, 26, 0);
    return emptyHolder;
}

QWidget *SidebarView::makeGuideList()
{
    // The rows' list reaches past the column's padding so that their shadows show.
    auto *content = new NeuSurface;
    rowsLayout_ = new QVBoxLayout(content);
    rowsLayout_->setContentsMargins(26, 28, 26, 28);
    rowsLayout_->setSpacing(16);
    rowsLayout_->addStretch();
    area_ = new QScrollArea(this);
    area_->setFrameShape(QFrame::NoFrame);
    area_->setWidgetResizable(true);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area_->setWidget(content);
    area_->setAccessibleName(tr("Your guides"));
    auto *areaBox = new QVBoxLayout;
    areaBox->setContentsMargins(0, 22 - 14, 0, 22 - 14);
    areaBox->addWidget(area_);
    auto *areaHolder = new QWidget(this);
    areaHolder->setLayout(areaBox);
    thumbnails_ = new NearViewportLoader(area_, [this] {
        QList<StepImageView *> views;
        views.reserve(order_.size());
        for (GuideRow *row : std::as_const(order_))
            views.append(row->thumbnail());
        return views;
    }, this);
    return areaHolder;
}

QLayout *SidebarView::makeFooter()
{
    auto *footer = new QHBoxLayout;
    footer->setSpacing(6);
    footer->addWidget(new SymbolView(QStringLiteral("lock.fill"), 11, palette::inkSecondary, this), 0,
                      Qt::AlignVCenter);
    footer->addWidget(makeLabel(tr("Stored only on this computer"), styleFont(11, QFont::DemiBold),
                                palette::inkSecondary, this));
    footer->addStretch();
    return footer;
}

void SidebarView::syncRows()
{
    const GuideStore &store = model_.store();
    const QList<Guide> &guides = store.guides();
    bool sameOrder = guides.size() == order_.size();
    for (qsizetype i = 0; sameOrder && i < guides.size(); ++i)
        sameOrder = order_[i]->guideId() == guides[i].id;
    if (sameOrder) {
        for (qsizetype i = 0; i < guides.size(); ++i)
            order_[i]->setContent(GuideRow::contentOf(store, guides[i]));
        syncSelection();
        return;
    }

    QHash<QUuid, GuideRow *> previous = std::exchange(rows_, {});
    QList<GuideRow *> order;
    order.reserve(guides.size());
    for (const Guide &guide : guides) {
        if (rows_.contains(guide.id))
            continue;
        GuideRow *row = previous.take(guide.id);
        if (row) {
            row->setContent(GuideRow::contentOf(store, guide));
        } else {
            row = new GuideRow(guide.id, GuideRow::contentOf(store, guide));
            const QUuid id = guide.id;
            connect(row, &QAbstractButton::clicked, this, [this, id] { model_.setSelectedGuideID(id); });
            connect(row, &GuideRow::neighbourRequested, this, [this, id](int offset) {
                const qsizetype at = order_.indexOf(rows_.value(id)) + offset;
                if (at < 0 || at >= order_.size())
                    return;
                GuideRow *next = order_[at];
                model_.setSelectedGuideID(next->guideId());
                next->setFocus(Qt::OtherFocusReason);
                area_->ensureWidgetVisible(next, 0, 16);
            });
            connect(row, &GuideRow::deleteRequested, this, [this](const QUuid &guideId) {
                const auto confirm = confirmDelete_ ? confirmDelete_ : askToDeleteGuide;
                if (!confirm(window()))
                    return;
                if (model_.selectedGuideID() == guideId)
                    model_.setSelectedGuideID(guideShownAfterDeleting(model_.store().guides(), guideId));
                model_.store().deleteGuide(guideId);
            });
        }
        rows_.insert(guide.id, row);
        order.append(row);
    }
    for (GuideRow *gone : std::as_const(previous)) {
        if (gone == selectedRow_)
            selectedRow_ = nullptr;
        rowsLayout_->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
    }
    for (GuideRow *row : std::as_const(order_))
        rowsLayout_->removeWidget(row);
    for (qsizetype i = 0; i < order.size(); ++i)
        rowsLayout_->insertWidget(static_cast<int>(i), order[i]);
    order_ = order;
    for (GuideRow *row : std::as_const(order_))
        row->show();
    syncSelection();
    thumbnails_->scheduleRefresh();
}

void SidebarView::syncSelection()
{
    GuideRow *selected = nullptr;
    if (const auto id = model_.selectedGuideID())
        selected = rows_.value(*id);
    if (selected == selectedRow_)
        return;
    if (selectedRow_)
        selectedRow_->setSelected(false);
    selectedRow_ = selected;
    if (selectedRow_)
        selectedRow_->setSelected(true);
}

} // namespace kelvo
