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
// Each request to a print server or printer once the connection stands,
// from its first byte to the last byte of its answer; also the longest a
// printer may go without taking a block of a job's data.
inline constexpr int kAnswerTimeoutMs = 5000;
// After the last byte of a job to an address: how long the printer may take
// to finish the job (close the back channel, or reach a final IPP state).
inline constexpr int kJobOutcomeTimeoutMs = 60000;
// A browse of the local network for printers that announce themselves
// (DNS-SD). It runs on a thread of its own; a printer name looked up while
// it runs waits for it at most this long.
inline constexpr int kDiscoveryTimeoutMs = 2000;
// Whether a printer takes PostScript, learnt before a page is sent to it:
// the whole check; past it the answer is "not known" and the page goes as
// before.
inline constexpr int kPostScriptCheckTimeoutMs = 2000;
// Of that, the print server's description of a queue: a server answers in
// milliseconds, and one that does not must not delay the job much longer
// than its own bounds already do.
inline constexpr int kQueueDescriptionTimeoutMs = 500;
// How long the print server may take to make the temporary queue of a
// printer found on the network ready: finding the printer on the network
// and asking it what it can do.
inline constexpr int kTemporaryQueueTimeoutMs = 10000;
// At most this much of a printer's back channel is kept; the rest is read
// and dropped, so a flooding printer cannot grow memory.
inline constexpr std::size_t kBackChannelMaxBytes = 64 * 1024;
// The largest IPP answer of a print server or printer that is read: far
// more than the list of thousands of queues or a printer's attributes, so
// a peer streaming without end is cut.
inline constexpr std::size_t kAnswerMaxBytes = 16 * 1024 * 1024;
// At most this many pieces (tags, lengths, names, values) of one IPP answer
// are parsed. Each adds at most one attribute, value or string, of at most
// a few hundred bytes, so an answer of tiny attributes cannot grow memory
// past about 64 MiB however it is shaped; a list of 10,000 queues takes
// fewer than half as many.
inline constexpr std::size_t kAnswerMaxParts = 250000;

}  // namespace PrinterUtils
