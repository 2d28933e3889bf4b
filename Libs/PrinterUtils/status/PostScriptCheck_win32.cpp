// SPDX-License-Identifier: Apache-2.0
// A Windows queue's driver: a PostScript driver (PSCRIPT5, Wine's wineps)
// says so through its device context, by passing PostScript through
// (POSTSCRIPT_PASSTHROUGH) or by naming its technology "PostScript"
// (GETTECHNOLOGY); any other driver is judged by its name. The spooler's
// calls have no bound of their own: they run on a thread of their own, and
// one that outlives the bound finishes alone.
#include <windows.h>
#include <winspool.h>

#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "PostScriptCheckProbe.h"

namespace PrinterUtils {

namespace {

bool Supports(HDC dc, int escape)
{
    return ::ExtEscape(dc, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), 0, nullptr) > 0;
}

bool PostScriptDriver(HDC dc)
{
    if (Supports(dc, POSTSCRIPT_PASSTHROUGH)) return true;
    char technology[256] = {};
    return Supports(dc, GETTECHNOLOGY) &&
           ::ExtEscape(dc, GETTECHNOLOGY, 0, nullptr, sizeof technology - 1, technology) > 0 &&
           std::strncmp(technology, "PostScript", 10) == 0;
}

std::string DriverName(const std::string& printer)
{
    HANDLE handle = nullptr;
    if (!::OpenPrinterA(const_cast<char*>(printer.c_str()), &handle, nullptr)) return "";
    DWORD needed = 0;
    ::GetPrinterA(handle, 2, nullptr, 0, &needed);
    std::vector<BYTE> block(needed);
    std::string name;
    if (needed > 0 && ::GetPrinterA(handle, 2, block.data(), needed, &needed)) {
        const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(block.data());
        if (info->pDriverName) name = info->pDriverName;
    }
    ::ClosePrinter(handle);
    return name;
}

TQueueDriver Describe(const std::string& printer)
{
    TQueueDriver driver;
    // GDI takes the driver from the printer's own entry: no driver name is given.
    if (const HDC dc = ::CreateDCA(nullptr, printer.c_str(), nullptr, nullptr)) {
        const bool postScript = PostScriptDriver(dc);
        ::DeleteDC(dc);
        if (postScript) {
            driver.kind = TQueueDriver::TKind::PostScript;
            return driver;
        }
    }
    const std::string name = DriverName(printer);
    return name.empty() ? driver : DriverFromName(name);
}

}  // namespace

TQueueDriver ReadQueueDriver(const std::string& queue, int timeoutMs)
{
    if (timeoutMs <= 0) return {};
    auto task = std::make_shared<std::packaged_task<TQueueDriver()>>([queue] { return Describe(queue); });
    std::future<TQueueDriver> driver = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (driver.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) return {};
    return driver.get();
}

}  // namespace PrinterUtils
