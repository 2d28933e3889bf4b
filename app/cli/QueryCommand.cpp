// SPDX-License-Identifier: Apache-2.0
// quellmark query: each printer, address range and printer found on the
// network asked in the protocols its address and the options allow
// (PrinterQuery.h), at most --jobs at a time; each result handed to the
// output and the history as soon as it is there.
#include <algorithm>
#include <ctime>
#include <optional>
#include <memory>
#include <vector>

#include "AddressRange.h"
#include "Commands.h"
#include "DocumentFile.h"
#include "JobPool.h"
#include "Messages.h"
#include "OsUtils.h"
#include "Output.h"
#include "PrinterUtils.h"
#include "PrinterQuery.h"
#include "QuerySink.h"
#include "SysUtils.h"

namespace Cli {

namespace {

// Printers asked at a time when --jobs is not given: a scan spends most of
// its time waiting for printers that are slow or switched off.
constexpr int kScanJobs = 64;

struct TQueryItem {
    std::string printer;   // as the output names it
    std::string address;   // what is asked: the printer's own name, or where it was found
    bool inRange = false;  // an address of a range: silence is not a failure
    bool scanned = false;  // asked as a scan asks (SNMP and IPP unless --protocols)
};

// The printers named, each range's addresses, then the printers found on the
// network. Raises EUsage for a range quellmark does not scan.
std::vector<TQueryItem> QueryItems(const TOptions& options, std::size_t& rangeAddresses, std::size_t& failures)
{
    std::vector<TQueryItem> items;
    for (const std::string& name : options.printers) {
        std::string problem;
        const std::optional<PrinterUtils::TAddressRange> range = PrinterUtils::ParseAddressRange(name, problem);
        if (!problem.empty()) throw EUsage(problem);
        if (!range) {
            items.push_back({name, name, false, false});
            continue;
        }
        for (std::uint32_t i = 0; i < range->count; ++i) {
            const std::string address = range->Address(i);
            items.push_back({address, address, true, true});
        }
        rangeAddresses += range->count;
    }
    if (!options.discover) return items;
    // A browse that failed, or a printer whose address did not resolve, is
    // said at once; the printers named and the ranges are asked all the same.
    OsUtils::SetLastOSError(0, std::nullopt);
    const std::vector<PrinterUtils::TNetworkPrinterAddress> found = PrinterUtils::DiscoveredPrinterAddresses();
    const OsUtils::OSErrorInfo browse = OsUtils::GetLastOSError();
    if (found.empty() && browse.code != 0) {
        ++failures;
        Write(stderr, "quellmark: printers on the network not found: " +
                          PlainText(browse.text ? *browse.text : SysUtils::Format("error code %d", browse.code)) +
                          "\n");
    } else if (found.empty()) {
        Write(stderr, "quellmark: no printer without a queue was found on the network\n");
    }
    for (const PrinterUtils::TNetworkPrinterAddress& printer : found) {
        if (printer.address.empty()) {
            Write(stderr, "quellmark: " + PlainText(printer.name) +
                              ": found on the network, but its address did not resolve in time\n");
            ++failures;
            continue;
        }
        items.push_back({printer.name, printer.address, false, true});
    }
    return items;
}

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
    TScanSummary summary;
    std::size_t failed = 0;
    const std::vector<TQueryItem> items = QueryItems(options, summary.rangeAddresses, failed);
    const AppCore::TDocumentFile document("QUERY", "MYQUERY");
    if (!document.Created()) throw SysUtils::Exception(Messages::kTempFileFailed);
    PrinterUtils::TQueryOptions query;
    query.protocols = options.protocols;
    query.snmp = options.snmp;
    query.timeoutMs = options.timeoutMs;
    query.jobName = Messages::kJobName;
    // The addresses of a range and the printers found on the network are
    // asked what every printer answers without a job, SNMP and IPP, unless
    // --protocols says otherwise.
    PrinterUtils::TQueryOptions scan = query;
    if (scan.protocols.empty()) scan.protocols = {"snmp", "ipp"};
    const std::vector<std::unique_ptr<TQuerySink>> sinks = MakeSinks(options);
    RunBounded<PrinterUtils::TStatusOutcome>(
        items.size(), options.jobsGiven ? options.jobs : std::max(options.jobs, kScanJobs),
        [&](std::size_t i) {
            return PrinterUtils::AskStatus(items[i].address, items[i].scanned ? scan : query, document.Path());
        },
        [&](std::size_t i, PrinterUtils::TStatusOutcome& q) {
            if (items[i].inRange && q.status == "failed") {
                ++summary.silentAddresses;
                return;
            }
            if (q.status != "completed") ++failed;
            const TQueryResult result{items[i].printer, static_cast<std::int64_t>(std::time(nullptr)), std::move(q)};
            for (const auto& sink : sinks) sink->Add(result);
        });
    for (const auto& sink : sinks) sink->Finish(summary);
    if (summary.rangeAddresses)
        Write(stderr, "quellmark: " + std::to_string(summary.rangeAddresses - summary.silentAddresses) + " of " +
                          std::to_string(summary.rangeAddresses) + " addresses answered; " +
                          std::to_string(summary.silentAddresses) + " did not\n");
    return failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace Cli
