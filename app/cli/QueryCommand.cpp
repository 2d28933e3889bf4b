// SPDX-License-Identifier: Apache-2.0
// quellmark query: the query document to each socket:// address, the
// printer's report read back from its back channel and written as
// "label: value" lines or as one JSON object per printer.
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "DocumentFile.h"
#include "JobPool.h"
#include "Messages.h"
#include "Output.h"
#include "PrinterJobs.h"
#include "QueryOutput.h"
#include "QueryReport.h"
#include "SysUtils.h"

namespace Cli {

namespace {

// Why the printer cannot be queried, or nothing: only a socket://
// connection brings the printer's own answer back.
std::optional<std::string> NotQueryable(const PrinterUtils::TPrinterTarget& printer)
{
    switch (printer.kind) {
    case PrinterUtils::TargetKind::Socket: return std::nullopt;
    case PrinterUtils::TargetKind::Ipp:
    case PrinterUtils::TargetKind::Ipps:
        return "query needs a socket:// address: IPP does not carry the printer's answer back";
    case PrinterUtils::TargetKind::Snmp:
    case PrinterUtils::TargetKind::Unknown: return "query needs a socket:// address";
    case PrinterUtils::TargetKind::Queue: break;
    }
    return "query needs the printer's socket:// address: a print queue does not pass the printer's answer back";
}

struct TQueryOutcome {
    bool ok = false;
    std::string error;
    TQueryReport report;
};

TQueryOutcome Query(const std::string& printer, const std::string& fileName, int timeoutMs)
{
    TQueryOutcome result;
    const PrinterUtils::TPrinterTarget target = PrinterUtils::ParsePrinterTarget(printer);
    if (const std::optional<std::string> why = NotQueryable(target)) {
        result.error = *why;
        return result;
    }
    const TOutcome outcome = SendJob(target, fileName, true, timeoutMs);
    if (outcome.status == TStatus::Failed || outcome.status == TStatus::Aborted ||
        outcome.status == TStatus::Canceled) {
        if (outcome.status == TStatus::Failed)
            result.error = outcome.message;
        else if (outcome.message.empty())
            result.error = std::string("the printer ended the query: ") + StatusWord(outcome.status);
        else
            result.error = "the printer refused the query: " + outcome.message;
        return result;
    }
    result.ok = ParseQueryReport(outcome.answer, result.report, result.error);
    // A printer that never finished: its bound ran out (the report, if any,
    // is cut short) and the library's message says which bound.
    if (!result.ok && outcome.status == TStatus::Sent && !outcome.message.empty()) result.error = outcome.message;
    return result;
}

TJson QueryJson(const std::string& printer, const TQueryOutcome& q)
{
    TJson out{{"printer", JsonText(printer)},
              {"status", q.ok ? "completed" : "failed"},
              {"message", JsonText(q.error)}};
    if (q.ok) AddReportJson(out, q.report);
    return out;
}

}  // namespace

int RunQuery(const TOptions& options)
{
    const AppCore::TDocumentFile document("QUERY", "MYQUERY");
    if (!document.Created()) throw SysUtils::Exception(Messages::kTempFileFailed);
    const std::vector<std::string>& printers = options.printers;
    std::size_t failed = 0;
    bool firstText = true;
    std::optional<TJsonArrayWriter> json;
    if (options.json) json.emplace();
    RunBounded<TQueryOutcome>(
        printers.size(), options.jobs,
        [&](std::size_t i) { return Query(printers[i], document.Path(), options.timeoutMs); },
        [&](std::size_t i, TQueryOutcome& q) {
            if (!q.ok) ++failed;
            if (json) {
                json->Add(QueryJson(printers[i], q));
                return;
            }
            if (q.ok) {
                if (!firstText) Write(stdout, "\n");
                Write(stdout, PlainText(printers[i]) + ":\n" + ReportText(q.report));
                firstText = false;
            } else {
                Write(stderr, "quellmark: " + PlainText(printers[i]) + ": " + PlainText(q.error) + "\n");
            }
            std::fflush(stdout);
        });
    if (json) json->Finish();
    return failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace Cli
