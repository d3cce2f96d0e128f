// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/SettingsDialog.h"

#include "ui/Palette.h"
#include "ui/Style.h"
#include "ui/Widgets.h"
#include "app/updates/Updater.h"
#include "editor/pdf/PageSize.h"
#include "editor/pdf/PdfExport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <algorithm>

namespace kelvo {

QString versionText(const std::optional<QString> &shortVersion, const std::optional<QString> &build)
{
    const QString dash(QChar(0x2013));
    auto part = [&](const std::optional<QString> &value) {
        return value && !value->trimmed().isEmpty() ? *value : dash;
    };
    return QStringLiteral("%1 (%2)").arg(part(shortVersion), part(build));
}

QString applicationVersionText()
{
    return versionText(QStringLiteral(KELVO_VERSION_TEXT), QStringLiteral(KELVO_BUILD_NUMBER));
}

QString abbreviateHome(const QString &path, const QString &home)
{
    const QString cleanHome = QDir::cleanPath(home);
    const QString cleanPath = QDir::cleanPath(path);
    if (cleanHome.isEmpty() || cleanHome == QLatin1String("/"))
        return cleanPath;
    if (cleanPath == cleanHome)
        return QStringLiteral("~");
    if (cleanPath.startsWith(cleanHome + QLatin1Char('/')))
        return QStringLiteral("~") + cleanPath.mid(cleanHome.size());
    return cleanPath;
}

namespace {

QLabel *rowLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(styleFont(13, QFont::Normal));
    return label;
}

// One section of the grouped form: a header above a raised card of rows.
QFormLayout *addSection(QVBoxLayout *column, const QString &header, QWidget *parent)
{
    auto *title = new QLabel(header, parent);
    title->setFont(styleFont(13, QFont::DemiBold));
    QPalette p = title->palette();
    p.setColor(QPalette::WindowText, palette::inkSecondary);
    title->setPalette(p);
    title->setContentsMargins(6, 0, 0, 0);
    column->addWidget(title);
    auto *card = new NeuRaised(14, 0.6, parent);
    auto *form = new QFormLayout(card);
    form->setContentsMargins(16, 12, 16, 12);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(10);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    column->addWidget(card);
    column->addSpacing(8);
    return form;
}

} // namespace

SettingsDialog::SettingsDialog(const QString &dataPath, Updater &updater,
                               std::function<void(const QString &)> reveal, QWidget *parent)
    : QDialog(parent)
    , dataPath_(dataPath)
    , updater_(updater)
    , reveal_(std::move(reveal))
{
    setWindowTitle(tr("Settings"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // One page: no tab bar over it. The window is as tall as its content.
    page_ = makeGeneralPage();
    layout->addWidget(page_);
    fitToContent();
}

void SettingsDialog::fitToContent()
{
    const auto *scroll = qobject_cast<QScrollArea *>(page_);
    const int content = scroll && scroll->widget() ? scroll->widget()->sizeHint().height() : page_->sizeHint().height();
    const int height = std::min(fixedSize.height(), content);
    setFixedSize(fixedSize.width(), std::max(height, 200));
}

void SettingsDialog::addRecordingRow(QWidget *row)
{
    recording_->addRow(row);
    fitToContent();
}

QWidget *SettingsDialog::makeGeneralPage()
{
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *page = new NeuSurface;
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(24, 20, 24, 20);
    column->setSpacing(8);

    // Recording
    QFormLayout *recording = addSection(column, tr("Recording"), page);
    recording_ = recording;
    auto *shortcut = new QLabel(tr("Ctrl+Alt+Super+R"), page);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(13);
    shortcut->setFont(mono);
    recording->addRow(rowLabel(tr("Start or stop from any app"), page), shortcut);
    if (QSystemTrayIcon::isSystemTrayAvailable())
        recording->addRow(rowLabel(tr("System tray"), page),
                          rowLabel(tr("Click the list icon"), page));

    // Your data
    QFormLayout *yourData = addSection(column, tr("Your data"), page);
    location_ = new QLabel(abbreviateHome(dataPath_, QDir::homePath()), page);
    location_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    location_->setWordWrap(true);
    location_->setFont(styleFont(13, QFont::Normal));
    yourData->addRow(rowLabel(tr("Location"), page), location_);
    auto *show = new NeuButton(tr("Show in Files"), {NeuButtonStyle::Kind::plain, true, false}, page);
    connect(show, &QAbstractButton::clicked, this, [this] {
        if (reveal_)
            reveal_(dataPath_);
    });
    yourData->addRow(show);
    yourData->addRow(makeNoteLabel(tr("Guides, screenshots and videos are stored only on this computer. Kelvo has no "
                                     "account, no cloud sync and no analytics."),
                      page));

    addPdfSection(column, page);

    // Updates: only in a build that has an update feed.
    if (updater_.hasFeed()) {
        QFormLayout *updates = addSection(column, tr("Updates"), page);
        automatic_ = new QCheckBox(tr("Check for updates automatically"), page);
        automatic_->setFont(styleFont(13, QFont::Normal));
        automatic_->setChecked(updater_.automaticallyChecksForUpdates());
        // Connected after the first value, so only the user's changes are written.
        connect(automatic_, &QCheckBox::toggled, this, [this](bool on) { updater_.setAutomaticallyChecksForUpdates(on); });
        updates->addRow(automatic_);
        auto *checkNow = new NeuButton(tr("Check Now"), {NeuButtonStyle::Kind::plain, true, false}, page);
        connect(checkNow, &QAbstractButton::clicked, this, [this] { updater_.checkForUpdates(); });
        updates->addRow(checkNow);
        updates->addRow(makeNoteLabel(tr("Once a day Kelvo asks our website for a small file listing the latest version. "
                                            "It sends the app version and nothing else, and never downloads or installs "
                                            "anything by itself."),
                             page));
    }

    // About
    QFormLayout *about = addSection(column, tr("About"), page);
    version_ = new QLabel(applicationVersionText(), page);
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    version_->setFont(styleFont(13, QFont::Normal));
    about->addRow(rowLabel(tr("Version"), page), version_);

    column->addStretch(1);
    scroll->setWidget(page);
    return scroll;
}

void SettingsDialog::addPdfSection(QVBoxLayout *column, QWidget *page)
{
    QFormLayout *pdf = addSection(column, tr("PDF export"), page);
    pageSize_ = new QComboBox(page);
    pageSize_->setFont(styleFont(13, QFont::Normal));
    pageSize_->addItem(tr("Automatic (%1)").arg(pageSizeName(automaticPageSize(QLocale::system()))),
                       int(PageSizeChoice::automatic));
    pageSize_->addItem(pageSizeName(a4PageSize), int(PageSizeChoice::a4));
    pageSize_->addItem(pageSizeName(letterPageSize), int(PageSizeChoice::letter));
    pageSize_->setCurrentIndex(pageSize_->findData(int(storedPageSizeChoice(QSettings()))));
    // Connected after the first value, so only the user's changes are written.
    connect(pageSize_, &QComboBox::currentIndexChanged, this, [this] {
        QSettings settings;
        storePageSizeChoice(settings, PageSizeChoice(pageSize_->currentData().toInt()));
    });
    pdf->addRow(rowLabel(tr("Page size"), page), pageSize_);
}

QString SettingsDialog::locationText() const
{
    return location_->text();
}

QString SettingsDialog::versionLabelText() const
{
    return version_->text();
}

} // namespace kelvo
