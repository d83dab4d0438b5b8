// Work split into numbered pieces (bands of rows, blocks) and shared out
// among threads: the calling thread and up to one more per core, each taking
// the next piece not yet taken. Each piece must write only its own output, so
// the result is the same whatever thread ran it and in whatever order.
// Header-only, for the working-file writer and its tests.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace bandworkers {

namespace detail {
inline std::atomic<int> threadLimit{0};
}  // namespace detail

// At most `threads` threads per job from now on (1: all on the calling
// thread); 0 (the default) for one per core. For tests and benchmarks.
inline void setThreadLimit(int threads)
{
    detail::threadLimit = std::max(0, threads);
}

// The threads a job of `pieces` pieces gets.
inline int threadsFor(std::size_t pieces)
{
    int n = detail::threadLimit.load();
    if (n <= 0)
        n = int(std::max(1u, std::thread::hardware_concurrency()));
    return int(std::max<std::size_t>(1, std::min<std::size_t>(std::size_t(n), pieces)));
}

// Runs piece(index, worker) for every index below `pieces` on `threads`
// threads (worker 0 is the calling thread; each worker number is one thread,
// for per-thread buffers). Stops early and returns false once a piece
// returns false.
template <typename Piece>
bool forEach(std::size_t pieces, int threads, Piece &&piece)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> ok{true};
    auto run = [&](int worker) {
        for (std::size_t i; ok.load(std::memory_order_relaxed) && (i = next.fetch_add(1)) < pieces;) {
            if (!piece(i, worker))
                ok = false;
        }
    };
    std::vector<std::thread> helpers;
    for (int w = 1; w < threads; ++w)
        helpers.emplace_back(run, w);
    run(0);
    for (std::thread &t : helpers)
        t.join();
    return ok;
}

}  // namespace bandworkers
