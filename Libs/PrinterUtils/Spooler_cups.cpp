// SPDX-License-Identifier: Apache-2.0
// CUPS primitives: the server's queues as printer records (NETWORK for a
// queue that lives on another server or was discovered, LOCAL otherwise,
// SHARED from printer-is-shared), the user's default destination as lp
// finds it, and a raw job as one CUPS job holding one document of format
// application/vnd.cups-raw. Pages have no CUPS counterpart. Input files are
// read with POSIX calls.
//
// Last errors: a failed CUPS call records cupsLastError() (the IPP status,
// e.g. 1030 for client-error-not-found) with cupsLastErrorString(); a print
// server that cannot be reached records server-error-service-unavailable
// with the reason, so it never reads like an unknown printer. POSIX calls
// record errno.
#include <cups/cups.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

#include "IppJob_cups.h"
#include "OsUtils.h"
#include "SpoolerPrimitives.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

// Bits of the CUPS printer-type attribute that mark a queue as living on
// another machine. The other bits are CUPS's own (0x08 is COLOR, not
// SHARED) and are never passed on as spooler attributes.
constexpr unsigned kCupsRemoteBits = CUPS_PRINTER_REMOTE | CUPS_PRINTER_DISCOVERED;

// How long a connection attempt to the print server may take.
constexpr int kConnectTimeoutMs = 30000;

// Never ask on a terminal: a server that wants credentials the program does
// not have fails the call with the server's own status instead.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*)
{
    return nullptr;
}

void RecordCupsError()
{
    OsUtils::SetLastOSError(static_cast<int>(cupsLastError()), std::string(cupsLastErrorString()));
}

void RecordServerUnreachable(int err)
{
    OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE),
                            SysUtils::Format("The print server %s cannot be reached: %s", cupsServer(),
                                             std::strerror(err)));
}

struct HttpCloser {
    void operator()(http_t* http) const noexcept { httpClose(http); }
};
using Connection = std::unique_ptr<http_t, HttpCloser>;

// A connection of its own to the configured print server (CUPS_SERVER,
// client.conf or the local scheduler); null with the last error recorded
// when the server does not answer.
Connection ConnectToServer()
{
    cupsSetPasswordCB2(NoPassword, nullptr);
    errno = 0;
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kConnectTimeoutMs, nullptr);
    if (!http) RecordServerUnreachable(errno ? errno : ECONNREFUSED);
    return Connection(http);
}

struct IppDeleter {
    void operator()(ipp_t* ipp) const noexcept { ippDelete(ipp); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;

std::uint32_t AttributesOf(unsigned cupsType, bool shared)
{
    std::uint32_t attributes = (cupsType & kCupsRemoteBits) ? kPrinterAttributeNetwork : kPrinterAttributeLocal;
    if (shared) attributes |= kPrinterAttributeShared;
    return attributes;
}

// One open printer: its connection, the destination and the job under way.
struct CupsPrinter {
    Connection http;
    std::string name;
    int jobId = 0;
    bool documentOpen = false;
    unsigned long long bytesSent = 0;
};

CupsPrinter* PrinterOf(SpoolHandle handle)
{
    return reinterpret_cast<CupsPrinter*>(handle);
}

// Whether the server has a printer or class of that name. One small
// Get-Printer-Attributes request: cheaper than the full destination record
// of cupsGetNamedDest, which a job does not need.
bool QueueExists(http_t* http, const std::string& name)
{
    char uri[HTTP_MAX_URI];
    if (httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                         name.c_str()) != HTTP_URI_STATUS_OK)
        return false;
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    const IppMessage response(cupsDoRequest(http, request, "/"));
    return response && cupsLastError() <= IPP_STATUS_OK_CONFLICTING &&
           ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME) != nullptr;
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
        Connection http = ConnectToServer();
        if (!http) return records;
        static const char* const kRequested[] = {"printer-name", "printer-type", "printer-is-shared"};
        ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(std::size(kRequested)), nullptr, kRequested);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        const IppMessage response(cupsDoRequest(http.get(), request, "/"));
        if (!response || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
            RecordCupsError();
            return records;
        }
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
            if (name) records.push_back(PrinterRecord{name, AttributesOf(type, shared)});
            if (attr) attr = ippNextAttribute(response.get());
        }
        return records;
    }

    bool DefaultPrinterPlatform() override { return true; }

    bool FindDefaultPrinterEntry() override { return true; }

    bool GetDefaultPrinter(std::string& name) override
    {
        Connection http = ConnectToServer();
        if (!http) return false;
        // A null name asks for the default as lp finds it: LPDEST or PRINTER,
        // then the user's lpoptions, then the server's default.
        cups_dest_t* dest = cupsGetNamedDest(http.get(), nullptr, nullptr);
        if (!dest) {
            RecordCupsError();
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
        if (!printerName.empty() && QueueExists(opened->http.get(), printerName)) {
            opened->name = printerName;
            printer = reinterpret_cast<SpoolHandle>(opened.release());
            return true;
        }
        // Not a queue of the server: perhaps a printer seen on the network,
        // which cupsGetNamedDest finds; it also gives the unknown name its
        // error status.
        cups_dest_t* dest = cupsGetNamedDest(opened->http.get(), printerName.c_str(), nullptr);
        if (!dest) {
            RecordCupsError();
            return false;
        }
        const char* type = cupsGetOption("printer-type", dest->num_options, dest->options);
        if (type && (std::strtoul(type, nullptr, 10) & CUPS_PRINTER_DISCOVERED)) {
            // A printer found on the network gets its queue on the local
            // scheduler when its capabilities are first asked for.
            cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
            cupsFreeDestInfo(info);
        }
        opened->name = dest->name;
        cupsFreeDests(1, dest);
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
            RecordCupsError();
            return 0;
        }
        if (cupsStartDocument(printer->http.get(), printer->name.c_str(), job, documentName.c_str(), format, 1) !=
            HTTP_STATUS_CONTINUE) {
            RecordCupsError();
            // A job without its document would wait on the server for one.
            cupsCancelJob2(printer->http.get(), printer->name.c_str(), job, 0);
            return 0;
        }
        printer->jobId = job;
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
            // The connection broke; libcups leaves no IPP status for that.
            const int err = httpError(printer->http.get());
            OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE),
                                    SysUtils::Format("Lost the connection to the print server: %s",
                                                     std::strerror(err ? err : EPIPE)));
        } else {
            // The server answered early (refused the data): its IPP status
            // comes with the response.
            cupsFinishDocument(printer->http.get(), printer->name.c_str());
            RecordCupsError();
        }
        printer->documentOpen = false;
        return false;
    }

    bool EndPagePrinter(SpoolHandle) override { return true; }

    bool EndDocPrinter(SpoolHandle handle) override
    {
        CupsPrinter* printer = PrinterOf(handle);
        if (!printer->documentOpen) return true;
        printer->documentOpen = false;
        const ipp_status_t status = cupsFinishDocument(printer->http.get(), printer->name.c_str());
        if (status <= IPP_STATUS_OK_CONFLICTING) return true;
        RecordCupsError();
        // A job whose document was refused would wait on the server for
        // another one until the server gives up on it.
        cupsCancelJob2(printer->http.get(), printer->name.c_str(), printer->jobId, 0);
        // CUPS refuses a document without bytes ("No file in print
        // request"). Nothing was to be printed and nothing is lost: like an
        // empty job elsewhere, that is not an error.
        return printer->bytesSent == 0 && status == IPP_STATUS_ERROR_BAD_REQUEST;
    }

    bool ClosePrinter(SpoolHandle handle) override
    {
        delete PrinterOf(handle);
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
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            OsUtils::SetLastOSError(errno);
            return false;
        }
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
};

}  // namespace

SpoolerPrimitives& SystemSpoolerPrimitives()
{
    static CupsSpoolerPrimitives primitives;
    return primitives;
}

}  // namespace PrinterUtils
