// SPDX-License-Identifier: GPL-3.0-or-later
// `kelvo record` keeps the frame of the clicked window: checked against the
// window's geometry as xdotool and the window manager report it.
#include "model/GuideJson.h"
#include "support/TempDataDir.h"
#include "support/Wait.h"
#include "support/capture/WidgetFactoryApp.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <signal.h>

namespace kelvo {
namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The client window of a process, its position on the screen and its size.
struct Client {
    QString id;
    QRect geometry;
};

std::optional<Client> clientOf(qint64 pid)
{
    const QStringList ids = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                             QStringLiteral("--pid"), QString::number(pid)})
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (ids.isEmpty())
        return std::nullopt;
    const QString shell = run(QStringLiteral("xdotool"),
                              {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), ids.last()});
    QHash<QString, int> values;
    for (const QString &line : shell.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const auto parts = line.split(QLatin1Char('='));
        if (parts.size() == 2)
            values.insert(parts[0], parts[1].toInt());
    }
    if (!values.contains(QStringLiteral("WIDTH")))
        return std::nullopt;
    return Client{ids.last(), QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                                    values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")))};
}

// left, right, top, bottom of a four-cardinal property; zeros when unset.
QList<int> extents(const QString &window, const QString &property)
{
    const QString text = run(QStringLiteral("xprop"), {QStringLiteral("-id"), window, property});
    static const QRegularExpression numbers(QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"));
    const auto match = numbers.match(text);
    if (!match.hasMatch())
        return {0, 0, 0, 0};
    return {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(), match.captured(4).toInt()};
}

TEST(WindowFrameDesktop, ARecordedClickKeepsTheClickedWindowsFrame)
{
    test::TempDataDir data;
    test::WidgetFactoryApp factory;
    ASSERT_TRUE(factory.ready()) << factory.error().toStdString();
    auto client = clientOf(factory.processId());
    ASSERT_TRUE(client) << "no window of gtk3-widget-factory";
    // A small window: framing matters most there.
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("windowsize"), client->id, QStringLiteral("900"), QStringLiteral("640")});
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("windowmove"), client->id, QStringLiteral("300"), QStringLiteral("200")});
    ASSERT_TRUE(test::waitFor([&] {
        client = clientOf(factory.processId());
        return client && client->geometry.width() < 1920 && client->geometry.left() >= 300;
    })) << "the window did not move";

    // The window's frame on the screen: its client, with the window manager's
    // decoration around it, without GTK's invisible shadows.
    const QList<int> wm = extents(client->id, QStringLiteral("_NET_FRAME_EXTENTS"));
    const QList<int> shadow = extents(client->id, QStringLiteral("_GTK_FRAME_EXTENTS"));
    const QRect expected = client->geometry.adjusted(-wm[0] + shadow[0], -wm[2] + shadow[2], wm[1] - shadow[1],
                                                     wm[3] - shadow[3]);
    const QPoint at = client->geometry.center();

    QProcess recorder;
    recorder.start(QStringLiteral(KELVO_BINARY), {QStringLiteral("record")});
    QByteArray output;
    const auto sawLine = [&](const QByteArray &line) {
        output += recorder.readAllStandardOutput();
        return output.contains(line);
    };
    ASSERT_TRUE(test::waitFor([&] { return sawLine("Recording."); })) << output.toStdString();
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()),
                                                  QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(test::waitFor([&] { return sawLine("Steps: 1"); })) << output.toStdString();
    ::kill(pid_t(recorder.processId()), SIGINT);
    ASSERT_TRUE(recorder.waitForFinished(30000));
    output += recorder.readAllStandardOutput();
    const QString id = QString::fromUtf8(output).trimmed().split(QLatin1Char('\n')).last().trimmed();

    QFile file(data.filePath(id + QStringLiteral("/guide.json")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << id.toStdString();
    const auto guide = decodeGuide(file.readAll());
    ASSERT_TRUE(guide);
    EXPECT_EQ(guide->framing, Framing::clickedWindow);
    ASSERT_EQ(guide->steps.size(), 1);
    ASSERT_TRUE(guide->steps[0].windowFrame) << "no frame stored";
    const NormalRect frame = *guide->steps[0].windowFrame;
    EXPECT_NEAR(frame.x * 1920, expected.x(), 2);
    EXPECT_NEAR(frame.y * 1080, expected.y(), 2);
    EXPECT_NEAR(frame.width * 1920, expected.width(), 2);
    EXPECT_NEAR(frame.height * 1080, expected.height(), 2);
}

} // namespace
} // namespace kelvo
