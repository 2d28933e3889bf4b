// SPDX-License-Identifier: Apache-2.0
// A printer's host name looked up within a bound. getaddrinfo has none of
// its own: a name server that does not answer holds it for the resolver's
// retries, tens of seconds. The lookup runs on a thread of its own and the
// caller waits for it at most the bound; a lookup that outlives the bound
// finishes alone and frees what it found. Included by the platforms' socket
// files after their own socket headers, which declare getaddrinfo.
#pragma once

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace PrinterUtils {

// What getaddrinfo answered: its code, the errno behind EAI_SYSTEM, and the
// addresses, freed with this.
struct HostAddresses {
    int rc = 0;
    int err = 0;
    addrinfo* list = nullptr;

    HostAddresses() = default;
    HostAddresses(const HostAddresses&) = delete;
    HostAddresses& operator=(const HostAddresses&) = delete;
    ~HostAddresses()
    {
        if (list) ::freeaddrinfo(list);
    }
};

// The addresses of host and port as hints allow, or null when timeoutMs
// passed before the name service answered.
inline std::shared_ptr<const HostAddresses> LookUpHost(const std::string& host, int port, const addrinfo& hints,
                                                       int timeoutMs)
{
    struct Lookup {
        std::mutex lock;
        std::condition_variable done;
        bool finished = false;
        HostAddresses found;
    };
    auto lookup = std::make_shared<Lookup>();
    const auto run = [lookup, host, service = std::to_string(port), hints] {
        HostAddresses& found = lookup->found;
        found.rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found.list);
        found.err = errno;
        const std::lock_guard<std::mutex> hold(lookup->lock);
        lookup->finished = true;
        lookup->done.notify_all();
    };
    try {
        std::thread(run).detach();
    } catch (const std::system_error&) {
        run();  // no thread to be had: look up here, unbounded as before
    }
    std::unique_lock<std::mutex> hold(lookup->lock);
    if (!lookup->done.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return lookup->finished; }))
        return nullptr;
    return std::shared_ptr<const HostAddresses>(lookup, &lookup->found);
}

}  // namespace PrinterUtils
