// SPDX-License-Identifier: Apache-2.0
// report's output: text lines, one JSON object or CSV (RFC 4180), all
// from the same usage figures. Times are local, as the period was given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PrinterUsage.h"

namespace Cli {

struct TReportPeriod {
    std::int64_t since = 0;
    std::int64_t until = 0;
    bool sinceChosen = false;  // no --since: the period's last kDefaultReportDays
};

inline constexpr int kDefaultReportDays = 30;

std::string ReportText(const TReportPeriod& period, const std::vector<TPrinterUsage>& printers);
std::string ReportJson(const TReportPeriod& period, const std::vector<TPrinterUsage>& printers);
std::string ReportCsv(const TReportPeriod& period, const std::vector<TPrinterUsage>& printers);

}  // namespace Cli
