// SPDX-License-Identifier: Apache-2.0
// Asking one printer for its status: which protocols to ask, asking
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

#include "PrinterStatus.h"
#include "PrinterTarget.h"
#include "PostScriptReport.h"

namespace PrinterUtils {

// Where each protocol reaches the printer.
struct TStatusPlan {
    std::string host;
    int snmpPort = kSnmpDefaultPort;
    std::string snmpCommunity;  // "" for the options' community
    std::string ippUri;         // ipp://HOST:631/ipp/print unless given
    int socketPort = kAppSocketDefaultPort;
    // Asked at once.
    std::vector<TStatusSource> first;
    // Asked after the first ones, each only when the printer says it speaks
    // its language (or the address was given as socket:// with it asked).
    std::vector<TStatusSource> then;
    bool thenUnconditional = false;
    // A queue: what the print server knows of it (its state, the printer's
    // markers) stands in when the printer itself gives no IPP answer.
    std::string queue;
    std::string refusal;  // why the printer cannot be asked at all; "" when it can
};

// The plan for a printer name with the protocols asked (empty: as the
// address suggests: socket:// the PostScript query, ipp:// IPP, snmp://
// SNMP, a host name or address SNMP and IPP, then PJL and PostScript).
TStatusPlan PlanStatus(const TPrinterTarget& target, const std::vector<std::string>& protocols);

// What to ask and how long each protocol may take.
struct TQueryOptions {
    // "postscript", "pjl", "ipp", "snmp"; empty: as the address suggests.
    std::vector<std::string> protocols;
    TSnmpSettings snmp;
    // Each protocol's bound; 0: one answer's bound for SNMP, IPP and PJL,
    // the job outcome's for the PostScript query.
    int timeoutMs = 0;
    // The name the PostScript query's job goes by.
    std::string jobName;
};

struct TStatusOutcome {
    std::string status = "failed";  // "completed", "partial" or "failed"
    std::string message;            // why, for the protocols that did not answer
    bool haveReport = false;        // the PostScript query's report came back
    TQueryReport report;
    TPrinterStatus record;
};

// Asks the printer as its plan says, each protocol within timeoutMs, and
// merges the answers. queryDocument is the PostScript query in a file.
TStatusOutcome AskStatus(const std::string& printer, const TQueryOptions& options, const std::string& queryDocument);

// What the PostScript query's report says in the record's terms.
TPrinterStatus StatusFromReport(const TQueryReport& report);

// One protocol's reading of the printer; false with error when it did not
// answer. Each platform supplies the protocols it has (StatusSources_*.cpp);
// one it lacks fails with a text saying so.
bool ReadStatusOver(TStatusSource source, const TStatusPlan& plan, const TSnmpSettings& snmp, int timeoutMs,
                    TPrinterStatus& status, std::string& error);

// Whether this platform can ask a printer over source at all (the Windows
// program has neither SNMP nor IPP).
bool CanAskOver(TStatusSource source) noexcept;

}  // namespace PrinterUtils
