// SPDX-License-Identifier: Apache-2.0
// A printer's status record in quellmark query's JSON, beside the
// PostScript report.
#pragma once

#include <string>

#include "Output.h"
#include "PrinterStatus.h"
#include "RecordText.h"

namespace Cli {

// Adds the record's keys to the printer's JSON object: make_and_model,
// serial_number, firmware, page_count, uptime_seconds, state, alerts,
// supplies, input_trays, output_trays, languages, takes_postscript and
// sources. Each is there whether known or not (null or an empty list); a
// key the object already has from the PostScript report keeps its place
// and takes the record's value when another source gave it.
void AddStatusJson(TJson& object, const PrinterUtils::TPrinterStatus& record);

// The record as text lines (RecordText.h).
using AppCore::StatusText;

}  // namespace Cli
