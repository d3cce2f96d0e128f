#pragma once

#include <QStringList>

#include <span>

namespace kelvo::cli {

// A subcommand of `kelvo`. Commands that need no display run under
// QCoreApplication; the others under QGuiApplication on the X11 desktop.
struct Command {
    const char *name;
    const char *usage;
    bool needsDisplay;
    int (*run)(const QStringList &arguments); // the arguments after the command's name
};

std::span<const Command> commands();
const Command *findCommand(const QString &name);

// Exit status for unknown guides and wrong usage.
inline constexpr int exitUsage = 2;

void printUsage();

// Each command, one file each.
int runList(const QStringList &arguments);
int runShow(const QStringList &arguments);
int runInspect(const QStringList &arguments);
int runExport(const QStringList &arguments);
int runExportPdf(const QStringList &arguments); // `export` with the PDF format
int runRecord(const QStringList &arguments);

} // namespace kelvo::cli
