// SPDX-License-Identifier: Apache-2.0
// The print-spooler and input-file calls the portable PrinterUtils
// algorithms are written against. Each platform implements
// SystemSpoolerPrimitives() in its own file (Spooler_cups.cpp,
// Spooler_win32.cpp); tests drive the algorithms with a recording fake.
// A call that fails returns false (or 0) and has recorded the failure with
// OsUtils::SetLastOSError before returning, before any other call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "PrinterUtils.h"

namespace PrinterUtils {

// Attribute bits of a printer record, with the Windows spooler's values.
inline constexpr std::uint32_t kPrinterAttributeShared = 0x08;
inline constexpr std::uint32_t kPrinterAttributeNetwork = 0x10;
inline constexpr std::uint32_t kPrinterAttributeLocal = 0x40;

// Bytes moved per spooler page.
inline constexpr std::size_t kTransferBufferSize = 16384;
// The default printer's name is at most this long (a 1024-character buffer).
inline constexpr std::size_t kMaxPrinterNameLength = 1023;

// IPP job states (RFC 8011) that a job can be left in; they are the error
// codes of a job that failed after it was sent.
inline constexpr int kIppJobProcessing = 5;
inline constexpr int kIppJobCanceled = 7;
inline constexpr int kIppJobAborted = 8;

struct PrinterRecord {
    std::string name;
    std::uint32_t attributes = 0;  // kPrinterAttribute* bits
};

// A printer or file handle of the platform (HANDLE, fd, or a back-end object).
using SpoolHandle = std::intptr_t;

class SpoolerPrimitives {
public:
    virtual ~SpoolerPrimitives() = default;

    // Every printer and printer connection, in the spooler's order; empty
    // when the spooler cannot be asked.
    virtual std::vector<PrinterRecord> EnumPrinters() = 0;

    // Whether the platform has a default-printer call at all.
    virtual bool DefaultPrinterPlatform() = 0;
    // Finds the default-printer call; false when it is missing.
    virtual bool FindDefaultPrinterEntry() = 0;
    // The current user's default printer, at most kMaxPrinterNameLength
    // characters; false when there is none.
    virtual bool GetDefaultPrinter(std::string& name) = 0;

    // Opens the named printer; on success printer holds a handle that
    // ClosePrinter releases.
    virtual bool OpenPrinter(const std::string& name, SpoolHandle& printer) = 0;
    // Starts one job of one document with the given name and data type;
    // the job id, or 0 on failure (then no document needs ending).
    virtual std::uint32_t StartDocPrinter(SpoolHandle printer, const std::string& documentName,
                                          const std::string& dataType) = 0;
    virtual bool StartPagePrinter(SpoolHandle printer) = 0;
    // Hands all size bytes to the spooler or fails; written is what the
    // spooler reports.
    virtual bool WritePrinter(SpoolHandle printer, const void* data, std::uint32_t size, std::uint32_t& written) = 0;
    virtual bool EndPagePrinter(SpoolHandle printer) = 0;
    // Completes the document; false when the spooler did not take the job.
    virtual bool EndDocPrinter(SpoolHandle printer) = 0;
    // Releases the handle, also when it reports a failure.
    virtual bool ClosePrinter(SpoolHandle printer) = 0;
    // After the document ended: follows job jobId as options ask and fills
    // outcome (state, message, back channel); false when the connection
    // failed meanwhile. Spoolers that cannot follow a job leave it jsSent.
    virtual bool FollowJob(SpoolHandle printer, std::uint32_t jobId, const TJobOptions& options,
                           TJobOutcome& outcome);

    // Opens an existing file for sequential reading.
    virtual bool OpenInputFile(const std::string& name, SpoolHandle& file) = 0;
    // Reads up to size bytes, fewer only at the end of the file; read is 0
    // at the end.
    virtual bool ReadInputFile(SpoolHandle file, void* buffer, std::uint32_t size, std::uint32_t& read) = 0;
    // Releases the handle, also when it reports a failure.
    virtual bool CloseInputFile(SpoolHandle file) = 0;

    // Opens and closes a TSpoolerSession on the calling thread; sessions nest.
    virtual void BeginSession() {}
    virtual void EndSession() {}
};

// The prompt SetCredentialsPrompt installed; empty when none.
TCredentialsPrompt CredentialsPrompt();

SpoolerPrimitives& SystemSpoolerPrimitives();

// The primitives that reach printerName: the system spooler for a queue
// name, the scheme's own for an address. An address whose scheme this
// platform lacks, or that does not parse, gets primitives whose OpenPrinter
// fails with a text naming the schemes that work.
SpoolerPrimitives& PrimitivesForPrinter(const std::string& printerName);

// The algorithms, parameterised by the primitives they run on; the calls of
// PrinterUtils.h run them on SystemSpoolerPrimitives().
void ListPrinters(SpoolerPrimitives& spooler, SysUtils::TStrings& items, TPrinterListParts parts);
std::string GetDefaultPrinterName(SpoolerPrimitives& spooler);
void PrintFiles(SpoolerPrimitives& spooler, const std::string& printerName, const std::string& fileNames,
                const std::string& documentName);
void PrintFileList(SpoolerPrimitives& spooler, const std::string& printerName, const SysUtils::TStrings& fileNames,
                   const std::string& documentName);
TJobOutcome SendFileList(SpoolerPrimitives& spooler, const std::string& printerName,
                         const SysUtils::TStrings& fileNames, const std::string& documentName,
                         const TJobOptions& options);
// Raises EOSError "Error sending print job: ..." for an aborted or canceled
// job and for a wait that ran out; returns for the others.
void CheckJobOutcome(const TJobOutcome& outcome);

std::vector<TPrinterInfo> ListPrinterInfo(SpoolerPrimitives& spooler);

}  // namespace PrinterUtils
