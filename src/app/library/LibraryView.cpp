// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/LibraryView.h"

#include "app/library/SidebarView.h"
#include "app/state/AppModel.h"
#include "app/permissions/PermissionsCard.h"
#include "ui/Palette.h"
#include "ui/Label.h"
#include "ui/Style.h"
#include "app/updates/UpdateQuestion.h"
#include "app/updates/Updater.h"
#include "capture/Permissions.h"
#include "capture/RecordingSession.h"
#include "store/GuideStore.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include <malloc.h>

namespace kelvo {

namespace {

// The welcome symbol: the list in the blue gradient on a raised disc.
class WelcomeMark : public NeuRaised {
public:
    explicit WelcomeMark(QWidget *parent)
        : NeuRaised(58, 1, parent)
    {
        setFixedSize(116, 116);
        setAccessibleName(QStringLiteral("Kelvo"));
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        NeuRaised::paintEvent(event);
        const qreal dpr = devicePixelRatioF();
        const QRectF box(35, 35, 46, 46);
        QImage symbol((box.size() * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        symbol.setDevicePixelRatio(dpr);
        symbol.fill(Qt::transparent);
        {
            QPainter tint(&symbol);
            paintSymbol(tint, QStringLiteral("list.number"), QRectF(QPointF(0, 0), box.size()), Qt::black);
            tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
            tint.fillRect(QRectF(QPointF(0, 0), box.size()), palette::blueGradient(QRectF(QPointF(0, 0), box.size())));
        }
        QPainter painter(this);
        painter.drawImage(box, symbol);
    }
};

} // namespace

// --- EmptyStateView -------------------------------------------------------------

EmptyStateView::EmptyStateView(AppModel &model, QWidget *parent)
    : QWidget(parent)
    , model_(model)
    , record_(new NeuButton(tr("New Recording"), {NeuButtonStyle::Kind::danger, false, false}, this))
    , card_(new PermissionsCard(this))
{
    setAccessibleName(tr("Welcome"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(40, 40, 40, 40);
    column->setSpacing(28);
    column->addStretch();
    column->addWidget(new WelcomeMark(this), 0, Qt::AlignHCenter);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(8);
    auto *title = makeLabel(tr("Record once, get a guide"), styleFont(28, QFont::Bold), palette::ink, this);
    title->setAlignment(Qt::AlignCenter);
    auto *text = makeLabel(tr("Click New Recording, do the task as normal, then press Stop.\n"
                                          "Kelvo turns every click into a captioned step and keeps the video."),
                           styleFont(14, QFont::Normal), palette::inkSecondary, this);
    text->setAlignment(Qt::AlignCenter);
    texts->addWidget(title);
    texts->addWidget(text);
    column->addLayout(texts);

    record_->setSymbol(QStringLiteral("record.circle"));
    column->addWidget(record_, 0, Qt::AlignHCenter);
    connect(record_, &QAbstractButton::clicked, &model_, &AppModel::startRecording);

    // 6 below the button: the layout's 28 less 22.
    column->addSpacing(6 - 28);
    // Centred by stretches, not alignment, so its wrapped texts get their height.
    auto *cardRow = new QHBoxLayout;
    cardRow->addStretch(1);
    card_->setFixedWidth(500);
    cardRow->addWidget(card_);
    cardRow->addStretch(1);
    column->addLayout(cardRow);
    if (Updater *updater = model_.updater(); updater && UpdateQuestion::isWanted(*updater)) {
        auto *question = new UpdateQuestion(*updater, this);
        question->setFixedWidth(460);
        // In a row of stretches, like the card, so the wrapped text gets its height.
        auto *questionRow = new QHBoxLayout;
        questionRow->addStretch(1);
        questionRow->addWidget(question);
        questionRow->addStretch(1);
        column->addLayout(questionRow);
    }
    column->addStretch();

    Permissions &permissions = model_.permissions();
    card_->setWaylandWithoutX11(PermissionsCard::isWaylandWithoutX11());
    connect(&permissions, &Permissions::screenRecordingChanged, this, &EmptyStateView::updateCard);
    connect(&permissions, &Permissions::accessibilityChanged, this, &EmptyStateView::updateCard);
    // X11 has no prompt for screen capture: asking again reads the state again.
    connect(card_, &PermissionsCard::enableScreenRecordingRequested, &permissions, &Permissions::refresh);
    connect(card_, &PermissionsCard::enableAccessibilityRequested, &permissions, &Permissions::requestAccessibility);
    updateCard();
}

void EmptyStateView::updateCard()
{
    const Permissions &permissions = model_.permissions();
    card_->setScreenRecording(permissions.screenRecording());
    card_->setAccessibility(permissions.accessibility());
    card_->setVisible(!permissions.screenRecording() || !permissions.accessibility());
}

// --- LibraryView ----------------------------------------------------------------

LibraryView::LibraryView(AppModel &model, Scheduler & /*unused since permissions stopped polling*/, Services services,
                         QWidget *parent)
    : NeuSurface(parent)
    , model_(model)
    , services_(std::move(services))
    , sidebar_(new SidebarView(model, this))
    , detail_(new QVBoxLayout)
    , emptyState_(new EmptyStateView(model, this))
    , refresher_(new PermissionsRefresher([this] { model_.permissions().refresh(); }, this))
{
    if (!services_.alerter) {
        ownAlerter_ = std::make_unique<MessageBoxAlerter>();
        services_.alerter = ownAlerter_.get();
    }
    if (services_.editor.confirmDeleteGuide)
        sidebar_->setConfirmDeleteGuide(services_.editor.confirmDeleteGuide);
    setMinimumSize(minimumContentSize);
    setAccessibleName(QStringLiteral("Kelvo"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(sidebar_);
    detail_->setContentsMargins(0, 0, 0, 0);
    detail_->addWidget(emptyState_);
    row->addLayout(detail_, 1);

    refresher_->watch(this);
    connect(&model_, &AppModel::selectedGuideIDChanged, this, &LibraryView::updateDetail);
    connect(&model_.store(), &GuideStore::guidesChanged, this, &LibraryView::updateDetail);
    connect(&model_.session(), &RecordingSession::errorMessageChanged, this, [this] {
        // Out of the signal: the alert runs its own event loop.
        QMetaObject::invokeMethod(this, &LibraryView::showRecordingProblem, Qt::QueuedConnection);
    });
    updateDetail();
    if (model_.session().errorMessage())
        QMetaObject::invokeMethod(this, &LibraryView::showRecordingProblem, Qt::QueuedConnection);
}

LibraryView::~LibraryView()
{
    // Editors hold undo entries that refer to the store only; drop them with the window.
    undoStack_.clear();
}

void LibraryView::updateDetail()
{
    const auto id = model_.selectedGuideID();
    const auto binding = id ? model_.store().guideBinding(*id) : std::nullopt;
    if (editor_ && binding && editor_->guideId() == *id)
        return; // the same guide: the editor follows the store by itself
    if (!editor_ && !binding && emptyState_->isVisibleTo(this))
        return;

    if (editor_) {
        GuideEditorView *old = editor_;
        editor_ = nullptr;
        detail_->removeWidget(old);
        old->hide(); // pauses its player
        // A long guide's rows and pictures leave the heap full of holes: hand
        // them back to the system once the editor is gone.
        connect(old, &QObject::destroyed, this, [] { QTimer::singleShot(0, [] { malloc_trim(0); }); });
        old->deleteLater();
    }
    if (binding) {
        GuideEditorView::Services editorServices = services_.editor;
        // The guide about to go hands the editor to its neighbour in the list.
        const QUuid shown = *id;
        editorServices.clearSelection = [this, shown] {
            model_.setSelectedGuideID(guideShownAfterDeleting(model_.store().guides(), shown));
        };
        editor_ = new GuideEditorView(model_.store(), *binding, &undoStack_, editorServices, this);
        emptyState_->hide();
        detail_->addWidget(editor_);
        editor_->show();
    } else {
        emptyState_->show();
    }
    emit currentEditorChanged(editor_);
}

void LibraryView::showRecordingProblem()
{
    if (alertShowing_)
        return;
    const auto message = model_.session().errorMessage();
    if (!message)
        return;
    alertShowing_ = true;
    services_.alerter->alert(this, tr("Recording problem"), *message);
    alertShowing_ = false;
    // Dismissed: the error is seen and must not come back.
    model_.session().clearErrorMessage();
}

} // namespace kelvo
