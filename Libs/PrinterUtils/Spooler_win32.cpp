// SPDX-License-Identifier: Apache-2.0
// Windows spooler primitives: winspool's ANSI calls for the printer list, the
// default printer and the raw job, kernel32 for the input files. Every failed
// call records GetLastError() before anything else runs.
#include <windows.h>
#include <winspool.h>

#include <vector>

#include "OsUtils.h"
#include "SpoolerPrimitives.h"

namespace PrinterUtils {

namespace {

// The spooler's own default-printer call, present from Windows 2000 on; it
// is looked up at run time so that the program still starts without it.
using GetDefaultPrinterAProc = BOOL(WINAPI*)(LPSTR buffer, LPDWORD size);

bool RecordFailure()
{
    OsUtils::SetLastOSError(static_cast<int>(::GetLastError()));
    return false;
}

HANDLE AsHandle(SpoolHandle handle) noexcept
{
    return reinterpret_cast<HANDLE>(handle);
}

class Win32SpoolerPrimitives final : public SpoolerPrimitives {
public:
    std::vector<PrinterRecord> EnumPrinters() override
    {
        constexpr DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
        DWORD needed = 0;
        DWORD returned = 0;
        // The first call only sizes the block; its result is the expected
        // "insufficient buffer".
        ::EnumPrintersA(flags, nullptr, 2, nullptr, 0, &needed, &returned);
        std::vector<PrinterRecord> records;
        if (needed == 0) return records;
        // operator new aligns the block for PRINTER_INFO_2A.
        std::vector<BYTE> block(needed);
        returned = 0;
        ::EnumPrintersA(flags, nullptr, 2, block.data(), needed, &needed, &returned);
        const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(block.data());
        records.reserve(returned);
        for (DWORD i = 0; i < returned; ++i)
            records.push_back({info[i].pPrinterName ? info[i].pPrinterName : "", info[i].Attributes});
        return records;
    }

    bool DefaultPrinterPlatform() override
    {
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
        if (!::GetVersionExA(&version)) return RecordFailure();
        return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
    }

    bool FindDefaultPrinterEntry() override
    {
        // The spooler module is already loaded (the program imports it) and is
        // not loaded for this purpose.
        getDefaultPrinter_ = nullptr;
        const HMODULE spooler = ::GetModuleHandleA("winspool.drv");
        if (!spooler) return RecordFailure();
        const FARPROC entry = ::GetProcAddress(spooler, "GetDefaultPrinterA");
        if (!entry) return RecordFailure();
        // Through void(*)(): the one function type that converts silently.
        getDefaultPrinter_ = reinterpret_cast<GetDefaultPrinterAProc>(reinterpret_cast<void (*)()>(entry));
        return true;
    }

    bool GetDefaultPrinter(std::string& name) override
    {
        if (!getDefaultPrinter_ && !FindDefaultPrinterEntry()) return false;
        char buffer[kMaxPrinterNameLength + 1] = {};
        DWORD size = sizeof buffer;
        if (!getDefaultPrinter_(buffer, &size)) return RecordFailure();
        buffer[kMaxPrinterNameLength] = '\0';
        name = buffer;
        return true;
    }

    bool OpenPrinter(const std::string& name, SpoolHandle& printer) override
    {
        HANDLE handle = nullptr;
        if (!::OpenPrinterA(const_cast<char*>(name.c_str()), &handle, nullptr)) return RecordFailure();
        printer = reinterpret_cast<SpoolHandle>(handle);
        return true;
    }

    std::uint32_t StartDocPrinter(SpoolHandle printer, const std::string& documentName,
                                  const std::string& dataType) override
    {
        DOC_INFO_1A info{};
        info.pDocName = const_cast<char*>(documentName.c_str());
        info.pOutputFile = nullptr;
        info.pDatatype = const_cast<char*>(dataType.c_str());
        const DWORD job = ::StartDocPrinterA(AsHandle(printer), 1, reinterpret_cast<LPBYTE>(&info));
        if (job == 0) RecordFailure();
        return job;
    }

    bool StartPagePrinter(SpoolHandle printer) override
    {
        return ::StartPagePrinter(AsHandle(printer)) || RecordFailure();
    }

    bool WritePrinter(SpoolHandle printer, const void* data, std::uint32_t size, std::uint32_t& written) override
    {
        // WritePrinter may take fewer bytes than offered; the rest is offered
        // again, so that no part of a block is lost.
        written = 0;
        const auto* bytes = static_cast<const BYTE*>(data);
        while (written < size) {
            DWORD step = 0;
            if (!::WritePrinter(AsHandle(printer), const_cast<BYTE*>(bytes + written), size - written, &step))
                return RecordFailure();
            if (step == 0) {
                OsUtils::SetLastOSError(ERROR_WRITE_FAULT);
                return false;
            }
            written += step;
        }
        return true;
    }

    bool EndPagePrinter(SpoolHandle printer) override
    {
        return ::EndPagePrinter(AsHandle(printer)) || RecordFailure();
    }

    bool EndDocPrinter(SpoolHandle printer) override
    {
        return ::EndDocPrinter(AsHandle(printer)) || RecordFailure();
    }

    bool ClosePrinter(SpoolHandle printer) override
    {
        return ::ClosePrinter(AsHandle(printer)) || RecordFailure();
    }

    bool OpenInputFile(const std::string& name, SpoolHandle& file) override
    {
        const HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return RecordFailure();
        file = reinterpret_cast<SpoolHandle>(handle);
        return true;
    }

    bool ReadInputFile(SpoolHandle file, void* buffer, std::uint32_t size, std::uint32_t& read) override
    {
        // Fills the buffer unless the file ends first.
        read = 0;
        auto* bytes = static_cast<BYTE*>(buffer);
        while (read < size) {
            DWORD step = 0;
            if (!::ReadFile(AsHandle(file), bytes + read, size - read, &step, nullptr)) return RecordFailure();
            if (step == 0) break;
            read += step;
        }
        return true;
    }

    bool CloseInputFile(SpoolHandle file) override
    {
        return ::CloseHandle(AsHandle(file)) || RecordFailure();
    }

private:
    GetDefaultPrinterAProc getDefaultPrinter_ = nullptr;
};

}  // namespace

SpoolerPrimitives& SystemSpoolerPrimitives()
{
    static Win32SpoolerPrimitives primitives;
    return primitives;
}

}  // namespace PrinterUtils
