// SPDX-License-Identifier: Apache-2.0
#include "IppRequest_cups.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "OsUtils.h"

namespace PrinterUtils {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at the request's deadline: a peer that sends a
// byte now and then never lets a wait reach its own bound, so the whole
// request's deadline is checked between polls.
constexpr double kDeadlineCheckSeconds = 0.25;

// The deadline of the request under way on this thread; none when no
// RequestBound lives.
thread_local Clock::time_point requestDeadline = Clock::time_point::max();

// Called by libcups when a wait passed kDeadlineCheckSeconds without a
// byte: go on waiting while the connection has had a byte within
// kAnswerTimeoutMs and the request's deadline has not passed.
int KeepWaiting(http_t* http, void*)
{
    if (Clock::now() >= requestDeadline) return 0;
    const double idle = std::difftime(std::time(nullptr), httpGetActivity(http));
    return idle * 1000 < kAnswerTimeoutMs ? 1 : 0;
}

// The part of an answer not yet parsed, and how many pieces the parser
// took: each piece adds at most one attribute, value or string.
struct AnswerCursor {
    const char* next;
    const char* end;
    std::size_t parts = 0;
};

ssize_t ReadAnswerBytes(void* context, ipp_uchar_t* buffer, size_t length)
{
    auto* cursor = static_cast<AnswerCursor*>(context);
    if (++cursor->parts > kAnswerMaxParts) return -1;
    const size_t count = std::min(length, static_cast<size_t>(cursor->end - cursor->next));
    std::memcpy(buffer, cursor->next, count);
    cursor->next += count;
    return static_cast<ssize_t>(count);
}

// The body of a 200 answer, read whole and parsed, both under their caps.
IppMessage ReadAnswer(http_t* http, int& noAnswer)
{
    std::string body;
    char chunk[32768];
    ssize_t got = 0;
    while ((got = httpRead2(http, chunk, sizeof chunk)) > 0) {
        body.append(chunk, static_cast<size_t>(got));
        if (body.size() > kAnswerMaxBytes) {
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
            noAnswer = cursor.parts > kAnswerMaxParts ? EMSGSIZE : EBADMSG;
            return nullptr;
        }
    }
    return response;
}

// Waits for the HTTP status of an answer and reads a 200 answer; other
// statuses are flushed and returned in status.
IppMessage AwaitAnswer(http_t* http, http_status_t& status, int& noAnswer)
{
    do {
        status = httpUpdate(http);
    } while (status == HTTP_STATUS_CONTINUE && Clock::now() < requestDeadline);
    if (status == HTTP_STATUS_OK) return ReadAnswer(http, noAnswer);
    if (status == HTTP_STATUS_ERROR) {
        noAnswer = httpError(http) ? httpError(http) : ETIMEDOUT;
        return nullptr;
    }
    httpFlush(http);
    return nullptr;
}

}  // namespace

void BoundAnswers(http_t* http)
{
    httpSetTimeout(http, kDeadlineCheckSeconds, KeepWaiting, nullptr);
}

RequestBound::RequestBound(int timeoutMs) : outer_(requestDeadline)
{
    requestDeadline = std::min(outer_, Clock::now() + std::chrono::milliseconds(timeoutMs));
}

RequestBound::~RequestBound()
{
    requestDeadline = outer_;
}

IppMessage SendRequest(http_t* http, ipp_t* request, const char* resource, int& noAnswer)
{
    const RequestBound bound;
    IppMessage owned(request);
    noAnswer = 0;
    http_status_t status = cupsSendRequest(http, request, resource, ippLength(request));
    IppMessage answer;
    // A peer may answer while the request is still being sent: its status
    // line is then read here already, and the rest of the answer follows.
    if (status == HTTP_STATUS_CONTINUE || status == HTTP_STATUS_OK) answer = AwaitAnswer(http, status, noAnswer);
    if (answer || noAnswer) return answer;
    if (status == HTTP_STATUS_OK || status == HTTP_STATUS_CONTINUE || status == HTTP_STATUS_ERROR ||
        Clock::now() >= requestDeadline) {
        noAnswer = httpError(http) ? httpError(http) : ETIMEDOUT;
        return nullptr;
    }
    // A declined password prompt (recorded by libcups): asking again would
    // show the prompt twice.
    if (status == HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED) return nullptr;
    return IppMessage(cupsDoRequest(http, owned.release(), resource));
}

IppMessage FinishRequest(http_t* http, int& noAnswer)
{
    const RequestBound bound;
    noAnswer = 0;
    // A chunked body ends with an empty chunk.
    if (httpGetState(http) == HTTP_STATE_POST_RECV || httpGetState(http) == HTTP_STATE_POST_SEND) {
        if (httpWrite2(http, "", 0) < 0) {
            noAnswer = httpError(http) ? httpError(http) : EPIPE;
            return nullptr;
        }
    }
    http_status_t status = HTTP_STATUS_ERROR;
    IppMessage answer = AwaitAnswer(http, status, noAnswer);
    if (answer || noAnswer) return answer;
    // Refused by HTTP status: the IPP status libcups gives such a refusal.
    const ipp_status_t refused = status == HTTP_STATUS_UNAUTHORIZED ? IPP_STATUS_ERROR_NOT_AUTHENTICATED
                                 : status == HTTP_STATUS_FORBIDDEN  ? IPP_STATUS_ERROR_FORBIDDEN
                                 : status == HTTP_STATUS_NOT_FOUND  ? IPP_STATUS_ERROR_NOT_FOUND
                                                                    : IPP_STATUS_ERROR_INTERNAL;
    OsUtils::SetLastOSError(static_cast<int>(refused), std::string(httpStatus(status)));
    return nullptr;
}

IppMessage Successful(IppMessage response)
{
    const ipp_status_t status = ippGetStatusCode(response.get());
    if (status <= IPP_STATUS_OK_CONFLICTING) return response;
    const char* message = ippGetString(ippFindAttribute(response.get(), "status-message", IPP_TAG_TEXT), 0, nullptr);
    OsUtils::SetLastOSError(static_cast<int>(status), std::string(message ? message : ippErrorString(status)));
    return nullptr;
}

}  // namespace PrinterUtils
