// SPDX-License-Identifier: Apache-2.0
// The protocols the Windows program asks a printer in: PJL over the
// AppSocket port, through Winsock. SNMP and IPP need libraries the Windows
// program does not carry; asking them says so.
#include "PjlSource.h"
#include "PrinterQuery.h"

namespace PrinterUtils {

bool ReadStatusOver(TStatusSource source, const TStatusPlan& plan, const TSnmpSettings&, int timeoutMs,
                    TPrinterStatus& status, std::string& error)
{
    switch (source) {
    case TStatusSource::Pjl: return ReadPjlStatus(plan.host, plan.socketPort, timeoutMs, status, error);
    case TStatusSource::Snmp: error = "SNMP is not available in the Windows program"; return false;
    case TStatusSource::Ipp: error = "IPP is not available in the Windows program"; return false;
    case TStatusSource::PostScript: break;
    }
    error = "the PostScript query is sent as a job";
    return false;
}

bool CanAskOver(TStatusSource source) noexcept
{
    return source == TStatusSource::Pjl || source == TStatusSource::PostScript;
}

}  // namespace PrinterUtils
