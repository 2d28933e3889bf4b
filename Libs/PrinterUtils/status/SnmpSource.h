// SPDX-License-Identifier: Apache-2.0
// A printer's status over SNMP: the Host Resources MIB and the Printer MIB,
// read with net-snmp (v1, v2c, v3) into a TPrinterStatus. Reading collects
// plain values; FillFromSnmpValues turns them into the record and takes any
// values at all, so it can be fuzzed without a network.
//
// Supplies, as the record shows them:
//   - a level of -1 (other) or -2 (unknown): no level, state "unknown";
//     -3: no level, state "some_left";
//   - a consumed supply: level_percent is what is left; "low" at or below
//     10 %, "empty" at 0;
//   - a receptacle (a waste toner box, which the Printer MIB reports as the
//     room left in it): level_percent is how full it is; "low" when at most
//     10 % of its room is left (nearly full), "empty" when no room is left
//     (full), "some_left" when the printer says only that room remains.
#pragma once

#include <string>
#include <vector>

#include "PrinterStatus.h"

namespace PrinterUtils {

// How to speak to the agent. Version "1" and "2c" use the community; "3"
// uses the user, with authentication when authPassword is set
// (authNoPriv) and privacy as well when privPassword is set (authPriv).

enum class TSnmpType : unsigned char { Integer, OctetString, Oid, Counter, TimeTicks, Other };

// One value an agent answered. An OID value is in bytes as dotted text
// ("1.3.6.1.2.1.25.2.1.2"); counters, gauges and time ticks in integer.
struct TSnmpValue {
    std::vector<unsigned long> oid;
    TSnmpType type = TSnmpType::Other;
    long long integer = 0;
    std::string bytes;
};

// The record's SNMP values from what an agent answered, in any order and
// of any shape; each text capped at 1 KiB and cleaned of control
// characters (UTF-8 kept, other 8-bit text read as Latin-1). Names
// TStatusSource::Snmp as the source of every key it fills.
void FillFromSnmpValues(const std::vector<TSnmpValue>& values, TPrinterStatus& status);

// Walks the agent at host:port (an address or name; UDP) and fills status.
// The whole read takes at most timeoutMs, answers at most a few thousand
// values, and is safe to run for several printers at once on threads of
// their own. False with a one-line error ("HOST:PORT: ...") when the agent
// does not answer in time, refuses the credentials or cannot be reached.
bool ReadSnmpStatus(const TSnmpSettings& settings, const std::string& host, int port, int timeoutMs,
                    TPrinterStatus& status, std::string& error);

}  // namespace PrinterUtils
