// SPDX-License-Identifier: Apache-2.0
// The seam the printer list and the default printer are found through: the
// system's spooler (CUPS, the Windows spooler), each in a file of its own
// (Directory_cups.cpp, Directory_win32.cpp). The algorithms of
// PrinterUtils.cpp run on it; tests drive them with a recording fake.
// A call that fails returns false and has recorded the failure with
// OsUtils::SetLastOSError before returning, before any other call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "PrinterStatus.h"
#include "PrinterUtils.h"

namespace PrinterUtils {

// Attribute bits of a printer record, with the Windows spooler's values.
inline constexpr std::uint32_t kPrinterAttributeShared = 0x08;
inline constexpr std::uint32_t kPrinterAttributeNetwork = 0x10;
inline constexpr std::uint32_t kPrinterAttributeLocal = 0x40;

// The default printer's name is at most this long (a 1024-character buffer).
inline constexpr std::size_t kMaxPrinterNameLength = 1023;

struct PrinterRecord {
    std::string name;
    std::uint32_t attributes = 0;  // kPrinterAttribute* bits
};

class PrinterDirectory {
public:
    virtual ~PrinterDirectory() = default;

    // Every printer and printer connection, in the spooler's order; empty
    // when the spooler cannot be asked.
    virtual std::vector<PrinterRecord> EnumPrinters() = 0;

    // Whether the platform has a default-printer call at all, and finding
    // that call: spoolers with a fixed interface keep these defaults.
    virtual bool DefaultPrinterPlatform() { return true; }
    virtual bool FindDefaultPrinterEntry() { return true; }
    // The current user's default printer, at most kMaxPrinterNameLength
    // characters; false when there is none.
    virtual bool GetDefaultPrinter(std::string& name) = 0;

    // Where the queue name sends its jobs (its device URI); false when the
    // name is no queue, or the spooler does not say (the default).
    virtual bool GetDeviceUri(const std::string&, std::string&) { return false; }
    // What the print server itself knows of the queue: its state and the
    // printer's markers as the server last heard of them, in the record's
    // terms; false where the spooler says nothing (the default).
    virtual bool GetQueueStatus(const std::string&, TPrinterStatus&) { return false; }

    // Printers found on the network, as ListDiscoveredPrinters (empty, with
    // the failure recorded, when the network cannot be browsed) and
    // WhenDiscoveryEnds give them, and one's address resolved within
    // kConnectTimeoutMs ("" when not). A spooler that lists network printers
    // itself (Windows) finds none: these defaults.
    virtual std::vector<TNetworkPrinter> DiscoveredPrinters() { return {}; }
    virtual TDiscoveryWatch WatchDiscovery(std::function<void(std::vector<TNetworkPrinter>)> done)
    {
        done({});
        return {};
    }
    virtual std::string ResolveAddress(const TNetworkPrinter&) { return {}; }

    // Opens and closes a TSpoolerSession on the calling thread; sessions
    // nest. Spoolers without connections keep these defaults.
    virtual void BeginSession() {}
    virtual void EndSession() {}
};

PrinterDirectory& SystemPrinterDirectory();

// The algorithms on a given directory; the calls of PrinterUtils.h run them
// on SystemPrinterDirectory().
void ListPrinters(PrinterDirectory& directory, SysUtils::TStrings& items, TPrinterListParts parts);
std::string GetDefaultPrinterName(PrinterDirectory& directory);
std::vector<TPrinterInfo> ListPrinterInfo(PrinterDirectory& directory);

// The prompt SetCredentialsPrompt installed; empty when none.
TCredentialsPrompt CredentialsPrompt();

}  // namespace PrinterUtils
