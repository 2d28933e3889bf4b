// SPDX-License-Identifier: Apache-2.0
// Every bound on waiting for a print server or a printer, in one place: the
// window, the printer addresses and the command line use these same values,
// so no call to a server or a printer can wait longer than they say.
#pragma once

#include <cstddef>

namespace PrinterUtils {

// Establishing a connection to a print server or a printer (TCP connect,
// TLS handshake included).
inline constexpr int kConnectTimeoutMs = 5000;
// Each answer of a print server or printer once the connection stands.
inline constexpr int kAnswerTimeoutMs = 5000;
// After the last byte of a job to an address: how long the printer may take
// to finish the job (close the back channel, or reach a final IPP state).
inline constexpr int kJobOutcomeTimeoutMs = 60000;
// A browse of the local network for printers that announce themselves
// (DNS-SD). It runs on a thread of its own; a printer name looked up while
// it runs waits for it at most this long.
inline constexpr int kDiscoveryTimeoutMs = 2000;
// How long the print server may take to make the temporary queue of a
// printer found on the network ready: finding the printer on the network
// and asking it what it can do.
inline constexpr int kTemporaryQueueTimeoutMs = 10000;
// At most this much of a printer's back channel is kept; the rest is read
// and dropped, so a flooding printer cannot grow memory.
inline constexpr std::size_t kBackChannelMaxBytes = 64 * 1024;
// The largest answer of a print server that is read: far more than the
// list of thousands of queues, so a server streaming without end is cut.
inline constexpr std::size_t kServerAnswerMaxBytes = 64 * 1024 * 1024;

}  // namespace PrinterUtils
