// SPDX-License-Identifier: Apache-2.0
// The seam one raw job runs over. Each way of reaching a printer (a queue
// of the system's spooler, socket://, ipp://) is one JobTransport in a file
// of its own; the raw-job algorithm (RawJob.cpp) drives them all alike, and
// tests drive it with a recording fake.
//
// A transport object carries one job: Open, StartDocument, Write...,
// EndDocument, Follow, Close, in that order. A call that fails returns
// false (or 0) and has recorded the failure with OsUtils::SetLastOSError
// before returning, before any other call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "PrinterTarget.h"
#include "PrinterUtils.h"

namespace OsUtils {
class FilePrimitives;
}

namespace PrinterUtils {

// Bytes moved per page.
inline constexpr std::size_t kTransferBufferSize = 16384;

// IPP job states (RFC 8011) that a job can be left in; they are the error
// codes of a job that failed after it was sent.
inline constexpr int kIppJobProcessing = 5;
inline constexpr int kIppJobCanceled = 7;
inline constexpr int kIppJobAborted = 8;

class JobTransport {
public:
    virtual ~JobTransport() = default;

    // Reaches the target's printer.
    virtual bool Open(const TPrinterTarget& target) = 0;
    // Starts one job of one document with the given name and data type;
    // the job's id, or 0 on failure (then no document needs ending).
    virtual std::uint32_t StartDocument(const std::string& documentName, const std::string& dataType) = 0;
    // Pages frame the data for spoolers that count them; elsewhere they
    // mean nothing and keep these defaults.
    virtual bool StartPage() { return true; }
    virtual bool EndPage() { return true; }
    // Hands all size bytes on, or fails.
    virtual bool Write(const void* data, std::uint32_t size) = 0;
    // Completes the document; false when the printer or spooler did not
    // take the job.
    virtual bool EndDocument() = 0;
    // After the document ended: follows job jobId as options ask and fills
    // outcome (state, message, back channel); false when the connection
    // failed meanwhile. Transports that cannot follow a job leave it jsSent.
    virtual bool Follow(std::uint32_t jobId, const TJobOptions& options, TJobOutcome& outcome);
    // Releases what Open acquired, also when it reports a failure.
    virtual bool Close() = 0;
};

// A new, unopened transport for the target, chosen by its kind; null, with
// the last error recorded (the reason and the addresses that work here),
// for an address that does not parse or whose scheme this system lacks.
std::unique_ptr<JobTransport> NewTransport(const TPrinterTarget& target);

// The raw-job algorithm on a given transport and file calls; the calls of
// PrinterUtils.h run it on the target's transport and the system's files.
TJobOutcome SendFileList(JobTransport& transport, OsUtils::FilePrimitives& files, const TPrinterTarget& printer,
                         const SysUtils::TStrings& fileNames, const std::string& documentName,
                         const TJobOptions& options);
void PrintFileList(JobTransport& transport, OsUtils::FilePrimitives& files, const TPrinterTarget& printer,
                   const SysUtils::TStrings& fileNames, const std::string& documentName);
void PrintFiles(JobTransport& transport, OsUtils::FilePrimitives& files, const TPrinterTarget& printer,
                const std::string& fileNames, const std::string& documentName);

}  // namespace PrinterUtils
