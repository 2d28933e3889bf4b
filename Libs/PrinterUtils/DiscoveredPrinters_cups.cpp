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
#include <map>
#include <mutex>
#include <thread>

#include "PrinterBounds.h"

namespace PrinterUtils {

namespace {

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
};
using Found = std::map<std::string, std::string, NoCaseLess>;  // name -> device URI

class Browser {
public:
    ~Browser()
    {
        std::atomic_ref<int>(cancel_).store(1);
        if (worker_.joinable()) worker_.join();
    }

    void Start()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (running_) return;
        if (worker_.joinable()) worker_.join();
        running_ = true;
        worker_ = std::thread(&Browser::Run, this);
    }

    std::optional<DiscoveredPrinter> Find(const std::string& name)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        auto it = found_.find(name);
        if (it == found_.end() && running_) {
            done_.wait_for(lock, std::chrono::milliseconds(kDiscoveryTimeoutMs), [this] { return !running_; });
            it = found_.find(name);
        }
        if (it == found_.end()) return std::nullopt;
        return DiscoveredPrinter{it->first, it->second};
    }

private:
    void Run()
    {
        // Before browsing, libcups asks the print server for its default
        // printer on a connection of its own that no bound of ours covers.
        // The browse needs nothing from the server: this thread's libcups
        // is pointed at /dev/null, which is no socket, so that question
        // fails at once instead of waiting for a server that hangs.
        cupsSetServer("/dev/null");
        Found seen;
        cupsEnumDests(CUPS_DEST_FLAGS_NONE, kDiscoveryTimeoutMs, &cancel_, CUPS_PRINTER_DISCOVERED,
                      CUPS_PRINTER_DISCOVERED, &Browser::OnPrinter, &seen);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            found_ = std::move(seen);
            running_ = false;
        }
        done_.notify_all();
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

    std::mutex mutex_;
    std::condition_variable done_;
    std::thread worker_;
    bool running_ = false;
    int cancel_ = 0;  // libcups polls it; set once, when the process ends
    Found found_;
};

Browser& TheBrowser()
{
    static Browser browser;
    return browser;
}

}  // namespace

void BrowseDiscoveredPrinters()
{
    TheBrowser().Start();
}

std::optional<DiscoveredPrinter> FindDiscoveredPrinter(const std::string& name)
{
    return TheBrowser().Find(name);
}

}  // namespace PrinterUtils
