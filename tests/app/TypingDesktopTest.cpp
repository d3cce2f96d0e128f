// SPDX-License-Identifier: GPL-3.0-or-later
// Typing and shortcuts recorded by `kelvo record` on the virtual desktop: real
// keys (xdotool), real focus and text through AT-SPI, a real password field.
#include "model/GuideJson.h"
#include "support/TempDataDir.h"
#include "support/Wait.h"
#include "support/capture/WidgetFactoryApp.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <csignal>
#include <signal.h>

namespace kelvo {
namespace {

// Typed into the password field; must show up nowhere.
const QByteArray password = QByteArrayLiteral("Qz7Xw9Kv3Pm2");

void xdotool(const QStringList &arguments)
{
    QProcess::execute(QStringLiteral("xdotool"), arguments);
}

void click(QPoint point)
{
    xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

// A process whose standard output is read line by line while the test waits.
class LineReader {
public:
    LineReader(const QString &program, const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] { take(); });
        process.start(program, arguments);
    }
    ~LineReader()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
    bool waitForLine(const QString &line)
    {
        return test::waitFor([&] { return lines.contains(line) || process.state() == QProcess::NotRunning; })
            && lines.contains(line);
    }
    QByteArray allOutput() const { return out; }

    QProcess process;
    QStringList lines;

private:
    void take()
    {
        const QByteArray chunk = process.readAllStandardOutput();
        out += chunk;
        pending += chunk;
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            lines << QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
        }
    }
    QByteArray out;
    QByteArray pending;
};

class TypingDesktop : public ::testing::Test {
protected:
    test::TempDataDir data;

    // The one guide being recorded, as far as it is on disk.
    std::optional<Guide> guideSoFar()
    {
        const QStringList folders = QDir(data.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (folders.size() != 1)
            return std::nullopt;
        QFile file(data.filePath(folders.first() + "/guide.json"));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return decodeGuide(file.readAll());
    }

    QStringList captionsSoFar()
    {
        QStringList captions;
        if (const auto guide = guideSoFar()) {
            for (const Step &step : guide->steps)
                captions << step.caption;
        }
        return captions;
    }

    bool waitForCaptions(qsizetype count)
    {
        return test::waitFor([&] { return captionsSoFar().size() >= count; });
    }

    // Ctrl+C: the guide is kept and its id printed last.
    std::optional<Guide> stop(LineReader &kelvo)
    {
        ::kill(pid_t(kelvo.process.processId()), SIGINT);
        EXPECT_TRUE(kelvo.process.waitForFinished(30000));
        kelvo.process.waitForReadyRead(0);
        EXPECT_EQ(kelvo.process.exitCode(), 0);
        return guideSoFar();
    }

    static std::unique_ptr<LineReader> startRecording()
    {
        auto kelvo = std::make_unique<LineReader>(QStringLiteral(KELVO_BINARY), QStringList{QStringLiteral("record")});
        EXPECT_TRUE(kelvo->waitForLine(QStringLiteral("Recording. Press Ctrl+C or Ctrl+Alt+Super+R to stop.")))
            << kelvo->process.readAllStandardError().toStdString();
        return kelvo;
    }
};

// Every file under path whose bytes hold needle (as UTF-8 or UTF-16).
QStringList filesHolding(const QString &path, const QByteArray &needle)
{
    const QString text = QString::fromUtf8(needle);
    const QByteArray wide(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    QStringList found;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        if (bytes.contains(needle) || bytes.contains(wide))
            found << file.fileName();
    }
    return found;
}

TEST_F(TypingDesktop, AFormFilledInGivesTypingStepsAndThePasswordGoesNowhere)
{
    LineReader form(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(KELVO_SOURCE_DIR "/tests/fixtures/typing-form/typing_form.py")});
    ASSERT_TRUE(form.waitForLine(QStringLiteral("ready"))) << form.process.readAllStandardError().toStdString();

    std::unique_ptr<LineReader> kelvo = startRecording();
    form.process.write("where\n");
    ASSERT_TRUE(form.waitForLine(QStringLiteral("done")));
    QHash<QString, QPoint> fields;
    for (const QString &line : form.lines) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() == 4 && parts[0] == QLatin1String("field"))
            fields.insert(parts[1], QPoint(parts[2].toInt(), parts[3].toInt()));
    }
    ASSERT_EQ(fields.size(), 2);

    click(fields.value("name"));
    ASSERT_TRUE(form.waitForLine(QStringLiteral("focus name")));
    ASSERT_TRUE(waitForCaptions(1)) << "the click's step";
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("Ada Lovelace")});
    xdotool({QStringLiteral("key"), QStringLiteral("Tab")});
    ASSERT_TRUE(form.waitForLine(QStringLiteral("focus password")));
    ASSERT_TRUE(test::waitFor([&] { return captionsSoFar().value(0).startsWith("Type"); })) << "the click merged";
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QString::fromLatin1(password)});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(waitForCaptions(2));
    click(fields.value("name"));
    ASSERT_TRUE(form.waitForLine(QStringLiteral("focus name")));
    ASSERT_TRUE(waitForCaptions(3));
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    ASSERT_TRUE(waitForCaptions(4));
    const std::optional<Guide> guide = stop(*kelvo);
    ASSERT_TRUE(guide);

    QStringList captions;
    for (const Step &step : guide->steps)
        captions << step.caption;
    ASSERT_EQ(captions.size(), 4) << captions.join(" | ").toStdString();
    EXPECT_EQ(captions[0], "Type \"Ada Lovelace\" in the \"Full name\" field");
    EXPECT_EQ(captions[1], "Type the password in the \"Password\" field and press Enter");
    EXPECT_TRUE(captions[2].startsWith("Click")) << captions[2].toStdString();
    EXPECT_EQ(captions[3], "Press Ctrl+A");
    const QString folder = data.filePath(uuidText(guide->id));
    EXPECT_EQ(QDir(folder).entryList({"step-*.jpg"}, QDir::Files).size(), 4) << "the merged click's picture is gone";

    // The password: in no file of the guide folder (pictures, their metadata and
    // the video included), nowhere else Kelvo writes, and in none of its output.
    EXPECT_EQ(filesHolding(data.path(), password), QStringList());
    for (const auto location : {QStandardPaths::GenericConfigLocation, QStandardPaths::GenericCacheLocation,
                                QStandardPaths::RuntimeLocation}) {
        for (const QString &dir : QStandardPaths::standardLocations(location)) {
            for (const QString &kelvoDir : QDir(dir).entryList({"*elvo*"}, QDir::Dirs | QDir::Files))
                EXPECT_EQ(filesHolding(dir + "/" + kelvoDir, password), QStringList());
        }
    }
    EXPECT_FALSE(kelvo->allOutput().contains(password));
    EXPECT_FALSE(kelvo->process.readAllStandardError().contains(password));
}

TEST_F(TypingDesktop, TheWidgetFactorysEntryAndCtrlA)
{
    test::WidgetFactoryApp factory;
    ASSERT_TRUE(factory.ready()) << factory.error().toStdString();
    const QPoint entry = factory.widget("entry").centre;

    std::unique_ptr<LineReader> kelvo = startRecording();
    click(entry);
    ASSERT_TRUE(waitForCaptions(1)) << "the click's step";
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("hello factory")});
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    ASSERT_TRUE(waitForCaptions(2));
    const std::optional<Guide> guide = stop(*kelvo);
    ASSERT_TRUE(guide);
    QStringList seen;
    for (const Step &step : guide->steps)
        seen << QStringLiteral("%1 at (%2, %3)").arg(step.caption).arg(step.clickX * 1920).arg(step.clickY * 1080);
    ASSERT_EQ(guide->steps.size(), 2) << seen.join(" | ").toStdString() << " entry at " << entry.x() << "," << entry.y();
    EXPECT_TRUE(guide->steps[0].caption.startsWith("Type \"hello factory\"")) << guide->steps[0].caption.toStdString();
    EXPECT_EQ(guide->steps[1].caption, "Press Ctrl+A");
    EXPECT_EQ(guide->steps[0].appName, "Widget Factory");
    // GTK 3 reports this window's entry shifted; the merged click puts the marker right.
    EXPECT_NEAR(guide->steps[0].clickX * 1920, entry.x(), 1.0);
    EXPECT_NEAR(guide->steps[0].clickY * 1080, entry.y(), 1.0);
    EXPECT_LT(guide->steps[0].timestamp, guide->steps[1].timestamp);
}

TEST_F(TypingDesktop, NoTypingRecordsClicksOnly)
{
    test::WidgetFactoryApp factory;
    ASSERT_TRUE(factory.ready()) << factory.error().toStdString();
    auto kelvo = std::make_unique<LineReader>(QStringLiteral(KELVO_BINARY),
                                              QStringList{QStringLiteral("record"), QStringLiteral("--no-typing")});
    ASSERT_TRUE(kelvo->waitForLine(QStringLiteral("Recording. Press Ctrl+C or Ctrl+Alt+Super+R to stop.")));
    click(factory.widget("entry").centre);
    ASSERT_TRUE(waitForCaptions(1));
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("quiet")});
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    click(factory.widget("checkbox").centre);
    ASSERT_TRUE(waitForCaptions(2));
    const std::optional<Guide> guide = stop(*kelvo);
    ASSERT_TRUE(guide);
    ASSERT_EQ(guide->steps.size(), 2);
    for (const Step &step : guide->steps)
        EXPECT_FALSE(step.caption.startsWith("Type") || step.caption.startsWith("Press")) << step.caption.toStdString();
}

} // namespace
} // namespace kelvo
