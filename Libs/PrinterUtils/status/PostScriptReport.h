// SPDX-License-Identifier: Apache-2.0
// The status report that the query document writes to a printer's back
// channel, read back:
//   Q1                                first line
//   V <TAB> key <TAB> label <TAB> value   one scalar value as the page prints it
//   R <TAB> table <TAB> field=value ...   one row of a table
//   E <TAB> message                   the printer cannot run the query
//   Q.                                last line; without it the report is cut
// Inside labels and values \\ \t \r \n stand for backslash, TAB, CR and LF.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace PrinterUtils {

struct TQueryValue {
    std::string key;
    std::string label;
    std::string value;
};

using TQueryRow = std::vector<std::pair<std::string, std::string>>;

struct TQueryTable {
    std::string name;
    std::vector<TQueryRow> rows;
};

struct TQueryReport {
    std::vector<TQueryValue> values;
    std::vector<TQueryTable> tables;  // devices, input_trays, output_trays, then any other
};

// Reads the report out of everything the printer answered (other output
// before Q1 and after Q. is ignored). Returns false with error saying what
// was wrong: no answer, a PostScript error in the answer (the printer's own
// words), an E line, no report in it, or a report cut short.
bool ParseQueryReport(std::string_view answer, TQueryReport& report, std::string& error);

}  // namespace PrinterUtils
