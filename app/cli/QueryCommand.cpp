// SPDX-License-Identifier: Apache-2.0
// quellmark query: each printer asked in the protocols its address and the
// options allow (PrinterQuery.h), its record written as "label: value" lines
// or as one JSON object per printer.
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
#include "PostScriptReport.h"
#include "RecordOutput.h"
#include "PrinterQuery.h"
#include "SysUtils.h"

namespace Cli {

namespace {

TJson QueryJson(const std::string& printer, const PrinterUtils::TStatusOutcome& q)
{
    TJson out{{"printer", JsonText(printer)}, {"status", q.status}, {"message", JsonText(q.message)}};
    if (q.haveReport) AddReportJson(out, q.report);
    if (q.status != "failed") AddStatusJson(out, q.record);
    return out;
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
    std::size_t failed = 0;
    bool firstText = true;
    std::optional<TJsonArrayWriter> json;
    if (options.json) json.emplace();
    RunBounded<PrinterUtils::TStatusOutcome>(
        printers.size(), options.jobs,
        [&](std::size_t i) { return PrinterUtils::AskStatus(printers[i], query, document.Path()); },
        [&](std::size_t i, PrinterUtils::TStatusOutcome& q) {
            if (q.status != "completed") ++failed;
            if (json) {
                json->Add(QueryJson(printers[i], q));
                return;
            }
            if (q.status != "failed") {
                if (!firstText) Write(stdout, "\n");
                Write(stdout, PlainText(printers[i]) + ":\n" + AppCore::RecordText(q));
                firstText = false;
            }
            if (q.status != "completed")
                Write(stderr, "quellmark: " + PlainText(printers[i]) + ": " + PlainText(q.message) + "\n");
            std::fflush(stdout);
        });
    if (json) json->Finish();
    return failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace Cli
