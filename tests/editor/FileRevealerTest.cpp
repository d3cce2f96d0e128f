// SPDX-License-Identifier: GPL-3.0-or-later
// The file-manager reveal on the session bus of the virtual desktop: a stand-in
// file manager registered by the test, and the fallback when none answers.
#include "editor/ExportActions.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QTimer>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

class StandInFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList lastUris;

public slots:
    void ShowItems(const QStringList &uris, const QString &startupId)
    {
        Q_UNUSED(startupId);
        lastUris = uris;
        emit shown();
    }

signals:
    void shown();
};

const QString service = QStringLiteral("org.freedesktop.FileManager1");

TEST(FileRevealer, AsksTheFileManagerToShowTheItems)
{
    // A connection of its own, so the call really travels through the bus daemon.
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("stand-in"));
    ASSERT_TRUE(bus.isConnected());
    StandInFileManager manager;
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(service));

    QList<QUrl> fallbacks;
    DesktopFileRevealer revealer([&](const QUrl &url) { fallbacks << url; });
    QEventLoop loop;
    QObject::connect(&manager, &StandInFileManager::shown, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    revealer.showItems({QStringLiteral("/tmp/Kelvo Guides/a#b.pdf")});
    if (manager.lastUris.isEmpty())
        loop.exec();
    EXPECT_EQ(manager.lastUris, QStringList{QStringLiteral("file:///tmp/Kelvo%20Guides/a%23b.pdf")});
    EXPECT_TRUE(fallbacks.isEmpty());

    bus.unregisterService(service);
    bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
}

TEST(FileRevealer, OpensTheFolderWhenNoFileManagerAnswers)
{
    ASSERT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(service).value());
    QList<QUrl> fallbacks;
    QEventLoop loop;
    DesktopFileRevealer revealer([&](const QUrl &url) {
        fallbacks << url;
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    revealer.showItems({QStringLiteral("/tmp/guides/ABC/guide.pdf")});
    if (fallbacks.isEmpty())
        loop.exec();
    ASSERT_EQ(fallbacks.size(), 1);
    EXPECT_EQ(fallbacks[0].toString().toStdString(), "file:///tmp/guides/ABC");
}

} // namespace
} // namespace kelvo

#include "FileRevealerTest.moc"
