// SPDX-License-Identifier: Apache-2.0
// The command line of quellmark: its commands, their options, the help text.
#pragma once

#include <string>
#include <vector>

#include "PrinterStatus.h"
#include "SysUtils.h"

namespace Cli {

enum class TCommand { Help, Version, List, Print, Query };

// SNMP as the options ask for it. The community and the passwords can
// come from the environment (QUELLMARK_SNMP_COMMUNITY,
// QUELLMARK_SNMP_AUTH_PASSWORD, QUELLMARK_SNMP_PRIV_PASSWORD) or a file
// (--snmp-secrets), so they need not stand on a command line other users
// can read.
using TSnmpOptions = PrinterUtils::TSnmpSettings;

struct TOptions {
    TCommand command = TCommand::Help;
    bool json = false;
    bool minimal = false;
    bool wait = false;
    bool all = false;
    int jobs = 8;       // printers served at a time
    int timeoutMs = 0;  // 0: the library's own bound
    // query: the protocols asked ("postscript", "pjl", "ipp", "snmp");
    // empty: as the printer's address suggests.
    std::vector<std::string> protocols;
    TSnmpOptions snmp;
    std::vector<std::string> printers;  // names or addresses, in the order given
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

// The largest --jobs and --timeout accepted.
inline constexpr int kMaxJobs = 256;
inline constexpr int kMaxTimeoutSeconds = 86400;

// args: the arguments after the program's name. Raises EUsage.
TOptions ParseCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string HelpText();

}  // namespace Cli
