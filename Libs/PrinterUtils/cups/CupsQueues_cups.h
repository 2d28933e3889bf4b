// SPDX-License-Identifier: Apache-2.0
// The print server's queues: the list of them as printer records, and the
// lookup of one queue by name.
#pragma once

#include <cups/cups.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "IppRequest_cups.h"
#include "PrinterDirectory.h"

namespace PrinterUtils {

// "queue/instance" names an lpoptions instance of the queue, whose options
// mean nothing to a raw job: the job goes to the queue. Split at the last
// slash, as lp does.
std::string QueueOf(const std::string& name);

// SettingUp: a temporary queue whose printer the server has not set up
// (yet, or ever: one that failed stays stopped until the server drops it).
enum class Lookup { Found, SettingUp, NotFound, Failed };

// Records the server's "not found" for a name that is no queue.
void RecordNoSuchQueue();

// The server's URI of queue name; false when the name does not make one.
bool QueueUri(const std::string& name, char (&uri)[HTTP_MAX_URI]);

// The attributes asked for of the queue at uri (Get-Printer-Attributes).
IppMessage AskAboutQueue(http_t* http, const char* uri, std::initializer_list<const char*> attributes);

// Whether the server has a printer or class of that name, in one small
// Get-Printer-Attributes request. A name the server does not know is
// answered by the server alone: the network is never browsed for it. Any
// other failure (server gone, forbidden, unauthorized) is recorded as
// what it is.
Lookup LookUpQueue(http_t* http, const std::string& name);

// The server's printers and classes as records, in its order (by name);
// empty, with the last error recorded, when the server cannot be asked,
// and empty with no error when it has none.
std::vector<PrinterRecord> ListQueues(http_t* http);

}  // namespace PrinterUtils
