// SPDX-License-Identifier: Apache-2.0
// A printer's host name looked up within a bound: getaddrinfo has none of
// its own, and a name server that does not answer holds it for the
// resolver's retries, tens of seconds. Included by the platforms' socket
// files after their own socket headers, which declare getaddrinfo.
#pragma once

#include <cerrno>
#include <memory>
#include <optional>
#include <string>

#include "BoundedCall.h"

namespace PrinterUtils {

struct AddressListFree {
    void operator()(addrinfo* list) const noexcept { ::freeaddrinfo(list); }
};

// What getaddrinfo answered: its code, the errno behind EAI_SYSTEM, and the
// addresses.
struct HostAddresses {
    int rc = 0;
    int err = 0;
    std::unique_ptr<addrinfo, AddressListFree> list;
};

// The addresses of host and port as hints allow, or nothing when timeoutMs
// passed before the name service answered. keepAlive is held until the
// lookup and its result are gone, also when they outlive the bound: what
// the name service needs (Winsock) stays up for them.
inline std::optional<HostAddresses> LookUpHost(const std::string& host, int port, const addrinfo& hints, int timeoutMs,
                                               std::shared_ptr<void> keepAlive = nullptr)
{
    return CallWithin(timeoutMs, [host, service = std::to_string(port), hints, keepAlive] {
        HostAddresses found;
        addrinfo* list = nullptr;
        found.rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
        found.err = errno;
        found.list.reset(list);
        return found;
    });
}

}  // namespace PrinterUtils
