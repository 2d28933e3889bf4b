// SPDX-License-Identifier: Apache-2.0
// A printer's PostScript status report in quellmark query's JSON.
#pragma once

#include <string>

#include "Output.h"
#include "PostScriptReport.h"
#include "PrinterQuery.h"
#include "RecordText.h"

namespace Cli {

// Adds the report's values, then its tables (arrays of row objects), to the
// printer's JSON object, in the report's order; a name the object already
// has is left as it is. A value the page prints as
// "N/A" is null; a whole number in a field the page shows as a number
// ("1,024") is a JSON number; every other value is the page's text.
void AddReportJson(TJson& object, const PrinterUtils::TQueryReport& report);

// The printer's outcome as query's JSON object: printer, status,
// message, the report's values, then the record's keys.
TJson QueryJson(const std::string& printer, const PrinterUtils::TStatusOutcome& outcome);

// The report as text lines (RecordText.h).
using AppCore::ReportText;

}  // namespace Cli
