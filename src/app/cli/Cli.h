// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <cstdio>
#include <span>

namespace kelvo::cli {

// A subcommand of `kelvo`: one row of the table in Cli.cpp is all a new command
// needs besides its run function. Commands that need no display run under
// QCoreApplication; the others under QGuiApplication on the X11 desktop.
struct Command {
    const char *name;
    const char *usage;   // "kelvo NAME ARGUMENTS", as `help NAME` prints it
    const char *summary; // one line for `kelvo --help`
    bool needsDisplay;
    int (*run)(const QStringList &arguments); // the arguments after the command's name
};

std::span<const Command> commands();
const Command *findCommand(const QString &name);

// Exit status for unknown guides and wrong usage.
inline constexpr int exitUsage = 2;

// The whole usage: standard output for --help, standard error after a mistake.
void printUsage(FILE *stream = stderr);
void printCommandUsage(const Command &command, FILE *stream);

// What the command line asks of Kelvo before any Qt application exists.
struct Invocation {
    enum class Kind {
        Application,  // the desktop application
        NewRecording, // the desktop application, recording at once
        Command,      // run `command`
        Finished,     // help or an error was printed; exit with `status`
    };
    Kind kind = Kind::Application;
    const Command *command = nullptr;
    int status = 0;
};

// Answers --help, -h, --version, `help [COMMAND]` and `COMMAND --help` itself,
// and rejects unknown options and commands with the usage and exit status 2.
Invocation parseInvocation(const QStringList &arguments); // the arguments after "kelvo"

// Each command, one file each.
int runList(const QStringList &arguments);
int runShow(const QStringList &arguments);
int runInspect(const QStringList &arguments);
int runExport(const QStringList &arguments);
int runExportPdf(const QStringList &arguments); // `export` with the PDF format
int runRecord(const QStringList &arguments);

} // namespace kelvo::cli
