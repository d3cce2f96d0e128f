// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QVBoxLayout;
class QFormLayout;
class QLabel;
class QTabWidget;

namespace kelvo {

class Updater;

// "<short version> (<build>)", each missing or empty part shown as an en dash.
QString versionText(const std::optional<QString> &shortVersion, const std::optional<QString> &build);
// Kelvo's own version text, from the build.
QString applicationVersionText();
// path with the home folder written as "~"; paths outside the home folder unchanged.
QString abbreviateHome(const QString &path, const QString &home);

// Where guides are kept, how recording starts, privacy, updates and the version.
// reveal selects a folder in the file manager (DesktopFileRevealer in production).
// Its settings are the updater's automatic check and the PDF page size.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr QSize fixedSize{500, 660};

    SettingsDialog(const QString &dataPath, Updater &updater, std::function<void(const QString &)> reveal,
                   QWidget *parent = nullptr);

    QCheckBox *automaticCheckBox() const { return automatic_; }
    QComboBox *pageSizeBox() const { return pageSize_; }
    // One more row in the Recording section (a setting owned elsewhere).
    void addRecordingRow(QWidget *row);
    QString locationText() const;
    QString versionLabelText() const;

private:
    QWidget *makeGeneralPage();
    void addPdfSection(QVBoxLayout *column, QWidget *page);
    void fitToContent();

    QString dataPath_;
    Updater &updater_;
    std::function<void(const QString &)> reveal_;
    QCheckBox *automatic_ = nullptr;
    QComboBox *pageSize_ = nullptr;
    QFormLayout *recording_ = nullptr;
    QWidget *page_ = nullptr;
    QLabel *location_ = nullptr;
    QLabel *version_ = nullptr;
};

} // namespace kelvo
