// SPDX-License-Identifier: Apache-2.0
// A CUPS queue's driver: one Get-Printer-Attributes of the queue (its device
// URI and device id), then, unless the device id's command set already
// names PostScript, the queue's PPD over the same connection; a queue
// without a PPD is raw. Both requests are under one bound and never ask
// for a password: a queue the server will not describe is Unknown.
#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "CupsQueues_cups.h"
#include "PostScriptCheckProbe.h"

namespace PrinterUtils {

namespace {

using Clock = std::chrono::steady_clock;

// Far more than any PPD; a longer answer is not read.
constexpr std::size_t kPpdMaxBytes = 8 * 1024 * 1024;

const char* NoPassword(const char*, http_t*, const char*, const char*, void*)
{
    return nullptr;
}

std::string Text(ipp_t* answer, const char* name)
{
    const char* value = ippGetString(ippFindAttribute(answer, name, IPP_TAG_ZERO), 0, nullptr);
    return value ? value : "";
}

enum class TPpd { Found, None, Failed };

// The PPD of the queue at uri (GET /printers/NAME.ppd, NAME encoded as in
// uri), read whole into text; None when the server has none for it.
TPpd FetchPpd(http_t* http, const char* uri, Clock::time_point deadline, std::string& text)
{
    char scheme[32], user[256], host[256], resource[HTTP_MAX_URI];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_NONE, uri, scheme, sizeof scheme, user, sizeof user, host, sizeof host, &port,
                        resource, sizeof resource) < HTTP_URI_STATUS_OK)
        return TPpd::Failed;
    httpClearFields(http);
    if (httpGet(http, (std::string(resource) + ".ppd").c_str()) != 0) return TPpd::Failed;
    http_status_t status = HTTP_STATUS_CONTINUE;
    while (status == HTTP_STATUS_CONTINUE && Clock::now() < deadline) status = httpUpdate(http);
    if (status != HTTP_STATUS_OK) {
        if (status != HTTP_STATUS_ERROR) httpFlush(http);
        return status == HTTP_STATUS_NOT_FOUND ? TPpd::None : TPpd::Failed;
    }
    char chunk[32768];
    ssize_t got = 0;
    while ((got = httpRead2(http, chunk, sizeof chunk)) > 0) {
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > kPpdMaxBytes) return TPpd::Failed;
    }
    // libcups ends a read that timed out as if the answer had ended.
    return got < 0 || httpGetRemaining(http) > 0 ? TPpd::Failed : TPpd::Found;
}

}  // namespace

TQueueDriver ReadQueueDriver(const std::string& name, int timeoutMs)
{
    TQueueDriver driver;
    char uri[HTTP_MAX_URI];
    const std::string queue = QueueOf(name);
    if (timeoutMs <= 0 || queue.empty() || !QueueUri(queue, uri)) return driver;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const RequestBound bound(timeoutMs);
    cupsSetPasswordCB2(NoPassword, nullptr);
    const Connection http(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, timeoutMs, nullptr));
    if (!http) return driver;
    BoundAnswers(http.get());
    const IppMessage answer = AskAboutQueue(http.get(), uri, {"device-uri", "printer-device-id"});
    if (!answer) return driver;
    const std::string deviceId = Text(answer.get(), "printer-device-id");
    const std::vector<std::string> commands = CommandSetLanguages(deviceId);
    if (std::find(commands.begin(), commands.end(), "PostScript") != commands.end()) {
        driver.kind = TQueueDriver::TKind::PostScript;
        return driver;
    }
    std::string ppd;
    switch (FetchPpd(http.get(), uri, deadline, ppd)) {
    case TPpd::Found: return DriverFromPpd(ppd, deviceId);
    case TPpd::None:
        driver.kind = TQueueDriver::TKind::Raw;
        driver.deviceUri = Text(answer.get(), "device-uri");
        break;
    case TPpd::Failed: break;
    }
    return driver;
}

}  // namespace PrinterUtils
