// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/permissions/PermissionsCard.h"

#include "ui/Palette.h"
#include "ui/Style.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace kelvo {

// The card's heading: a symbol and a bold line.
class CardHeading : public QWidget {
public:
    CardHeading(const QString &symbol, const QString &text, QWidget *parent)
        : QWidget(parent)
        , symbol_(symbol)
        , text_(text)
    {
        setFont(styleFont(16, QFont::Bold));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        setAccessibleName(text);
    }
    void setText(const QString &text)
    {
        if (text == text_)
            return;
        text_ = text;
        setAccessibleName(text);
        updateGeometry();
        update();
    }
    const QString &text() const { return text_; }
    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return {20 + 8 + metrics.horizontalAdvance(text_), std::max(20, metrics.height())};

    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal top = (height() - 18) / 2.0;
        paintSymbol(painter, symbol_, QRectF(0, top, 18, 18), palette::ink);
        painter.setFont(font());
        painter.setPen(palette::ink);
        painter.drawText(QRect(28, 0, width() - 28, height()), Qt::AlignVCenter | Qt::AlignLeft, text_);
    }

private:
    QString symbol_;
    QString text_;
};

// --- PermissionBadge ------------------------------------------------------------

PermissionBadge::PermissionBadge(bool granted, QWidget *parent)
    : QWidget(parent)
    , granted_(granted)
{
    setFixedSize(28, 28);
}

void PermissionBadge::setGranted(bool granted)
{
    if (granted == granted_)
        return;
    granted_ = granted;
    update();
}

void PermissionBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(0, 0, 28, 28);
    QPainterPath path;
    path.addEllipse(circle);
    painter.fillPath(path, granted_ ? palette::blueGradient(circle) : palette::dangerGradient(circle));
    paintSymbol(painter, granted_ ? QStringLiteral("checkmark") : QStringLiteral("exclamationmark"),
                QRectF(8, 8, 12, 12), palette::highlight);
}

// --- PermissionRow --------------------------------------------------------------

PermissionRow::PermissionRow(const QString &title, const QString &detail, bool granted, QWidget *parent)
    : QWidget(parent)
    , badge_(new PermissionBadge(granted, this))
    , title_(new QLabel(title, this))
    , detail_(new QLabel(detail, this))
    , enable_(new NeuButton(tr("Enable"), {NeuButtonStyle::Kind::primary, true, false}, this))
{
    title_->setFont(styleFont(14, QFont::DemiBold));
    detail_->setFont(styleFont(12, QFont::Normal));
    detail_->setWordWrap(true);
    QPalette p = detail_->palette();
    p.setColor(QPalette::WindowText, palette::inkSecondary);
    detail_->setPalette(p);

    auto *text = new QVBoxLayout;
    text->setSpacing(2);
    text->setContentsMargins(0, 0, 0, 0);
    text->addWidget(title_);
    text->addWidget(detail_);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(badge_, 0, Qt::AlignVCenter);
    row->addLayout(text, 1);
    row->addWidget(enable_, 0, Qt::AlignVCenter);
    enable_->setVisible(!granted);
    connect(enable_, &QAbstractButton::clicked, this, &PermissionRow::grant);
}

void PermissionRow::setGranted(bool granted)
{
    badge_->setGranted(granted);
    enable_->setVisible(!granted);
    updateCastShadow(enable_);
}

QString PermissionRow::title() const
{
    return title_->text();
}

QString PermissionRow::detail() const
{
    return detail_->text();
}

// --- PermissionsCard ------------------------------------------------------------

PermissionsCard::PermissionsCard(QWidget *parent)
    : NeuRaised(26, 1, parent)
    , screenRecording_(new PermissionRow(tr("Screen Recording"),
                                         tr("Records the video and takes a screenshot at every click."),
                                         false, this))
    , accessibility_(new PermissionRow(tr("Accessibility"),
                                       tr("Reads button and menu names so steps are written for you."),
                                       false, this))
    , reopenNote_(makeNoteLabel(tr("After enabling Screen Recording, your desktop may ask you to quit and "
                                          "reopen Kelvo."),
                           this))
    , waylandNote_(makeNoteLabel(tr("Kelvo records through X11, and this Wayland session offers no X11 "
                                           "access, so screen recording is not available here yet."),
                            this))
{
    setMaximumWidth(500);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(26, 26, 26, 26);
    column->setSpacing(18);
    heading_ = new CardHeading(QStringLiteral("lock.shield"), tr("Two permissions to set up"), this);
    column->addWidget(heading_);
    column->addWidget(screenRecording_);
    column->addWidget(accessibility_);
    column->addWidget(makeNoteLabel(tr("Everything Kelvo records stays on this computer. It has no analytics. "
                                              "Its only use of the network is a daily check for updates."),
                               this));
    column->addWidget(reopenNote_);
    column->addWidget(waylandNote_);

    connect(screenRecording_, &PermissionRow::grant, this, &PermissionsCard::enableScreenRecordingRequested);
    connect(accessibility_, &PermissionRow::grant, this, &PermissionsCard::enableAccessibilityRequested);
    updateNotes();
}

bool PermissionsCard::isWaylandWithoutX11()
{
    return qEnvironmentVariableIsEmpty("DISPLAY") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool PermissionsCard::isReopenNoteShown() const
{
    return reopenNote_->isVisibleTo(this);
}

bool PermissionsCard::isWaylandNoteShown() const
{
    return waylandNote_->isVisibleTo(this);
}

void PermissionsCard::setScreenRecording(bool granted)
{
    screenRecording_->setGranted(granted);
    updateNotes();
}

void PermissionsCard::setAccessibility(bool granted)
{
    accessibility_->setGranted(granted);
    updateNotes();
}

QString PermissionsCard::headingText() const
{
    return heading_->text();
}

void PermissionsCard::setWaylandWithoutX11(bool waylandOnly)
{
    waylandOnly_ = waylandOnly;
    updateNotes();
}

void PermissionsCard::updateNotes()
{
    const int missingCount = int(!screenRecording_->isGranted()) + int(!accessibility_->isGranted());
    heading_->setText(missingCount == 1 ? tr("One permission to set up")
                                   : tr("Two permissions to set up"));
    const bool missing = !screenRecording_->isGranted();
    reopenNote_->setVisible(missing && !waylandOnly_);
    waylandNote_->setVisible(missing && waylandOnly_);
}

// --- PermissionsRefresher -------------------------------------------------------

PermissionsRefresher::PermissionsRefresher(std::function<void()> refresh, QObject *parent)
    : QObject(parent)
    , refresh_(std::move(refresh))
{
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                applicationBecameActive();
        });
    }
}

void PermissionsRefresher::watch(QWidget *window)
{
    window->installEventFilter(this);
    setShown(window->isVisible());
}

bool PermissionsRefresher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show)
        setShown(true);
    else if (event->type() == QEvent::Hide)
        setShown(false);
    return QObject::eventFilter(watched, event);
}

void PermissionsRefresher::setShown(bool shown)
{
    if (shown == shown_)
        return;
    shown_ = shown;
    if (shown_)
        refresh_();
}

void PermissionsRefresher::applicationBecameActive()
{
    refresh_();
}

} // namespace kelvo
