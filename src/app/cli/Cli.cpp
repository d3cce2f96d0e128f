// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli/Cli.h"

#include <algorithm>
#include <cstring>

namespace kelvo::cli {

namespace {

const Command table[] = {
    {"list", "kelvo list", "one line per guide: id, createdAt, steps, title (tab-separated)", false, runList},
    {"show", "kelvo show ID", "the guide's guide.json document", false, runShow},
    {"inspect", "kelvo inspect X Y [--right]", "what a click at the screen point (X, Y) would read, and its caption",
     false, runInspect},
    {"export", "kelvo export ID PATH [--format pdf|html|md] [--force]", "the guide as PDF, HTML or Markdown", false,
     runExport},
    {"export-pdf", "kelvo export-pdf ID FILE", "the guide as a PDF document", false, runExportPdf},
    {"record", "kelvo record [--seconds N] [--no-typing]", "one recording from a terminal; Ctrl+C stops it and prints the id", true,
     runRecord},
};

// "kelvo list" without the program name, for the command list of --help.
const char *arguments(const Command &command)
{
    const char *usage = command.usage;
    return std::strncmp(usage, "kelvo ", 6) == 0 ? usage + 6 : usage;
}

bool isHelpOption(const QString &argument)
{
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}

Invocation finished(int status)
{
    return {Invocation::Kind::Finished, nullptr, status};
}

Invocation mistake(const char *what, const QString &argument)
{
    std::fprintf(stderr, "kelvo: %s '%s'\n", what, argument.toLocal8Bit().constData());
    printUsage(stderr);
    return finished(exitUsage);
}

} // namespace

std::span<const Command> commands()
{
    return table;
}

const Command *findCommand(const QString &name)
{
    for (const Command &command : table) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

void printUsage(FILE *stream)
{
    std::fputs("usage: kelvo [--new-recording]\n"
               "       kelvo COMMAND [ARGUMENTS]\n"
               "       kelvo help [COMMAND] | --help | --version\n"
               "\n"
               "Without a command Kelvo starts the desktop application, or brings the\n"
               "running one forward.\n"
               "  --new-recording  start a recording in the running Kelvo, or start Kelvo and record\n"
               "\n"
               "Commands:\n",
               stream);
    std::size_t width = 0;
    for (const Command &command : table)
        width = std::max(width, std::strlen(arguments(command)));
    for (const Command &command : table)
        std::fprintf(stream, "  %-*s  %s\n", int(width), arguments(command), command.summary);
    std::fputs("\nGuides live in $KELVO_DATA_DIR, or ~/.local/share/Kelvo/Guides. See kelvo(1).\n", stream);
}

void printCommandUsage(const Command &command, FILE *stream)
{
    std::fprintf(stream, "usage: %s\n%s\n", command.usage, command.summary);
}

Invocation parseInvocation(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return {};
    const QString &first = arguments.first();
    if (isHelpOption(first) && arguments.size() == 1) {
        printUsage(stdout);
        return finished(0);
    }
    if (first == QLatin1String("--version") && arguments.size() == 1) {
        std::fputs("kelvo " KELVO_VERSION_TEXT "\n", stdout);
        return finished(0);
    }
    if (first == QLatin1String("--new-recording") && arguments.size() == 1)
        return {Invocation::Kind::NewRecording, nullptr, 0};
    if (first == QLatin1String("help")) {
        if (arguments.size() == 1) {
            printUsage(stdout);
            return finished(0);
        }
        const Command *command = findCommand(arguments[1]);
        if (!command || arguments.size() > 2)
            return mistake("no help for", arguments.mid(1).join(QLatin1Char(' ')));
        printCommandUsage(*command, stdout);
        return finished(0);
    }
    if (first.startsWith(QLatin1Char('-'))) {
        const bool known = isHelpOption(first) || first == QLatin1String("--version")
            || first == QLatin1String("--new-recording");
        return mistake(known ? "no arguments are taken after" : "unknown option", first);
    }
    const Command *command = findCommand(first);
    if (!command)
        return mistake("unknown command", first);
    if (std::any_of(arguments.begin() + 1, arguments.end(), isHelpOption)) {
        printCommandUsage(*command, stdout);
        return finished(0);
    }
    return {Invocation::Kind::Command, command, 0};
}

} // namespace kelvo::cli
