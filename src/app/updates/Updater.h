// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Scheduler.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;
#include <QNetworkReply>
class QSettings;

namespace kelvo {

// One release listed in the update feed.
struct AppcastItem {
    QString version;      // the build number, compared with ours
    QString shortVersion; // the version shown to people
    QUrl link;            // where to download it (http or https only)

    friend bool operator==(const AppcastItem &, const AppcastItem &) = default;
};

// The releases of an RSS appcast (items with sparkle:version and
// sparkle:shortVersionString, as elements or on the enclosure), or nothing when the
// document is not a readable feed. Items without a version are skipped.
std::optional<QList<AppcastItem>> parseAppcast(const QByteArray &document);

// Negative, zero or positive as a is older than, the same as or newer than b:
// dot-separated parts, numbers by value, other parts by text, missing parts as 0.
int compareVersions(const QString &a, const QString &b);

struct UpdateCheckResult {
    enum class Status { upToDate, updateAvailable, failed };
    Status status = Status::failed;
    std::optional<AppcastItem> latest; // the newest release, when there is one
    QString error;                     // when failed
};

// Kelvo's own small updater: reads the appcast from a feed address fixed at build
// time, at most once a day while automatic checks are on, and reports the newest
// release with its download link. It never downloads or installs anything, and the
// only thing it tells the server is the application version.
class Updater : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::hours checkInterval{24};
    static constexpr qint64 largestFeedBytes = 1 << 20;

    struct Options {
        QUrl feedUrl = defaultFeedUrl();
        QString version = QStringLiteral(KELVO_VERSION_TEXT);
        QString buildNumber = QStringLiteral(KELVO_BUILD_NUMBER);
        std::function<QDateTime()> currentDateTime = [] { return QDateTime::currentDateTimeUtc(); };
    };

    // settings keeps the automatic-check switch and the time of the last check.
    Updater(Scheduler &scheduler, QSettings &settings, Options options, QObject *parent = nullptr);
    ~Updater() override;

    // KELVO_UPDATE_FEED_URL from the environment, else the address built in.
    static QUrl defaultFeedUrl();
    // False when the environment contains KELVO_NO_UPDATES (any value): tests and
    // packaged builds that update through the distribution.
    static bool startAllowed();

    // A feed address was built in (or given): without one there are no checks
    // at all, and nothing about updates is shown.
    bool hasFeed() const;

    // Begins the daily checks (when automatic checks are on); nothing when start
    // is not allowed or there is no feed. Later calls do nothing.
    void start();
    bool isStarted() const { return started_; }

    // Off until the user has said yes: Kelvo asks once before its first check.
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);
    // True once the user has answered (here or in Settings).
    bool hasAskedAboutAutomaticChecks() const;

    // Checks now, whether started or not; the result comes with userInitiated = true.
    // Nothing without a feed.
    void checkForUpdates();
    bool isChecking() const { return reply_ != nullptr; }

    const Options &options() const { return options_; }

signals:
    void automaticallyChecksForUpdatesChanged(bool on);
    void checkFinished(const kelvo::UpdateCheckResult &result, bool userInitiated);

private:
    void scheduleNext();
    void automaticCheck();
    void beginCheck();
    void replyFinished();
    void finish(UpdateCheckResult result);

    Scheduler &scheduler_;
    QSettings &settings_;
    Options options_;
    QNetworkAccessManager *network_;
    QPointer<QNetworkReply> reply_;
    bool started_ = false;
    bool userWaiting_ = false;
    bool tooLarge_ = false;
    std::optional<Scheduler::TaskId> nextCheck_;
};

} // namespace kelvo
