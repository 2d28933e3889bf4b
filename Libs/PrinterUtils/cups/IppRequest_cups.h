// SPDX-License-Identifier: Apache-2.0
// libcups pieces shared by the print server's queues and ipp:// printers:
// owning pointers, the bounds on every wait, and requests whose answers are
// read under a cap on time and memory.
#pragma once

#include <cups/cups.h>

#include <chrono>
#include <memory>

#include "PrinterBounds.h"

namespace PrinterUtils {

struct HttpCloser {
    void operator()(http_t* http) const noexcept { httpClose(http); }
};
using Connection = std::unique_ptr<http_t, HttpCloser>;

struct IppDeleter {
    void operator()(ipp_t* ipp) const noexcept { ippDelete(ipp); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;

// Every wait on http is bounded: kAnswerTimeoutMs without a byte, and
// whatever a RequestBound on the calling thread allows for the whole of a
// request. Called once for each new connection.
void BoundAnswers(http_t* http);

// While it lives, every request on this thread must be over within
// timeoutMs of its creation, from its first byte to the last byte of its
// answer, however the peer paces its bytes; a wait past that fails with
// ETIMEDOUT. Bounds nest: an inner one never extends an outer one.
class RequestBound {
public:
    explicit RequestBound(int timeoutMs = kAnswerTimeoutMs);
    ~RequestBound();
    RequestBound(const RequestBound&) = delete;
    RequestBound& operator=(const RequestBound&) = delete;

private:
    std::chrono::steady_clock::time_point outer_;
};

// Sends a request without document data and returns the answer, whatever
// its IPP status, like cupsDoRequest; frees the request. The whole request
// is under a RequestBound of kAnswerTimeoutMs. The answer's body is read in
// large reads and parsed from memory, within kAnswerMaxBytes on the wire
// and kAnswerMaxParts parsed, so no answer can take more memory than those
// allow however it is shaped. An HTTP answer other than 200 (credentials
// or encryption asked, a refusal) goes to cupsDoRequest, which retries and
// names it as libcups does.
// Null when no IPP answer came: noAnswer is then the errno of a broken,
// silent, oversized or garbled answer, or 0 when libcups recorded the
// failure (cupsLastError).
IppMessage SendRequest(http_t* http, ipp_t* request, const char* resource, int& noAnswer);

// The answer to a request whose document data was written on http after
// cupsSendRequest or cupsStartDocument: ends the data and reads the answer
// as SendRequest does. Null as SendRequest says; a refusal by HTTP status
// has noAnswer 0 and is recorded as the last error (OsUtils).
IppMessage FinishRequest(http_t* http, int& noAnswer);

// The answer when its IPP status is a success; else null, with the status
// and the peer's status-message recorded as the last error (OsUtils).
IppMessage Successful(IppMessage response);

}  // namespace PrinterUtils
