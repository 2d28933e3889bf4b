// SPDX-License-Identifier: Apache-2.0
// A printer's answers as text lines, the same for the command line and the
// window's status dialog.
#pragma once

#include <string>

#include "PostScriptReport.h"
#include "PrinterQuery.h"
#include "PrinterStatus.h"

namespace AppCore {

// The report as lines indented by two: "Label: value" for each value, then
// one line per table row ("Device %disk0%: Size 1,000, Free space 800, ...")
// under the page's own table headings.
std::string ReportText(const PrinterUtils::TQueryReport& report);

// The record as lines indented by two, "Label: value [source]", for the
// values no PostScript report line shows already, supplies and trays one
// line each.
std::string StatusText(const PrinterUtils::TPrinterStatus& record);

// ReportText when the report came back, then StatusText.
std::string RecordText(const PrinterUtils::TStatusOutcome& outcome);

// True when the PostScript report gave the record's value of key, so the
// report's own line or row already shows it.
bool FromPostScript(const PrinterUtils::TPrinterStatus& record, const char* key);

}  // namespace AppCore
