// SPDX-License-Identifier: Apache-2.0
// PrinterUtils: the printer list and the default printer, written once
// against PrinterDirectory; each platform supplies only the directory
// (Directory_cups.cpp, Directory_win32.cpp), so both behave alike. The raw
// job is in transport/RawJob.cpp.
//
// Failures: the default printer lookup raises the last OS error in the
// system-error form. The printer list never reports the spooler: a spooler
// that cannot be asked adds nothing.
//
// The argument checks of ListPrinters and the platform check of
// GetDefaultPrinterName name this module and a fixed line in their texts,
// which users read and scripts match: the texts do not move with the code.
// Ownership: each record belongs to the call that took it. Calls may run on
// several threads; only the prompt is shared.
#include "PrinterUtils.h"

#include <cstdint>
#include <future>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "OsUtils.h"
#include "PrinterDirectory.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

// The module and lines the argument and platform checks name.
constexpr const char* kModule = "PrinterUtils";
constexpr int kLineNothingAsked = 212;
constexpr int kLineSharedAlone = 213;
constexpr int kLineNetworkShared = 214;
constexpr int kLineInvalidPlatform = 292;

void Require(bool condition, const char* message, int line)
{
    if (!condition) SysUtils::RaiseAssertion(message, kModule, line);
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
void ListPrinters(PrinterDirectory& directory, SysUtils::TStrings& items, TPrinterListParts requested)
{
    // Bits outside the three parts are dropped before the checks.
    const TPrinterListParts parts = requested & kAllParts;
    Require(parts != 0, "You want me to do nothing!", kLineNothingAsked);
    Require(parts != plpShared, "Shared flag cannot be used alone!", kLineSharedAlone);
    Require(parts != (plpNetwork | plpShared), "Same as [plpNetwork]!", kLineNetworkShared);

    // A spooler that cannot be asked answers with no records: the list
    // stays as it was.
    const std::vector<PrinterRecord> records = directory.EnumPrinters();
    const std::uint32_t mask = AdmissionMask(parts);
    // Each admitted name goes first, so the list reads in the reverse of
    // the spooler's order, ahead of what it held before.
    for (const PrinterRecord& record : records) {
        if (Admitted(record.attributes, parts, mask)) items.Insert(0, record.name);
    }
}

// The same on the system's directory.
void ListPrinters(SysUtils::TStrings& items, TPrinterListParts parts)
{
    ListPrinters(SystemPrinterDirectory(), items, parts);
}

// The default printer: the platform must have a default-printer call (on
// Windows, NT 5 or later; looked up at run time in the spooler module that
// is already loaded, never loaded for the purpose), the call must be found,
// and the user must have a default printer. The platform check comes before
// the entry point is looked up; the two lookups raise the last OS error in
// the system-error form, and no partial name is ever returned. Spoolers
// with a fixed interface pass both checks always.
std::string GetDefaultPrinterName(PrinterDirectory& directory)
{
    Require(directory.DefaultPrinterPlatform(), "Invalid platform!", kLineInvalidPlatform);
    if (!directory.FindDefaultPrinterEntry()) OsUtils::RaiseLastOSError();
    std::string name;
    // No default printer is an error, never an empty name.
    if (!directory.GetDefaultPrinter(name)) OsUtils::RaiseLastOSError();
    return name;
}

std::string GetDefaultPrinterName()
{
    return GetDefaultPrinterName(SystemPrinterDirectory());
}

TSpoolerSession::TSpoolerSession()
{
    SystemPrinterDirectory().BeginSession();
}

TSpoolerSession::~TSpoolerSession()
{
    SystemPrinterDirectory().EndSession();
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
std::vector<TPrinterInfo> ListPrinterInfo(PrinterDirectory& directory)
{
    std::vector<TPrinterInfo> printers;
    const std::uint32_t mask = AdmissionMask(kAllParts);
    for (const PrinterRecord& record : directory.EnumPrinters()) {
        if (!Admitted(record.attributes, kAllParts, mask)) continue;
        printers.push_back(TPrinterInfo{record.name, (record.attributes & kPrinterAttributeLocal) != 0,
                                        (record.attributes & kPrinterAttributeNetwork) != 0,
                                        (record.attributes & kPrinterAttributeShared) != 0});
    }
    return printers;
}

std::vector<TPrinterInfo> ListPrinterInfo()
{
    return ListPrinterInfo(SystemPrinterDirectory());
}

std::string QueueDeviceUri(const std::string& queue)
{
    std::string uri;
    if (!SystemPrinterDirectory().GetDeviceUri(queue, uri)) uri.clear();
    return uri;
}

bool QueueServerStatus(const std::string& queue, TPrinterStatus& status)
{
    return SystemPrinterDirectory().GetQueueStatus(queue, status);
}

// Printers found on the network.
std::vector<TNetworkPrinter> ListDiscoveredPrinters()
{
    return SystemPrinterDirectory().DiscoveredPrinters();
}

TDiscoveryWatch WhenDiscoveryEnds(std::function<void(std::vector<TNetworkPrinter>)> done)
{
    return SystemPrinterDirectory().WatchDiscovery(std::move(done));
}

std::vector<TNetworkPrinterAddress> DiscoveredPrinterAddresses()
{
    PrinterDirectory& directory = SystemPrinterDirectory();
    const std::vector<TNetworkPrinter> printers = directory.DiscoveredPrinters();
    // Each resolution is bounded by kConnectTimeoutMs; run side by side,
    // they are all done within that one bound however many printers answer.
    std::vector<std::future<std::string>> pending;
    pending.reserve(printers.size());
    for (const TNetworkPrinter& printer : printers) {
        try {
            pending.push_back(
                std::async(std::launch::async, [&directory, printer] { return directory.ResolveAddress(printer); }));
        } catch (const std::system_error&) {
            // No thread for it: it stays unresolved rather than waited for.
            pending.emplace_back();
        }
    }
    std::vector<TNetworkPrinterAddress> addresses;
    addresses.reserve(printers.size());
    for (std::size_t i = 0; i < printers.size(); ++i)
        addresses.push_back({printers[i].name, pending[i].valid() ? pending[i].get() : std::string()});
    return addresses;
}

}  // namespace PrinterUtils
