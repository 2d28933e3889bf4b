// SPDX-License-Identifier: Apache-2.0
// Where query's results go: the output format the options chose and, with
// --record, the history. Each sink is called on the main thread, once per
// printer as that printer finishes, then Finish once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "PrinterQuery.h"

namespace Cli {

// One printer's answer: the name as given or as found, the time its answer
// was complete (seconds since the epoch) and its outcome.
struct TQueryResult {
    std::string printer;
    std::int64_t time = 0;
    PrinterUtils::TStatusOutcome outcome;
};

// What a scan learned beyond its printers: the addresses of the ranges
// asked, and how many of them did not answer (never handed to Add).
struct TScanSummary {
    std::size_t rangeAddresses = 0;
    std::size_t silentAddresses = 0;
};

class TQuerySink {
public:
    virtual ~TQuerySink() = default;
    virtual void Add(const TQueryResult& result) = 0;
    virtual void Finish(const TScanSummary& summary) = 0;
};

// The sink of options.output (text lines, one JSON array, NDJSON, CSV or
// Prometheus) on the standard output.
std::unique_ptr<TQuerySink> NewOutputSink(const TOptions& options);

// The history file (path "" for the default file); raises when the file
// cannot be opened or is not a history.
std::unique_ptr<TQuerySink> NewHistorySink(const std::string& path);

}  // namespace Cli
