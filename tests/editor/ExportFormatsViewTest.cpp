// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's split Export button: PDF, HTML or Markdown, the last choice kept.
#include "editor/GuideEditorView.h"

#include "support/ManualScheduler.h"
#include "support/TempDataDir.h"
#include "support/TestGuides.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

struct AskingPanel : SavePanel {
    struct Question {
        QString suggestedName;
        ExportFormat format;
    };
    QList<Question> questions;
    std::optional<QString> answer;
    std::optional<QString> askForPDFLocation(QWidget *parent, const QString &name) override
    {
        return askForExportLocation(parent, name, ExportFormat::pdf);
    }
    std::optional<QString> askForExportLocation(QWidget *, const QString &name, ExportFormat format) override
    {
        questions.append({name, format});
        return answer;
    }
};

struct OnlyPdfPanel : SavePanel {
    int asked = 0;
    std::optional<QString> askForPDFLocation(QWidget *, const QString &) override
    {
        ++asked;
        return std::nullopt;
    }
};

struct Memory : ExportFormatMemory {
    ExportFormat format = ExportFormat::pdf;
    int remembered = 0;
    ExportFormat lastFormat() const override { return format; }
    void remember(ExportFormat f) override
    {
        format = f;
        ++remembered;
    }
};

struct Revealer : FileRevealer {
    QList<QStringList> shown;
    void showItems(const QStringList &paths) override { shown << paths; }
};

struct Picker : SharePicker {
    QStringList offered;
    void offer(const QString &path, QWidget *, QPoint) override { offered << path; }
};

struct Alerts : Alerter {
    QStringList messages;
    void alert(QWidget *, const QString &, const QString &message) override { messages << message; }
};

class ExportFormatsView : public ::testing::Test {
protected:
    test::TempDataDir data;
    QTemporaryDir out;
    test::ManualScheduler scheduler;
    GuideStore store{scheduler};
    QUndoStack undo;
    AskingPanel panel;
    Memory memory;
    Revealer revealer;
    Picker picker;
    Alerts alerts;
    Guide guide;
    std::unique_ptr<GuideEditorView> editor;

    void open(int steps)
    {
        guide = test::plantGuide(store, QStringLiteral("Set up: the printer"), steps,
                                 QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC));
        reopen();
    }

    void reopen()
    {
        GuideEditorView::Services services;
        services.exporter = {&panel, &revealer, &picker, &alerts, out.filePath("share"), &memory};
        editor.reset();
        editor = std::make_unique<GuideEditorView>(store, *store.guideBinding(guide.id), &undo, services);
        editor->resize(1400, 900);
        editor->show();
        QCoreApplication::processEvents();
    }

    QAction *menuEntry(ExportFormat format) const
    {
        for (QAction *action : editor->exportFormatsMenu()->actions()) {
            if (action->data().toString() == exportFormatKey(format))
                return action;
        }
        return nullptr;
    }
};

TEST_F(ExportFormatsView, TheArrowOffersEachFormatAndTheButtonKeepsTheLastChoice)
{
    open(2);
    EXPECT_EQ(editor->exportButton()->text(), QStringLiteral("Export PDF"));
    QStringList entries;
    for (QAction *action : editor->exportFormatsMenu()->actions())
        entries << action->text();
    EXPECT_EQ(entries, (QStringList{"PDF…\tCtrl+E", "HTML…", "Markdown…"}));

    panel.answer = out.filePath("Guide.html");
    menuEntry(ExportFormat::html)->trigger();
    ASSERT_EQ(panel.questions.size(), 1);
    EXPECT_EQ(panel.questions[0].suggestedName, QStringLiteral("Set up- the printer.html"));
    EXPECT_EQ(panel.questions[0].format, ExportFormat::html);
    EXPECT_TRUE(QFile(out.filePath("Guide.html")).size() > 0);
    EXPECT_EQ(revealer.shown.value(0), QStringList{out.filePath("Guide.html")});
    EXPECT_EQ(memory.format, ExportFormat::html);
    EXPECT_EQ(editor->exportButton()->text(), QStringLiteral("Export HTML"));

    // The button now exports HTML again; a new editor starts from the kept choice.
    panel.answer.reset();
    editor->exportButton()->click();
    EXPECT_EQ(panel.questions.value(1).format, ExportFormat::html);
    memory.format = ExportFormat::markdown;
    reopen();
    EXPECT_EQ(editor->exportButton()->text(), QStringLiteral("Export Markdown"));
    editor->exportButton()->click();
    EXPECT_EQ(panel.questions.value(2).suggestedName, QStringLiteral("Set up- the printer"));

    // Ctrl+E from the menus stays PDF, and Share keeps sharing the PDF.
    editor->guideActions().exportPDF();
    EXPECT_EQ(panel.questions.value(3).format, ExportFormat::pdf);
    EXPECT_EQ(editor->exportButton()->text(), QStringLiteral("Export PDF"));
    editor->shareButton()->click();
    ASSERT_EQ(picker.offered.size(), 1);
    EXPECT_TRUE(picker.offered[0].endsWith(QStringLiteral("/Set up- the printer.pdf")));
    EXPECT_TRUE(alerts.messages.isEmpty()) << alerts.messages.join('\n').toStdString();
}

TEST_F(ExportFormatsView, BothHalvesAreOffWithoutSteps)
{
    open(0);
    EXPECT_FALSE(editor->exportButton()->isEnabled());
    EXPECT_FALSE(editor->exportFormatsButton()->isEnabled());
    EXPECT_FALSE(editor->guideActions().canExport);
}

TEST_F(ExportFormatsView, MarkdownIntoAnOccupiedFolderIsRefusedAndTheFolderKept)
{
    open(2);
    const QString folder = out.filePath("Printer");
    panel.answer = folder;
    editor->guideActions().exportMarkdown();
    EXPECT_TRUE(QFile::exists(folder + "/README.md"));
    EXPECT_TRUE(QFile::exists(folder + "/images/step-2.jpg"));
    EXPECT_TRUE(alerts.messages.isEmpty());

    editor->guideActions().exportMarkdown();
    ASSERT_EQ(alerts.messages.size(), 1);
    EXPECT_EQ(alerts.messages[0],
              QStringLiteral("The folder “%1” already exists and is not empty. Choose a new folder name.").arg(folder));
    EXPECT_EQ(revealer.shown.size(), 1);
}

TEST_F(ExportFormatsView, PanelsThatOnlyKnowPdfOfferNothingElse)
{
    OnlyPdfPanel only;
    EXPECT_EQ(only.askForExportLocation(nullptr, QStringLiteral("x.html"), ExportFormat::html), std::nullopt);
    EXPECT_EQ(only.asked, 0);
    EXPECT_EQ(only.askForExportLocation(nullptr, QStringLiteral("x.pdf"), ExportFormat::pdf), std::nullopt);
    EXPECT_EQ(only.asked, 1);
}

} // namespace
} // namespace kelvo
