// Running many independent Monte Carlo runs on several threads, with progress and cancellation.
//
// Each run writes only its own results, indexed by its number, and every sum over runs is taken in run
// order afterwards: the results are the same bits whatever the number of threads. Runs are handed out in
// chunks from a shared counter, so threads that finish early take more.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace torvel::tolerance {

struct RunControl {
    /// Threads to use; 0 for one per core.
    int threads = 0;
    /// Called on the calling thread after each of its chunks, with the runs done so far and the total.
    std::function<void(std::int64_t done, std::int64_t total)> progress;
    /// Set from anywhere to stop; the runs then end after their current chunk.
    const std::atomic<bool>* cancel = nullptr;

    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }
};

/// How a set of runs ended: all done, stopped by the cancel flag, or not started because the settings
/// are out of range.
enum class [[nodiscard]] RunStatus { Completed, Cancelled, Refused };

/// Calls body(first, end) for consecutive ranges that together cover [0, total), on `control.threads`
/// threads (the calling one included). Cancelled when the flag was set before every range had run. An
/// exception thrown by the body is passed on to the caller once every thread has stopped.
RunStatus runInParallel(std::int64_t total, const RunControl& control,
                        const std::function<void(std::int64_t first, std::int64_t end)>& body);

}  // namespace torvel::tolerance
