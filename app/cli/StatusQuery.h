// SPDX-License-Identifier: Apache-2.0
// quellmark query's road to one printer: which protocols to ask, asking
// them (SNMP and IPP side by side, then PJL and PostScript over the one
// AppSocket port), and one record from their answers.
//
// Never a sheet: PJL and PostScript go only to an address given as
// socket:// with those protocols asked for, or to a printer whose SNMP or
// IPP answer says it speaks them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "PrinterStatus.h"
#include "PrinterTarget.h"
#include "QueryReport.h"

namespace Cli {

// Where each protocol reaches the printer.
struct TStatusPlan {
    std::string host;
    int snmpPort = PrinterUtils::kSnmpDefaultPort;
    std::string snmpCommunity;  // "" for the options' community
    std::string ippUri;         // ipp://HOST:631/ipp/print unless given
    int socketPort = PrinterUtils::kAppSocketDefaultPort;
    // Asked at once.
    std::vector<PrinterUtils::TStatusSource> first;
    // Asked after the first ones, each only when the printer says it speaks
    // its language (or the address was given as socket:// with it asked).
    std::vector<PrinterUtils::TStatusSource> then;
    bool thenUnconditional = false;
    std::string refusal;  // why the printer cannot be asked at all; "" when it can
};

// The plan for a printer name with the protocols asked (empty: as the
// address suggests: socket:// the PostScript query, ipp:// IPP, snmp://
// SNMP, a host name or address SNMP and IPP, then PJL and PostScript).
TStatusPlan PlanStatus(const PrinterUtils::TPrinterTarget& target, const std::vector<std::string>& protocols);

struct TStatusOutcome {
    std::string status = "failed";  // "completed", "partial" or "failed"
    std::string message;            // why, for the protocols that did not answer
    bool haveReport = false;        // the PostScript query's report came back
    TQueryReport report;
    PrinterUtils::TPrinterStatus record;
};

// Asks the printer as its plan says, each protocol within timeoutMs, and
// merges the answers. queryDocument is the PostScript query in a file.
TStatusOutcome AskStatus(const std::string& printer, const TOptions& options, const std::string& queryDocument);

// What the PostScript query's report says in the record's terms.
PrinterUtils::TPrinterStatus StatusFromReport(const TQueryReport& report);

// One protocol's reading of the printer; false with error when it did not
// answer. Each platform supplies the protocols it has (StatusSources_*.cpp);
// one it lacks fails with a text saying so.
bool ReadStatusOver(PrinterUtils::TStatusSource source, const TStatusPlan& plan, const TSnmpOptions& snmp,
                    int timeoutMs, PrinterUtils::TPrinterStatus& status, std::string& error);

}  // namespace Cli
