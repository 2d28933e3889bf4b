// SPDX-License-Identifier: Apache-2.0
// Printers that announce themselves on the local network (DNS-SD) without
// a queue on the print server. lp prints to them by name through a
// temporary queue the server makes; a name typed here does the same.
// Knowing them takes a browse of the network, which never runs in a
// caller's way: it runs on a thread of its own, and a lookup reads what
// the last browse found.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "PrinterUtils.h"

namespace PrinterUtils {

using DiscoveredPrinter = TNetworkPrinter;

// Starts a browse (at most kDiscoveryTimeoutMs) on a thread of its own
// unless one is running, and returns at once. queues are the print server's
// queue names: the lists below leave them out.
void BrowseDiscoveredPrinters(const std::vector<std::string>& queues);

// How the browse FoundPrinters read ended: it ran its time, or could not
// run at all (no DNS-SD service), or was still running when the wait ended.
enum class BrowseEnd { Finished, Unavailable, Unfinished };

// What the last browse found, by name, without the queues named at the last
// start. Waits for a running browse at most kDiscoveryTimeoutMs; the first
// call starts one when none was ever started.
std::vector<DiscoveredPrinter> FoundPrinters(BrowseEnd& end);

// WhenDiscoveryEnds on this browse.
TDiscoveryWatch WatchBrowse(std::function<void(std::vector<DiscoveredPrinter>)> done);

// The printer the last browse found under that name, compared without
// case as the print server compares queue names. While a browse runs and
// has not found it, waits for that browse (at most kDiscoveryTimeoutMs);
// the first call starts one when none was ever started. Empty when none
// has that name.
std::optional<DiscoveredPrinter> FindDiscoveredPrinter(const std::string& name);

// The printer's device URI with its service name resolved to a host and a
// port, as lp hands it to the print server: a temporary queue made from a
// service name cannot be deleted cleanly by the server (CUPS 2.4 crashes
// doing so). Empty when the printer is not found on the network within
// kConnectTimeoutMs.
std::optional<std::string> ResolveDeviceUri(const DiscoveredPrinter& printer);

}  // namespace PrinterUtils
