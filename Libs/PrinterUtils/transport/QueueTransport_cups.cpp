// SPDX-License-Identifier: Apache-2.0
// A raw job to a queue of the print server: one CUPS job holding one
// document of format application/vnd.cups-raw. Opening looks the queue up;
// a name that is no queue of the server but a printer found on the network
// gets a temporary queue, as lp makes one. A job that was created but not
// finished is canceled, so nothing stays held on the server. Names keep
// their bytes from the server to the job.
#include <cups/cups.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "CupsConnection_cups.h"
#include "CupsQueues_cups.h"
#include "DiscoveredPrinters_cups.h"
#include "IppJob_cups.h"
#include "IppRequest_cups.h"
#include "JobTransport.h"
#include "OsUtils.h"
#include "SysUtils.h"
#include "TemporaryQueue_cups.h"

namespace PrinterUtils {

namespace {

class CupsQueueTransport final : public JobTransport {
public:
    bool Open(const TPrinterTarget& target) override
    {
        http_ = ConnectToServer();
        if (!http_) return false;
        std::string queue = QueueOf(target.name);
        const Lookup lookup = LookUpQueue(http_.get(), queue);
        if (lookup == Lookup::Failed) return false;
        if (lookup == Lookup::SettingUp && !WaitForTemporaryQueue(http_.get(), queue)) return false;
        if (lookup == Lookup::NotFound) {
            // Not a queue of the server: a printer the network browse found
            // gets a temporary queue, as lp makes one for it. Any other name
            // keeps the server's "not found" at once.
            const std::optional<DiscoveredPrinter> discovered = FindDiscoveredPrinter(queue);
            if (!discovered || !MakeTemporaryQueue(http_.get(), *discovered)) return false;
            queue = discovered->name;
        }
        name_ = queue;
        char uri[HTTP_MAX_URI];
        QueueUri(name_, uri);
        uri_ = uri;
        // The request goes to the queue's own resource, as lp sends it.
        const std::size_t path = uri_.find("/printers/");
        resource_ = path == std::string::npos ? "/" : uri_.substr(path);
        return true;
    }

    std::uint32_t StartDocument(const std::string& documentName, const std::string& dataType) override
    {
        const char* format = dataType == "RAW" ? CUPS_FORMAT_RAW : CUPS_FORMAT_AUTO;
        ipp_t* create = NewRequest(IPP_OP_CREATE_JOB);
        ippAddString(create, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, documentName.c_str());
        const IppMessage created = DoRequest(http_.get(), create, resource_.c_str());
        ipp_attribute_t* id = created ? ippFindAttribute(created.get(), "job-id", IPP_TAG_INTEGER) : nullptr;
        if (!id || ippGetInteger(id, 0) <= 0) {
            if (created)
                OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_INTERNAL),
                                        std::string("The print server made no job."));
            return 0;
        }
        // From here on a job exists: closing cancels it unless its document
        // was finished.
        jobId_ = ippGetInteger(id, 0);
        http_status_t started = HTTP_STATUS_ERROR;
        {
            const RequestBound bound;
            started = cupsStartDocument(http_.get(), name_.c_str(), jobId_, documentName.c_str(), format, 1);
        }
        if (started != HTTP_STATUS_CONTINUE) {
            RecordRequestFailure(http_.get());
            CancelJob();
            return 0;
        }
        documentOpen_ = true;
        return static_cast<std::uint32_t>(jobId_);
    }

    bool Write(const void* data, std::uint32_t size) override
    {
        if (!documentOpen_) {
            OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_INTERNAL), std::string("No document is open."));
            return false;
        }
        http_status_t status = HTTP_STATUS_ERROR;
        {
            // Each block is taken within the bound, or the job fails.
            const RequestBound bound;
            status = cupsWriteRequestData(http_.get(), static_cast<const char*>(data), size);
        }
        if (status == HTTP_STATUS_CONTINUE) {
            bytesSent_ += size;
            return true;
        }
        if (status == HTTP_STATUS_ERROR) {
            // The connection broke or the server stopped taking data within
            // the bound; libcups leaves no IPP status for that.
            const int err = httpError(http_.get());
            OsUtils::SetLastOSError(static_cast<int>(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE),
                                    SysUtils::Format("Lost the connection to the print server: %s",
                                                     std::strerror(err ? err : EPIPE)));
            connectionBroken_ = true;
        } else {
            // The server answered early (refused the data): its IPP status
            // comes with the response.
            FinishDocument(http_.get());
        }
        documentOpen_ = false;
        CancelJob();
        return false;
    }

    bool EndDocument() override
    {
        if (!documentOpen_) return true;
        documentOpen_ = false;
        if (FinishDocument(http_.get())) {
            finished_ = true;
            return true;
        }
        const int status = OsUtils::GetLastOSError().code;
        // A job whose document was refused would wait on the server for
        // another one until the server gives up on it.
        CancelJob();
        // CUPS refuses a document without bytes ("No file in print
        // request"). Nothing was to be printed and nothing is lost: like an
        // empty job elsewhere, that is not an error.
        return bytesSent_ == 0 && status == static_cast<int>(IPP_STATUS_ERROR_BAD_REQUEST);
    }

    // A queue's job is followed by its id on the server, when asked to.
    bool Follow(std::uint32_t jobId, const TJobOptions& options, TJobOutcome& outcome) override
    {
        if (!options.wait || jobId == 0) return true;
        return FollowIppJob(http_.get(), "ipp://localhost/", static_cast<int>(jobId), options, outcome);
    }

    bool Close() override
    {
        // Whatever path led here, a job left unfinished must not stay held.
        CancelJob();
        http_.reset();
        return true;
    }

private:
    // A request about the queue, from this user.
    ipp_t* NewRequest(ipp_op_t op) const
    {
        ipp_t* request = ippNewRequest(op);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri_.c_str());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        return request;
    }

    // Cancels the job once, under the same bounds, on the job's own
    // connection or, when that broke, on a new one. The last error of the
    // failure that led here is kept for the caller.
    void CancelJob()
    {
        if (jobId_ == 0 || finished_) return;
        const int job = jobId_;
        jobId_ = 0;
        const OsUtils::OSErrorInfo failure = OsUtils::GetLastOSError();
        Connection fresh;
        http_t* http = http_.get();
        if (connectionBroken_) {
            fresh = ConnectToServer();
            http = fresh.get();
        }
        if (http) {
            ipp_t* cancel = NewRequest(IPP_OP_CANCEL_JOB);
            ippAddInteger(cancel, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
            int noAnswer = 0;
            SendRequest(http, cancel, "/jobs/", noAnswer);
        }
        OsUtils::SetLastOSError(failure.code, failure.text);
    }

    Connection http_;
    std::string name_;
    std::string uri_;
    std::string resource_;
    int jobId_ = 0;
    bool documentOpen_ = false;
    bool finished_ = false;
    bool connectionBroken_ = false;
    unsigned long long bytesSent_ = 0;
};

}  // namespace

std::unique_ptr<JobTransport> NewQueueTransport()
{
    return std::make_unique<CupsQueueTransport>();
}

}  // namespace PrinterUtils
