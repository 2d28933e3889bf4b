// SPDX-License-Identifier: Apache-2.0
// quellmark query: each printer, address range and printer found on the
// network asked in the protocols its address and the options allow
// (PrinterQuery.h), at most --jobs at a time; each result handed to the
// output and the history as soon as it is there.
#include <ctime>
#include <memory>
#include <vector>

#include "Commands.h"
#include "DocumentFile.h"
#include "JobPool.h"
#include "Messages.h"
#include "PrinterQuery.h"
#include "QuerySink.h"
#include "SysUtils.h"

namespace Cli {

namespace {

// The output the options chose, then the history when asked for.
std::vector<std::unique_ptr<TQuerySink>> MakeSinks(const TOptions& options)
{
    std::vector<std::unique_ptr<TQuerySink>> sinks;
    sinks.push_back(NewOutputSink(options));
    if (options.record) sinks.push_back(NewHistorySink(*options.record));
    return sinks;
}

}  // namespace

int RunQuery(const TOptions& options)
{
    const AppCore::TDocumentFile document("QUERY", "MYQUERY");
    if (!document.Created()) throw SysUtils::Exception(Messages::kTempFileFailed);
    const std::vector<std::string>& printers = options.printers;
    PrinterUtils::TQueryOptions query;
    query.protocols = options.protocols;
    query.snmp = options.snmp;
    query.timeoutMs = options.timeoutMs;
    query.jobName = Messages::kJobName;
    const std::vector<std::unique_ptr<TQuerySink>> sinks = MakeSinks(options);
    std::size_t failed = 0;
    RunBounded<PrinterUtils::TStatusOutcome>(
        printers.size(), options.jobs,
        [&](std::size_t i) { return PrinterUtils::AskStatus(printers[i], query, document.Path()); },
        [&](std::size_t i, PrinterUtils::TStatusOutcome& q) {
            if (q.status != "completed") ++failed;
            TQueryResult result{printers[i], static_cast<std::int64_t>(std::time(nullptr)), std::move(q)};
            for (const auto& sink : sinks) sink->Add(result);
        });
    for (const auto& sink : sinks) sink->Finish(TScanSummary{});
    return failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace Cli
