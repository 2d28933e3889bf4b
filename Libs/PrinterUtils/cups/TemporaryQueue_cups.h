// SPDX-License-Identifier: Apache-2.0
// Temporary queues: a printer found on the network (DiscoveredPrinters_cups.h)
// gets a queue the print server makes for it, as lp makes one, ready
// within kTemporaryQueueTimeoutMs.
#pragma once

#include <cups/cups.h>

#include <string>

#include "DiscoveredPrinters_cups.h"

namespace PrinterUtils {

// Waits until the server says the temporary queue name, found stopped, is
// ready; false with the last error recorded when it is not within
// kTemporaryQueueTimeoutMs.
bool WaitForTemporaryQueue(http_t* http, const std::string& name);

// Makes the temporary queue of a printer found on the network and waits
// until it is ready; false with the last error recorded.
bool MakeTemporaryQueue(http_t* http, const DiscoveredPrinter& printer);

}  // namespace PrinterUtils
