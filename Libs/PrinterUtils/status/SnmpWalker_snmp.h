// SPDX-License-Identifier: Apache-2.0
// Walking an agent's subtrees through one session of net-snmp's
// single-session API, every request within the time left before the
// read's deadline.
#pragma once

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <chrono>
#include <string>
#include <vector>

#include "SnmpSource.h"

namespace PrinterUtils {

using TSnmpClock = std::chrono::steady_clock;

// A subtree read. One that holds one object on nearly every printer is
// asked one object at a time (a non-repeater of GETBULK): repeating it
// would make the agent look up objects past its end for nothing.
struct TSnmpSubtree {
    std::vector<oid> root;
    bool single;
};

// Gives each request of the session at most the time left (less a little
// for the work around it): two tries of at most a second each, so one lost
// datagram does not fail the read.
void CutTimeout(netsnmp_session& session, TSnmpClock::time_point deadline);

// Walks the subtrees. With GETBULK every subtree not yet done is one
// variable of each request, so a printer's whole reading takes a handful of
// round trips instead of one or more per subtree; SNMPv1, without GETBULK,
// walks them one after the other with GETNEXT.
class TSnmpWalker {
public:
    TSnmpWalker(void* session, bool bulk, TSnmpClock::time_point deadline)
        : session_(session), bulk_(bulk), deadline_(deadline)
    {
    }

    // Appends the subtrees' values, subtree by subtree; false with problem
    // on failure, or with timedOut set when the agent did not answer in time.
    bool Walk(const std::vector<TSnmpSubtree>& subtrees, std::vector<TSnmpValue>& values, std::string& problem,
              bool& timedOut);

private:
    struct TColumn {
        const std::vector<oid>* root;
        std::vector<oid> cursor;  // the last object read, the root at first
        std::vector<TSnmpValue> found;
        bool single;  // asked as a non-repeater
        bool done;
    };

    // One request for the subtrees' next objects.
    bool Ask(const std::vector<TColumn*>& active, std::size_t singles, std::size_t total, netsnmp_pdu*& response,
             std::string& problem, bool& timedOut);

    void* session_;
    bool bulk_;
    TSnmpClock::time_point deadline_;
};

// At most this many values are kept from one agent: a printer with many
// trays, supplies and alerts answers a few hundred.
inline constexpr std::size_t kSnmpMaxValues = 4000;

}  // namespace PrinterUtils
