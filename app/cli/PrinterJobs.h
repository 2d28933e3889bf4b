// SPDX-License-Identifier: Apache-2.0
// What the commands ask of the printer library: the print server's list,
// and one raw job to one printer with its outcome instead of an exception.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "PrinterUtils.h"

namespace Cli {

enum class TStatus { Sent, Completed, Aborted, Canceled, Failed };

// "sent", "completed", "aborted", "canceled" or "failed".
const char* StatusWord(TStatus status);

struct TOutcome {
    TStatus status = TStatus::Failed;
    std::string message;
    std::string answer;  // the printer's back channel
};

// The printers the print server lists. A server that cannot be asked is an
// error, never an empty list.
std::vector<PrinterUtils::TPrinterInfo> ListedPrinters();

// One raw job of the file to the printer: every failure is this printer's
// own outcome. The job is followed to its end when wait is set or when the
// target's jobs always are (PrinterUtils::FollowsJobs); timeoutMs > 0
// replaces the library's bound.
TOutcome SendJob(const PrinterUtils::TPrinterTarget& printer, const std::string& fileName, bool wait, int timeoutMs);

// The failed outcome of a printer known not to take PostScript
// (PostScriptCheck.h), named as given; nullopt when it takes PostScript or
// nobody knows.
std::optional<TOutcome> RefuseNonPostScript(const std::string& name, const PrinterUtils::TPrinterTarget& printer);

}  // namespace Cli
