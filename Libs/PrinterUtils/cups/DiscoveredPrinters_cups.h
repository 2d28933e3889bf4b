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

namespace PrinterUtils {

struct DiscoveredPrinter {
    std::string name;       // as lp and lpstat -e spell it
    std::string deviceUri;  // as announced: by DNS-SD service name
};

// Starts a browse (at most kDiscoveryTimeoutMs) on a thread of its own
// unless one is running, and returns at once.
void BrowseDiscoveredPrinters();

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
