// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/updates/UpdateAlert.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace kelvo {

QString updateErrorDetail(const QString &error)
{
    // The heading says it already; the detail says why.
    const QString lead = QCoreApplication::translate("kelvo::Updater", "Couldn't check for updates");
    QString detail = error;
    if (detail.startsWith(lead)) {
        detail = detail.mid(lead.size());
        while (!detail.isEmpty() && (detail.front() == QLatin1Char(':') || detail.front() == QLatin1Char('.')
                                     || detail.front().isSpace()))
            detail.remove(0, 1);
        if (!detail.isEmpty())
            detail[0] = detail[0].toUpper();
    }
    return detail;
}

void showUpdateCheckResult(QWidget *parent, const UpdateCheckResult &result, bool userInitiated,
                           const QString &currentVersion)
{
    using Status = UpdateCheckResult::Status;
    if (!userInitiated && result.status != Status::updateAvailable)
        return;
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QCoreApplication::translate("kelvo::UpdateAlert", "Software Update"));
    box->setTextFormat(Qt::RichText);
    switch (result.status) {
    case Status::updateAvailable: {
        const QString version = result.latest->shortVersion.toHtmlEscaped();
        box->setIcon(QMessageBox::Information);
        box->setText(QCoreApplication::translate("kelvo::UpdateAlert", "<b>Kelvo %1 is available.</b>").arg(version));
        QString info = QCoreApplication::translate("kelvo::UpdateAlert", "You have %1.").arg(currentVersion.toHtmlEscaped());
        if (result.latest->link.isValid())
            info += QLatin1Char(' ') + QCoreApplication::translate("kelvo::UpdateAlert", "<a href=\"%1\">Download Kelvo %2</a>")
                        .arg(result.latest->link.toString(QUrl::FullyEncoded).toHtmlEscaped(), version);
        box->setInformativeText(info);
        box->setTextInteractionFlags(Qt::TextBrowserInteraction);
        break;
    }
    case Status::upToDate:
        box->setIcon(QMessageBox::Information);
        box->setText(QCoreApplication::translate("kelvo::UpdateAlert", "<b>You're up to date.</b>"));
        box->setInformativeText(QCoreApplication::translate("kelvo::UpdateAlert", "Kelvo %1 is the newest version.").arg(currentVersion.toHtmlEscaped()));
        break;
    case Status::failed:
        box->setIcon(QMessageBox::Warning);
        box->setText(QCoreApplication::translate("kelvo::UpdateAlert", "<b>Couldn't check for updates.</b>"));
        box->setInformativeText(updateErrorDetail(result.error).toHtmlEscaped());
        break;
    }
    box->open();
}

} // namespace kelvo
