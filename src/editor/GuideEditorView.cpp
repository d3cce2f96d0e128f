// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/GuideEditorView.h"

#include "ui/Palette.h"
#include "ui/Label.h"
#include "ui/Style.h"
#include "editor/KeyedRows.h"
#include "editor/FramingControls.h"
#include "editor/FramingEditing.h"
#include "editor/NearViewportLoader.h"
#include "editor/SaveProblemBanner.h"
#include "editor/StepImageView.h"
#include "editor/StepRowView.h"
#include "editor/TitleField.h"
#include "platform/ffmpeg/VideoFrameReader.h"
#include "editor/VideoPlayerView.h"
#include "model/Dates.h"
#include "model/StepCount.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kelvo {

namespace {

QScrollArea *makeScrollArea(QWidget *content, QWidget *parent)
{
    auto *area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    // Scrolls by wheel, touchpad and keyboard; no bars drawn.
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setAutoFillBackground(false);
    area->setWidget(content);
    return area;
}

} // namespace

QString abbreviatedDateTime(const QDateTime &dateTime, const QLocale &locale)
{
    // Qt has no abbreviated date style: the long one with a short month and no weekday.
    // Some locales' short time still has seconds; the shortened style has none.
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    static const QRegularExpression seconds(QStringLiteral("[:.]ss?"));
    timeFormat.remove(seconds);
    const QDateTime local = dateTime.toLocalTime();
    return longDateWithoutWeekday(local.date(), locale, MonthStyle::abbreviated) + QStringLiteral(", ")
        + locale.toString(local.time(), timeFormat);
}

// --- JumpRow --------------------------------------------------------------------

JumpRow::JumpRow(int number, const Step &step, QWidget *parent)
    : QAbstractButton(parent)
    , step_(step)
    , badge_(new NumberBadge(number, 24, this))
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    badge_->move(10, 7);
    updateAccessibleName();
}

void JumpRow::setNumber(int number)
{
    if (number == badge_->number())
        return;
    badge_->setNumber(number);
    updateAccessibleName();
}

void JumpRow::setStep(const Step &step)
{
    if (step == step_)
        return;
    step_ = step;
    updateAccessibleName();
    update();
}

QString JumpRow::timeText() const
{
    return formatTimestamp(step_.timestamp);
}

void JumpRow::updateAccessibleName()
{
    setText(step_.caption);
    setAccessibleName(tr("Step %1: %2").arg(badge_->number()).arg(step_.caption));
    setAccessibleDescription(tr("Plays the video from %1").arg(timeText()));
}

QSize JumpRow::sizeHint() const
{
    return {300, 24 + 2 * 7};
}

void JumpRow::enterEvent(QEnterEvent *event)
{
    hovering_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void JumpRow::leaveEvent(QEvent *event)
{
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void JumpRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (hovering_ || isDown() || hasFocus()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette::withAlpha(palette::shadowDark, isDown() ? 0.45 : 0.25));
        painter.drawRoundedRect(QRectF(rect()), 12, 12);
    }
    if (hasFocus())
        paintFocusRing(painter, QRectF(rect()), 12);
    const QFont timeFont = styleFont(12, QFont::DemiBold);
    // The UI fonts' digits are tabular already (Qt 6.4 cannot ask for the feature).
    const QFont &digits = timeFont;
    const QString time = timeText();
    const qreal timeWidth = QFontMetricsF(digits).horizontalAdvance(time);
    const qreal right = width() - 10;
    painter.setFont(digits);
    painter.setPen(palette::inkSecondary);
    painter.drawText(QRectF(right - timeWidth, 0, timeWidth, height()), Qt::AlignVCenter | Qt::AlignRight, time);

    const QFont captionFont = styleFont(13, QFont::Medium);
    painter.setFont(captionFont);
    painter.setPen(palette::ink);
    const qreal left = 10 + 24 + 10;
    const qreal available = std::max<qreal>(0, right - timeWidth - 6 - left);
    QString caption = step_.caption;
    caption.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString elided = QFontMetricsF(captionFont).elidedText(caption, Qt::ElideRight, available);
    painter.drawText(QRectF(left, 0, available, height()), Qt::AlignVCenter | Qt::AlignLeft, elided);
}

// --- GuideEditorView ------------------------------------------------------------

GuideEditorView::GuideEditorView(GuideStore &store, GuideBinding binding, QUndoStack *undoStack, Services services,
                                 QWidget *parent)
    : NeuSurface(parent)
    , store_(store)
    , binding_(std::move(binding))
    , guideId_(binding_.id())
    , undoStack_(undoStack)
    , services_(std::move(services))
{
    setAccessibleName(tr("Guide editor"));
    auto &exporter = services_.exporter;
    if (!exporter.savePanel) {
        savePanel_ = std::make_unique<FileDialogSavePanel>();
        exporter.savePanel = savePanel_.get();
    }
    if (!exporter.revealer) {
        revealer_ = std::make_unique<DesktopFileRevealer>();
        exporter.revealer = revealer_.get();
    }
    if (!exporter.sharePicker) {
        shareServices_ = std::make_unique<DesktopShareServices>();
        sharePicker_ = std::make_unique<MenuSharePicker>(*shareServices_);
        exporter.sharePicker = sharePicker_.get();
    }
    if (!exporter.alerter) {
        alerter_ = std::make_unique<MessageBoxAlerter>();
        exporter.alerter = alerter_.get();
    }
    if (!exporter.formatMemory) {
        formatMemory_ = std::make_unique<SettingsExportFormatMemory>();
        exporter.formatMemory = formatMemory_.get();
    }
    if (!services_.confirmDeleteGuide)
        services_.confirmDeleteGuide = askToDeleteGuide;
    exporter_ = std::make_unique<GuideExporter>(store_, binding_, this, exporter);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    saveBanner_ = new SaveProblemBanner(store_, guideId_, this);
    column->addWidget(saveBanner_);
    buildHeader(column);
    buildBody(column);
    exporter_->setShareAnchor(share_);

    connect(&store_, &GuideStore::guidesChanged, this, &GuideEditorView::sync);
    sync();
}

GuideEditorView::~GuideEditorView()
{
    if (player_)
        player_->stop();
}

void GuideEditorView::buildHeader(QVBoxLayout *column)
{
    auto *header = new QHBoxLayout;
    headerLayout_ = header;
    header->setContentsMargins(32, 34, 32, 24);
    header->setSpacing(24);

    auto *left = new QVBoxLayout;
    left->setSpacing(12);
    title_ = new TitleField(this);
    title_->setPlaceholderText(tr("Guide title"));
    title_->setAccessibleName(tr("Guide title"));
    title_->setFrame(false);
    title_->setFont(styleFont(30, QFont::Bold));
    title_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: %1; }").arg(palette::ink.name()));
    connect(title_, &QLineEdit::textEdited, this, [this](const QString &text) { setTitle(binding_, text); });
    left->addWidget(title_);

    auto *chips = new QHBoxLayout;
    chips->setSpacing(10);
    stepsChip_ = new Chip(QStringLiteral("list.number"), QString(), palette::accent, this);
    durationChip_ = new Chip(QStringLiteral("video"), QString(), palette::inkSecondary, this);
    dateChip_ = new Chip(QStringLiteral("calendar"), QString(), palette::inkSecondary, this);
    chips->addWidget(stepsChip_);
    chips->addWidget(durationChip_);
    chips->addWidget(dateChip_);
    chips->addStretch();
    left->addLayout(chips);
    header->addLayout(left, 1);

    auto *actions = new QHBoxLayout;
    actions->setSpacing(14);
    headerActions_ = actions;
    export_ = new NeuButton(tr("Export PDF"), {NeuButtonStyle::Kind::primary, false, false}, this);
    export_->setSymbol(QStringLiteral("arrow.down.doc.fill"));
    exportFormats_ = new NeuButton(QString(), {NeuButtonStyle::Kind::primary, false, false}, this);
    exportFormats_->setSymbol(QStringLiteral("chevron.down"));
    exportFormats_->setAccessibleName(tr("Export as"));
    exportFormats_->setToolTip(tr("Export as PDF, HTML or Markdown"));
    exportMenu_ = new QMenu(this);
    exportMenu_->setAccessibleName(tr("Export as"));
    for (const ExportFormat format : {ExportFormat::pdf, ExportFormat::html, ExportFormat::markdown}) {
        // Ctrl+E belongs to the File menu; the menu only names it.
        const QString hint = format == ExportFormat::pdf
            ? QLatin1Char('\t') + QKeySequence(Qt::CTRL | Qt::Key_E).toString(QKeySequence::NativeText)
            : QString();
        QAction *action = exportMenu_->addAction(exportFormatTitle(format) + QStringLiteral("…") + hint, this,
                                                 [this, format] { exportAs(format); });
        action->setData(exportFormatKey(format));
    }
    connect(exportFormats_, &QAbstractButton::clicked, this, [this] {
        exportMenu_->popup(exportFormats_->mapToGlobal(QPoint(exportFormats_->width() - exportMenu_->sizeHint().width(),
                                                              exportFormats_->height() + 4)));
    });
    showExportFormat(exporter_->lastFormat());
    share_ = new NeuIconButton(QStringLiteral("square.and.arrow.up"), tr("Share PDF"),
                               {palette::accent, 40}, this);
    share_->setToolTip(tr("Share PDF (Shift+Ctrl+E)"));
    reveal_ = new NeuIconButton(QStringLiteral("folder"), tr("Show in Files"), {palette::ink, 40}, this);
    reveal_->setToolTip(tr("Show in Files"));
    delete_ = new NeuIconButton(QStringLiteral("trash"), tr("Delete guide"), {palette::danger, 40}, this);
    delete_->setToolTip(tr("Delete guide"));
    // Export and its formats arrow read as one split button.
    auto *split = new QHBoxLayout;
    split->setSpacing(3);
    for (QWidget *button : std::initializer_list<QWidget *>{export_, exportFormats_}) {
        button->setMinimumSize(button->sizeHint()); // never squeezed under its text
        split->addWidget(button, 0, Qt::AlignVCenter);
    }
    actions->addLayout(split);
    for (QWidget *button : std::initializer_list<QWidget *>{share_, reveal_, delete_}) {
        button->setMinimumSize(button->sizeHint());
        actions->addWidget(button, 0, Qt::AlignVCenter);
    }
    auto *actionsBox = new QVBoxLayout;
    actionsBox->addStretch();
    actionsBox->addLayout(actions);
    actionsBox->addStretch();
    header->addLayout(actionsBox);
    connect(export_, &QAbstractButton::clicked, this, [this] { exportAs(exporter_->lastFormat()); });
    connect(share_, &QAbstractButton::clicked, this, [this] { exporter_->sharePDF(); });
    connect(reveal_, &QAbstractButton::clicked, this, [this] { exporter_->reveal(); });
    connect(delete_, &QAbstractButton::clicked, this, &GuideEditorView::confirmAndDeleteGuide);

    column->addLayout(header);
    addFramingRow(column);
}

void GuideEditorView::addFramingRow(QVBoxLayout *column)
{
    // Under the header across its width: narrow windows have no room beside the title.
    auto *row = new QHBoxLayout;
    row->setContentsMargins(32, 0, 32, 18);
    row->setSpacing(12);
    auto *label = new QLabel(QStringLiteral("Screenshots"), this);
    label->setFont(styleFont(13, QFont::DemiBold));
    label->setStyleSheet(QStringLiteral("color: %1;").arg(palette::inkSecondary.name()));
    framingSelector_ = new FramingSelector(this);
    label->setBuddy(framingSelector_);
    connect(framingSelector_, &FramingSelector::framingChosen, this,
            [this](Framing framing) { setGuideFraming(store_, guideId_, framing, undoStack_); });
    row->addWidget(label, 0, Qt::AlignVCenter);
    row->addWidget(framingSelector_, 0, Qt::AlignVCenter);
    row->addStretch();
    column->addLayout(row);
}

void GuideEditorView::buildBody(QVBoxLayout *column)
{
    auto *body = new QHBoxLayout;
    bodyLayout_ = body;
    body->setContentsMargins(32, 0, 32, 28);
    body->setSpacing(28);

    // No steps: a card centred in the column.
    noStepsArea_ = new QWidget(this);
    auto *centre = new QGridLayout(noStepsArea_);
    centre->setContentsMargins(0, 0, 0, 0);
    auto *card = new NeuRaised(26, 1, noStepsArea_);
    card->setMaximumWidth(520);
    noStepsCard_ = card;
    auto *cardColumn = new QVBoxLayout(card);
    cardColumn->setContentsMargins(40, 40, 40, 40);
    cardColumn->setSpacing(12);
    cardColumn->addWidget(new SymbolView(QStringLiteral("cursorarrow.click"), 36, palette::inkSecondary, card), 0,
                          Qt::AlignHCenter);
    cardColumn->addWidget(makeLabel(tr("No steps captured"), 18, QFont::DemiBold, palette::ink, card), 0,
                          Qt::AlignHCenter);
    auto *explanation = makeLabel(
        tr("Nothing was clicked while recording. The video is still available on the right."), 13,
        QFont::Normal, palette::inkSecondary, card);
    explanation->setWordWrap(true);
    explanation->setAlignment(Qt::AlignCenter);
    cardColumn->addWidget(explanation);
    centre->addWidget(card, 0, 0, Qt::AlignCenter);
    body->addWidget(noStepsArea_, 1);

    // Steps: rows in a column at most 760 wide, centred, padded 34.
    auto *content = new NeuSurface;
    auto *outer = new QHBoxLayout(content);
    stepsPadding_ = outer;
    outer->setContentsMargins(34, 34, 34, 34);
    auto *rowsBox = new QWidget(content);
    rowsBox->setMaximumWidth(760);
    rowsBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    rowsLayout_ = new QVBoxLayout(rowsBox);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(26);
    rowsLayout_->addStretch();
    outer->addStretch(0);
    outer->addWidget(rowsBox, 1);
    outer->addStretch(0);
    stepsScroll_ = makeScrollArea(content, this);
    stepsScroll_->setAccessibleName(tr("Steps"));
    body->addWidget(stepsScroll_, 1);
    imageLoader_ = new NearViewportLoader(stepsScroll_, [this] {
        buildRowsNearViewport();
        QList<StepImageView *> views;
        views.reserve(placeOrder_.size());
        for (StepRowView *row : stepRows())
            views.append(row->imageView());
        return views;
    }, this);

    auto *right = new QVBoxLayout;
    right->setSpacing(22);
    right->addWidget(buildVideoCard());
    right->addWidget(buildJumpList(), 1);
    auto *rightBox = new QWidget(this);
    sideColumn_ = rightBox;
    rightBox->setFixedWidth(sideColumnWidth(1400));
    rightBox->setLayout(right);
    right->setContentsMargins(0, 0, 0, 0);
    body->addWidget(rightBox);

    column->addLayout(body, 1);
}

QWidget *GuideEditorView::buildVideoCard()
{
    auto *card = new NeuRaised(26, 1, this);
    card->setAccessibleName(tr("Recording"));
    auto *column = new QVBoxLayout(card);
    column->setContentsMargins(18, 18, 18, 18);
    column->setSpacing(14);
    auto *top = new QHBoxLayout;
    top->addWidget(makeLabel(tr("Recording"), 16, QFont::Bold, palette::ink, card));
    top->addStretch();
    top->setSpacing(5);
    auto *lock = new SymbolView(QStringLiteral("lock.fill"), 11, palette::inkSecondary, card);
    auto *local = makeLabel(tr("On this computer"), 11, QFont::DemiBold, palette::inkSecondary, card);
    localNote_ = {lock, local};
    top->addWidget(lock, 0, Qt::AlignVCenter);
    top->addWidget(local);
    column->addLayout(top);

    auto *well = new NeuInset(20, card);
    // 340 wide less the card's padding, at a width-to-height ratio of 1.6.
    videoWell_ = well;
    well->setFixedHeight(videoWellHeight(sideColumnWidth(1400)));
    auto *wellLayout = new QVBoxLayout(well);
    wellLayout->setContentsMargins(8, 8, 8, 8);
    playerArea_ = well;
    noVideo_ = new QWidget(well);
    auto *placeholder = new QVBoxLayout(noVideo_);
    placeholder->setSpacing(8);
    placeholder->addStretch();
    placeholder->addWidget(new SymbolView(QStringLiteral("video.slash"), 22, palette::inkSecondary, noVideo_), 0,
                           Qt::AlignHCenter);
    placeholder->addWidget(makeLabel(tr("No video"), 13, QFont::Normal, palette::inkSecondary, noVideo_), 0,
                           Qt::AlignHCenter);
    placeholder->addStretch();
    wellLayout->addWidget(noVideo_);
    column->addWidget(well);
    return card;
}

QWidget *GuideEditorView::buildJumpList()
{
    auto *box = new QWidget(this);
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addWidget(makeLabel(tr("Jump to a step"), 16, QFont::Bold, palette::ink, box));
    noJumpSteps_ = makeLabel(tr("Steps will appear here."), 12, QFont::Normal, palette::inkSecondary, box);
    column->addWidget(noJumpSteps_);
    auto *content = new NeuSurface;
    jumpLayout_ = new QVBoxLayout(content);
    jumpLayout_->setContentsMargins(0, 0, 0, 0);
    jumpLayout_->setSpacing(2);
    jumpLayout_->addStretch();
    jumpScroll_ = makeScrollArea(content, box);
    jumpScroll_->setAccessibleName(tr("Jump to a step"));
    column->addWidget(jumpScroll_, 1);
    column->addStretch(0);
    return box;
}

QString GuideEditorView::imagePathFor(const Step &step) const
{
    // A name that is not a bare file name never resolves: the row shows the placeholder.
    return store_.imagePath(binding_.get(), step).value_or(QString());
}

StepRowView *GuideEditorView::makeRow(const Step &step)
{
    auto *row = new StepRowView(1, step, imagePathFor(step), hasVideo_, false, false);
    const QUuid id = step.id;
    connect(row, &StepRowView::captionEdited, this,
            [this, id](const QString &caption) { setCaption(binding_, id, caption); });
    connect(row, &StepRowView::playRequested, this, [this, id] {
        if (const auto guide = store_.guideWithID(guideId_)) {
            for (const Step &s : guide->steps) {
                if (s.id == id)
                    playFromStep(s);
            }
        }
    });
    connect(row, &StepRowView::moveUpRequested, this, [this, id] { moveStepKeepingFocus(id, -1); });
    connect(row, &StepRowView::moveDownRequested, this, [this, id] { moveStepKeepingFocus(id, +1); });
    connect(row, &StepRowView::deleteRequested, this, [this, id] { deleteStepKeepingFocus(id); });
    connect(row->dragHandle(), &DragHandle::dragStarted, this, [this] { dragging_ = true; });
    connect(row->dragHandle(), &DragHandle::dragFinished, this, [this] { dragging_ = false; });
    connect(row, &StepRowView::stepDropped, this,
            [this, id](const QUuid &dragged) { reorderStep(store_, guideId_, dragged, id, undoStack_); });
    StepFramingTools *tools = row->framingTools();
    connect(tools, &StepFramingTools::framingOverrideChosen, this,
            [this, id](std::optional<Framing> framing) { setStepFraming(store_, guideId_, id, framing, undoStack_); });
    connect(tools, &StepFramingTools::redactionDrawn, this,
            [this, id](const NormalRect &area) { addRedaction(store_, guideId_, id, area, undoStack_); });
    connect(tools, &StepFramingTools::redactionRemoveRequested, this,
            [this, id](qsizetype index) { removeRedaction(store_, guideId_, id, index, undoStack_); });
    return row;
}

void GuideEditorView::showFraming(StepRowView *row, const Step &step)
{
    row->framingTools()->showStep(stepImageRecipe(guideFraming_, step), step.framing,
                                  guideFraming_.value_or(Framing::wholeScreen));
}

void GuideEditorView::moveStepKeepingFocus(const QUuid &id, int offset)
{
    QWidget *focus = QApplication::focusWidget();
    StepRowView *row = places_.value(id).row;
    const bool focusInRow = row && focus && (focus == row || row->isAncestorOf(focus));
    moveStep(store_, guideId_, id, offset, undoStack_);
    // The focus follows the moved step, also when its button at the end went grey.
    if (focusInRow && places_.value(id).row == row) {
        if (QWidget *now = QApplication::focusWidget(); !now || (now != row && !row->isAncestorOf(now)) || !now->isEnabled())
            row->setFocus(Qt::OtherFocusReason);
        stepsScroll_->ensureWidgetVisible(row, 0, 40);
    }
}

void GuideEditorView::deleteStepKeepingFocus(const QUuid &id)
{
    QWidget *focus = QApplication::focusWidget();
    StepRowView *row = places_.value(id).row;
    const bool focusInRow = row && focus && (focus == row || row->isAncestorOf(focus));
    const qsizetype index = placeOrder_.indexOf(id);
    deleteStep(store_, guideId_, id, undoStack_);
    if (!focusInRow)
        return;
    // The step column keeps the focus (the next step, else the list), never a
    // caption field: its own undo would take Ctrl+Z from the deleted step.
    if (!placeOrder_.isEmpty() && index >= 0) {
        StepRowView *next = ensureStepRow(placeOrder_[std::min(index, placeOrder_.size() - 1)]);
        next->setFocus(Qt::OtherFocusReason);
        stepsScroll_->ensureWidgetVisible(next, 0, 40);
    } else {
        setFocus(Qt::OtherFocusReason);
    }
}

void GuideEditorView::sync()
{
    const auto stored = store_.guideWithID(guideId_);
    if (!stored)
        return; // deleted: the library is about to take this editor away
    const Guide &guide = *stored;
    if (title_->text() != guide.title)
        title_->setText(guide.title);
    stepsChip_->setText(stepCountText(guide.steps.size()));
    durationChip_->setText(formatTimestamp(guide.duration));
    dateChip_->setText(abbreviatedDateTime(guide.createdAt, QLocale()));
    guideFraming_ = guide.framing;
    framingSelector_->setFraming(guide.framing.value_or(Framing::wholeScreen));

    const bool hasSteps = !guide.steps.isEmpty();
    export_->setEnabled(hasSteps);
    exportFormats_->setEnabled(hasSteps);
    share_->setEnabled(hasSteps);
    noStepsArea_->setVisible(!hasSteps);
    stepsScroll_->setVisible(hasSteps);
    noJumpSteps_->setVisible(!hasSteps);
    jumpScroll_->setVisible(hasSteps);
    syncRows(guide);
    syncJumpRows(guide);

    if (lastCanExport_ != hasSteps) {
        const bool first = !lastCanExport_.has_value();
        lastCanExport_ = hasSteps;
        if (!first)
            emit actionsChanged();
    }
}

void GuideEditorView::syncRows(const Guide &guide)
{
    const auto &steps = guide.steps;
    const auto stepId = [](const Step &step) { return step.id; };
    if (sameKeyOrder(placeOrder_, steps, stepId)) {
        for (const Step &step : steps) {
            StepPlace &place = places_[step.id];
            place.step = step;
            if (place.row) {
                place.row->setStep(step);
                showFraming(place.row, step);
            }
        }
        return;
    }
    const int estimate = estimatedRowHeight();
    placeOrder_ = reconcileKeyedRows(
        rowsLayout_, places_, steps, stepId,
        [estimate](const Step &) {
            StepPlace place;
            place.slot = new QWidget;
            auto *box = new QVBoxLayout(place.slot);
            box->setContentsMargins(0, 0, 0, 0);
            place.slot->setFixedHeight(estimate);
            return place;
        },
        [](StepPlace &place, const Step &step) { place.step = step; },
        [](const StepPlace &place) { return place.slot; });
    const auto count = placeOrder_.size();
    for (qsizetype i = 0; i < count; ++i) {
        const StepPlace &place = places_[placeOrder_[i]];
        if (StepRowView *row = place.row) {
            row->setNumber(static_cast<int>(i) + 1);
            row->setEnds(i == 0, i == count - 1);
            row->setStep(place.step);
            showFraming(row, place.step);
        }
        place.slot->show();
    }
    // The first screenful at once: a small guide is complete before it is shown.
    for (qsizetype i = 0; i < std::min<qsizetype>(count, eagerRowCount); ++i)
        ensureStepRow(placeOrder_[i]);
    imageLoader_->scheduleRefresh();
}

StepRowView *GuideEditorView::ensureStepRow(const QUuid &id)
{
    const auto place = places_.find(id);
    if (place == places_.end())
        return nullptr;
    if (place->row)
        return place->row;
    const qsizetype index = placeOrder_.indexOf(id);
    StepRowView *row = makeRow(place->step);
    showFraming(row, place->step);
    row->setNumber(static_cast<int>(index) + 1);
    row->setEnds(index == 0, index == placeOrder_.size() - 1);
    place->row = row;
    QWidget *slot = place->slot;
    slot->setMinimumHeight(0);
    slot->setMaximumHeight(QWIDGETSIZE_MAX);
    slot->layout()->addWidget(row);
    row->show();
    // Built late, a row would join the Tab order at the window's end: put it
    // beside its neighbours.
    for (qsizetype i = index - 1; i >= 0; --i) {
        if (StepRowView *before = places_.value(placeOrder_[i]).row) {
            QWidget::setTabOrder(before, row);
            imageLoader_->scheduleRefresh();
            return row;
        }
    }
    for (qsizetype i = index + 1; i < placeOrder_.size(); ++i) {
        if (StepRowView *after = places_.value(placeOrder_[i]).row) {
            QWidget::setTabOrder(after->previousInFocusChain(), row);
            break;
        }
    }
    imageLoader_->scheduleRefresh();
    return row;
}

void GuideEditorView::buildRowsNearViewport()
{
    QWidget *content = stepsScroll_->widget();
    if (!content || !stepsScroll_->isVisible())
        return;
    // Places where they will be drawn, not where they stood before the last change.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const int height = stepsScroll_->viewport()->height();
    const int top = -content->y();
    const int from = top - height;
    const int to = top + 2 * height;
    // Rows far away go again, their places keeping their height; not during a
    // drag (its source may be one) nor the row holding the focus.
    const int keepFrom = top - 3 * height;
    const int keepTo = top + 4 * height;
    const bool dragging = dragging_ || QGuiApplication::mouseButtons() != Qt::NoButton;
    QWidget *focus = QApplication::focusWidget();
    for (const QUuid &id : std::as_const(placeOrder_)) {
        StepPlace &place = places_[id];
        const int y = place.slot->mapTo(content, QPoint(0, 0)).y();
        const int bottom = y + place.slot->height();
        if (!place.row) {
            if (bottom >= from && y <= to)
                ensureStepRow(id);
        } else if ((bottom < keepFrom || y > keepTo) && !dragging && place.slot->height() > 0
                   && !(focus && place.slot->isAncestorOf(focus))) {
            StepRowView *row = std::exchange(place.row, nullptr);
            place.slot->setFixedHeight(place.slot->height());
            row->hide();
            row->deleteLater();
        }
    }
    matchPlaceholderHeights();
}

int GuideEditorView::estimatedRowHeight() const
{
    // Rows differ only by their caption's lines and their screenshot's shape.
    for (const QUuid &id : placeOrder_) {
        const StepRowView *row = places_.value(id).row;
        if (row && row->isVisible() && row->height() > 0 && row->parentWidget()->height() == row->height())
            return row->height();
    }
    return 460;
}

void GuideEditorView::matchPlaceholderHeights()
{
    const int estimate = estimatedRowHeight();
    for (const StepPlace &place : std::as_const(places_)) {
        if (!place.row && place.slot->height() != estimate)
            place.slot->setFixedHeight(estimate);
    }
}

void GuideEditorView::syncJumpRows(const Guide &guide)
{
    const auto &steps = guide.steps;
    const auto stepId = [](const Step &step) { return step.id; };
    QList<QUuid> shownOrder;
    for (const JumpRow *row : std::as_const(jumpOrder_))
        shownOrder.append(row->stepId());
    if (sameKeyOrder(shownOrder, steps, stepId)) {
        for (qsizetype i = 0; i < steps.size(); ++i)
            jumpOrder_[i]->setStep(steps[i]);
        return;
    }
    QHash<QUuid, const Step *> shown;
    const QList<QUuid> order = reconcileKeyedRows(
        jumpLayout_, jumpRows_, steps, stepId,
        [this](const Step &step) {
            auto *row = new JumpRow(1, step);
            const QUuid id = step.id;
            connect(row, &QAbstractButton::clicked, this, [this, id] { jumpToStep(id); });
            return row;
        },
        [&shown](JumpRow *, const Step &step) { shown.insert(step.id, &step); },
        [](JumpRow *row) { return row; });
    jumpOrder_.clear();
    for (qsizetype i = 0; i < order.size(); ++i) {
        JumpRow *row = jumpRows_.value(order[i]);
        jumpOrder_.append(row);
        row->setNumber(static_cast<int>(i) + 1);
        row->setStep(*shown.value(order[i]));
        row->show();
    }
}

void GuideEditorView::jumpToStep(const QUuid &id)
{
    // The step column shows the step, marked by the focus ring, and the video
    // plays from it.
    if (StepRowView *row = ensureStepRow(id)) {
        // A row built just now needs its place in the column before scrolling to it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        stepsScroll_->ensureWidgetVisible(row, 0, 24);
        row->setFocus(Qt::OtherFocusReason);
        imageLoader_->scheduleRefresh();
    }
    if (const auto current = store_.guideWithID(guideId_)) {
        for (const Step &s : current->steps) {
            if (s.id == id)
                playFromStep(s);
        }
    }
}

QList<StepRowView *> GuideEditorView::stepRows() const
{
    QList<StepRowView *> rows;
    rows.reserve(placeOrder_.size());
    for (const QUuid &id : placeOrder_) {
        if (StepRowView *row = places_.value(id).row)
            rows.append(row);
    }
    return rows;
}

QList<JumpRow *> GuideEditorView::jumpRows() const
{
    return jumpOrder_;
}

GuideActions GuideEditorView::guideActions()
{
    GuideActions actions = exporter_->actions();
    // Through the editor, so its Export button follows the format chosen.
    actions.exportPDF = [this] { exportAs(ExportFormat::pdf); };
    actions.exportHTML = [this] { exportAs(ExportFormat::html); };
    actions.exportMarkdown = [this] { exportAs(ExportFormat::markdown); };
    return actions;
}

int GuideEditorView::sideColumnWidth(int editorWidth)
{
    // 340 wide from an editor of 1000 up; narrower editors (a small screen) give
    // the steps the room and keep the column at 240 at least.
    return std::clamp(editorWidth - 660, 240, 340);
}

int GuideEditorView::videoWellHeight(int columnWidth)
{
    // The card's padding off the column, at a width-to-height ratio of 1.6.
    return static_cast<int>(std::round((columnWidth - 2 * 18) / 1.6));
}

void GuideEditorView::resizeEvent(QResizeEvent *event)
{
    NeuSurface::resizeEvent(event);
    const int column = sideColumnWidth(width());
    // Narrow (a small screen): less padding, and the date and the "on this
    // computer" note give their room to the controls beside them.
    const bool narrow = width() < 1000;
    if (dateChip_)
        dateChip_->setVisible(!narrow);
    for (QWidget *note : std::as_const(localNote_))
        note->setVisible(!narrow);
    const int side = narrow ? 20 : 32;
    if (headerLayout_) {
        headerLayout_->setContentsMargins(side, narrow ? 22 : 34, side, narrow ? 16 : 24);
        // Room for longer translations of the buttons and chips.
        headerLayout_->setSpacing(narrow ? 12 : 24);
    }
    if (headerActions_)
        headerActions_->setSpacing(narrow ? 8 : 14);
    if (bodyLayout_) {
        bodyLayout_->setContentsMargins(side, 0, side, narrow ? 16 : 28);
        bodyLayout_->setSpacing(narrow ? 18 : 28);
    }
    if (stepsPadding_)
        stepsPadding_->setContentsMargins(narrow ? QMargins(10, 14, 10, 14) : QMargins(34, 34, 34, 34));
    if (sideColumn_ && sideColumn_->width() != column) {
        sideColumn_->setFixedWidth(column);
        videoWell_->setFixedHeight(videoWellHeight(column));
    }
}

void GuideEditorView::showEvent(QShowEvent *event)
{
    NeuSurface::showEvent(event);
    if (!playerLoaded_) {
        playerLoaded_ = true;
        prepareVideo();
    }
}

void GuideEditorView::hideEvent(QHideEvent *event)
{
    NeuSurface::hideEvent(event);
    releasePlayer();
}

void GuideEditorView::prepareVideo()
{
    playerLoaded_ = true;
    const auto url = store_.videoURL(binding_.get());
    if (!url)
        return; // the area stays as it was: "No video" for a new editor
    if (!playerView_) {
        playerView_ = new VideoPlayerView(nullptr, playerArea_);
        playerArea_->layout()->addWidget(playerView_);
        connect(playerView_, &VideoPlayerView::playRequested, this, [this] {
            loadPlayer();
            startPlayingAt(resumeAtMs_);
        });
    }
    noVideo_->hide();
    playerView_->show();
    videoPath_ = url->toLocalFile();
    setHasVideo(true);
    requestPoster(resumeAtMs_);
}

void GuideEditorView::requestPoster(qint64 positionMs)
{
    if (videoPath_.isEmpty() || !playerView_)
        return;
    const int request = ++posterRequest_;
    QPointer<GuideEditorView> self(this);
    QThreadPool::globalInstance()->start([self, request, path = videoPath_, seconds = positionMs / 1000.0] {
        const QImage still = readVideoFrame(path, seconds, QSize(640, 400));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, request, still] {
                if (self && self->posterRequest_ == request && self->playerView_)
                    self->playerView_->setPoster(still, qint64(std::llround(self->binding_.get().duration * 1000)));
            },
            Qt::QueuedConnection);
    });
}

void GuideEditorView::loadPlayer()
{
    if (!playerView_)
        prepareVideo();
    if (player_ || !playerView_)
        return;
    const auto url = store_.videoURL(binding_.get());
    if (!url)
        return;
    // The media pipeline costs memory and start-up time: made on the first Play.
    auto *player = new QMediaPlayer(this);
    player->setSource(*url);
    playerView_->setPlayer(player);
    player_ = player;
    connect(player, &QMediaPlayer::mediaStatusChanged, this, [this, player](QMediaPlayer::MediaStatus status) {
        if (player != player_ || !pendingStartMs_)
            return;
        if (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia) {
            const qint64 at = *std::exchange(pendingStartMs_, std::nullopt);
            player->setPosition(at);
            player->play();
        }
    });
}

void GuideEditorView::startPlayingAt(qint64 positionMs)
{
    if (!player_)
        return;
    const auto status = player_->mediaStatus();
    if (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia
        || status == QMediaPlayer::EndOfMedia) {
        pendingStartMs_.reset();
        player_->setPosition(positionMs);
        player_->play();
    } else {
        pendingStartMs_ = positionMs; // once the media has loaded
    }
}

void GuideEditorView::releasePlayer()
{
    pendingStartMs_.reset();
    if (!player_)
        return;
    // Away from the screen the pipeline goes; the still of where it stood stays.
    player_->pause();
    resumeAtMs_ = player_->position();
    QMediaPlayer *player = std::exchange(player_, nullptr);
    if (playerView_)
        playerView_->setPlayer(nullptr);
    player->deleteLater();
    requestPoster(resumeAtMs_);
}

void GuideEditorView::exportAs(ExportFormat format)
{
    showExportFormat(format);
    exporter_->exportAs(format);
}

void GuideEditorView::showExportFormat(ExportFormat format)
{
    // The button repeats the format chosen last; Ctrl+E stays PDF.
    const QString title = tr("Export %1").arg(exportFormatTitle(format));
    export_->setText(title);
    export_->setAccessibleName(title);
    export_->setToolTip(format == ExportFormat::pdf ? tr("Export PDF (Ctrl+E)") : title);
    export_->updateGeometry();
}

void GuideEditorView::setHasVideo(bool hasVideo)
{
    hasVideo_ = hasVideo;
    for (StepRowView *row : stepRows())
        row->setHasVideo(hasVideo);
}

qint64 GuideEditorView::playStartMilliseconds(double timestamp)
{
    if (!std::isfinite(timestamp))
        return 0;
    return std::max<qint64>(0, std::llround((timestamp - 1.0) * 1000.0));
}

void GuideEditorView::playFromStep(const Step &step)
{
    loadPlayer();
    startPlayingAt(playStartMilliseconds(step.timestamp));
}

void GuideEditorView::confirmAndDeleteGuide()
{
    if (!services_.confirmDeleteGuide(this))
        return;
    if (player_)
        player_->stop();
    deleteGuide(store_, guideId_, services_.clearSelection ? services_.clearSelection : [] {});
}

bool askToDeleteGuide(QWidget *parent)
{
    // A short title: the question itself is the box's text.
    QMessageBox box(QMessageBox::Warning, QCoreApplication::translate("kelvo::GuideEditorView", "Delete Guide"),
                    QCoreApplication::translate("kelvo::GuideEditorView", "Delete this guide and its video?"),
                    QMessageBox::NoButton, parent);
    box.setInformativeText(QCoreApplication::translate(
        "kelvo::GuideEditorView", "This permanently removes the screenshots and recording from this computer."));
    QPushButton *remove =
        box.addButton(QCoreApplication::translate("kelvo::GuideEditorView", "Delete"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == remove;
}

} // namespace kelvo
