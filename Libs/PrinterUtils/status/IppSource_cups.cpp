// SPDX-License-Identifier: Apache-2.0
// Asking an ipp:// or ipps:// printer for its status: a bounded connect
// (a probe connect of our own first, so a refused port, a silent one and an
// unknown host read differently), then one Get-Printer-Attributes through
// SendRequest, capped in time and memory, all under one RequestBound. A
// printer that refuses IPP/2.0 (by IPP status, by HTTP status, or by
// dropping the connection) is asked again with IPP/1.1 in the time left.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <iterator>

#include "IppRequest_cups.h"
#include "IppSource.h"
#include "OsUtils.h"
#include "PrinterTarget.h"
#include "SocketPrimitives.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait on the printer looks at the deadline; waits end this
// much before it, so the read as a whole never passes it.
constexpr int kCheckMs = 50;

constexpr const char* kRequested[] = {
    "printer-make-and-model", "printer-device-id",   "printer-firmware-name", "printer-firmware-string-version",
    "printer-uuid",           "printer-state",       "printer-state-reasons", "printer-up-time",
    "marker-names",           "marker-types",        "marker-colors",         "marker-levels",
    "marker-low-levels",      "marker-high-levels",  "printer-supply",        "printer-supply-description",
    "printer-input-tray",     "printer-output-tray", "media-ready",           "document-format-supported"};

// Never ask on a terminal for a password the program does not have.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*)
{
    return nullptr;
}

// Called by libcups after kCheckMs without a byte: go on waiting while the
// printer has sent a byte within kAnswerTimeoutMs and the waits' deadline
// has not passed.
int KeepWaiting(http_t* http, void* deadline)
{
    if (Clock::now() >= *static_cast<Clock::time_point*>(deadline)) return 0;
    return std::difftime(std::time(nullptr), httpGetActivity(http)) * 1000 < kAnswerTimeoutMs ? 1 : 0;
}

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A printer's text for an error line: control characters as '?', capped.
std::string Printable(const char* text)
{
    std::string out(text, std::min<std::size_t>(std::strlen(text), 256));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return out;
}

std::string ErrorText(const OsUtils::OSErrorInfo& failure)
{
    return failure.text ? *failure.text : std::strerror(failure.code);
}

ipp_t* NewRequest(const std::string& uri, int minor)
{
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippSetVersion(request, minor == 0 ? 2 : 1, minor);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kRequested)), nullptr, kRequested);
    return request;
}

// Connects http within the time left; false with the reason in error.
bool Connect(http_t* http, const std::string& where, Clock::time_point deadline, std::string& error)
{
    if (httpReconnect2(http, MillisecondsLeft(deadline), nullptr) == 0) return true;
    const int err = httpError(http) ? httpError(http) : ETIMEDOUT;
    error = where + ": " + std::strerror(err);
    return false;
}

}  // namespace

bool ReadIppStatus(const std::string& uri, int timeoutMs, TPrinterStatus& status, std::string& error)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Clock::time_point waitsEnd = deadline - std::chrono::milliseconds(timeoutMs > 2 * kCheckMs ? kCheckMs : 0);
    const RequestBound bound(timeoutMs);
    const TPrinterTarget target = ParsePrinterTarget(uri);
    if ((target.kind != TargetKind::Ipp && target.kind != TargetKind::Ipps) || !target.IsValid()) {
        error = target.problem.empty() ? "\"" + uri + "\" is not an ipp:// or ipps:// address" : target.problem;
        return false;
    }
    const std::string where = target.HostAndPort();
    const bool tls = target.kind == TargetKind::Ipps;
    char printerUri[HTTP_MAX_URI];
    httpAssembleURI(HTTP_URI_CODING_ALL, printerUri, sizeof printerUri, tls ? "ipps" : "ipp", nullptr,
                    target.host.c_str(), target.port, target.resource.c_str());
    cupsSetPasswordCB2(NoPassword, nullptr);

    // libcups reports every failed connect as "Host is down": a connect of
    // our own first names the failure.
    SocketHandle probe = kNoSocket;
    if (!SocketConnect(target.host, target.port, std::min(timeoutMs, kConnectTimeoutMs), probe)) {
        const OsUtils::OSErrorInfo failed = OsUtils::GetLastOSError();
        error = where + (failed.code == ETIMEDOUT ? ": the printer did not answer: " : ": ") + ErrorText(failed);
        return false;
    }
    SocketClose(probe);
    // Made without connecting, then connected once its answers are bounded.
    const Connection http(httpConnect2(target.host.c_str(), target.port, nullptr, AF_UNSPEC,
                                       tls ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED, 1, 0, nullptr));
    if (!http) {
        error = where + ": unknown host";
        return false;
    }
    // Finer than BoundAnswers, so a silent printer costs timeoutMs, no more.
    httpSetTimeout(http.get(), kCheckMs / 1000.0, KeepWaiting, &waitsEnd);
    if (!Connect(http.get(), where, deadline, error)) return false;

    IppMessage answer;
    int noAnswer = 0;
    for (const int minor : {0, 1}) {
        if (minor == 1 && !Connect(http.get(), where, deadline, error)) return false;
        answer = SendRequest(http.get(), NewRequest(printerUri, minor), target.resource.c_str(), noAnswer);
        // A silent printer is not asked twice: its silence is no refusal.
        const bool refused2 =
            answer ? ippGetStatusCode(answer.get()) == IPP_STATUS_ERROR_VERSION_NOT_SUPPORTED : noAnswer != ETIMEDOUT;
        if (!refused2 || MillisecondsLeft(deadline) == 0) break;
    }
    if (!answer) {
        error = noAnswer ? where + ": the printer did not answer: " + std::strerror(noAnswer)
                         : where + ": " + Printable(cupsLastErrorString());
        return false;
    }
    const ipp_status_t code = ippGetStatusCode(answer.get());
    if (code > IPP_STATUS_OK_CONFLICTING) {
        const char* message = ippGetString(ippFindAttribute(answer.get(), "status-message", IPP_TAG_TEXT), 0, nullptr);
        error = where + ": " + Printable(message ? message : ippErrorString(code));
        return false;
    }
    FillFromIppAttributes(answer.get(), status);
    return true;
}

}  // namespace PrinterUtils
