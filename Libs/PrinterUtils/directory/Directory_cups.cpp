// SPDX-License-Identifier: Apache-2.0
// The print server's printers as CUPS knows them: its queues as printer
// records (NETWORK for a queue that lives on another server, whether the
// configured server is not this machine's or the queue forwards to another
// server's printer; LOCAL otherwise; SHARED from printer-is-shared), and the
// user's default destination as lp finds it, and the printers found on the
// network that have no queue. Every connection is bounded
// (PrinterBounds.h), so no call here can freeze a window for longer.
#include <cups/cups.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "CupsConnection_cups.h"
#include "CupsQueues_cups.h"
#include "DiscoveredPrinters_cups.h"
#include "IppRequest_cups.h"
#include "IppSource.h"
#include "OsUtils.h"
#include "PrinterDirectory.h"

namespace PrinterUtils {

namespace {

class CupsDirectory final : public PrinterDirectory {
public:
    std::vector<PrinterRecord> EnumPrinters() override
    {
        ServerLink http;
        if (!http.Open()) return {};
        std::vector<PrinterRecord> queues = ListQueues(http.get());
        // Printers found on the network are listed apart, and a name typed
        // later may be one of them: learn them beside the caller, also when
        // the server has no queue at all. The queues' names are left out of
        // that list, so no printer shows twice.
        std::vector<std::string> names;
        names.reserve(queues.size());
        for (const PrinterRecord& queue : queues) names.push_back(queue.name);
        BrowseDiscoveredPrinters(names);
        listed_ = true;
        return queues;
    }

    std::vector<TNetworkPrinter> DiscoveredPrinters() override
    {
        // The queues to leave out are those of the listing that started the
        // browse; without one, list them now. A server that cannot be asked
        // has none to leave out, and its failure is not the browse's.
        if (!listed_) {
            EnumPrinters();
            OsUtils::SetLastOSError(0, std::nullopt);
        }
        BrowseEnd end = BrowseEnd::Finished;
        std::vector<TNetworkPrinter> found = FoundPrinters(end);
        if (end == BrowseEnd::Unavailable)
            OsUtils::SetLastOSError(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                                    "No DNS-SD service answers: the network cannot be browsed for printers.");
        else if (end == BrowseEnd::Unfinished)
            OsUtils::SetLastOSError(IPP_STATUS_ERROR_TIMEOUT,
                                    "The browse of the network for printers did not end in time.");
        return end == BrowseEnd::Finished ? found : std::vector<TNetworkPrinter>();
    }

    TDiscoveryWatch WatchDiscovery(std::function<void(std::vector<TNetworkPrinter>)> done) override
    {
        return WatchBrowse(std::move(done));
    }

    std::string ResolveAddress(const TNetworkPrinter& printer) override
    {
        return ResolveDeviceUri(printer).value_or(std::string());
    }

    bool GetDefaultPrinter(std::string& name) override
    {
        ServerLink http;
        if (!http.Open()) return false;
        // A null name asks for the default as lp finds it: LPDEST or PRINTER,
        // then the user's lpoptions, then the server's default.
        cups_dest_t* dest = nullptr;
        {
            const RequestBound bound;
            dest = cupsGetNamedDest(http.get(), nullptr, nullptr);
        }
        if (!dest) {
            RecordRequestFailure(http.get());
            return false;
        }
        name.assign(dest->name, std::min(std::strlen(dest->name), kMaxPrinterNameLength));
        cupsFreeDests(1, dest);
        return true;
    }

    bool GetDeviceUri(const std::string& name, std::string& uri) override
    {
        char queueUri[HTTP_MAX_URI];
        ServerLink http;
        if (name.empty() || !QueueUri(QueueOf(name), queueUri) || !http.Open()) return false;
        const IppMessage response = AskAboutQueue(http.get(), queueUri, {"device-uri"});
        const char* device =
            response ? ippGetString(ippFindAttribute(response.get(), "device-uri", IPP_TAG_URI), 0, nullptr) : nullptr;
        if (!device) return false;
        uri = device;
        return true;
    }

    bool GetQueueStatus(const std::string& name, TPrinterStatus& status) override
    {
        char queueUri[HTTP_MAX_URI];
        ServerLink http;
        if (name.empty() || !QueueUri(QueueOf(name), queueUri) || !http.Open()) return false;
        const IppMessage response =
            AskAboutQueue(http.get(), queueUri,
                          {"printer-state", "printer-state-reasons", "marker-names", "marker-types", "marker-colors",
                           "marker-levels", "marker-low-levels", "marker-high-levels"});
        if (!response) return false;
        FillFromIppAttributes(response.get(), status);
        return true;
    }

    void BeginSession() override { BeginServerSession(); }
    void EndSession() override { EndServerSession(); }

private:
    std::atomic<bool> listed_ = false;
};

}  // namespace

PrinterDirectory& SystemPrinterDirectory()
{
    static CupsDirectory directory;
    return directory;
}

}  // namespace PrinterUtils
