// SPDX-License-Identifier: Apache-2.0
// A blocking call without a bound of its own (a name-service lookup, the
// resolution of a network service) given one: it runs on a thread of its
// own and the caller waits for it at most the bound. A call that outlives
// the bound finishes alone and its result is dropped there.
#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

namespace PrinterUtils {

// What work() returns, or nothing when timeoutMs passed first. Without a
// thread to be had, work runs here, unbounded as it is.
template <typename Work>
auto CallWithin(int timeoutMs, const Work& work) -> std::optional<decltype(work())>
{
    using Result = decltype(work());
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> result = promise->get_future();
    try {
        std::thread([promise, work] { promise->set_value(work()); }).detach();
    } catch (const std::system_error&) {
        return work();
    }
    if (result.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) return std::nullopt;
    return result.get();
}

}  // namespace PrinterUtils
