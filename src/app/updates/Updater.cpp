// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/updates/Updater.h"

#include "store/Settings.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QXmlStreamReader>

namespace kelvo {

namespace {

const QString sparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isSparkle(const QXmlStreamReader &xml, QLatin1String name)
{
    if (xml.name() != name)
        return false;
    return xml.namespaceUri() == sparkleNamespace || xml.prefix() == QLatin1String("sparkle");
}

QString sparkleAttribute(const QXmlStreamAttributes &attributes, const QString &name)
{
    if (attributes.hasAttribute(sparkleNamespace, name))
        return attributes.value(sparkleNamespace, name).toString().trimmed();
    return attributes.value(QStringLiteral("sparkle:") + name).toString().trimmed();
}

QUrl webLink(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
        return {};
    return url;
}

} // namespace

std::optional<QList<AppcastItem>> parseAppcast(const QByteArray &document)
{
    QXmlStreamReader xml(document);
    QList<AppcastItem> items;
    bool sawRss = false;
    std::optional<AppcastItem> item;
    QUrl enclosureUrl;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("rss") && xml.namespaceUri().isEmpty())
                sawRss = true;
            else if (xml.name() == QLatin1String("item") && xml.namespaceUri().isEmpty()) {
                item = AppcastItem{};
                enclosureUrl.clear();
            } else if (!item)
                continue;
            else if (isSparkle(xml, QLatin1String("version")))
                item->version = xml.readElementText().trimmed();
            else if (isSparkle(xml, QLatin1String("shortVersionString")))
                item->shortVersion = xml.readElementText().trimmed();
            else if (xml.name() == QLatin1String("link") && xml.namespaceUri().isEmpty())
                item->link = webLink(xml.readElementText());
            else if (xml.name() == QLatin1String("enclosure")) {
                const QXmlStreamAttributes attributes = xml.attributes();
                if (item->version.isEmpty())
                    item->version = sparkleAttribute(attributes, QStringLiteral("version"));
                if (item->shortVersion.isEmpty())
                    item->shortVersion = sparkleAttribute(attributes, QStringLiteral("shortVersionString"));
                enclosureUrl = webLink(attributes.value(QStringLiteral("url")).toString());
            }
        } else if (xml.isEndElement() && item && xml.name() == QLatin1String("item")) {
            if (item->link.isEmpty())
                item->link = enclosureUrl;
            if (item->shortVersion.isEmpty())
                item->shortVersion = item->version;
            if (!item->version.isEmpty())
                items.append(*item);
            item.reset();
        }
    }
    if (xml.hasError() || !sawRss)
        return std::nullopt;
    return items;
}

int compareVersions(const QString &a, const QString &b)
{
    const QStringList left = a.trimmed().split(QLatin1Char('.'));
    const QStringList right = b.trimmed().split(QLatin1Char('.'));
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const QString l = i < left.size() ? left[i] : QStringLiteral("0");
        const QString r = i < right.size() ? right[i] : QStringLiteral("0");
        bool lNumber = false;
        bool rNumber = false;
        const qulonglong lValue = l.toULongLong(&lNumber);
        const qulonglong rValue = r.toULongLong(&rNumber);
        if (lNumber && rNumber) {
            if (lValue != rValue)
                return lValue < rValue ? -1 : 1;
        } else if (lNumber != rNumber) {
            // A number ranks above text ("2.0" is newer than "2.0.beta").
            return lNumber ? 1 : -1;
        } else if (const int c = QString::compare(l, r); c != 0) {
            return c < 0 ? -1 : 1;
        }
    }
    return 0;
}

Updater::Updater(Scheduler &scheduler, QSettings &settings, Options options, QObject *parent)
    : QObject(parent)
    , scheduler_(scheduler)
    , settings_(settings)
    , options_(std::move(options))
    , network_(new QNetworkAccessManager(this))
{
    // No cookies are kept, so none can be sent back.
    network_->setCookieJar(nullptr);
}

Updater::~Updater()
{
    if (nextCheck_)
        scheduler_.cancel(*nextCheck_);
    if (reply_) {
        // Aborting emits finished at once; nobody is left to hear about it.
        reply_->disconnect(this);
        reply_->abort();
    }
}

QUrl Updater::defaultFeedUrl()
{
    const QByteArray fromEnvironment = qgetenv("KELVO_UPDATE_FEED_URL");
    if (!fromEnvironment.isEmpty())
        return QUrl(QString::fromUtf8(fromEnvironment));
    return QUrl(QStringLiteral(KELVO_UPDATE_FEED_URL));
}

bool Updater::startAllowed()
{
    return !qEnvironmentVariableIsSet("KELVO_NO_UPDATES");
}

bool Updater::hasFeed() const
{
    const QString scheme = options_.feedUrl.scheme();
    return options_.feedUrl.isValid() && !options_.feedUrl.host().isEmpty()
        && (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

void Updater::start()
{
    if (started_ || !startAllowed() || !hasFeed())
        return;
    started_ = true;
    scheduleNext();
}

bool Updater::automaticallyChecksForUpdates() const
{
    return settings::automaticUpdateChecks.read(settings_);
}

bool Updater::hasAskedAboutAutomaticChecks() const
{
    return settings::automaticUpdateChecks.isSet(settings_);
}

void Updater::setAutomaticallyChecksForUpdates(bool on)
{
    if (on == automaticallyChecksForUpdates() && hasAskedAboutAutomaticChecks())
        return;
    settings::automaticUpdateChecks.write(settings_, on);
    emit automaticallyChecksForUpdatesChanged(on);
    scheduleNext();
}

void Updater::scheduleNext()
{
    if (nextCheck_)
        scheduler_.cancel(*nextCheck_);
    nextCheck_.reset();
    if (!started_ || !automaticallyChecksForUpdates())
        return;
    std::chrono::milliseconds delay{0};
    const QDateTime last = settings::lastUpdateCheck.read(settings_);
    const QDateTime now = options_.currentDateTime();
    if (last.isValid() && last <= now) {
        const qint64 since = last.msecsTo(now);
        const qint64 interval = std::chrono::duration_cast<std::chrono::milliseconds>(checkInterval).count();
        delay = std::chrono::milliseconds(std::max<qint64>(0, interval - since));
    }
    // A last check in the future (the clock was set back) counts as long ago.
    nextCheck_ = scheduler_.postAfter(delay, [this] { automaticCheck(); });
}

void Updater::automaticCheck()
{
    nextCheck_.reset();
    settings::lastUpdateCheck.write(settings_, options_.currentDateTime());
    if (!isChecking())
        beginCheck();
    scheduleNext();
}

void Updater::checkForUpdates()
{
    if (!hasFeed())
        return;
    userWaiting_ = true;
    if (!isChecking())
        beginCheck();
}

void Updater::beginCheck()
{
    QNetworkRequest request(options_.feedUrl);
    // The version is all the server learns: no cookies, no cache (the manager has none), and a
    // neutral language instead of the one Qt would take from the locale.
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Kelvo/%1").arg(options_.version));
    request.setRawHeader("Accept-Language", "*");
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(30000);
    tooLarge_ = false;
    reply_ = network_->get(request);
    QNetworkReply *reply = reply_;
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64) {
        if (received > largestFeedBytes && !tooLarge_) {
            tooLarge_ = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, &Updater::replyFinished);
}

void Updater::replyFinished()
{
    QNetworkReply *reply = reply_;
    reply_ = nullptr;
    if (!reply)
        return;
    reply->deleteLater();
    UpdateCheckResult result;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (tooLarge_) {
        result.error = tr("The update feed is too large.");
    } else if (reply->error() != QNetworkReply::NoError) {
        result.error = tr("Couldn't check for updates: %1").arg(reply->errorString());
    } else if (status != 0 && status != 200) {
        result.error = tr("Couldn't check for updates: the server answered %1.").arg(status);
    } else {
        const std::optional<QList<AppcastItem>> items = parseAppcast(reply->read(largestFeedBytes + 1));
        if (!items) {
            result.error = tr("The update feed could not be read.");
        } else {
            for (const AppcastItem &item : *items) {
                if (!result.latest || compareVersions(item.version, result.latest->version) > 0)
                    result.latest = item;
            }
            const bool newer = result.latest && compareVersions(result.latest->version, options_.buildNumber) > 0;
            result.status = newer ? UpdateCheckResult::Status::updateAvailable : UpdateCheckResult::Status::upToDate;
        }
    }
    finish(std::move(result));
}

void Updater::finish(UpdateCheckResult result)
{
    const bool userInitiated = userWaiting_;
    userWaiting_ = false;
    emit checkFinished(result, userInitiated);
}

} // namespace kelvo
