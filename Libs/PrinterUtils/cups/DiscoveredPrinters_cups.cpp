// SPDX-License-Identifier: Apache-2.0
// The browse behind DiscoveredPrinters_cups.h: libcups' own DNS-SD
// enumeration (the one lpstat -e runs), restricted to discovered printers,
// so the names are the ones lp accepts.
#include "DiscoveredPrinters_cups.h"

#include <cups/cups.h>
#include <strings.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "BoundedCall.h"
#include "PrinterBounds.h"

namespace PrinterUtils {

namespace {

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
};
using Found = std::map<std::string, std::string, NoCaseLess>;  // name -> device URI
using Watchers = std::map<int, std::function<void(std::vector<DiscoveredPrinter>)>>;

class Browser {
public:
    ~Browser()
    {
        std::atomic_ref<int>(cancel_).store(1);
        if (worker_.joinable()) worker_.join();
    }

    void Start(const std::vector<std::string>& queues)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queues_ = std::set<std::string, NoCaseLess>(queues.begin(), queues.end());
        StartLocked();
    }

    std::vector<DiscoveredPrinter> List(BrowseEnd& end)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!started_) StartLocked();
        const bool ended =
            done_.wait_for(lock, std::chrono::milliseconds(kDiscoveryTimeoutMs), [this] { return !running_; });
        end = !ended ? BrowseEnd::Unfinished : unavailable_ ? BrowseEnd::Unavailable : BrowseEnd::Finished;
        return ListLocked();
    }

    TDiscoveryWatch Watch(std::function<void(std::vector<DiscoveredPrinter>)> done)
    {
        std::vector<DiscoveredPrinter> now;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (running_) {
                // Registered under the browse's own lock, so the end of the
                // running browse cannot slip between the look and the entry.
                const std::lock_guard<std::mutex> watching(watchMutex_);
                const int id = ++lastWatch_;
                watchers_.emplace(id, std::move(done));
                return TDiscoveryWatch([this, id] {
                    const std::lock_guard<std::mutex> cancel(watchMutex_);
                    watchers_.erase(id);
                });
            }
            now = ListLocked();
        }
        done(std::move(now));
        return {};
    }

    std::optional<DiscoveredPrinter> Find(const std::string& name)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        // A caller that never listed the printers (the command line's print)
        // browses once, as lp does for a name the server does not know.
        if (!started_) StartLocked();
        auto it = found_.find(name);
        if (it == found_.end() && running_) {
            done_.wait_for(lock, std::chrono::milliseconds(kDiscoveryTimeoutMs), [this] { return !running_; });
            it = found_.find(name);
        }
        if (it == found_.end()) return std::nullopt;
        return DiscoveredPrinter{it->first, it->second};
    }

private:
    std::vector<DiscoveredPrinter> ListLocked() const
    {
        std::vector<DiscoveredPrinter> listed;
        for (const auto& [name, uri] : found_)
            if (!queues_.contains(name)) listed.push_back(DiscoveredPrinter{name, uri});
        return listed;
    }

    void StartLocked()
    {
        if (running_) return;
        if (worker_.joinable()) worker_.join();
        running_ = true;
        started_ = true;
        worker_ = std::thread(&Browser::Run, this);
    }

    void Run()
    {
        // Before browsing, libcups asks the print server for its default
        // printer on a connection of its own that no bound of ours covers.
        // The browse needs nothing from the server: this thread's libcups
        // is pointed at /dev/null, which is no socket, so that question
        // fails at once instead of waiting for a server that hangs.
        cupsSetServer("/dev/null");
        Found seen;
        // 0 when libcups found no DNS-SD service to browse with.
        const int browsed = cupsEnumDests(CUPS_DEST_FLAGS_NONE, kDiscoveryTimeoutMs, &cancel_, CUPS_PRINTER_DISCOVERED,
                                          CUPS_PRINTER_DISCOVERED, &Browser::OnPrinter, &seen);
        std::vector<DiscoveredPrinter> listed;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            found_ = std::move(seen);
            unavailable_ = browsed == 0;
            running_ = false;
            listed = ListLocked();
        }
        done_.notify_all();
        // Held while the watchers run, so a watch destroyed meanwhile waits
        // for its call instead of leaving it running into a dead receiver.
        const std::lock_guard<std::mutex> watching(watchMutex_);
        for (auto& [id, watcher] : watchers_) watcher(listed);
        watchers_.clear();
    }

    static int OnPrinter(void* context, unsigned flags, cups_dest_t* dest)
    {
        Found& seen = *static_cast<Found*>(context);
        const char* uri = cupsGetOption("device-uri", dest->num_options, dest->options);
        if ((flags & CUPS_DEST_FLAGS_REMOVED) || !uri)
            seen.erase(dest->name);
        else
            seen[dest->name] = uri;
        return 1;
    }

    std::mutex mutex_;  // before watchMutex_ when both are held
    std::condition_variable done_;
    std::thread worker_;
    bool running_ = false;
    bool started_ = false;
    bool unavailable_ = false;
    int cancel_ = 0;  // libcups polls it; set once, when the process ends
    Found found_;
    std::set<std::string, NoCaseLess> queues_;  // the print server's, left out of the lists
    std::mutex watchMutex_;
    Watchers watchers_;
    int lastWatch_ = 0;
};

// libcups resolves a destination's device URI on the way to connecting to
// it; unconnected, it stops after the resolution and the lookup of the
// host, and leaves the result in the destination.
std::optional<std::string> ResolveNow(const DiscoveredPrinter& printer)
{
    struct Dests {
        int count = 0;
        cups_dest_t* dests = nullptr;
        ~Dests() { cupsFreeDests(count, dests); }
    } one;
    one.count = cupsAddDest(printer.name.c_str(), nullptr, 0, &one.dests);
    cups_dest_t* dest = cupsGetDest(printer.name.c_str(), nullptr, one.count, one.dests);
    if (!dest) return std::nullopt;
    dest->num_options = cupsAddOption("device-uri", printer.deviceUri.c_str(), dest->num_options, &dest->options);
    http_t* http = cupsConnectDest(dest, CUPS_DEST_FLAGS_DEVICE | CUPS_DEST_FLAGS_UNCONNECTED, kConnectTimeoutMs,
                                   nullptr, nullptr, 0, nullptr, nullptr);
    if (!http) return std::nullopt;
    httpClose(http);
    return std::string(cupsGetOption("device-uri", dest->num_options, dest->options));
}

Browser& TheBrowser()
{
    static Browser browser;
    return browser;
}

}  // namespace

void BrowseDiscoveredPrinters(const std::vector<std::string>& queues)
{
    TheBrowser().Start(queues);
}

std::vector<DiscoveredPrinter> FoundPrinters(BrowseEnd& end)
{
    return TheBrowser().List(end);
}

TDiscoveryWatch WatchBrowse(std::function<void(std::vector<DiscoveredPrinter>)> done)
{
    return TheBrowser().Watch(std::move(done));
}

std::optional<DiscoveredPrinter> FindDiscoveredPrinter(const std::string& name)
{
    return TheBrowser().Find(name);
}

std::optional<std::string> ResolveDeviceUri(const DiscoveredPrinter& printer)
{
    // libcups' resolution through avahi has a wait of its own (up to 90 s)
    // that no argument shortens.
    const std::optional<std::optional<std::string>> resolved =
        CallWithin(kConnectTimeoutMs, [printer] { return ResolveNow(printer); });
    return resolved ? *resolved : std::nullopt;
}

}  // namespace PrinterUtils
