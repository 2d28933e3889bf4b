// SPDX-License-Identifier: Apache-2.0
// Which transport reaches a target: the one place where targets map to
// transports. A new transport is a file of its own and a line here.
#include <cerrno>
#include <memory>
#include <string>

#include "JobTransport.h"
#include "OsUtils.h"
#include "SysUtils.h"

namespace PrinterUtils {

// The transports, each in a file of its own.
std::unique_ptr<JobTransport> NewQueueTransport();
std::unique_ptr<JobTransport> NewSocketTransport();
std::unique_ptr<JobTransport> NewIppTransport();

namespace {

// IPP straight to a printer needs libcups, which the CUPS systems have.
#if defined(QUELLMARK_IPP_TRANSPORT)
constexpr bool kIppTransport = true;
#else
constexpr bool kIppTransport = false;
#endif

// The addresses that work here, for the texts that refuse one.
const char* WorkingSchemes()
{
    return kIppTransport ? "socket://HOST[:PORT], ipp://HOST[:PORT]/PATH or ipps://HOST[:PORT]/PATH"
                         : "socket://HOST[:PORT]";
}

std::unique_ptr<JobTransport> TransportOfKind(TargetKind kind)
{
    switch (kind) {
    case TargetKind::Queue: return NewQueueTransport();
    case TargetKind::Socket: return NewSocketTransport();
#if defined(QUELLMARK_IPP_TRANSPORT)
    case TargetKind::Ipp:
    case TargetKind::Ipps: return NewIppTransport();
#endif
    default: break;
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<JobTransport> NewTransport(const TPrinterTarget& target)
{
    std::unique_ptr<JobTransport> transport = target.IsValid() ? TransportOfKind(target.kind) : nullptr;
    if (transport) return transport;
    std::string why = target.problem;
    if (target.IsValid() && target.kind == TargetKind::Snmp)
        why = "an snmp:// address is for asking a printer, never for printing";
    else if (target.IsValid())
        why = SysUtils::Format("%s:// addresses need a system with CUPS", SchemeName(target.kind));
    OsUtils::SetLastOSError(EINVAL, SysUtils::Format("%s; printer addresses are %s", why.c_str(), WorkingSchemes()));
    return nullptr;
}

}  // namespace PrinterUtils
