// SPDX-License-Identifier: Apache-2.0
#include <unistd.h>

#include "Console.h"

namespace Cli {

void PrepareConsole() {}

bool StdoutIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

}  // namespace Cli
