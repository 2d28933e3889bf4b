// SPDX-License-Identifier: Apache-2.0
#include "CupsQueues_cups.h"

#include <cstring>
#include <iterator>
#include <optional>

#include "CupsConnection_cups.h"
#include "OsUtils.h"

namespace PrinterUtils {

namespace {

// Bits of the CUPS printer-type attribute that mark a queue as living on
// another machine. The other bits are CUPS's own (0x08 is COLOR, not
// SHARED) and are never passed on as spooler attributes.
constexpr unsigned kCupsRemoteBits = CUPS_PRINTER_REMOTE | CUPS_PRINTER_DISCOVERED;

// The text CUPS gives an unknown destination.
constexpr const char* kNoSuchPrinter = "The printer or class does not exist.";

// Whether the configured server is this machine's own scheduler: its local
// socket, or the loopback address on the standard port. Any other server is
// another machine's, and all its queues are network printers.
bool ServerIsLocal()
{
    const std::string server = cupsServer();
    if (!server.empty() && server.front() == '/') return true;
    if (ippPort() != 631) return false;
    return server == "localhost" || server == "127.0.0.1" || server == "::1" || server == "[::1]";
}

std::uint32_t AttributesOf(unsigned cupsType, bool shared, bool remoteServer)
{
    const bool network = remoteServer || (cupsType & kCupsRemoteBits);
    std::uint32_t attributes = network ? kPrinterAttributeNetwork : kPrinterAttributeLocal;
    if (shared) attributes |= kPrinterAttributeShared;
    return attributes;
}

}  // namespace

std::string QueueOf(const std::string& name)
{
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(0, slash);
}

void RecordNoSuchQueue()
{
    OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_NOT_FOUND), std::string(kNoSuchPrinter));
}

bool QueueUri(const std::string& name, char (&uri)[HTTP_MAX_URI])
{
    return httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                            "/printers/%s", name.c_str()) == HTTP_URI_STATUS_OK;
}

// The attributes asked for of the queue at uri (Get-Printer-Attributes).
IppMessage AskAboutQueue(http_t* http, const char* uri, std::initializer_list<const char*> attributes)
{
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(attributes.size()), nullptr, attributes.begin());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return DoRequest(http, request, "/");
}

Lookup LookUpQueue(http_t* http, const std::string& name)
{
    char uri[HTTP_MAX_URI];
    if (name.empty() || !QueueUri(name, uri)) {
        RecordNoSuchQueue();
        return Lookup::NotFound;
    }
    const IppMessage response =
        AskAboutQueue(http, uri,
                      {"printer-name", "printer-is-temporary", "printer-is-accepting-jobs", "printer-state"});
    if (response && ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME) != nullptr) {
        const auto flag = [&](const char* name) {
            return ippGetBoolean(ippFindAttribute(response.get(), name, IPP_TAG_BOOLEAN), 0) != 0;
        };
        ipp_attribute_t* state = ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM);
        const bool stopped = ippGetInteger(state, 0) == IPP_PSTATE_STOPPED;
        return flag("printer-is-temporary") && stopped && !flag("printer-is-accepting-jobs") ? Lookup::SettingUp
                                                                                             : Lookup::Found;
    }
    if (response) {
        RecordNoSuchQueue();
        return Lookup::NotFound;
    }
    return OsUtils::GetLastOSError().code == static_cast<int>(IPP_STATUS_ERROR_NOT_FOUND) ? Lookup::NotFound
                                                                                          : Lookup::Failed;
}

// Asks only for the three attributes the list needs: the whole destination
// records of cupsGetDests cost several times more over hundreds of queues.
// Like the spooler's own enumeration, this lists the installed queues, not
// printers merely seen on the network, and not the instances that lpoptions
// defines.
std::vector<PrinterRecord> ListQueues(http_t* http)
{
    std::vector<PrinterRecord> records;
    static const char* const kRequested[] = {"printer-name", "printer-type", "printer-is-shared"};
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kRequested)), nullptr, kRequested);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    const IppMessage response = DoRequest(http, request, "/");
    if (!response) {
        // A server without queues answers "not found": an empty list,
        // not a failure.
        if (OsUtils::GetLastOSError().code == static_cast<int>(IPP_STATUS_ERROR_NOT_FOUND))
            OsUtils::SetLastOSError(0, std::nullopt);
        return records;
    }
    const bool remoteServer = !ServerIsLocal();
    ipp_attribute_t* attr = ippFirstAttribute(response.get());
    while (attr) {
        // One printer group after another, separated by other groups.
        while (attr && ippGetGroupTag(attr) != IPP_TAG_PRINTER) attr = ippNextAttribute(response.get());
        const char* name = nullptr;
        unsigned type = 0;
        bool shared = false;
        for (; attr && ippGetGroupTag(attr) == IPP_TAG_PRINTER; attr = ippNextAttribute(response.get())) {
            const char* attrName = ippGetName(attr);
            if (!attrName) break;
            if (std::strcmp(attrName, "printer-name") == 0 && ippGetValueTag(attr) == IPP_TAG_NAME)
                name = ippGetString(attr, 0, nullptr);
            else if (std::strcmp(attrName, "printer-type") == 0 && ippGetValueTag(attr) == IPP_TAG_ENUM)
                type = static_cast<unsigned>(ippGetInteger(attr, 0));
            else if (std::strcmp(attrName, "printer-is-shared") == 0 && ippGetValueTag(attr) == IPP_TAG_BOOLEAN)
                shared = ippGetBoolean(attr, 0) != 0;
        }
        if (name) records.push_back(PrinterRecord{name, AttributesOf(type, shared, remoteServer)});
        if (attr) attr = ippNextAttribute(response.get());
    }
    return records;
}

}  // namespace PrinterUtils
