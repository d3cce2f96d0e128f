// SPDX-License-Identifier: GPL-3.0-or-later
// Where Kelvo meets its other starts: a private folder, a lock taken before
// listening, and nothing another user can plant in its way.
#include "app/instance/SingleInstance.h"

#include "support/TempDataDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace kelvo {
namespace {

// Sets an environment variable for one scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const QString &value)
        : name_(name)
        , previous_(qgetenv(name))
        , had_(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedEnvironment()
    {
        if (had_)
            qputenv(name_, previous_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    QByteArray previous_;
    bool had_;
};

mode_t modeOf(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

TEST(SingleInstance, TheSocketLivesInThePrivateRuntimeFolder)
{
    QTemporaryDir runtime;
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0700), 0);
    const ScopedEnvironment xdg("XDG_RUNTIME_DIR", runtime.path());
    EXPECT_EQ(singleInstance::privateRuntimeFolder(), runtime.path());
    EXPECT_TRUE(singleInstance::socketPath().startsWith(runtime.path() + QStringLiteral("/kelvo-")));
}

TEST(SingleInstance, AnOpenOrMissingRuntimeFolderGivesWayToAPrivateOneOfOurOwn)
{
    QTemporaryDir temporary;
    const ScopedEnvironment tmp("TMPDIR", temporary.path());
    QTemporaryDir open;
    ASSERT_EQ(::chmod(QFile::encodeName(open.path()).constData(), 0755), 0);
    for (const QString &runtime : {open.path(), QString(), temporary.path() + QStringLiteral("/missing")}) {
        const ScopedEnvironment xdg("XDG_RUNTIME_DIR", runtime);
        const QString folder = singleInstance::privateRuntimeFolder();
        EXPECT_EQ(folder, temporary.path() + QStringLiteral("/kelvo-%1").arg(::geteuid())) << runtime.toStdString();
        EXPECT_EQ(modeOf(folder), 0700u);
    }

    // A fallback folder opened up by someone is refused, with the reason.
    const ScopedEnvironment xdg("XDG_RUNTIME_DIR", QString());
    const QString fallback = temporary.path() + QStringLiteral("/kelvo-%1").arg(::geteuid());
    ASSERT_EQ(::chmod(QFile::encodeName(fallback).constData(), 0777), 0);
    QString error;
    EXPECT_TRUE(singleInstance::privateRuntimeFolder(&error).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("other users can open it"))) << error.toStdString();
}

TEST(SingleInstance, StartsDespiteASocketAtTheOldNameAndHandsOverToTheLiveInstance)
{
    test::TempDataDir data;
    QTemporaryDir temporary;
    QTemporaryDir runtime;
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0700), 0);
    const ScopedEnvironment tmp("TMPDIR", temporary.path());
    const ScopedEnvironment xdg("XDG_RUNTIME_DIR", runtime.path());

    // What another user could plant where Kelvo used to listen: a live server
    // under the old predictable name in the temporary directory.
    QLocalServer squatter;
    const QString oldName = temporary.path() + QStringLiteral("/kelvo-%1-").arg(::geteuid())
        + singleInstance::socketPath().section(QLatin1Char('-'), -1).section(QLatin1Char('.'), 0, 0);
    ASSERT_TRUE(squatter.listen(oldName));
    // And a lock left by an instance that crashed.
    const QString lock = singleInstance::socketPath().replace(QStringLiteral(".socket"), QStringLiteral(".lock"));
    QFile stale(lock);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("999999999\nkelvo\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    stale.close();

    EXPECT_FALSE(singleInstance::handOverToRunningInstance()) << "this start is the instance";
    int shown = 0;
    QLocalServer *server = singleInstance::listen(nullptr, [&](const QByteArray &) { ++shown; });
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->fullServerName(), singleInstance::socketPath());
    EXPECT_FALSE(squatter.hasPendingConnections());

    // A second start finds the live instance, which is asked to show itself.
    EXPECT_TRUE(singleInstance::handOverToRunningInstance());
    QElapsedTimer timer;
    timer.start();
    while (shown == 0 && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(shown, 1) << "the running instance never heard of the second start";
    EXPECT_FALSE(squatter.hasPendingConnections()) << "nothing reached the old name";
    delete server;
}

} // namespace
} // namespace kelvo
