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
    std::string deviceUri;  // as announced; the print server resolves it
};

// Starts a browse (at most kDiscoveryTimeoutMs) on a thread of its own
// unless one is running, and returns at once.
void BrowseDiscoveredPrinters();

// The printer the last browse found under that name, compared without
// case as the print server compares queue names. While a browse runs and
// has not found it, waits for that browse (at most kDiscoveryTimeoutMs).
// Empty when none has that name or no browse was ever started.
std::optional<DiscoveredPrinter> FindDiscoveredPrinter(const std::string& name);

}  // namespace PrinterUtils
