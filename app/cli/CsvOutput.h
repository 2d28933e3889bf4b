// SPDX-License-Identifier: Apache-2.0
// quellmark query --csv: one row per printer for billing and inventory,
// written as each printer finishes.
//
// Columns, in this order, after a header line of these names:
//   printer          the name or address as given
//   make_and_model, serial_number, firmware
//   page_count       the printer's total impressions
//   black_percent, cyan_percent, magenta_percent, yellow_percent
//                    what is left of the toner or ink of that colour: the
//                    first such supply with a level (a drum, developer or
//                    waste box of the colour is not it); empty when unknown
//   state            idle, processing, stopped or unknown as the printer
//                    says; "unreachable" when it did not answer
// Unknown values are empty fields. RFC 4180: CR LF after each row, a field
// with a comma or a double quote in double quotes, a double quote doubled.
// Texts are UTF-8 without control characters, and a text field that starts
// with '=', '+', '-' or '@' gets a leading "'", so that a spreadsheet never
// runs a printer's answer as a formula.
#pragma once

#include <memory>

#include "QuerySink.h"

namespace Cli {

std::unique_ptr<TQuerySink> NewCsvSink();

}  // namespace Cli
