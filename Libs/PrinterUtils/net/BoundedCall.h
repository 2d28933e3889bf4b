// SPDX-License-Identifier: Apache-2.0
// A blocking call without a bound of its own (a name-service lookup, the
// resolution of a network service) given one: it runs on a thread of its
// own and the caller waits for it at most the bound. A call that outlives
// the bound finishes alone and its result is dropped there. At most
// kMaxCallsInFlight such threads live at once, so calls that never return
// cannot pile threads up: a caller waits for a free place within the same
// bound.
#pragma once

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace PrinterUtils {

inline constexpr int kMaxCallsInFlight = 32;

// The places for threads of bounded calls, shared by every caller.
class CallPlaces {
public:
    static CallPlaces& Shared()
    {
        static CallPlaces* places = new CallPlaces;  // outlives every thread that releases a place
        return *places;
    }
    // Takes a place, waiting until deadline at most; false when none freed.
    bool Take(std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!freed_.wait_until(lock, deadline, [this] { return inFlight_ < kMaxCallsInFlight; })) return false;
        ++inFlight_;
        return true;
    }
    void Release()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            --inFlight_;
        }
        freed_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    int inFlight_ = 0;
};

// What work() returns, or nothing when timeoutMs passed first, no place
// for its thread freed within it, or no thread could be made.
template <typename Work>
auto CallWithin(int timeoutMs, const Work& work) -> std::optional<decltype(work())>
{
    using Result = decltype(work());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    CallPlaces& places = CallPlaces::Shared();
    if (!places.Take(deadline)) return std::nullopt;
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> result = promise->get_future();
    try {
        std::thread([promise, work, &places]() mutable {
            promise->set_value(work());
            // A result nobody waits for any more goes here, while what work
            // holds is still alive.
            promise.reset();
            places.Release();
        }).detach();
    } catch (const std::system_error&) {
        places.Release();
        return std::nullopt;
    }
    if (result.wait_until(deadline) != std::future_status::ready) return std::nullopt;
    return result.get();
}

}  // namespace PrinterUtils
