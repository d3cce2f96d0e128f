// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/updates/Updater.h"
#include "support/ManualScheduler.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

// A one-page HTTP server on 127.0.0.1 inside the test process: it answers every
// request with the configured status and body and keeps what it was sent.
class FeedServer : public QObject {
public:
    QByteArray status = "200 OK";
    QByteArray body;
    QList<QByteArray> requests;

    FeedServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server_.nextPendingConnection()) {
                auto *buffer = new QByteArray;
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    buffer->append(socket->readAll());
                    if (!buffer->contains("\r\n\r\n"))
                        return;
                    requests.append(*buffer);
                    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: application/rss+xml\r\nContent-Length: " +
                                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                    buffer->clear();
                });
                connect(socket, &QTcpSocket::disconnected, socket, [socket, buffer] {
                    delete buffer;
                    socket->deleteLater();
                });
            }
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/linux/appcast.xml").arg(server_.serverPort())); }

    // The request's header lines, names lower-cased.
    QMap<QByteArray, QByteArray> headers(qsizetype index) const
    {
        QMap<QByteArray, QByteArray> result;
        const QList<QByteArray> lines = requests.value(index).split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                result.insert(line.left(colon).toLower(), line.mid(colon + 1).trimmed());
        }
        return result;
    }
    QByteArray requestLine(qsizetype index) const { return requests.value(index).split('\n').value(0).trimmed(); }

private:
    QTcpServer server_;
};

QByteArray feed(const QList<std::pair<const char *, const char *>> &releases)
{
    QByteArray items;
    for (const auto &[version, shortVersion] : releases) {
        items += QByteArray("<item><title>Kelvo ") + shortVersion + "</title><link>https://kelvo.app/download/" +
                 shortVersion + "</link><sparkle:version>" + version + "</sparkle:version>" +
                 "<sparkle:shortVersionString>" + shortVersion + "</sparkle:shortVersionString></item>";
    }
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel><title>Kelvo</title>
<link>https://kelvo.app</link>)" +
           items + "</channel></rss>";
}

class UpdaterTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    test::ManualScheduler scheduler;
    FeedServer server;
    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);

    std::unique_ptr<Updater> makeUpdater(const QString &build = QStringLiteral("17"))
    {
        Updater::Options options;
        options.feedUrl = server.url();
        options.version = QStringLiteral("2.0");
        options.buildNumber = build;
        options.currentDateTime = [this] { return now; };
        return std::make_unique<Updater>(scheduler, settings, options);
    }

    static UpdateCheckResult waitForResult(Updater &updater, bool *userInitiated = nullptr)
    {
        QSignalSpy finished(&updater, &Updater::checkFinished);
        EXPECT_TRUE(finished.wait(10000));
        if (finished.isEmpty())
            return {};
        if (userInitiated)
            *userInitiated = finished[0][1].toBool();
        return finished[0][0].value<UpdateCheckResult>();
    }
};

TEST_F(UpdaterTest, ReportsANewerRelease)
{
    server.body = feed({{"16", "1.9"}, {"18", "2.1"}, {"17", "2.0"}});
    auto updater = makeUpdater();
    updater->checkForUpdates();
    bool user = false;
    const UpdateCheckResult result = waitForResult(*updater, &user);
    EXPECT_TRUE(user);
    EXPECT_EQ(result.status, UpdateCheckResult::Status::updateAvailable);
    ASSERT_TRUE(result.latest);
    EXPECT_EQ(result.latest->version, "18");
    EXPECT_EQ(result.latest->shortVersion, "2.1");
    EXPECT_EQ(result.latest->link, QUrl("https://kelvo.app/download/2.1"));
}

TEST_F(UpdaterTest, SameVersionIsUpToDate)
{
    server.body = feed({{"17", "2.0"}, {"16", "1.9"}});
    auto updater = makeUpdater();
    updater->checkForUpdates();
    const UpdateCheckResult result = waitForResult(*updater);
    EXPECT_EQ(result.status, UpdateCheckResult::Status::upToDate);
    ASSERT_TRUE(result.latest);
    EXPECT_EQ(result.latest->shortVersion, "2.0");
}

TEST_F(UpdaterTest, SendsTheVersionAndNothingElse)
{
    server.body = feed({{"17", "2.0"}});
    auto updater = makeUpdater();
    updater->checkForUpdates();
    waitForResult(*updater);
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_EQ(server.requestLine(0), "GET /linux/appcast.xml HTTP/1.1");
    const auto headers = server.headers(0);
    EXPECT_EQ(headers.value("user-agent"), "Kelvo/2.0");
    // Qt would otherwise send the user's locale.
    EXPECT_EQ(headers.value("accept-language"), "*");
    const QList<QByteArray> allowed{"host", "user-agent", "accept-language", "accept-encoding", "connection"};
    for (const QByteArray &name : headers.keys())
        EXPECT_TRUE(allowed.contains(name)) << name.constData();
}

struct FailureCase {
    const char *name;
    const char *status;
    QByteArray body;
    const char *error = nullptr; // the exact text, where it matters
};

class UpdaterFailureTest : public UpdaterTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(UpdaterFailureTest, ReportsFailure)
{
    server.status = GetParam().status;
    server.body = GetParam().body;
    auto updater = makeUpdater();
    updater->checkForUpdates();
    const UpdateCheckResult result = waitForResult(*updater);
    EXPECT_EQ(result.status, UpdateCheckResult::Status::failed);
    EXPECT_FALSE(result.error.isEmpty());
    if (GetParam().error) {
        EXPECT_EQ(result.error, GetParam().error);
    }
    EXPECT_FALSE(updater->isChecking());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdaterFailureTest,
    ::testing::Values(FailureCase{"notFound", "404 Not Found", "<html>gone</html>"},
                      FailureCase{"serverError", "500 Internal Server Error", ""},
                      FailureCase{"notXml", "200 OK", "this is not a feed", "The update feed could not be read."},
                      FailureCase{"truncatedXml", "200 OK", "<rss><channel><item><sparkle:version>9"},
                      FailureCase{"htmlPage", "200 OK", "<html><body>Kelvo</body></html>"},
                      FailureCase{"tooLarge", "200 OK",
                                  QByteArray("<rss><channel>") + QByteArray(2 * 1024 * 1024, ' ') + "</channel></rss>",
                                  "The update feed is too large."}),
    [](const auto &testInfo) { return std::string(testInfo.param.name); });

TEST_F(UpdaterTest, UnreachableServerFails)
{
    Updater::Options options;
    options.feedUrl = QUrl(QStringLiteral("http://127.0.0.1:1/appcast.xml"));
    Updater updater(scheduler, settings, options);
    updater.checkForUpdates();
    const UpdateCheckResult result = waitForResult(updater);
    EXPECT_EQ(result.status, UpdateCheckResult::Status::failed);
}

TEST_F(UpdaterTest, NotStartedWhenTheEnvironmentSaysSo)
{
    ASSERT_TRUE(qEnvironmentVariableIsSet("KELVO_NO_UPDATES")); // every test process
    auto updater = makeUpdater();
    updater->start();
    EXPECT_FALSE(updater->isStarted());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(UpdaterTest, ChecksDailyWhileAutomaticChecksAreOn)
{
    const QByteArray saved = qgetenv("KELVO_NO_UPDATES");
    qunsetenv("KELVO_NO_UPDATES");
    server.body = feed({{"17", "2.0"}});
    settings.setValue(QStringLiteral("updates/lastCheck"), now.addSecs(-23 * 3600));
    auto updater = makeUpdater();
    updater->setAutomaticallyChecksForUpdates(true); // the user said yes
    updater->start();
    qputenv("KELVO_NO_UPDATES", saved);
    ASSERT_TRUE(updater->isStarted());

    // Last checked 23 hours ago: the next check is due in one hour.
    scheduler.advance(59min);
    EXPECT_FALSE(updater->isChecking());
    now = now.addSecs(3600);
    scheduler.advance(1min);
    EXPECT_TRUE(updater->isChecking());
    bool user = true;
    EXPECT_EQ(waitForResult(*updater, &user).status, UpdateCheckResult::Status::upToDate);
    EXPECT_FALSE(user);
    EXPECT_EQ(settings.value(QStringLiteral("updates/lastCheck")).toDateTime(), now);

    // Switched off, no check comes; switched on after a day, one comes at once.
    updater->setAutomaticallyChecksForUpdates(false);
    scheduler.advance(48h);
    EXPECT_FALSE(updater->isChecking());
    EXPECT_EQ(server.requests.size(), 1);
    now = now.addDays(2);
    updater->setAutomaticallyChecksForUpdates(true);
    scheduler.runDue();
    EXPECT_TRUE(updater->isChecking());
    waitForResult(*updater);
    EXPECT_EQ(server.requests.size(), 2);
}

TEST_F(UpdaterTest, NothingIsAskedOfTheServerBeforeTheUserAnswers)
{
    const QByteArray saved = qgetenv("KELVO_NO_UPDATES");
    qunsetenv("KELVO_NO_UPDATES");
    auto updater = makeUpdater();
    updater->start();
    qputenv("KELVO_NO_UPDATES", saved);
    EXPECT_FALSE(updater->hasAskedAboutAutomaticChecks());
    EXPECT_FALSE(updater->automaticallyChecksForUpdates());
    scheduler.advance(72h);
    EXPECT_FALSE(updater->isChecking());
    EXPECT_TRUE(server.requests.isEmpty());

    // "Not now" is an answer too: still no request.
    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_TRUE(updater->hasAskedAboutAutomaticChecks());
    scheduler.advance(72h);
    EXPECT_FALSE(updater->isChecking());
}

TEST_F(UpdaterTest, WithoutAFeedThereAreNoChecksAtAll)
{
    const QByteArray saved = qgetenv("KELVO_NO_UPDATES");
    qunsetenv("KELVO_NO_UPDATES");
    Updater::Options options;
    options.feedUrl = QUrl();
    Updater updater(scheduler, settings, options);
    updater.setAutomaticallyChecksForUpdates(true);
    updater.start();
    qputenv("KELVO_NO_UPDATES", saved);
    EXPECT_FALSE(updater.hasFeed());
    EXPECT_FALSE(updater.isStarted());
    scheduler.advance(72h);
    updater.checkForUpdates(); // not even when asked from a menu
    EXPECT_FALSE(updater.isChecking());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    EXPECT_TRUE(server.requests.isEmpty());
    for (const char *address : {"", "kelvo.invalid/appcast.xml", "file:///etc/passwd", "https:///appcast.xml"}) {
        options.feedUrl = QUrl(QString::fromLatin1(address));
        EXPECT_FALSE(Updater(scheduler, settings, options).hasFeed()) << address;
    }
}

TEST_F(UpdaterTest, NeverCheckedMeansCheckAtStart)
{
    const QByteArray saved = qgetenv("KELVO_NO_UPDATES");
    qunsetenv("KELVO_NO_UPDATES");
    auto updater = makeUpdater();
    updater->setAutomaticallyChecksForUpdates(true);
    updater->start();
    qputenv("KELVO_NO_UPDATES", saved);
    server.body = feed({});
    scheduler.runDue();
    EXPECT_TRUE(updater->isChecking());
    const UpdateCheckResult result = waitForResult(*updater);
    EXPECT_EQ(result.status, UpdateCheckResult::Status::upToDate);
    EXPECT_FALSE(result.latest);
}

TEST(UpdaterFeedAddress, EnvironmentOverridesTheBuiltInAddress)
{
    qputenv("KELVO_UPDATE_FEED_URL", "http://127.0.0.1:8080/test.xml");
    EXPECT_EQ(Updater::defaultFeedUrl(), QUrl("http://127.0.0.1:8080/test.xml"));
    qunsetenv("KELVO_UPDATE_FEED_URL");
    EXPECT_EQ(Updater::defaultFeedUrl(), QUrl(QStringLiteral(KELVO_UPDATE_FEED_URL)));
}

TEST(ParseAppcast, ElementsAndEnclosureAttributes)
{
    const QByteArray document = R"(<?xml version="1.0"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><link>https://kelvo.app</link>
  <item><sparkle:version>20</sparkle:version><sparkle:shortVersionString>2.2</sparkle:shortVersionString>
    <link>https://kelvo.app/2.2</link></item>
  <item><enclosure url="https://kelvo.app/kelvo-2.3.tar.gz" sparkle:version="21" sparkle:shortVersionString="2.3"/></item>
  <item><title>no version</title><link>https://kelvo.app/x</link></item>
  <item><sparkle:version>22</sparkle:version><link>javascript:alert(1)</link></item>
</channel></rss>)";
    const auto items = parseAppcast(document);
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 3);
    EXPECT_EQ(items->at(0), (AppcastItem{"20", "2.2", QUrl("https://kelvo.app/2.2")}));
    EXPECT_EQ(items->at(1), (AppcastItem{"21", "2.3", QUrl("https://kelvo.app/kelvo-2.3.tar.gz")}));
    // No short version: the version stands in; a link that is not a web address is dropped.
    EXPECT_EQ(items->at(2), (AppcastItem{"22", "22", QUrl()}));
}

TEST(ParseAppcast, UnreadableDocuments)
{
    EXPECT_FALSE(parseAppcast(""));
    EXPECT_FALSE(parseAppcast("<feed xmlns=\"http://www.w3.org/2005/Atom\"></feed>"));
    EXPECT_FALSE(parseAppcast("<rss><channel><item>"));
    EXPECT_FALSE(parseAppcast("<rss><channel></rss>"));
    const auto empty = parseAppcast("<rss><channel></channel></rss>");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEmpty());
}

struct VersionCase {
    const char *a;
    const char *b;
    int expected;
};

class CompareVersionsTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(CompareVersionsTest, Orders)
{
    EXPECT_EQ(compareVersions(QString::fromUtf8(GetParam().a), QString::fromUtf8(GetParam().b)), GetParam().expected);
    EXPECT_EQ(compareVersions(QString::fromUtf8(GetParam().b), QString::fromUtf8(GetParam().a)), -GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CompareVersionsTest,
                         ::testing::Values(VersionCase{"17", "17", 0}, VersionCase{"18", "17", 1},
                                           VersionCase{"9", "10", -1}, VersionCase{"2.0", "2", 0},
                                           VersionCase{"2.0.1", "2.0", 1}, VersionCase{"1.10", "1.9", 1},
                                           VersionCase{"2.0", "2.0.beta", 1}, VersionCase{"a", "b", -1},
                                           VersionCase{" 3 ", "3", 0}));

} // namespace
} // namespace kelvo

Q_DECLARE_METATYPE(kelvo::UpdateCheckResult)
