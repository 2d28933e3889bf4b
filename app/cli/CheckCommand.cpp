// SPDX-License-Identifier: Apache-2.0
// quellmark check: one printer as a monitoring plugin sees it, one status
// line on the standard output and the state as the exit status, within the
// time a monitoring system gives a plugin.
#include "Commands.h"
#include "DocumentFile.h"
#include "Messages.h"
#include "MonitoringRange.h"
#include "Output.h"
#include "PrinterCheck.h"
#include "PrinterQuery.h"

namespace Cli {

namespace {

// At or under 20 % left warns, at or under 5 % is critical.
constexpr const char* kDefaultWarning = "@0:20";
constexpr const char* kDefaultCritical = "@0:5";

// Each protocol's bound without --timeout: SNMP and IPP are asked side by
// side, PJL and PostScript one after the other, so even all four end within
// 9 s, below the 10 s most monitoring systems give a plugin.
constexpr int kDefaultTimeoutMs = 3000;

}  // namespace

int RunCheck(const TOptions& options)
{
    const TMonitoringRange warning =
        ParseMonitoringRange("--warning", options.warning.empty() ? kDefaultWarning : options.warning);
    const TMonitoringRange critical =
        ParseMonitoringRange("--critical", options.critical.empty() ? kDefaultCritical : options.critical);
    const std::string& printer = options.printers.at(0);
    PrinterUtils::TQueryOptions query;
    query.protocols = options.protocols;
    // A host name alone: SNMP and IPP, which tell supplies and alerts without
    // sending the printer anything that could become a job.
    if (query.protocols.empty() && printer.find("://") == std::string::npos) query.protocols = {"snmp", "ipp"};
    query.snmp = options.snmp;
    query.timeoutMs = options.timeoutMs > 0 ? options.timeoutMs : kDefaultTimeoutMs;
    query.jobName = Messages::kJobName;
    // A printer this program has no protocol for is not known to be down.
    const PrinterUtils::TStatusPlan plan =
        PrinterUtils::PlanStatus(PrinterUtils::ParsePrinterTarget(printer), query.protocols);
    std::string missing;
    bool any = false;
    for (const auto* sources : {&plan.first, &plan.then}) {
        for (const PrinterUtils::TStatusSource source : *sources) {
            if (PrinterUtils::CanAskOver(source)) {
                any = true;
            } else {
                missing += std::string(missing.empty() ? "" : ", ") + PrinterUtils::SourceName(source);
            }
        }
    }
    if (!any && plan.refusal.empty()) {
        Write(stdout, "PRINTER UNKNOWN - " + PlainText(printer) + " cannot be asked here: " + missing +
                          " not available in this program (socket://HOST with --protocols pjl asks over PJL)\n");
        return static_cast<int>(TCheckState::Unknown);
    }
    const AppCore::TDocumentFile document("QUERY", "MYQUERY");
    if (!document.Created()) throw SysUtils::Exception(Messages::kTempFileFailed);
    const TCheckVerdict verdict =
        JudgePrinter(printer, PrinterUtils::AskStatus(printer, query, document.Path()), warning, critical);
    Write(stdout, verdict.line + "\n");
    return static_cast<int>(verdict.state);
}

}  // namespace Cli
