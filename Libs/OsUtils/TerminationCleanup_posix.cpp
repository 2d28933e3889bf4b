// SPDX-License-Identifier: Apache-2.0
// Files removed when a signal ends the process: the handler unlinks every
// registered path (unlink is async-signal-safe), then ends the process as
// the signal asks, by raising it again with its default action. Only
// signals whose action is the default are taken over: a signal the process
// ignores stays ignored.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "OsUtils.h"

namespace OsUtils {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// A fixed table, so the handler needs no allocation and no lock: a slot's
// path is complete before the slot is marked used.
constexpr std::size_t kSlots = 16;
constexpr std::size_t kPathBytes = 4096;
struct Slot {
    std::atomic<bool> used{false};
    char path[kPathBytes] = {};
};
Slot slots[kSlots];
std::mutex registering;

extern "C" void RemoveFilesAndEnd(int signal)
{
    for (Slot& slot : slots) {
        if (slot.used.load(std::memory_order_acquire)) ::unlink(slot.path);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void InstallHandlers()
{
    for (int signal : kSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = RemoveFilesAndEnd;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace

void RemoveOnTermination(const std::string& path)
{
    if (path.size() >= kPathBytes) return;
    const std::lock_guard<std::mutex> lock(registering);
    static const bool installed = (InstallHandlers(), true);
    (void)installed;
    for (Slot& slot : slots) {
        if (slot.used.load(std::memory_order_relaxed)) continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.used.store(true, std::memory_order_release);
        return;
    }
}

void KeepOnTermination(const std::string& path)
{
    const std::lock_guard<std::mutex> lock(registering);
    for (Slot& slot : slots) {
        if (slot.used.load(std::memory_order_relaxed) && path == slot.path) {
            slot.used.store(false, std::memory_order_release);
            return;
        }
    }
}

}  // namespace OsUtils
