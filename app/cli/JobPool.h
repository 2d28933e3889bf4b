// SPDX-License-Identifier: Apache-2.0
// Bounded concurrency for the fleet commands: a fixed number of worker
// threads take the printers one after the other; each outcome is handed back
// to the calling thread as soon as it is there, so output never interleaves
// and memory holds only the outcomes not yet handed back.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace Cli {

// Runs work(i) for every i below count, at most jobs at a time, and calls
// done(i, result) on the calling thread in the order the results arrive.
// work must not throw: each printer's failure is its own result.
template <class Result>
void RunBounded(std::size_t count, int jobs, const std::function<Result(std::size_t)>& work,
                const std::function<void(std::size_t, Result&)>& done)
{
    if (jobs <= 1) {
        // One at a time needs no thread.
        for (std::size_t i = 0; i < count; ++i) {
            Result result = work(i);
            done(i, result);
        }
        return;
    }
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::pair<std::size_t, Result>> finished;
    std::atomic<std::size_t> next{0};

    const std::size_t threads = std::min<std::size_t>(count, static_cast<std::size_t>(std::max(jobs, 1)));
    std::vector<std::thread> workers;
    workers.reserve(threads);
    for (std::size_t t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (std::size_t i; (i = next.fetch_add(1)) < count;) {
                Result result = work(i);
                {
                    const std::lock_guard<std::mutex> lock(mutex);
                    finished.emplace_back(i, std::move(result));
                }
                ready.notify_one();
            }
        });
    }
    for (std::size_t handed = 0; handed < count; ++handed) {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [&] { return !finished.empty(); });
        std::pair<std::size_t, Result> item = std::move(finished.front());
        finished.pop_front();
        lock.unlock();
        done(item.first, item.second);
    }
    for (std::thread& worker : workers) worker.join();
}

}  // namespace Cli
