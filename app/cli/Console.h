// SPDX-License-Identifier: Apache-2.0
// The console the command line writes to (Console_posix.cpp,
// Console_win32.cpp).
#pragma once

namespace Cli {

// Makes standard output and standard error take UTF-8 bytes unchanged.
void PrepareConsole();

// Whether standard output is a terminal (then print shows a progress line).
bool StdoutIsTerminal();

}  // namespace Cli
