// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SaveProblemBanner.h"

#include "ui/Palette.h"
#include "ui/Style.h"
#include "ui/Widgets.h"
#include "store/GuideStore.h"

#include <QHBoxLayout>
#include <QLabel>

namespace kelvo {

SaveProblemBanner::SaveProblemBanner(GuideStore &store, const QUuid &guideId, QWidget *parent)
    : QFrame(parent)
    , store_(store)
    , guideId_(guideId)
    , label_(new QLabel(this))
    , retry_(new NeuButton(tr("Retry"), NeuButtonStyle{.compact = true}, this))
{
    setObjectName(QStringLiteral("saveProblemBanner"));
    setAccessibleName(tr("Save problem"));
    setStyleSheet(QStringLiteral("#saveProblemBanner { background: %1; border-bottom: 1px solid %2; }")
                      .arg(palette::withAlpha(palette::danger, 0.10).name(QColor::HexArgb),
                           palette::withAlpha(palette::danger, 0.35).name(QColor::HexArgb)));
    label_->setWordWrap(true);
    label_->setFont(styleFont(13, QFont::DemiBold));
    label_->setStyleSheet(QStringLiteral("color: %1;").arg(palette::danger.name()));
    label_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(32, 10, 32, 10);
    row->setSpacing(16);
    row->addWidget(label_, 1);
    row->addWidget(retry_);

    connect(retry_, &QAbstractButton::clicked, this, [this] { store_.saveNow(guideId_); });
    connect(&store_, &GuideStore::saveFailed, this, [this](const QUuid &id, const Error &error) {
        if (id == guideId_)
            showProblem(error);
    });
    connect(&store_, &GuideStore::saved, this, [this](const QUuid &id) {
        if (id == guideId_)
            hide();
    });
    hide();
}

QString SaveProblemBanner::text() const
{
    return label_->text();
}

void SaveProblemBanner::showProblem(const Error &error)
{
    label_->setText(tr("Couldn't save your changes: %1").arg(error.why()));
    label_->setToolTip(error.message());
    show();
}

} // namespace kelvo
