// SPDX-License-Identifier: Apache-2.0
// The protocols a CUPS system asks a printer in: SNMP through net-snmp,
// IPP through libcups, PJL over the AppSocket port.
#include "IppSource.h"
#include "PjlSource.h"
#include "SnmpSource.h"
#include "PrinterQuery.h"

namespace PrinterUtils {

bool ReadStatusOver(TStatusSource source, const TStatusPlan& plan, const TSnmpSettings& snmp, int timeoutMs,
                    TPrinterStatus& status, std::string& error)
{
    switch (source) {
    case TStatusSource::Snmp: {
        TSnmpSettings settings = snmp;
        if (!plan.snmpCommunity.empty()) settings.community = plan.snmpCommunity;
        return ReadSnmpStatus(settings, plan.host, plan.snmpPort, timeoutMs, status, error);
    }
    case TStatusSource::Ipp: return ReadIppStatus(plan.ippUri, timeoutMs, status, error);
    case TStatusSource::Pjl: return ReadPjlStatus(plan.host, plan.socketPort, timeoutMs, status, error);
    case TStatusSource::PostScript: break;
    }
    error = "the PostScript query is sent as a job";
    return false;
}

bool CanAskOver(TStatusSource) noexcept
{
    return true;
}

}  // namespace PrinterUtils
