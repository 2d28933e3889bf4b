// SPDX-License-Identifier: Apache-2.0
// The protocols the Windows program asks a printer in: PJL over the
// AppSocket port, through Winsock. SNMP and IPP need libraries the Windows
// program does not carry; asking them says so.
#include "PjlSource.h"
#include "StatusQuery.h"

namespace Cli {

bool ReadStatusOver(PrinterUtils::TStatusSource source, const TStatusPlan& plan, const TSnmpOptions&, int timeoutMs,
                    PrinterUtils::TPrinterStatus& status, std::string& error)
{
    switch (source) {
    case PrinterUtils::TStatusSource::Pjl:
        return PrinterUtils::ReadPjlStatus(plan.host, plan.socketPort, timeoutMs, status, error);
    case PrinterUtils::TStatusSource::Snmp: error = "SNMP is not available in the Windows program"; return false;
    case PrinterUtils::TStatusSource::Ipp: error = "IPP is not available in the Windows program"; return false;
    case PrinterUtils::TStatusSource::PostScript: break;
    }
    error = "the PostScript query is sent as a job";
    return false;
}

}  // namespace Cli
