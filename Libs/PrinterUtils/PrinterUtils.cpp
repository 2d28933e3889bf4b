// SPDX-License-Identifier: Apache-2.0
// PrinterUtils: the printer list, the default printer and the raw print job,
// written once against SpoolerPrimitives; each platform supplies only the
// primitives (Spooler_cups.cpp, Spooler_win32.cpp), so both behave alike.
//
// Failures: every failed spooler or file call of the raw job goes through
// CheckOSBool or CheckOSInt with the phrase of its step, giving an EOSError
// "<step>: Error code <n>: <text>"; the default printer lookup raises the
// last OS error in the system-error form. The printer list never reports
// the spooler: a spooler that cannot be asked adds nothing.
//
// The argument checks of ListPrinters and the platform check of
// GetDefaultPrinterName report this module's name and their line number, so
// those lines are part of texts that users see and that tests pin: add new
// code below GetDefaultPrinterName.
// Ownership: each record, buffer and handle belongs to the call that took it,
// on every path. Calls may run on several threads; only the prompt is shared.
#include "PrinterUtils.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "OsUtils.h"
#include "SpoolerPrimitives.h"
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
// Not every spooler knows pages (CUPS has none), but the framing still runs
// here, so that every platform sees the same calls in the same order.

// The open printer. Closing it is the last step of a job on every path;
// a failure to close is not reported.
class PrinterGuard {
public:
    PrinterGuard(SpoolerPrimitives& spooler, SpoolHandle printer) noexcept : spooler_(spooler), printer_(printer) {}
    ~PrinterGuard()
    {
        // A release that fails, by return or by exception, is not reported.
        try {
            spooler_.ClosePrinter(printer_);
        } catch (...) {
        }
    }
    PrinterGuard(const PrinterGuard&) = delete;
    PrinterGuard& operator=(const PrinterGuard&) = delete;

private:
    SpoolerPrimitives& spooler_;
    SpoolHandle printer_;
};

// The started document. On the way out of a failure it is ended without a
// report (what was written stays in the job); a job that went through is
// ended with End(), whose result counts, because only then does the spooler
// say whether it took the job.
class DocumentGuard {
public:
    DocumentGuard(SpoolerPrimitives& spooler, SpoolHandle printer) noexcept : spooler_(spooler), printer_(printer) {}
    ~DocumentGuard()
    {
        if (!open_) return;
        try {
            spooler_.EndDocPrinter(printer_);
        } catch (...) {
        }
    }
    DocumentGuard(const DocumentGuard&) = delete;
    DocumentGuard& operator=(const DocumentGuard&) = delete;

    bool End()
    {
        open_ = false;
        return spooler_.EndDocPrinter(printer_);
    }

private:
    SpoolerPrimitives& spooler_;
    SpoolHandle printer_;
    bool open_ = true;
};

// The open input file, closed on every path; a failure to close is not
// reported.
class InputFileGuard {
public:
    InputFileGuard(SpoolerPrimitives& spooler, SpoolHandle file) noexcept : spooler_(spooler), file_(file) {}
    ~InputFileGuard()
    {
        // A release that fails, by return or by exception, is not reported.
        try {
            spooler_.CloseInputFile(file_);
        } catch (...) {
        }
    }
    InputFileGuard(const InputFileGuard&) = delete;
    InputFileGuard& operator=(const InputFileGuard&) = delete;

private:
    SpoolerPrimitives& spooler_;
    SpoolHandle file_;
};

// Sends one file into the open document, one spooler page per block of the
// buffer and one last page for the read that finds the end. A page whose
// read or write fails is left unended: the document is ended next.
void SendFile(SpoolerPrimitives& spooler, SpoolHandle printer, const std::string& fileName, char* buffer)
{
    SpoolHandle file = 0;
    OsUtils::CheckOSBool(spooler.OpenInputFile(fileName, file), kErrorOpeningInput);
    InputFileGuard fileGuard(spooler, file);
    std::uint32_t read = 0;
    do {
        // A page per block, the last one empty.
        OsUtils::CheckOSBool(spooler.StartPagePrinter(printer), kErrorSendingJob);
        read = 0;
        // Up to one block; a read of 0 bytes is the end of the file.
        OsUtils::CheckOSBool(spooler.ReadInputFile(file, buffer, kTransferBufferSize, read), kErrorReadingInput);
        if (read > 0) {
            // The spooler's count of bytes written is not compared: the
            // primitive hands over all of them or fails.
            std::uint32_t written = 0;
            OsUtils::CheckOSBool(spooler.WritePrinter(printer, buffer, read, written), kErrorWritingPrinter);
        }
        // The page's end is not checked: the document's end reports a job
        // the spooler could not take.
        spooler.EndPagePrinter(printer);
    } while (read != 0);
}

// Selection by list parts. LOCAL, NETWORK and SHARED stand for the record's
// attribute bits; a printer is admitted when its attributes have
//
//   parts                  value  admitted when the attributes have
//   Local                    1    LOCAL, and neither SHARED nor NETWORK
//   Network                  2    NETWORK, and not both LOCAL and SHARED
//   Local+Network            3    LOCAL or NETWORK, and not both LOCAL and SHARED
//   Local+Shared             5    LOCAL, and not NETWORK
//   Local+Network+Shared     7    LOCAL or NETWORK
//   {}, Shared, Network+Shared (0, 4, 6) are refused by the argument checks.
//
// Shared is a modifier: it only lets shared local printers back in, so
// alone, or beside Network alone, it would select nothing new. Examples: a
// shared local printer is listed with 7 and left out with 3; a printer
// that is both LOCAL and NETWORK needs Network; a network printer that is
// shared is listed with 2, 3 and 7.

// The parts a caller can name; any other bit of the byte means nothing.
constexpr TPrinterListParts kAllParts = plpLocal | plpNetwork | plpShared;

// The record attributes that let a printer into the list at all.
std::uint32_t AdmissionMask(TPrinterListParts parts) noexcept
{
    std::uint32_t mask = 0;
    if (parts & plpLocal) mask |= kPrinterAttributeLocal;
    if (parts & plpNetwork) mask |= kPrinterAttributeNetwork;
    return mask;
}

// Whether a printer with these attributes belongs in the list for parts.
bool Admitted(std::uint32_t attributes, TPrinterListParts parts, std::uint32_t mask) noexcept
{
    if ((attributes & mask) == 0) return false;
    // A shared local printer needs plpShared.
    if ((attributes & kPrinterAttributeLocal) && !(parts & plpShared) && (attributes & kPrinterAttributeShared))
        return false;
    // A network printer needs plpNetwork, even when it is also local.
    if (!(parts & plpNetwork) && (attributes & kPrinterAttributeNetwork)) return false;
    return true;
}

}  // namespace

// The argument checks come first, before the spooler is asked anything;
// they raise EAssertionFailed naming this module and their line.
void ListPrinters(SpoolerPrimitives& spooler, SysUtils::TStrings& items, TPrinterListParts requested)
{
    // Bits outside the three parts are dropped before the checks.
    const TPrinterListParts parts = requested & kAllParts;
    SYS_ASSERT(parts != 0, "You want me to do nothing!");
    SYS_ASSERT(parts != plpShared, "Shared flag cannot be used alone!");
    SYS_ASSERT(parts != (plpNetwork | plpShared), "Same as [plpNetwork]!");

    // A spooler that cannot be asked answers with no records: the list
    // stays as it was.
    const std::vector<PrinterRecord> records = spooler.EnumPrinters();
    const std::uint32_t mask = AdmissionMask(parts);
    // Each admitted name goes first, so the list reads in the reverse of
    // the spooler's order, ahead of what it held before.
    for (const PrinterRecord& record : records) {
        if (Admitted(record.attributes, parts, mask)) items.Insert(0, record.name);
    }
}

// The same on the system's spooler.
void ListPrinters(SysUtils::TStrings& items, TPrinterListParts parts)
{
    ListPrinters(SystemSpoolerPrimitives(), items, parts);
}

// A job that was not printed raises: an aborted or canceled job, or a wait
// that ran out, fails the step "Error sending print job" with what the
// printer or server said; the code is the IPP job state it was left in.
void CheckJobOutcome(const TJobOutcome& outcome)
{
    if (outcome.state != jsAborted && outcome.state != jsCanceled && !outcome.timedOut) return;
    const int state = outcome.state == jsAborted ? kIppJobAborted : outcome.state == jsCanceled ? kIppJobCanceled
                                                                                                 : kIppJobProcessing;
    OsUtils::SetLastOSError(state, outcome.message);
    OsUtils::CheckOSBool(false, kErrorSendingJob);
}

// The window's job, sent by SendFileList (below GetDefaultPrinterName, with
// all new code, since the line of its platform check is in a text users
// see). A job to an address is followed to its end, because only the
// printer can tell a printed page from a refused one (a PostScript error, a
// job that never ends); a queue's job is the spooler's business once the
// spooler has it.
void PrintFileList(SpoolerPrimitives& spooler, const std::string& printerName, const SysUtils::TStrings& fileNames,
                   const std::string& documentName)
{
    TJobOptions options;
    options.wait = IsPrinterAddress(printerName);
    CheckJobOutcome(SendFileList(spooler, printerName, fileNames, documentName, options));
}

// The same on the system's spooler.
void PrintFileList(const std::string& printerName, const SysUtils::TStrings& fileNames,
                   const std::string& documentName)
{
    PrintFileList(PrimitivesForPrinter(printerName), printerName, fileNames, documentName);
}

// The file names arrive as one text; lines end at CR LF, CR or LF.
void PrintFiles(SpoolerPrimitives& spooler, const std::string& printerName, const std::string& fileNames,
                const std::string& documentName)
{
    // One name per line; a single name without a line break is a list of one.
    // The list is this call's own and freed on every path.
    SysUtils::TStringList list;
    list.SetText(fileNames);
    PrintFileList(spooler, printerName, list, documentName);
}

// The same on the system's spooler.
void PrintFiles(const std::string& printerName, const std::string& fileNames, const std::string& documentName)
{
    PrintFiles(PrimitivesForPrinter(printerName), printerName, fileNames, documentName);
}

// The default printer: the platform must have a default-printer call (on
// Windows, NT 5 or later; looked up at run time in the spooler module that
// is already loaded, never loaded for the purpose), the call must be found,
// and the user must have a default printer. The platform check comes before
// the entry point is looked up; the two lookups raise the last OS error in
// the system-error form, and no partial name is ever returned. Spoolers
// with a fixed interface pass both checks always.
std::string GetDefaultPrinterName(SpoolerPrimitives& spooler)
{
    SYS_ASSERT(spooler.DefaultPrinterPlatform(), "Invalid platform!");
    if (!spooler.FindDefaultPrinterEntry()) OsUtils::RaiseLastOSError();
    std::string name;
    // No default printer is an error, never an empty name.
    if (!spooler.GetDefaultPrinter(name)) OsUtils::RaiseLastOSError();
    return name;
}

std::string GetDefaultPrinterName()
{
    return GetDefaultPrinterName(SystemSpoolerPrimitives());
}

// Sends the files, in list order and with nothing between them, as one job
// of one document of data type RAW named documentName, then follows it as
// options ask. Each failing step raises EOSError with its phrase; the guards
// release what was acquired. An empty line names no file and fails to open
// like a missing one.
TJobOutcome SendFileList(SpoolerPrimitives& spooler, const std::string& printerName,
                         const SysUtils::TStrings& fileNames, const std::string& documentName,
                         const TJobOptions& options)
{
    SpoolHandle printer = 0;
    OsUtils::CheckOSBool(spooler.OpenPrinter(printerName, printer), kErrorOpeningPrinter);
    // From here on the printer is closed on every path.
    PrinterGuard printerGuard(spooler, printer);

    TJobOutcome outcome;
    outcome.jobId = static_cast<std::uint32_t>(
        OsUtils::CheckOSInt(spooler.StartDocPrinter(printer, documentName, kRawDataType), kErrorStartingJob));
    // From here on the document is ended on every path.
    DocumentGuard document(spooler, printer);

    // One fixed buffer for the whole job: memory does not grow with the files.
    // It lives on the stack and goes with the call.
    char buffer[kTransferBufferSize];
    for (int i = 0; i < fileNames.Count(); ++i) SendFile(spooler, printer, fileNames[i], buffer);

    // A job the spooler refuses at its end is a job that was not sent:
    // report it instead of reporting success.
    OsUtils::CheckOSBool(document.End(), kErrorSendingJob);

    // The job is out; what the printer makes of it is the outcome, but a
    // connection that breaks while it is followed is a failed step.
    OsUtils::CheckOSBool(spooler.FollowJob(printer, outcome.jobId, options, outcome), kErrorSendingJob);
    if (outcome.timedOut && outcome.message.empty())
        outcome.message = SysUtils::Format("The job did not end within %d ms", options.timeoutMs);
    return outcome;
}

// The same on the primitives that reach printerName.
TJobOutcome SendFileList(const std::string& printerName, const SysUtils::TStrings& fileNames,
                         const std::string& documentName, const TJobOptions& options)
{
    return SendFileList(PrimitivesForPrinter(printerName), printerName, fileNames, documentName, options);
}

// Spoolers that cannot follow a job leave it as sent.
bool SpoolerPrimitives::FollowJob(SpoolHandle, std::uint32_t, const TJobOptions&, TJobOutcome&)
{
    return true;
}

TSpoolerSession::TSpoolerSession()
{
    SystemSpoolerPrimitives().BeginSession();
}

TSpoolerSession::~TSpoolerSession()
{
    SystemSpoolerPrimitives().EndSession();
}

namespace {

// Installed once by the front-end before any printer call; read under the
// lock because print calls may run on several threads.
std::mutex promptLock;
TCredentialsPrompt& InstalledPrompt()
{
    static TCredentialsPrompt prompt;
    return prompt;
}

}  // namespace

void SetCredentialsPrompt(TCredentialsPrompt prompt)
{
    const std::lock_guard<std::mutex> lock(promptLock);
    InstalledPrompt() = std::move(prompt);
}

TCredentialsPrompt CredentialsPrompt()
{
    const std::lock_guard<std::mutex> lock(promptLock);
    return InstalledPrompt();
}

// The window's selection, with the record's kinds kept.
std::vector<TPrinterInfo> ListPrinterInfo(SpoolerPrimitives& spooler)
{
    std::vector<TPrinterInfo> printers;
    const std::uint32_t mask = AdmissionMask(kAllParts);
    for (const PrinterRecord& record : spooler.EnumPrinters()) {
        if (!Admitted(record.attributes, kAllParts, mask)) continue;
        printers.push_back(TPrinterInfo{record.name, (record.attributes & kPrinterAttributeLocal) != 0,
                                        (record.attributes & kPrinterAttributeNetwork) != 0,
                                        (record.attributes & kPrinterAttributeShared) != 0});
    }
    return printers;
}

std::vector<TPrinterInfo> ListPrinterInfo()
{
    return ListPrinterInfo(SystemSpoolerPrimitives());
}

}  // namespace PrinterUtils
