// SPDX-License-Identifier: Apache-2.0
// Numbers in machine-read outputs (CSV, Prometheus, performance data): the
// shortest text that reads back as the same value, with a '.' whatever the
// locale says.
#pragma once

#include <string>

namespace Cli {

// 40 -> "40", 0.085 -> "0.085".
std::string NumberText(double value);

}  // namespace Cli
