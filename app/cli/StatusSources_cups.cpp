// SPDX-License-Identifier: Apache-2.0
// The protocols a CUPS system asks a printer in: SNMP through net-snmp,
// IPP through libcups, PJL over the AppSocket port.
#include "IppSource.h"
#include "PjlSource.h"
#include "SnmpSource.h"
#include "StatusQuery.h"

namespace Cli {

bool ReadStatusOver(PrinterUtils::TStatusSource source, const TStatusPlan& plan, const TSnmpOptions& snmp,
                    int timeoutMs, PrinterUtils::TPrinterStatus& status, std::string& error)
{
    switch (source) {
    case PrinterUtils::TStatusSource::Snmp: {
        PrinterUtils::TSnmpSettings settings;
        settings.version = snmp.version;
        settings.community = plan.snmpCommunity.empty() ? snmp.community : plan.snmpCommunity;
        settings.user = snmp.user;
        settings.authProtocol = snmp.authProtocol;
        settings.authPassword = snmp.authPassword;
        settings.privProtocol = snmp.privProtocol;
        settings.privPassword = snmp.privPassword;
        return PrinterUtils::ReadSnmpStatus(settings, plan.host, plan.snmpPort, timeoutMs, status, error);
    }
    case PrinterUtils::TStatusSource::Ipp: return PrinterUtils::ReadIppStatus(plan.ippUri, timeoutMs, status, error);
    case PrinterUtils::TStatusSource::Pjl:
        return PrinterUtils::ReadPjlStatus(plan.host, plan.socketPort, timeoutMs, status, error);
    case PrinterUtils::TStatusSource::PostScript: break;
    }
    error = "the PostScript query is sent as a job";
    return false;
}

}  // namespace Cli
