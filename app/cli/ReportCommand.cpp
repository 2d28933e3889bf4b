// SPDX-License-Identifier: Apache-2.0
// quellmark report: each printer's pages and supplies over a period, from
// the history query --record keeps, and the printers not seen since its
// start.
#include <ctime>

#include "Commands.h"
#include "HistoryStore.h"
#include "Output.h"
#include "PrinterUsage.h"
#include "ReportOutput.h"

namespace Cli {

int RunReport(const TOptions& options)
{
    // The history's times are whole seconds: until = now + 1 keeps this
    // second's records in the period.
    TReportPeriod period;
    period.until = options.until.value_or(static_cast<std::int64_t>(std::time(nullptr)) + 1);
    period.sinceChosen = !options.since;
    period.since = options.since.value_or(period.until - std::int64_t{kDefaultReportDays} * 86400);
    const THistory history(options.printers.empty() ? std::string() : options.printers[0], THistory::TMode::Read);
    const std::vector<TPrinterUsage> printers =
        PrinterUsage(history.Answered(period.since, period.until), period.since);
    switch (options.output) {
    case TOutput::Json: Write(stdout, ReportJson(period, printers)); break;
    case TOutput::Csv: Write(stdout, ReportCsv(period, printers)); break;
    default: Write(stdout, ReportText(period, printers)); break;
    }
    return kExitOk;
}

}  // namespace Cli
