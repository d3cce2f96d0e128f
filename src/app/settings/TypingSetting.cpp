// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/TypingSetting.h"

#include "ui/Style.h"
#include "capture/RecordingSession.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>

namespace kelvo {

bool recordTypingSetting(const QSettings &settings)
{
    return settings.value(QLatin1String(recordTypingKey), true).toBool();
}

QCheckBox *makeRecordTypingCheckBox(RecordingSession &session, QSettings &settings, QWidget *parent)
{
    auto *box = new QCheckBox(QStringLiteral("Record typing and shortcuts"), parent);
    box->setFont(styleFont(13, QFont::Normal));
    box->setToolTip(QStringLiteral("Typing into a text field and shortcuts such as Ctrl+S become steps. "
                                   "What is typed into a password field is never read."));
    box->setChecked(session.recordTyping());
    QPointer<RecordingSession> watched(&session);
    QObject::connect(box, &QCheckBox::toggled, box, [watched, &settings, box](bool on) {
        if (watched)
            watched->setRecordTyping(on);
        settings.setValue(QLatin1String(recordTypingKey), on);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            QMessageBox::warning(box->window(), QStringLiteral("Couldn't save the setting"),
                                 QStringLiteral("Kelvo will use it until it quits, but couldn't write it to %1.")
                                     .arg(settings.fileName()));
    });
    // The session may change it too (a recording from the terminal does not).
    QObject::connect(&session, &RecordingSession::recordTypingChanged, box, [box](bool on) {
        const QSignalBlocker quiet(box);
        box->setChecked(on);
    });
    return box;
}

} // namespace kelvo
