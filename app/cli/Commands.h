// SPDX-License-Identifier: Apache-2.0
// quellmark: list, print and query, over the same libraries as the window.
#pragma once

#include <string>
#include <vector>

namespace Cli {

// Runs the command line (the arguments after the program's name) and
// returns the exit status: 0 when every printer succeeded, 1 when any
// failed, 2 on bad usage.
int RunCommandLine(const std::vector<std::string>& args);

}  // namespace Cli
