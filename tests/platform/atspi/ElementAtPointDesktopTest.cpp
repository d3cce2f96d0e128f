// SPDX-License-Identifier: GPL-3.0-or-later
// Inspection against a real GTK application with a real accessibility tree:
// gtk3-widget-factory in the virtual desktop. Widget positions come from
// AT-SPI at test time (widget_factory_targets.py), never from fixed numbers.
#include "capture/CaptionWriter.h"
#include "platform/atspi/AtspiClickTargetFinder.h"
#include "platform/x11/X11ApplicationNames.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRect>
#include <QThread>

#include "support/QtPrinters.h"
#include "support/capture/WidgetFactoryApp.h"

#include <gtest/gtest.h>

#include <future>
#include <vector>

namespace kelvo {
namespace {

const QString factoryName = QStringLiteral("Widget Factory"); // Name of its desktop entry

struct Widget {
    QPoint centre;
    QString atspiRole;
    QString name;
};

struct Inspection {
    int status = -1;
    QHash<QString, QString> fields;
};

Inspection inspect(QPoint point, bool right = false)
{
    QStringList arguments{QStringLiteral("inspect"), QString::number(point.x()), QString::number(point.y())};
    if (right)
        arguments << QStringLiteral("--right");
    QProcess process;
    process.start(QStringLiteral(KELVO_BINARY), arguments);
    process.waitForFinished(30000);
    Inspection result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            result.fields.insert(QString::fromUtf8(line.left(colon)), QString::fromUtf8(line.mid(colon + 1)));
    }
    return result;
}

bool setAccessibility(bool enabled)
{
    return QProcess::execute(QStringLiteral("dbus-send"),
               {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.a11y.Bus"),
                   QStringLiteral("/org/a11y/bus"), QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                   QStringLiteral("string:org.a11y.Status"), QStringLiteral("string:IsEnabled"),
                   enabled ? QStringLiteral("variant:boolean:true") : QStringLiteral("variant:boolean:false")})
        == 0;
}

class WidgetFactory : public ::testing::Test {
protected:
    static inline test::WidgetFactoryApp *factory = nullptr;
    static inline QHash<QString, Widget> widgets;
    static inline QRect window;

    static void SetUpTestSuite()
    {
        factory = new test::WidgetFactoryApp;
        ASSERT_TRUE(factory->ready()) << factory->error().toStdString();
        for (auto it = factory->widgets().begin(); it != factory->widgets().end(); ++it)
            widgets.insert(it.key(), Widget{it->centre, it->atspiRole, it->name});
        window = factory->window();
    }

    static void TearDownTestSuite()
    {
        delete factory;
        factory = nullptr;
    }

    static QPoint emptyDesktopPoint()
    {
        for (const QPoint candidate : {QPoint(3, 3), QPoint(1916, 3), QPoint(3, 1076), QPoint(1916, 1076)}) {
            if (!window.adjusted(-40, -40, 40, 40).contains(candidate))
                return candidate;
        }
        return {};
    }
};

struct Expectation {
    const char *kind;
    const char *role;
    const char *withLabel;    // %1 stands for the widget's name
    const char *withoutLabel; // when the widget has no name
};

TEST_F(WidgetFactory, EachKindOfWidgetGetsItsTableCaption)
{
    const Expectation expectations[] = {
        {"button", "AXButton", "Click \"%1\"", "Click the button"},
        {"checkbox", "AXCheckBox", "Toggle \"%1\"", "Toggle the checkbox"},
        {"radio", "AXRadioButton", "Select \"%1\"", "Select the option"},
        {"tab", "AXTab", "Switch to the \"%1\" tab", "Switch tabs"},
        {"slider", "AXSlider", "Adjust \"%1\"", "Adjust the slider"},
        {"entry", "AXTextField", "Click the \"%1\" field", "Click in the text field"},
        {"combo", "AXPopUpButton", "Open the \"%1\" dropdown", "Open the dropdown"},
    };
    for (const Expectation &expected : expectations) {
        SCOPED_TRACE(expected.kind);
        ASSERT_TRUE(widgets.contains(QLatin1String(expected.kind)));
        const Widget widget = widgets.value(QLatin1String(expected.kind));
        const Inspection result = inspect(widget.centre);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.fields.value(QStringLiteral("role")), QLatin1String(expected.role));
        EXPECT_EQ(result.fields.value(QStringLiteral("label")), widget.name);
        EXPECT_EQ(result.fields.value(QStringLiteral("appName")), factoryName);
        EXPECT_TRUE(result.fields.contains(QStringLiteral("windowTitle")));
        const QString caption = widget.name.isEmpty() ? QLatin1String(expected.withoutLabel)
                                                      : QString::fromUtf8(expected.withLabel).arg(widget.name);
        EXPECT_EQ(result.fields.value(QStringLiteral("caption")), caption);
    }
}

TEST_F(WidgetFactory, RightClickChangesOnlyTheRowsWithAVerb)
{
    EXPECT_EQ(inspect(widgets.value(QStringLiteral("entry")).centre, true).fields.value(QStringLiteral("caption")),
        QStringLiteral("Right-click in the text field"));
    const Widget checkBox = widgets.value(QStringLiteral("checkbox"));
    EXPECT_EQ(inspect(checkBox.centre, true).fields.value(QStringLiteral("caption")),
        QStringLiteral("Toggle \"%1\"").arg(checkBox.name));
}

TEST_F(WidgetFactory, EmptyDesktopPointGivesTheFrontmostApplicationCaption)
{
    const QPoint point = emptyDesktopPoint();
    ASSERT_FALSE(point.isNull()) << "the window covers every corner";
    const Inspection result = inspect(point);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.fields.value(QStringLiteral("role"), QStringLiteral("missing")), QString());
    EXPECT_EQ(result.fields.value(QStringLiteral("label"), QStringLiteral("missing")), QString());
    EXPECT_EQ(result.fields.value(QStringLiteral("windowTitle"), QStringLiteral("missing")), QString());
    EXPECT_EQ(result.fields.value(QStringLiteral("appName")), factoryName);
    EXPECT_EQ(result.fields.value(QStringLiteral("caption")), QStringLiteral("Click in Widget Factory"));
}

TEST_F(WidgetFactory, AccessibilityOffGivesNoElementAndDoesNotSwitchItOn)
{
    struct Restore {
        ~Restore() { setAccessibility(true); }
    } restore;
    ASSERT_TRUE(setAccessibility(false));
    EXPECT_FALSE(atspi::AtspiClickTargetFinder::accessibilityEnabled());
    const Inspection result = inspect(widgets.value(QStringLiteral("button")).centre);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.fields.value(QStringLiteral("role"), QStringLiteral("missing")), QString());
    EXPECT_EQ(result.fields.value(QStringLiteral("label"), QStringLiteral("missing")), QString());
    EXPECT_EQ(result.fields.value(QStringLiteral("caption")), QStringLiteral("Click in Widget Factory"));
    EXPECT_FALSE(atspi::AtspiClickTargetFinder::accessibilityEnabled()) << "inspection switched accessibility on";

    // And in process: nothing at once.
    atspi::DesktopAccessibility desktop = atspi::makeDesktopAccessibility();
    EXPECT_EQ(desktop.inspector->inspectTarget(widgets.value(QStringLiteral("button")).centre.x(),
                  widgets.value(QStringLiteral("button")).centre.y()),
        std::nullopt);
    setAccessibility(true);
    EXPECT_TRUE(atspi::AtspiClickTargetFinder::accessibilityEnabled());
}

TEST_F(WidgetFactory, CallersOnAnyThreadGetTheSameAnswers)
{
    atspi::DesktopAccessibility desktop = atspi::makeDesktopAccessibility();
    const QPoint tab = widgets.value(QStringLiteral("tab")).centre;
    const QPoint combo = widgets.value(QStringLiteral("combo")).centre;
    const std::optional<ClickTarget> tabTarget = desktop.inspector->inspectTarget(tab.x(), tab.y());
    const std::optional<ClickTarget> comboTarget = desktop.inspector->inspectTarget(combo.x(), combo.y());
    ASSERT_TRUE(tabTarget && comboTarget);
    EXPECT_EQ(tabTarget->role, QStringLiteral("AXTab"));
    EXPECT_EQ(comboTarget->role, QStringLiteral("AXPopUpButton"));

    std::vector<std::future<bool>> callers;
    for (int thread = 0; thread < 4; ++thread) {
        callers.push_back(std::async(std::launch::async, [&, thread] {
            bool same = true;
            for (int i = 0; i < 5; ++i) {
                const QPoint point = (thread + i) % 2 ? tab : combo;
                same = same && desktop.inspector->inspectTarget(point.x(), point.y()) == ((thread + i) % 2 ? tabTarget : comboTarget);
            }
            return same;
        }));
    }
    for (auto &caller : callers)
        EXPECT_TRUE(caller.get());
}

TEST_F(WidgetFactory, ApplicationNamesComeFromTheDesktopEntry)
{
    x11::X11ApplicationNames names(&atspi::AtspiClickTargetFinder::accessibleApplicationName);
    EXPECT_EQ(names.applicationName(factory->processId()), factoryName);
    EXPECT_EQ(names.frontmostApplicationName(), factoryName);
    // In two halves, as a click takes it: the window now, its name later.
    const unsigned active = names.activeWindow();
    EXPECT_NE(active, 0u);
    EXPECT_EQ(names.applicationOfWindow(active), factoryName);
    EXPECT_EQ(names.applicationOfWindow(0), std::nullopt);
    EXPECT_EQ(names.applicationName(0), std::nullopt);
    EXPECT_EQ(names.applicationName(4194304 + 17), std::nullopt) << "beyond the largest process id";
}

// Runs last: it changes the combo box the other tests read.
TEST_F(WidgetFactory, AnswersFollowChangesInTheApplication)
{
    atspi::DesktopAccessibility desktop = atspi::makeDesktopAccessibility();
    const Widget combo = widgets.value(QStringLiteral("combo"));
    const auto labelNow = [&] {
        const std::optional<ClickTarget> target = desktop.inspector->inspectTarget(combo.centre.x(), combo.centre.y());
        return target ? target->label.value_or(QString()) : QString();
    };
    const auto choose = [&](const char *key) {
        const QString x = QString::number(combo.centre.x());
        const QString y = QString::number(combo.centre.y());
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), x, y, QStringLiteral("click"),
                                                        QStringLiteral("1"), QStringLiteral("sleep"), QStringLiteral("0.5"),
                                                        QStringLiteral("key"), QLatin1String(key),
                                                        QStringLiteral("Return")});
    };
    // Waits for the application to take the change, up to a deadline.
    const auto eventually = [&](const QString &expected) {
        QDeadlineTimer deadline(10000);
        QString seen = labelNow();
        while (seen != expected && !deadline.hasExpired()) {
            QThread::msleep(50);
            seen = labelNow();
        }
        return seen;
    };
    ASSERT_EQ(labelNow(), combo.name);
    choose("Down");
    const QString changed = eventually(QStringLiteral("Middle"));
    choose("Up");
    EXPECT_EQ(changed, QStringLiteral("Middle"));
    EXPECT_EQ(eventually(combo.name), combo.name);
}

TEST(InspectCommand, RejectsBadArguments)
{
    for (const QStringList &arguments : {QStringList{QStringLiteral("inspect")},
             QStringList{QStringLiteral("inspect"), QStringLiteral("10")},
             QStringList{QStringLiteral("inspect"), QStringLiteral("x"), QStringLiteral("10")},
             QStringList{QStringLiteral("inspect"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")},
             QStringList{QStringLiteral("inspect"), QStringLiteral("nan"), QStringLiteral("2")}}) {
        QProcess process;
        process.start(QStringLiteral(KELVO_BINARY), arguments);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    }
}

} // namespace
} // namespace kelvo
