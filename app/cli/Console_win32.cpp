// SPDX-License-Identifier: Apache-2.0
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include "Console.h"

namespace Cli {

void PrepareConsole()
{
    // Bytes go out as written: no LF to CR LF in JSON, UTF-8 on the console.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    ::SetConsoleOutputCP(CP_UTF8);
}

bool StdoutIsTerminal()
{
    return ::_isatty(::_fileno(stdout)) != 0;
}

}  // namespace Cli
