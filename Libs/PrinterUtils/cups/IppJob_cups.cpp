// SPDX-License-Identifier: Apache-2.0
#include "IppJob_cups.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <memory>
#include <thread>

#include "IppRequest_cups.h"
#include "OsUtils.h"
#include "JobTransport.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

// How often a job's state is asked for: soon at first, then at most once a
// second, so a short job ends quickly and a long one costs the printer
// little.
constexpr int kFirstPollMs = 50;
constexpr int kLongestPollMs = 1000;

// IPP's final job state: completed (9), besides canceled and aborted.
constexpr int kIppJobCompleted = 9;

}  // namespace

std::string JobStateText(ipp_t* response)
{
    std::string text;
    if (ipp_attribute_t* reasons = ippFindAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD)) {
        for (int i = 0; i < ippGetCount(reasons); ++i) {
            const char* reason = ippGetString(reasons, i, nullptr);
            if (!reason || std::string(reason) == "none") continue;
            if (!text.empty()) text += ", ";
            text += reason;
        }
    }
    if (ipp_attribute_t* message = ippFindAttribute(response, "job-state-message", IPP_TAG_TEXT)) {
        const char* words = ippGetString(message, 0, nullptr);
        if (words && *words) {
            if (!text.empty()) text += ": ";
            text += words;
        }
    }
    return text;
}

bool FollowIppJob(http_t* http, const std::string& printerUri, int jobId, const TJobOptions& options,
                  TJobOutcome& outcome)
{
    using Clock = std::chrono::steady_clock;
    static const char* const kRequested[] = {"job-state", "job-state-reasons", "job-state-message"};
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(options.timeoutMs);
    int pause = kFirstPollMs;
    for (;;) {
        ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri.c_str());
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(std::size(kRequested)), nullptr, kRequested);
        char resource[HTTP_MAX_URI] = "/";
        char scheme[32], user[64], host[HTTP_MAX_HOST];
        int port = 0;
        httpSeparateURI(HTTP_URI_CODING_ALL, printerUri.c_str(), scheme, sizeof scheme, user, sizeof user, host,
                        sizeof host, &port, resource, sizeof resource);
        int noAnswer = 0;
        IppMessage response;
        {
            // The job's bound counts the time spent inside its requests too.
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            const RequestBound bound(static_cast<int>(std::max<long long>(left, 1)));
            response = SendRequest(http, request, resource, noAnswer);
        }
        if (!response && noAnswer == ETIMEDOUT && Clock::now() >= deadline) {
            outcome.timedOut = true;
            outcome.message = SysUtils::Format("job %d did not end within %d ms", jobId, options.timeoutMs);
            return true;
        }
        if (!response && noAnswer) {
            OsUtils::SetLastOSError(noAnswer,
                                    SysUtils::Format("%s:%d did not answer: %s", host, port, std::strerror(noAnswer)));
            return false;
        }
        if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_CONFLICTING) {
            const ipp_status_t status = response ? ippGetStatusCode(response.get()) : cupsLastError();
            const char* message =
                response ? ippGetString(ippFindAttribute(response.get(), "status-message", IPP_TAG_TEXT), 0, nullptr)
                         : cupsLastErrorString();
            OsUtils::SetLastOSError(static_cast<int>(status), std::string(message ? message : ippErrorString(status)));
            return false;
        }
        ipp_attribute_t* state = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM);
        const int value = state ? ippGetInteger(state, 0) : 0;
        if (value == kIppJobCompleted || value == kIppJobAborted || value == kIppJobCanceled) {
            outcome.state = value == kIppJobCompleted ? jsCompleted : value == kIppJobAborted ? jsAborted : jsCanceled;
            outcome.message = value == kIppJobCompleted ? std::string() : JobStateText(response.get());
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            outcome.timedOut = true;
            const std::string why = JobStateText(response.get());
            outcome.message = SysUtils::Format("job %d did not end within %d ms%s%s", jobId, options.timeoutMs,
                                               why.empty() ? "" : ": ", why.c_str());
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(pause, left)));
        pause = std::min(pause * 2, kLongestPollMs);
    }
}

}  // namespace PrinterUtils
