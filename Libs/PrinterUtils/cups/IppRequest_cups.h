// SPDX-License-Identifier: Apache-2.0
// libcups pieces shared by the print server's queues and ipp:// printers:
// owning pointers, the bound on every answer, and requests whose answers
// are read in large reads.
#pragma once

#include <cups/cups.h>

#include <memory>

namespace PrinterUtils {

struct HttpCloser {
    void operator()(http_t* http) const noexcept { httpClose(http); }
};
using Connection = std::unique_ptr<http_t, HttpCloser>;

struct IppDeleter {
    void operator()(ipp_t* ipp) const noexcept { ippDelete(ipp); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;

// Every answer on http is awaited at most kAnswerTimeoutMs, then given up.
void BoundAnswers(http_t* http);

// Sends a request without document data and returns the answer, whatever
// its IPP status, like cupsDoRequest; frees the request. The answer's body
// is read in large reads, each under the connection's bound, and parsed
// from memory: libcups parses it off the socket a few bytes per read and,
// on a bounded connection, polls the socket before each one, which over
// the answer for hundreds of queues doubles its time. An HTTP answer other
// than 200 (credentials or encryption asked, a refusal) goes to
// cupsDoRequest, which retries and names it as libcups does.
// Null when no IPP answer came: noAnswer is then the errno of a broken,
// silent, oversized or garbled answer, or 0 when libcups recorded the
// failure (cupsLastError).
IppMessage SendRequest(http_t* http, ipp_t* request, const char* resource, int& noAnswer);

}  // namespace PrinterUtils
