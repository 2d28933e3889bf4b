// SPDX-License-Identifier: Apache-2.0
// quellmark: list, print and query, over the same libraries as the window.
// Each printer is served on its own (a failure is that printer's outcome
// and never stops the others), at most --jobs at a time, and its outcome is
// written as soon as it is known.
#pragma once

#include <string>
#include <vector>

#include "CommandLine.h"

namespace Cli {

// Runs the command line (the arguments after the program's name) and
// returns the exit status: 0 when every printer succeeded, 1 when any
// failed, 2 on bad usage (check: its monitoring state, 3 on bad usage).
int RunCommandLine(const std::vector<std::string>& args);

// The commands, each returning the exit status and raising for a failure
// that is no single printer's.
int RunList(const TOptions& options);
int RunPrint(const TOptions& options);
int RunQuery(const TOptions& options);
int RunReport(const TOptions& options);
// Returns a monitoring state (0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN).
int RunCheck(const TOptions& options);

}  // namespace Cli
