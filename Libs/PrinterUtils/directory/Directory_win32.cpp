// SPDX-License-Identifier: Apache-2.0
// The Windows spooler's printers: winspool's ANSI calls for the printer list
// and the default printer. Every failed call records GetLastError() before
// anything else runs.
#include <windows.h>
#include <winspool.h>

#include <vector>

#include "OsUtils.h"
#include "PrinterDirectory.h"

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

class Win32Directory final : public PrinterDirectory {
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

private:
    GetDefaultPrinterAProc getDefaultPrinter_ = nullptr;
};

}  // namespace

PrinterDirectory& SystemPrinterDirectory()
{
    static Win32Directory directory;
    return directory;
}

}  // namespace PrinterUtils
