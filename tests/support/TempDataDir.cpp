// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TempDataDir.h"

namespace kelvo::test {

TempDataDir::TempDataDir()
    : previous_(qgetenv("KELVO_DATA_DIR"))
    , hadPrevious_(qEnvironmentVariableIsSet("KELVO_DATA_DIR"))
{
    qputenv("KELVO_DATA_DIR", dir_.path().toLocal8Bit());
}

TempDataDir::~TempDataDir()
{
    if (hadPrevious_)
        qputenv("KELVO_DATA_DIR", previous_);
    else
        qunsetenv("KELVO_DATA_DIR");
}

} // namespace kelvo::test
