// SPDX-License-Identifier: Apache-2.0
// CUPS primitives: the server's queues as printer records (NETWORK for a
// queue that lives on another server, whether the configured server is not
// this machine's or the queue forwards to another server's printer; LOCAL
// otherwise; SHARED from printer-is-shared), the user's default destination
// as lp finds it, and a raw job as one CUPS job holding one document of
// format application/vnd.cups-raw. Pages have no CUPS counterpart. Input
// files are read with POSIX calls.
//
// Every connection waits at most kConnectTimeoutMs to be made and
// kAnswerTimeoutMs for each answer (PrinterBounds.h), so no call here can
// freeze a window for longer. Names keep their bytes from the server to the
// job. A job that was created but not finished is canceled, so nothing
// stays held on the server. A name that is no queue of the server but a
// printer found on the network (DiscoveredPrinters_cups.h) gets a temporary
// queue, as lp makes one, under kTemporaryQueueTimeoutMs.
//
// Last errors: a failed CUPS call records cupsLastError() (the IPP status,
// e.g. 1030 for client-error-not-found) with cupsLastErrorString(); a print
// server that cannot be reached or does not answer records
// server-error-service-unavailable with the reason, so it never reads like
// an unknown printer. POSIX calls record errno.
#include <cups/cups.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "DiscoveredPrinters_cups.h"
#include "IppJob_cups.h"
#include "IppRequest_cups.h"
#include "OsUtils.h"
#include "PrinterBounds.h"
#include "SocketPrimitives.h"
#include "SpoolerPrimitives.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

// Bits of the CUPS printer-type attribute that mark a queue as living on
// another machine. The other bits are CUPS's own (0x08 is COLOR, not
// SHARED) and are never passed on as spooler attributes.
constexpr unsigned kCupsRemoteBits = CUPS_PRINTER_REMOTE | CUPS_PRINTER_DISCOVERED;

// The text CUPS gives an unknown destination.
constexpr const char* kNoSuchPrinter = "The printer or class does not exist.";

// Credentials the user gave, per server, for this run only.
struct Credentials {
    std::string user;
    std::string password;
};
std::mutex credentialsLock;
std::map<std::string, Credentials>& KnownCredentials()
{
    static std::map<std::string, Credentials> known;
    return known;
}

// The connection the last stored credentials were offered on: asked again
// on the same connection, the server refused them and the user is asked.
thread_local const http_t* offeredOn = nullptr;
thread_local std::string passwordAnswer;

// libcups asks here when a server wants credentials. Never on a terminal:
// without an installed prompt, or when the user declines, the call fails
// with the server's own status.
const char* AskPassword(const char*, http_t* http, const char*, const char*, void*)
{
    char host[256] = "";
    httpGetHostname(http, host, sizeof host);
    const std::string server = host;
    Credentials given;
    {
        const std::lock_guard<std::mutex> lock(credentialsLock);
        auto& known = KnownCredentials();
        const auto it = known.find(server);
        if (it != known.end() && offeredOn != http) {
            offeredOn = http;
            cupsSetUser(it->second.user.c_str());
            passwordAnswer = it->second.password;
            return passwordAnswer.c_str();
        }
        if (it != known.end()) known.erase(it);
    }
    const TCredentialsPrompt prompt = CredentialsPrompt();
    given.user = cupsUser();
    if (!prompt || !prompt(server, given.user, given.password)) return nullptr;
    {
        const std::lock_guard<std::mutex> lock(credentialsLock);
        KnownCredentials()[server] = given;
    }
    offeredOn = http;
    cupsSetUser(given.user.c_str());
    passwordAnswer = given.password;
    return passwordAnswer.c_str();
}

void RecordCupsError()
{
    ipp_status_t status = cupsLastError();
    std::string text = cupsLastErrorString();
    // libcups reports a declined password prompt as its own status; the
    // user reads what the server said instead.
    if (status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED) {
        status = IPP_STATUS_ERROR_NOT_AUTHENTICATED;
        text = httpStatus(HTTP_STATUS_UNAUTHORIZED);
    }
    OsUtils::SetLastOSError(static_cast<int>(status), text);
}

// The configured server as a user would write it: a local socket's path,
// else host:port.
std::string ServerName()
{
    const char* server = cupsServer();
    if (server[0] == '/') return server;
    return SysUtils::Format("%s:%d", server, ippPort());
}

void RecordServerUnreachable(const std::string& reason)
{
    OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE),
                            SysUtils::Format("The print server %s cannot be reached: %s", ServerName().c_str(),
                                             reason.c_str()));
}

// Why a connection to the server failed at once. libcups' clean-up after a
// failed connect leaves errno at "Bad file descriptor" whatever happened,
// so the system is asked again: the local socket's path, or one connect of
// our own to host and port.
std::string WhyUnreachable()
{
    const std::string server = cupsServer();
    if (!server.empty() && server.front() == '/') {
        struct stat st {};
        return std::strerror(::stat(server.c_str(), &st) != 0 ? errno : ECONNREFUSED);
    }
    SocketHandle probe = kNoSocket;
    if (SocketConnect(server, ippPort(), kConnectTimeoutMs, probe)) {
        SocketClose(probe);
        return std::strerror(ECONNREFUSED);
    }
    const OsUtils::OSErrorInfo error = OsUtils::GetLastOSError();
    return error.text ? *error.text : std::strerror(error.code);
}

// The calls of one TSpoolerSession on this thread: one connection, made
// at the first call that needs it, or the failure of making or using it.
struct Session {
    int depth = 0;
    bool tried = false;
    bool failed = false;
    Connection http;
    OsUtils::OSErrorInfo failure;
};
thread_local Session session;

// A request that got no IPP answer at all: the connection broke or the
// server did not answer in time; otherwise the server's status. A session
// whose connection got no answer gives the later calls this failure at
// once instead of waiting for the server again.
void RecordNoAnswer(http_t* http, int err)
{
    OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE),
                            SysUtils::Format("The print server %s did not answer: %s", ServerName().c_str(),
                                             std::strerror(err)));
    if (session.depth > 0 && http == session.http.get()) {
        session.failed = true;
        session.failure = OsUtils::GetLastOSError();
    }
}

void RecordRequestFailure(http_t* http)
{
    const int err = httpError(http);
    if (err != 0 && cupsLastError() >= IPP_STATUS_ERROR_INTERNAL) {
        RecordNoAnswer(http, err);
        return;
    }
    RecordCupsError();
}

// A connection of its own to the configured print server (CUPS_SERVER,
// client.conf or the local scheduler), bounded in connecting and in every
// answer; null with the last error recorded when the server cannot be
// reached.
Connection ConnectToServer()
{
    cupsSetPasswordCB2(AskPassword, nullptr);
    // A new connection has been offered nothing yet, even where it reuses
    // the address of one that was.
    offeredOn = nullptr;
    errno = 0;
    const auto start = std::chrono::steady_clock::now();
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kConnectTimeoutMs, nullptr);
    if (!http) {
        // An attempt that used up the bound timed out; any other failed at
        // once and is asked about again.
        const bool timedOut = std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(kConnectTimeoutMs);
        RecordServerUnreachable(timedOut ? std::strerror(ETIMEDOUT) : WhyUnreachable());
        return nullptr;
    }
    BoundAnswers(http);
    return Connection(http);
}

// A connection for one call: the session's while one is open on this
// thread, else a connection of the call's own.
class ServerLink {
public:
    // False, with the last error recorded, when the server cannot be reached.
    bool Open()
    {
        if (session.depth == 0) {
            own_ = ConnectToServer();
            http_ = own_.get();
            return http_ != nullptr;
        }
        if (!session.tried) {
            session.tried = true;
            session.http = ConnectToServer();
            session.failed = !session.http;
            if (session.failed) session.failure = OsUtils::GetLastOSError();
        }
        if (session.failed) {
            OsUtils::SetLastOSError(session.failure.code, session.failure.text);
            return false;
        }
        http_ = session.http.get();
        return true;
    }
    http_t* get() const { return http_; }

private:
    Connection own_;
    http_t* http_ = nullptr;
};

// A request to the print server (SendRequest): the answer when its status
// is a success, else null with the last error recorded.
IppMessage DoRequest(http_t* http, ipp_t* request, const char* resource)
{
    int noAnswer = 0;
    IppMessage response = SendRequest(http, request, resource, noAnswer);
    if (!response) {
        if (noAnswer)
            RecordNoAnswer(http, noAnswer);
        else
            RecordRequestFailure(http);
        return nullptr;
    }
    const ipp_status_t status = ippGetStatusCode(response.get());
    if (status <= IPP_STATUS_OK_CONFLICTING) return response;
    const char* message = ippGetString(ippFindAttribute(response.get(), "status-message", IPP_TAG_TEXT), 0, nullptr);
    OsUtils::SetLastOSError(static_cast<int>(status), std::string(message ? message : ippErrorString(status)));
    return nullptr;
}

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

// One open printer: its connection, the destination and the job under way.
struct CupsPrinter {
    Connection http;
    std::string name;
    int jobId = 0;
    bool documentOpen = false;
    bool finished = false;
    bool connectionBroken = false;
    unsigned long long bytesSent = 0;
};

CupsPrinter* PrinterOf(SpoolHandle handle)
{
    return reinterpret_cast<CupsPrinter*>(handle);
}

// "queue/instance" names an lpoptions instance of the queue, whose options
// mean nothing to a raw job: the job goes to the queue. Split at the last
// slash, as lp does.
std::string QueueOf(const std::string& name)
{
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(0, slash);
}

// SettingUp: a temporary queue whose printer the server has not set up
// (yet, or ever: one that failed stays stopped until the server drops it).
enum class Lookup { Found, SettingUp, NotFound, Failed };

// The server's URI of queue name; false when the name does not make one.
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

// Whether the server has a printer or class of that name, in one small
// Get-Printer-Attributes request. A name the server does not know is
// answered by the server alone: the network is never browsed for it. Any
// other failure (server gone, forbidden, unauthorized) is recorded as
// what it is.
Lookup LookUpQueue(http_t* http, const std::string& name)
{
    char uri[HTTP_MAX_URI];
    if (name.empty() || !QueueUri(name, uri)) {
        OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_NOT_FOUND), std::string(kNoSuchPrinter));
        return Lookup::NotFound;
    }
    const IppMessage response = AskAboutQueue(
        http, uri, {"printer-name", "printer-is-temporary", "printer-is-accepting-jobs", "printer-state"});
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
        OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_NOT_FOUND), std::string(kNoSuchPrinter));
        return Lookup::NotFound;
    }
    return OsUtils::GetLastOSError().code == static_cast<int>(IPP_STATUS_ERROR_NOT_FOUND) ? Lookup::NotFound
                                                                                            : Lookup::Failed;
}

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
        OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_NOT_FOUND), std::string(kNoSuchPrinter));
        return false;
    }
    const auto deadline = start + std::chrono::milliseconds(kTemporaryQueueTimeoutMs);
    while (state.state == IPP_PSTATE_STOPPED) {
        if (std::chrono::steady_clock::now() >= deadline) {
            OsUtils::SetLastOSError(
                static_cast<int>(IPP_STATUS_ERROR_DEVICE),
                SysUtils::Format("The network printer %s was not ready within %d s%s%s", name.c_str(),
                                 kTemporaryQueueTimeoutMs / 1000, state.message.empty() ? "." : ": ",
                                 state.message.c_str()));
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const IppMessage response = AskAboutQueue(http, uri, {"printer-state", "printer-state-message"});
        if (!response) return false;
        state = StateOf(response.get());
    }
    return true;
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

class CupsSpoolerPrimitives final : public SpoolerPrimitives {
public:
    std::vector<PrinterRecord> EnumPrinters() override
    {
        // The server's printers and classes, in its order (by name), asking
        // only for the three attributes the list needs: the whole
        // destination records of cupsGetDests cost several times more over
        // hundreds of queues. Like the spooler's own enumeration, this lists
        // the installed queues, not printers merely seen on the network, and
        // not the instances that lpoptions defines.
        std::vector<PrinterRecord> records;
        ServerLink http;
        if (!http.Open()) return records;
        // Printers found on the network are not listed, but a name typed
        // later may be one of them: learn them beside the caller, also when
        // the server has no queue at all.
        BrowseDiscoveredPrinters();
        static const char* const kRequested[] = {"printer-name", "printer-type", "printer-is-shared"};
        ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(std::size(kRequested)), nullptr, kRequested);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        const IppMessage response = DoRequest(http.get(), request, "/");
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

    bool DefaultPrinterPlatform() override { return true; }

    bool FindDefaultPrinterEntry() override { return true; }

    bool GetDefaultPrinter(std::string& name) override
    {
        ServerLink http;
        if (!http.Open()) return false;
        // A null name asks for the default as lp finds it: LPDEST or PRINTER,
        // then the user's lpoptions, then the server's default.
        cups_dest_t* dest = cupsGetNamedDest(http.get(), nullptr, nullptr);
        if (!dest) {
            RecordRequestFailure(http.get());
            return false;
        }
        name.assign(dest->name, std::min(std::strlen(dest->name), kMaxPrinterNameLength));
        cupsFreeDests(1, dest);
        return true;
    }

    bool OpenPrinter(const std::string& printerName, SpoolHandle& printer) override
    {
        auto opened = std::make_unique<CupsPrinter>();
        opened->http = ConnectToServer();
        if (!opened->http) return false;
        std::string queue = QueueOf(printerName);
        const Lookup lookup = LookUpQueue(opened->http.get(), queue);
        if (lookup == Lookup::Failed) return false;
        if (lookup == Lookup::SettingUp &&
            !WaitForTemporaryQueue(opened->http.get(), queue, QueueState{}, std::chrono::steady_clock::now()))
            return false;
        if (lookup == Lookup::NotFound) {
            // Not a queue of the server: a printer the network browse found
            // gets a temporary queue, as lp makes one for it. Any other name
            // keeps the server's "not found" at once.
            const std::optional<DiscoveredPrinter> discovered = FindDiscoveredPrinter(queue);
            if (!discovered || !MakeTemporaryQueue(opened->http.get(), *discovered)) return false;
            queue = discovered->name;
        }
        opened->name = queue;
        printer = reinterpret_cast<SpoolHandle>(opened.release());
        return true;
    }

    std::uint32_t StartDocPrinter(SpoolHandle handle, const std::string& documentName,
                                  const std::string& dataType) override
    {
        CupsPrinter* printer = PrinterOf(handle);
        const char* format = dataType == "RAW" ? CUPS_FORMAT_RAW : CUPS_FORMAT_AUTO;
        const int job = cupsCreateJob(printer->http.get(), printer->name.c_str(), documentName.c_str(), 0, nullptr);
        if (job <= 0) {
            RecordRequestFailure(printer->http.get());
            return 0;
        }
        // From here on a job exists: closing the printer cancels it unless
        // its document was finished.
        printer->jobId = job;
        if (cupsStartDocument(printer->http.get(), printer->name.c_str(), job, documentName.c_str(), format, 1) !=
            HTTP_STATUS_CONTINUE) {
            RecordRequestFailure(printer->http.get());
            CancelJob(*printer);
            return 0;
        }
        printer->documentOpen = true;
        return static_cast<std::uint32_t>(job);
    }

    bool StartPagePrinter(SpoolHandle) override { return true; }

    bool WritePrinter(SpoolHandle handle, const void* data, std::uint32_t size, std::uint32_t& written) override
    {
        CupsPrinter* printer = PrinterOf(handle);
        written = 0;
        if (!printer->documentOpen) {
            OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_INTERNAL), std::string("No document is open."));
            return false;
        }
        const http_status_t status = cupsWriteRequestData(printer->http.get(), static_cast<const char*>(data), size);
        if (status == HTTP_STATUS_CONTINUE) {
            written = size;
            printer->bytesSent += size;
            return true;
        }
        if (status == HTTP_STATUS_ERROR) {
            // The connection broke or the server stopped taking data within
            // the bound; libcups leaves no IPP status for that.
            const int err = httpError(printer->http.get());
            OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE),
                                    SysUtils::Format("Lost the connection to the print server: %s",
                                                     std::strerror(err ? err : EPIPE)));
            printer->connectionBroken = true;
        } else {
            // The server answered early (refused the data): its IPP status
            // comes with the response.
            cupsFinishDocument(printer->http.get(), printer->name.c_str());
            RecordCupsError();
        }
        printer->documentOpen = false;
        CancelJob(*printer);
        return false;
    }

    bool EndPagePrinter(SpoolHandle) override { return true; }

    bool EndDocPrinter(SpoolHandle handle) override
    {
        CupsPrinter* printer = PrinterOf(handle);
        if (!printer->documentOpen) return true;
        printer->documentOpen = false;
        const ipp_status_t status = cupsFinishDocument(printer->http.get(), printer->name.c_str());
        if (status <= IPP_STATUS_OK_CONFLICTING) {
            printer->finished = true;
            return true;
        }
        RecordRequestFailure(printer->http.get());
        // A job whose document was refused would wait on the server for
        // another one until the server gives up on it.
        CancelJob(*printer);
        // CUPS refuses a document without bytes ("No file in print
        // request"). Nothing was to be printed and nothing is lost: like an
        // empty job elsewhere, that is not an error.
        return printer->bytesSent == 0 && status == IPP_STATUS_ERROR_BAD_REQUEST;
    }

    bool ClosePrinter(SpoolHandle handle) override
    {
        const std::unique_ptr<CupsPrinter> printer(PrinterOf(handle));
        // Whatever path led here, a job left unfinished must not stay held.
        CancelJob(*printer);
        return true;
    }

    // A queue's job is followed by its id on the server, when asked to.
    bool FollowJob(SpoolHandle handle, std::uint32_t jobId, const TJobOptions& options,
                   TJobOutcome& outcome) override
    {
        if (!options.wait || jobId == 0) return true;
        return FollowIppJob(PrinterOf(handle)->http.get(), "ipp://localhost/", static_cast<int>(jobId), options,
                            outcome);
    }

    bool OpenInputFile(const std::string& name, SpoolHandle& file) override
    {
        // Never through a symbolic link, never blocking on a FIFO or a
        // device: the job's input must be a regular file.
        const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            OsUtils::SetLastOSError(errno);
            return false;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            const int err = errno;
            ::close(fd);
            if (st.st_mode != 0 && !S_ISREG(st.st_mode))
                OsUtils::SetLastOSError(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, std::string("Not a regular file"));
            else
                OsUtils::SetLastOSError(err);
            return false;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        file = fd;
        return true;
    }

    bool ReadInputFile(SpoolHandle file, void* buffer, std::uint32_t size, std::uint32_t& read) override
    {
        // Fill the block unless the end comes first, so pipes frame pages
        // the way regular files do.
        read = 0;
        char* out = static_cast<char*>(buffer);
        while (read < size) {
            const ssize_t n = ::read(static_cast<int>(file), out + read, size - read);
            if (n < 0) {
                if (errno == EINTR) continue;
                OsUtils::SetLastOSError(errno);
                return false;
            }
            if (n == 0) break;
            read += static_cast<std::uint32_t>(n);
        }
        return true;
    }

    bool CloseInputFile(SpoolHandle file) override
    {
        if (::close(static_cast<int>(file)) != 0) {
            OsUtils::SetLastOSError(errno);
            return false;
        }
        return true;
    }

    void BeginSession() override
    {
        if (session.depth++ == 0) {
            session.tried = false;
            session.failed = false;
            session.http.reset();
        }
    }

    void EndSession() override
    {
        if (--session.depth == 0) session.http.reset();
    }

private:
    // Cancels the job once, under the same bounds, on the printer's own
    // connection or, when that broke, on a new one. The last error of the
    // failure that led here is kept for the caller.
    static void CancelJob(CupsPrinter& printer)
    {
        if (printer.jobId == 0 || printer.finished) return;
        const int job = printer.jobId;
        printer.jobId = 0;
        const OsUtils::OSErrorInfo failure = OsUtils::GetLastOSError();
        Connection fresh;
        http_t* http = printer.http.get();
        if (printer.connectionBroken) {
            fresh = ConnectToServer();
            http = fresh.get();
        }
        if (http) cupsCancelJob2(http, printer.name.c_str(), job, 0);
        OsUtils::SetLastOSError(failure.code, failure.text);
    }
};

}  // namespace

SpoolerPrimitives& SystemSpoolerPrimitives()
{
    static CupsSpoolerPrimitives primitives;
    return primitives;
}

}  // namespace PrinterUtils
