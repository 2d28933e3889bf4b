// SPDX-License-Identifier: Apache-2.0
#include "IppRequest_cups.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "PrinterBounds.h"

namespace PrinterUtils {

namespace {

// Called by libcups when an answer has not come within the bound: give up.
int GiveUp(http_t*, void*)
{
    return 0;
}

// The part of an answer not yet parsed.
struct AnswerCursor {
    const char* next;
    const char* end;
};

ssize_t ReadAnswerBytes(void* context, ipp_uchar_t* buffer, size_t length)
{
    auto* cursor = static_cast<AnswerCursor*>(context);
    const size_t count = std::min(length, static_cast<size_t>(cursor->end - cursor->next));
    std::memcpy(buffer, cursor->next, count);
    cursor->next += count;
    return static_cast<ssize_t>(count);
}

// The body of a 200 answer, read whole and parsed.
IppMessage ReadAnswer(http_t* http, int& noAnswer)
{
    std::string body;
    char chunk[32768];
    ssize_t got = 0;
    while ((got = httpRead2(http, chunk, sizeof chunk)) > 0) {
        body.append(chunk, static_cast<size_t>(got));
        if (body.size() > kServerAnswerMaxBytes) {
            httpShutdown(http);
            noAnswer = EMSGSIZE;
            return nullptr;
        }
    }
    // libcups ends a read that timed out as if the answer had ended.
    if (got < 0 || httpGetRemaining(http) > 0) {
        noAnswer = httpError(http) ? httpError(http) : ETIMEDOUT;
        return nullptr;
    }
    IppMessage response(ippNew());
    AnswerCursor cursor{body.data(), body.data() + body.size()};
    ipp_state_t state = IPP_STATE_IDLE;
    while ((state = ippReadIO(&cursor, ReadAnswerBytes, 1, nullptr, response.get())) != IPP_STATE_DATA) {
        if (state == IPP_STATE_ERROR) {
            noAnswer = EBADMSG;
            return nullptr;
        }
    }
    return response;
}

}  // namespace

void BoundAnswers(http_t* http)
{
    httpSetTimeout(http, kAnswerTimeoutMs / 1000.0, GiveUp, nullptr);
}

IppMessage SendRequest(http_t* http, ipp_t* request, const char* resource, int& noAnswer)
{
    IppMessage owned(request);
    noAnswer = 0;
    http_status_t status = cupsSendRequest(http, request, resource, ippLength(request));
    if (status == HTTP_STATUS_CONTINUE) {
        do {
            status = httpUpdate(http);
        } while (status == HTTP_STATUS_CONTINUE);
        if (status == HTTP_STATUS_OK) return ReadAnswer(http, noAnswer);
        if (status != HTTP_STATUS_ERROR) httpFlush(http);
    }
    if (status == HTTP_STATUS_ERROR) {
        noAnswer = httpError(http) ? httpError(http) : ETIMEDOUT;
        return nullptr;
    }
    // A declined password prompt (recorded by libcups): asking again would
    // show the prompt twice.
    if (status == HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED) return nullptr;
    return IppMessage(cupsDoRequest(http, owned.release(), resource));
}

}  // namespace PrinterUtils
