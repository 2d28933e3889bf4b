// SPDX-License-Identifier: Apache-2.0
// The raw job, written once over JobTransport and OsUtils' file calls, so
// that every transport behaves alike.
//
// Failures: every failed transport or file call goes through CheckOSBool or
// CheckOSInt with the phrase of its step, giving an EOSError
// "<step>: Error code <n>: <text>".
// Ownership: each buffer and handle belongs to the call that took it, on
// every path. Calls may run on several threads, each with its own transport.
#include <cstdint>
#include <memory>
#include <string>

#include "FilePrimitives.h"
#include "JobTransport.h"
#include "OsUtils.h"
#include "PrinterUtils.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

// Context phrases of the raw job, one per step that can fail. Each begins
// the text of the EOSError its step raises; callers and tests match on it.
constexpr const char* kErrorOpeningPrinter = "Error opening printer";
constexpr const char* kErrorStartingJob = "Error starting print job";
constexpr const char* kErrorOpeningInput = "Error opening input file";
constexpr const char* kErrorSendingJob = "Error sending print job";
constexpr const char* kErrorReadingInput = "Error reading from input file";
constexpr const char* kErrorWritingPrinter = "Error writing to printer";

// The data type of every job: the printer interprets the bytes itself, so
// the spooler passes them on untouched.
constexpr const char* kRawDataType = "RAW";

// The raw job. Its life: printer open, document started, then per file
// (file open, one page per block, file closed), document ended, printer
// closed; nothing survives the call. Each page holds one block of up to
// kTransferBufferSize bytes and every file ends with one page that holds
// nothing (the read that found the end), so a file of n bytes makes
// ceil(n / kTransferBufferSize) + 1 pages and an empty file one empty page.
//
// Release on failure: opening the printer releases nothing; starting the
// document closes the printer only; a failure inside a file closes the
// file, ends the document and closes the printer, in that order. The
// guards below are declared in the order of acquisition, so C++ releases
// them in the reverse order on every path. Files after the failing one are
// not sent; what was written stays in the job.
//
// Not every transport knows pages, but the framing still runs here, so
// that every transport sees the same calls in the same order.

// Runs a release step on the way out; a release that fails, by return or
// by exception, is not reported: the failure that led here is.
template <typename Release>
class Releaser {
public:
    explicit Releaser(Release release) noexcept : release_(release) {}
    ~Releaser()
    {
        if (!armed_) return;
        try {
            release_();
        } catch (...) {
        }
    }
    Releaser(const Releaser&) = delete;
    Releaser& operator=(const Releaser&) = delete;
    // The step is taken over by the caller, whose result counts.
    void Disarm() noexcept { armed_ = false; }

private:
    Release release_;
    bool armed_ = true;
};

// Records a failed file call's code as the last error, for CheckOSBool.
bool FileCall(bool ok, int error)
{
    if (!ok) OsUtils::SetLastOSError(error);
    return ok;
}

// Sends one file into the open document, one page per block of the buffer
// and one last page for the read that finds the end. A page whose read or
// write fails is left unended: the document is ended next.
void SendFile(JobTransport& transport, OsUtils::FilePrimitives& files, const std::string& fileName, char* buffer)
{
    int error = 0;
    const OsUtils::FileHandle file = files.OpenForRead(fileName, error);
    OsUtils::CheckOSBool(FileCall(file != OsUtils::kInvalidFileHandle, error), kErrorOpeningInput);
    Releaser closeFile([&files, file] {
        int ignored = 0;
        files.Close(file, ignored);
    });
    long long read = 0;
    do {
        // A page per block, the last one empty.
        OsUtils::CheckOSBool(transport.StartPage(), kErrorSendingJob);
        // Up to one block; a read of 0 bytes is the end of the file.
        read = files.Read(file, buffer, kTransferBufferSize, error);
        OsUtils::CheckOSBool(FileCall(read >= 0, error), kErrorReadingInput);
        if (read > 0)
            OsUtils::CheckOSBool(transport.Write(buffer, static_cast<std::uint32_t>(read)), kErrorWritingPrinter);
        // The page's end is not checked: the document's end reports a job
        // the spooler could not take.
        transport.EndPage();
    } while (read != 0);
}

}  // namespace

bool FollowsJobs(const TPrinterTarget& printer) noexcept
{
    return printer.IsAddress();
}

// A job that was not printed raises: an aborted or canceled job, or a wait
// that ran out, fails the step "Error sending print job" with what the
// printer or server said; the code is the IPP job state it was left in.
void CheckJobOutcome(const TJobOutcome& outcome)
{
    if (outcome.state != jsAborted && outcome.state != jsCanceled && !outcome.timedOut) return;
    const int state = outcome.state == jsAborted    ? kIppJobAborted
                      : outcome.state == jsCanceled ? kIppJobCanceled
                                                    : kIppJobProcessing;
    OsUtils::SetLastOSError(state, outcome.message);
    OsUtils::CheckOSBool(false, kErrorSendingJob);
}

// Sends the files, in list order and with nothing between them, as one job
// of one document of data type RAW named documentName, then follows it as
// options ask. Each failing step raises EOSError with its phrase; the guards
// release what was acquired. An empty line names no file and fails to open
// like a missing one.
TJobOutcome SendFileList(JobTransport& transport, OsUtils::FilePrimitives& files, const TPrinterTarget& printer,
                         const SysUtils::TStrings& fileNames, const std::string& documentName,
                         const TJobOptions& options)
{
    OsUtils::CheckOSBool(transport.Open(printer), kErrorOpeningPrinter);
    // From here on the printer is closed on every path.
    Releaser closePrinter([&transport] { transport.Close(); });

    TJobOutcome outcome;
    outcome.jobId = static_cast<std::uint32_t>(
        OsUtils::CheckOSInt(transport.StartDocument(documentName, kRawDataType), kErrorStartingJob));
    // From here on the document is ended on every path; a job that went
    // through is ended below, where the result counts, because only then
    // does the spooler say whether it took the job.
    Releaser endDocument([&transport] { transport.EndDocument(); });

    // One fixed buffer for the whole job: memory does not grow with the files.
    // It lives on the stack and goes with the call.
    char buffer[kTransferBufferSize];
    for (int i = 0; i < fileNames.Count(); ++i) SendFile(transport, files, fileNames[i], buffer);

    // A job the spooler refuses at its end is a job that was not sent:
    // report it instead of reporting success.
    endDocument.Disarm();
    OsUtils::CheckOSBool(transport.EndDocument(), kErrorSendingJob);

    // The job is out; what the printer makes of it is the outcome, but a
    // connection that breaks while it is followed is a failed step.
    OsUtils::CheckOSBool(transport.Follow(outcome.jobId, options, outcome), kErrorSendingJob);
    if (outcome.timedOut && outcome.message.empty())
        outcome.message = SysUtils::Format("The job did not end within %d ms", options.timeoutMs);
    return outcome;
}

// The window's job: followed to its end where FollowsJobs says so, and a
// job that was not printed raises.
void PrintFileList(JobTransport& transport, OsUtils::FilePrimitives& files, const TPrinterTarget& printer,
                   const SysUtils::TStrings& fileNames, const std::string& documentName)
{
    TJobOptions options;
    options.wait = FollowsJobs(printer);
    CheckJobOutcome(SendFileList(transport, files, printer, fileNames, documentName, options));
}

// The file names arrive as one text; lines end at CR LF, CR or LF. One name
// per line; a single name without a line break is a list of one.
void PrintFiles(JobTransport& transport, OsUtils::FilePrimitives& files, const TPrinterTarget& printer,
                const std::string& fileNames, const std::string& documentName)
{
    SysUtils::TStringList list;
    list.SetText(fileNames);
    PrintFileList(transport, files, printer, list, documentName);
}

namespace {

// The transport that reaches printer; opening a target no transport serves
// fails as the open step.
std::unique_ptr<JobTransport> TransportFor(const TPrinterTarget& printer)
{
    std::unique_ptr<JobTransport> transport = NewTransport(printer);
    OsUtils::CheckOSBool(transport != nullptr, kErrorOpeningPrinter);
    return transport;
}

}  // namespace

TJobOutcome SendFileList(const TPrinterTarget& printer, const SysUtils::TStrings& fileNames,
                         const std::string& documentName, const TJobOptions& options)
{
    return SendFileList(*TransportFor(printer), OsUtils::SystemFilePrimitives(), printer, fileNames, documentName,
                        options);
}

void PrintFileList(const TPrinterTarget& printer, const SysUtils::TStrings& fileNames, const std::string& documentName)
{
    PrintFileList(*TransportFor(printer), OsUtils::SystemFilePrimitives(), printer, fileNames, documentName);
}

void PrintFiles(const std::string& printerName, const std::string& fileNames, const std::string& documentName)
{
    const TPrinterTarget printer = ParsePrinterTarget(printerName);
    PrintFiles(*TransportFor(printer), OsUtils::SystemFilePrimitives(), printer, fileNames, documentName);
}

// Transports that cannot follow a job leave it as sent.
bool JobTransport::Follow(std::uint32_t, const TJobOptions&, TJobOutcome&)
{
    return true;
}

}  // namespace PrinterUtils
