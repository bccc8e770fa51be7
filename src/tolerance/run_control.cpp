#include "tolerance/run_control.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace torvel::tolerance {
namespace {

// Small enough for progress ten times a second and a prompt cancel, large enough that claiming a chunk
// costs nothing next to the runs in it.
std::int64_t chunkSize(std::int64_t total, int threads)
{
    return std::clamp<std::int64_t>(total / (64 * static_cast<std::int64_t>(threads)), 16, 4096);
}

}  // namespace

RunStatus runInParallel(std::int64_t total, const RunControl& control,
                        const std::function<void(std::int64_t first, std::int64_t end)>& body)
{
    const int threads = control.threads > 0 ? control.threads : std::max(1u, std::thread::hardware_concurrency());
    const std::int64_t chunk = chunkSize(total, threads);
    std::atomic<std::int64_t> next{0};
    std::atomic<std::int64_t> done{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex errorMutex;

    const auto work = [&](bool reports) {
        try {
            while (!control.cancelled() && !failed.load(std::memory_order_relaxed)) {
                const std::int64_t first = next.fetch_add(chunk);
                if (first >= total)
                    break;
                const std::int64_t end = std::min(first + chunk, total);
                body(first, end);
                const std::int64_t sofar = done.fetch_add(end - first) + (end - first);
                if (reports && control.progress)
                    control.progress(sofar, total);
            }
        } catch (...) {
            const std::lock_guard lock(errorMutex);
            if (!error)
                error = std::current_exception();
            failed = true;
        }
    };

    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work, false);
    work(true);
    for (std::thread& helper : helpers)
        helper.join();
    if (error)
        std::rethrow_exception(error);
    if (done.load() < total)
        return RunStatus::Cancelled;
    if (control.progress)
        control.progress(total, total);
    return RunStatus::Completed;
}

}  // namespace torvel::tolerance
