// SPDX-License-Identifier: Apache-2.0
// A printer name, parsed once into what it names: a queue of the system's
// spooler, or an address that reaches one printer directly without a queue
// ("socket://HOST[:PORT]", "ipp://HOST[:PORT]/PATH", "ipps://...", and
// "snmp://[COMMUNITY@]HOST[:PORT]", which is only ever asked). The
// front-ends parse what the user typed; everything below them takes the
// target.
#pragma once

#include <cstdint>
#include <string>

namespace PrinterUtils {

enum class TargetKind : std::uint8_t {
    Queue,    // a queue (or class) of the system's spooler
    Socket,   // socket://: AppSocket, one TCP connection that is the job
    Ipp,      // ipp://: IPP straight to the printer
    Ipps,     // ipps://: the same over TLS
    Snmp,     // snmp://[COMMUNITY@]HOST[:PORT]: asked, never printed to
    Unknown,  // "scheme://..." with a scheme none of the above
};

inline constexpr int kAppSocketDefaultPort = 9100;
inline constexpr int kIppDefaultPort = 631;
inline constexpr int kSnmpDefaultPort = 161;

struct TPrinterTarget {
    TargetKind kind = TargetKind::Queue;
    std::string name;       // as given, for queues and for the texts
    std::string host;       // a name, an IPv4 address, or an IPv6 address without brackets
    int port = 0;           // the scheme's default when the address names none
    std::string resource;   // ipp(s): the path, beginning with '/'; otherwise ""
    std::string community;  // snmp: the community the address names; "" for the default
    // Why an address cannot be used as written ("\"x\" is not a valid
    // printer address: ..."); "" for a queue and a well-formed address.
    std::string problem;

    bool IsAddress() const noexcept { return kind != TargetKind::Queue; }
    bool IsValid() const noexcept { return problem.empty(); }
    // "HOST:PORT", with an IPv6 host in brackets, for the texts that name
    // where a printer was reached.
    std::string HostAndPort() const;
};

// Parses a printer name; never fails: an address that does not parse keeps
// its kind (Unknown for a scheme that is none of ours) and says why in
// problem.
TPrinterTarget ParsePrinterTarget(const std::string& name);

// A target's scheme as written in addresses ("socket", "ipp", "ipps"); ""
// for a queue and an unknown scheme.
const char* SchemeName(TargetKind kind) noexcept;

}  // namespace PrinterUtils
