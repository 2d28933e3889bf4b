// SPDX-License-Identifier: Apache-2.0
#include "TemporaryQueue_cups.h"

#include <chrono>
#include <optional>
#include <thread>

#include "CupsConnection_cups.h"
#include "CupsQueues_cups.h"
#include "OsUtils.h"
#include "PrinterBounds.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

// The state of a temporary queue being set up: stopped until the server
// has found the printer and learnt what it can do.
struct QueueState {
    ipp_pstate_t state = IPP_PSTATE_STOPPED;
    std::string message;
};

QueueState StateOf(ipp_t* response)
{
    QueueState state;
    if (ipp_attribute_t* attr = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM))
        state.state = static_cast<ipp_pstate_t>(ippGetInteger(attr, 0));
    if (ipp_attribute_t* attr = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT))
        state.message = ippGetString(attr, 0, nullptr);
    return state;
}

// Waits until the server says the temporary queue name is ready: at most
// kTemporaryQueueTimeoutMs from start, each answer within kAnswerTimeoutMs.
// A printer the server cannot find or reach leaves the queue stopped
// without a word; the wait running out is then the failure reported.
bool WaitForTemporaryQueue(http_t* http, const std::string& name, QueueState state,
                           std::chrono::steady_clock::time_point start)
{
    char uri[HTTP_MAX_URI];
    if (!QueueUri(name, uri)) {
        RecordNoSuchQueue();
        return false;
    }
    const auto deadline = start + std::chrono::milliseconds(kTemporaryQueueTimeoutMs);
    while (state.state == IPP_PSTATE_STOPPED) {
        if (std::chrono::steady_clock::now() >= deadline) {
            OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_DEVICE),
                                    SysUtils::Format("The network printer %s was not ready within %d s%s%s",
                                                     name.c_str(), kTemporaryQueueTimeoutMs / 1000,
                                                     state.message.empty() ? "." : ": ", state.message.c_str()));
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const IppMessage response = AskAboutQueue(http, uri, {"printer-state", "printer-state-message"});
        if (!response) return false;
        state = StateOf(response.get());
    }
    return true;
}

}  // namespace

bool WaitForTemporaryQueue(http_t* http, const std::string& name)
{
    return WaitForTemporaryQueue(http, name, QueueState{}, std::chrono::steady_clock::now());
}

// Makes the temporary queue of a printer found on the network, as lp
// does for such a name, and waits until it is ready.
bool MakeTemporaryQueue(http_t* http, const DiscoveredPrinter& printer)
{
    const auto start = std::chrono::steady_clock::now();
    const std::optional<std::string> deviceUri = ResolveDeviceUri(printer);
    if (!deviceUri) {
        OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_DEVICE),
                                SysUtils::Format("The network printer %s cannot be found on the network.",
                                                 printer.name.c_str()));
        return false;
    }
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_CREATE_LOCAL_PRINTER);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr, deviceUri->c_str());
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr, printer.name.c_str());
    const IppMessage response = DoRequest(http, request, "/");
    return response && WaitForTemporaryQueue(http, printer.name, StateOf(response.get()), start);
}

}  // namespace PrinterUtils
