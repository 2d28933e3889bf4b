// SPDX-License-Identifier: Apache-2.0
// A raw job to a queue of the Windows spooler: winspool's ANSI calls, one
// spooler page per block. Every failed call records GetLastError() before
// anything else runs. Jobs of the Windows spooler are not followed: the
// spooler has them once the document ends.
#include <windows.h>
#include <winspool.h>

#include <memory>

#include "JobTransport.h"
#include "OsUtils.h"

namespace PrinterUtils {

namespace {

bool RecordFailure()
{
    OsUtils::SetLastOSError(static_cast<int>(::GetLastError()));
    return false;
}

class Win32QueueTransport final : public JobTransport {
public:
    bool Open(const TPrinterTarget& target) override
    {
        return ::OpenPrinterA(const_cast<char*>(target.name.c_str()), &printer_, nullptr) || RecordFailure();
    }

    std::uint32_t StartDocument(const std::string& documentName, const std::string& dataType) override
    {
        DOC_INFO_1A info{};
        info.pDocName = const_cast<char*>(documentName.c_str());
        info.pOutputFile = nullptr;
        info.pDatatype = const_cast<char*>(dataType.c_str());
        const DWORD job = ::StartDocPrinterA(printer_, 1, reinterpret_cast<LPBYTE>(&info));
        if (job == 0) RecordFailure();
        return job;
    }

    bool StartPage() override { return ::StartPagePrinter(printer_) || RecordFailure(); }

    bool Write(const void* data, std::uint32_t size) override
    {
        // WritePrinter may take fewer bytes than offered; the rest is offered
        // again, so that no part of a block is lost.
        std::uint32_t written = 0;
        const auto* bytes = static_cast<const BYTE*>(data);
        while (written < size) {
            DWORD step = 0;
            if (!::WritePrinter(printer_, const_cast<BYTE*>(bytes + written), size - written, &step))
                return RecordFailure();
            if (step == 0) {
                OsUtils::SetLastOSError(ERROR_WRITE_FAULT);
                return false;
            }
            written += step;
        }
        return true;
    }

    bool EndPage() override { return ::EndPagePrinter(printer_) || RecordFailure(); }

    bool EndDocument() override { return ::EndDocPrinter(printer_) || RecordFailure(); }

    bool Close() override
    {
        const HANDLE printer = printer_;
        printer_ = nullptr;
        return ::ClosePrinter(printer) || RecordFailure();
    }

private:
    HANDLE printer_ = nullptr;
};

}  // namespace

std::unique_ptr<JobTransport> NewQueueTransport()
{
    return std::make_unique<Win32QueueTransport>();
}

}  // namespace PrinterUtils
