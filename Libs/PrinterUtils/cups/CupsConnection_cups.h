// SPDX-License-Identifier: Apache-2.0
// The print server as libcups reaches it: connections bounded in
// connecting and in every answer, credentials asked through the installed
// prompt and kept for this run, the session that lets the calls of one
// thread share a connection, and the last errors of failed requests.
//
// Last errors: a failed CUPS call records cupsLastError() (the IPP status,
// e.g. 1030 for client-error-not-found) with cupsLastErrorString(); a print
// server that cannot be reached or does not answer records
// server-error-service-unavailable with the reason, so it never reads like
// an unknown printer.
#pragma once

#include <cups/cups.h>

#include "IppRequest_cups.h"

namespace PrinterUtils {

// Records libcups' last failure as the last error; a declined password
// prompt reads as the server's own refusal.
void RecordCupsError();

// Records the failure of a request on http: no answer at all (the
// connection broke or the server was silent) as the server not answering,
// else the server's status.
void RecordRequestFailure(http_t* http);

// A connection of its own to the configured print server (CUPS_SERVER,
// client.conf or the local scheduler), bounded in connecting and in every
// answer; null with the last error recorded when the server cannot be
// reached.
Connection ConnectToServer();

// A request to the print server (SendRequest): the answer when its status
// is a success, else null with the last error recorded.
IppMessage DoRequest(http_t* http, ipp_t* request, const char* resource);

// The answer to a job's document (FinishRequest) as DoRequest gives it.
IppMessage FinishDocument(http_t* http);

// A connection for one call: the session's while one is open on this
// thread, else a connection of the call's own.
class ServerLink {
public:
    // False, with the last error recorded, when the server cannot be reached.
    bool Open();
    http_t* get() const { return http_; }

private:
    Connection own_;
    http_t* http_ = nullptr;
};

// Opens and closes a session on the calling thread; sessions nest.
void BeginServerSession();
void EndServerSession();

}  // namespace PrinterUtils
