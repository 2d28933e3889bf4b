// SPDX-License-Identifier: Apache-2.0
// quellmark check's verdict on one printer's answer, as monitoring plugins
// give it: a state and one status line with performance data.
#pragma once

#include <string>

#include "MonitoringRange.h"
#include "PrinterQuery.h"

namespace Cli {

enum class TCheckState { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

struct TCheckVerdict {
    TCheckState state = TCheckState::Unknown;
    std::string line;  // "PRINTER WARNING - ... | 'black_toner'=8%;@0:20;@0:5;0;100 ...", no newline
};

// The worst of: each supply's level in percent of what is left (of a
// receptacle such as a waste toner box: the room left in it) against the
// ranges, critical first; a supply without a level that the printer calls
// empty (critical) or low (warning); each alert by AlertSeverity; a stopped
// printer (critical). A printer that did not answer is critical; one that
// answered without any supply level is unknown unless something else is
// worse. Worst first: critical, warning, unknown, ok.
TCheckVerdict JudgePrinter(const std::string& printer, const PrinterUtils::TStatusOutcome& outcome,
                           const TMonitoringRange& warning, const TMonitoringRange& critical);

}  // namespace Cli
