#include "app/cli/Cli.h"

#include <cstdio>

namespace kelvo::cli {

namespace {
const Command table[] = {
    {"list", "kelvo list", false, runList},
    {"show", "kelvo show ID", false, runShow},
    {"inspect", "kelvo inspect X Y [--right]", false, runInspect},
    {"export", "kelvo export ID PATH [--format pdf|html|md] [--force]", false, runExport},
    {"export-pdf", "kelvo export-pdf ID FILE", false, runExportPdf},
    {"record", "kelvo record [--seconds N]", true, runRecord},
};
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

void printUsage()
{
    std::fputs("usage: kelvo                 start the desktop application\n", stderr);
    for (const Command &command : table)
        std::fprintf(stderr, "       %s\n", command.usage);
}

} // namespace kelvo::cli
