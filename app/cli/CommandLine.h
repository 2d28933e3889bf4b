// SPDX-License-Identifier: Apache-2.0
// The command line of quellmark: its commands, their options, the help text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "PrinterStatus.h"
#include "SysUtils.h"

namespace Cli {

enum class TCommand { Help, Version, List, Print, Query, Report, Check };

// How a command writes its results: text lines, one JSON array, one JSON
// object per line as each printer finishes, CSV (RFC 4180) or the
// Prometheus text exposition format.
enum class TOutput { Text, Json, Ndjson, Csv, Prometheus };

// SNMP as the options ask for it. The community and the passwords can
// come from the environment (QUELLMARK_SNMP_COMMUNITY,
// QUELLMARK_SNMP_AUTH_PASSWORD, QUELLMARK_SNMP_PRIV_PASSWORD) or a file
// (--snmp-secrets), so they need not stand on a command line other users
// can read.
using TSnmpOptions = PrinterUtils::TSnmpSettings;

struct TOptions {
    TCommand command = TCommand::Help;
    TOutput output = TOutput::Text;
    bool minimal = false;
    bool wait = false;
    bool all = false;
    bool force = false;     // print: send even to a printer known not to take PostScript
    bool discover = false;  // query: also every printer found on the network
    int jobs = 8;           // printers served at a time
    bool jobsGiven = false;
    int timeoutMs = 0;  // 0: the library's own bound
    // query: the protocols asked ("postscript", "pjl", "ipp", "snmp");
    // empty: as the printer's address suggests.
    std::vector<std::string> protocols;
    TSnmpOptions snmp;
    // query --record[=FILE]: keep each record in the history; "" for the
    // default file.
    std::optional<std::string> record;
    // report: the period, seconds since the epoch (local dates as given).
    std::optional<std::int64_t> since;
    std::optional<std::int64_t> until;
    // check: the monitoring ranges as given (checked by the check itself).
    std::string warning;
    std::string critical;
    // Names or addresses (query: also address ranges), in the order given;
    // report: at most one history file.
    std::vector<std::string> printers;
};

// Bad usage: the text says what is wrong; the program exits with kExitUsage.
class EUsage : public SysUtils::Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EUsage"; }
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// check's exit status for bad usage, as monitoring systems read it.
inline constexpr int kExitCheckUnknown = 3;

// The largest --jobs and --timeout accepted.
inline constexpr int kMaxJobs = 1024;
inline constexpr int kMaxTimeoutSeconds = 86400;

// args: the arguments after the program's name. Raises EUsage.
TOptions ParseCommandLine(const std::vector<std::string>& args);

// A date as report takes it: YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], local
// time; seconds since the epoch. Raises EUsage naming the option.
std::int64_t ParseDate(const std::string& option, const std::string& text);

// The text of --help.
std::string HelpText();

}  // namespace Cli
