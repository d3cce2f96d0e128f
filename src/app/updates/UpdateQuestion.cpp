// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/updates/UpdateQuestion.h"

#include "ui/Palette.h"
#include "ui/Style.h"
#include "ui/Widgets.h"
#include "app/updates/Updater.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kelvo {

UpdateQuestion::UpdateQuestion(Updater &updater, QWidget *parent)
    : QWidget(parent)
    , updater_(updater)
    , allow_(new NeuButton(tr("Check Automatically"), NeuButtonStyle{.compact = true}, this))
    , decline_(new NeuButton(tr("Not Now"), NeuButtonStyle{.compact = true}, this))
{
    setAccessibleName(tr("Update checks"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto *text = new QLabel(tr("Check for new versions of Kelvo once a day? Kelvo would send its "
                                           "version number to the update server and nothing else."),
                            this);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    text->setFont(styleFont(13, QFont::Normal));
    QPalette colours = text->palette();
    colours.setColor(QPalette::WindowText, palette::inkSecondary);
    text->setPalette(colours);
    column->addWidget(text);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(decline_);
    buttons->addWidget(allow_);
    buttons->addStretch();
    column->addLayout(buttons);
    connect(allow_, &QAbstractButton::clicked, this, [this] { answer(true); });
    connect(decline_, &QAbstractButton::clicked, this, [this] { answer(false); });
}

bool UpdateQuestion::isWanted(const Updater &updater)
{
    return updater.hasFeed() && Updater::startAllowed() && !updater.hasAskedAboutAutomaticChecks();
}

void UpdateQuestion::answer(bool allow)
{
    updater_.setAutomaticallyChecksForUpdates(allow);
    hide();
}

} // namespace kelvo
