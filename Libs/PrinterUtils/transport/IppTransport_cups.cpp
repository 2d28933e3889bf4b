// SPDX-License-Identifier: Apache-2.0
// ipp:// and ipps:// printers through libcups, straight to the printer with
// no queue: opening connects (bounded; TLS for ipps) and asks the printer
// for its formats, so an address that is not a printer fails at opening;
// the document starts with Create-Job (named after the document) and a
// Send-Document whose data follows as written; ending it reads the
// printer's answer; following the job asks for its state until it is
// final or the bound passes.
//
// The document format is the printer's raw one when it has it (a CUPS
// server's queue takes application/vnd.cups-raw and passes the bytes on
// untouched), else application/octet-stream, else application/postscript:
// either way the printer gets the bytes as they are.
//
// Last errors: a failed IPP request records its status and text; a
// connection that cannot be made records errno with the address.
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "IppJob_cups.h"
#include "IppRequest_cups.h"
#include "OsUtils.h"
#include "JobTransport.h"
#include "PrinterBounds.h"
#include "SocketPrimitives.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

// One open ipp:// printer: its connection and the job under way.
struct IppPrinter {
    Connection http;
    std::string uri;
    std::string resource;
    std::string format;
    std::string where;  // "HOST:PORT", for the texts
    int jobId = 0;
    bool documentOpen = false;
};

void RecordIppError()
{
    OsUtils::SetLastOSError(static_cast<int>(cupsLastError()), std::string(cupsLastErrorString()));
}

// The answer when it came and its status is a success, else null with the
// last error recorded: the printer's status, or its silence named as such.
IppMessage Checked(const IppPrinter& printer, IppMessage response, int noAnswer, bool recorded)
{
    if (!response) {
        if (noAnswer)
            OsUtils::SetLastOSError(noAnswer, SysUtils::Format("%s: the printer did not answer: %s",
                                                               printer.where.c_str(), std::strerror(noAnswer)));
        else if (!recorded)
            RecordIppError();
        return nullptr;
    }
    return Successful(std::move(response));
}

// A request to the printer, bounded and capped (SendRequest).
IppMessage Ask(const IppPrinter& printer, ipp_t* request)
{
    int noAnswer = 0;
    IppMessage response = SendRequest(printer.http.get(), request, printer.resource.c_str(), noAnswer);
    return Checked(printer, std::move(response), noAnswer, false);
}

// Never ask on a terminal for a password the program does not have.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*)
{
    return nullptr;
}

ipp_t* NewRequest(ipp_op_t op, const IppPrinter& printer)
{
    ipp_t* request = ippNewRequest(op);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printer.uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
}

// The job was made but cannot be completed: cancel it, so it does not wait
// on the printer for a document that never comes.
void CancelJob(IppPrinter& printer)
{
    if (printer.jobId == 0) return;
    ipp_t* request = NewRequest(IPP_OP_CANCEL_JOB, printer);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", printer.jobId);
    const OsUtils::OSErrorInfo failure = OsUtils::GetLastOSError();
    Ask(printer, request);
    OsUtils::SetLastOSError(failure.code, failure.text);
    printer.jobId = 0;
}

class IppTransport final : public JobTransport {
public:
    bool Open(const TPrinterTarget& address) override
    {
        const std::string& name = address.name;
        IppPrinter* printer = &printer_;
        const bool tls = address.kind == TargetKind::Ipps;
        char uri[HTTP_MAX_URI];
        if (httpAssembleURI(HTTP_URI_CODING_ALL, uri, sizeof uri, tls ? "ipps" : "ipp", nullptr, address.host.c_str(),
                            address.port, address.resource.c_str()) != HTTP_URI_STATUS_OK) {
            OsUtils::SetLastOSError(EINVAL, SysUtils::Format("\"%s\" is not a valid printer address", name.c_str()));
            return false;
        }
        printer->uri = uri;
        printer->where = address.HostAndPort();
        printer->resource = address.resource;
        cupsSetPasswordCB2(NoPassword, nullptr);
        // libcups reports every failed connect as "Host is down": a connect
        // of our own first tells a refused port, a silent one and an
        // unknown host apart, within the same bound.
        SocketHandle probe = kNoSocket;
        if (!SocketConnect(address.host, address.port, kConnectTimeoutMs, probe)) {
            const OsUtils::OSErrorInfo failed = OsUtils::GetLastOSError();
            OsUtils::SetLastOSError(failed.code,
                                    SysUtils::Format("%s:%d: %s", address.host.c_str(), address.port,
                                                     failed.text ? failed.text->c_str() : std::strerror(failed.code)));
            return false;
        }
        SocketClose(probe);
        // Made without connecting (a bound of 0), then connected once its
        // answer bound is set.
        printer->http.reset(httpConnect2(address.host.c_str(), address.port, nullptr, AF_UNSPEC,
                                         tls ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED, 1, 0, nullptr));
        if (!printer->http) {
            // Only a host that does not resolve leaves no connection at all.
            OsUtils::SetLastOSError(EINVAL,
                                    SysUtils::Format("%s:%d: unknown host", address.host.c_str(), address.port));
            return false;
        }
        // Each answer bounded, the TLS handshake of ipps:// included.
        BoundAnswers(printer->http.get());
        if (httpReconnect2(printer->http.get(), kConnectTimeoutMs, nullptr) != 0) {
            const int err = httpError(printer->http.get()) ? httpError(printer->http.get()) : ETIMEDOUT;
            OsUtils::SetLastOSError(err, SysUtils::Format("%s:%d: %s", address.host.c_str(), address.port,
                                                          std::strerror(err)));
            return false;
        }

        // Is there a printer at this path, and which format takes raw bytes?
        ipp_t* request = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, *printer);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                     "document-format-supported");
        const IppMessage response = Ask(*printer, request);
        if (!response) return false;
        printer->format = "application/postscript";
        if (ipp_attribute_t* formats =
                ippFindAttribute(response.get(), "document-format-supported", IPP_TAG_MIMETYPE)) {
            if (ippContainsString(formats, "application/vnd.cups-raw"))
                printer->format = "application/vnd.cups-raw";
            else if (ippContainsString(formats, "application/octet-stream"))
                printer->format = "application/octet-stream";
        }
        return true;
    }

    std::uint32_t StartDocument(const std::string& documentName, const std::string&) override
    {
        IppPrinter& printer = printer_;
        ipp_t* create = NewRequest(IPP_OP_CREATE_JOB, printer);
        ippAddString(create, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, documentName.c_str());
        const IppMessage created = Ask(printer, create);
        ipp_attribute_t* id = created ? ippFindAttribute(created.get(), "job-id", IPP_TAG_INTEGER) : nullptr;
        if (!id || ippGetInteger(id, 0) <= 0) {
            if (created) OsUtils::SetLastOSError(EBADMSG, printer.where + ": the printer made no job");
            return 0;
        }
        printer.jobId = ippGetInteger(id, 0);

        ipp_t* send = NewRequest(IPP_OP_SEND_DOCUMENT, printer);
        ippAddInteger(send, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", printer.jobId);
        ippAddString(send, IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr, documentName.c_str());
        ippAddString(send, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, printer.format.c_str());
        ippAddBoolean(send, IPP_TAG_OPERATION, "last-document", 1);
        http_status_t status = HTTP_STATUS_ERROR;
        {
            const RequestBound bound;
            status = cupsSendRequest(printer.http.get(), send, printer.resource.c_str(), CUPS_LENGTH_VARIABLE);
        }
        ippDelete(send);
        if (status != HTTP_STATUS_CONTINUE) {
            RecordIppError();
            CancelJob(printer);
            return 0;
        }
        printer.documentOpen = true;
        return static_cast<std::uint32_t>(printer.jobId);
    }

    bool Write(const void* data, std::uint32_t size) override
    {
        IppPrinter& printer = printer_;
        http_status_t status = HTTP_STATUS_ERROR;
        {
            // Each block is taken within the bound, or the job fails.
            const RequestBound bound;
            status = cupsWriteRequestData(printer.http.get(), static_cast<const char*>(data), size);
        }
        if (status == HTTP_STATUS_CONTINUE) return true;
        const int err = httpError(printer.http.get());
        OsUtils::SetLastOSError(err ? err : EPIPE, SysUtils::Format("Lost the connection to the printer: %s",
                                                                    std::strerror(err ? err : EPIPE)));
        return false;
    }

    bool EndDocument() override
    {
        IppPrinter& printer = printer_;
        if (!printer.documentOpen) return true;
        printer.documentOpen = false;
        int noAnswer = 0;
        IppMessage answer = FinishRequest(printer.http.get(), noAnswer);
        if (Checked(printer, std::move(answer), noAnswer, true)) return true;
        CancelJob(printer);
        return false;
    }

    bool Follow(std::uint32_t jobId, const TJobOptions& options, TJobOutcome& outcome) override
    {
        if (!options.wait) return true;
        IppPrinter& printer = printer_;
        return FollowIppJob(printer.http.get(), printer.uri, static_cast<int>(jobId), options, outcome);
    }

    bool Close() override
    {
        printer_.http.reset();
        return true;
    }

private:
    IppPrinter printer_;
};

}  // namespace

std::unique_ptr<JobTransport> NewIppTransport()
{
    return std::make_unique<IppTransport>();
}

}  // namespace PrinterUtils
