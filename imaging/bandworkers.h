// The one parallel helper: work split into numbered pieces (bands of rows,
// blocks, pictures to decode) and shared out among threads, the calling thread
// and up to one more per core, each taking the next piece not yet taken. Each
// piece must write only its own output and the split must not depend on the
// number of threads, so the result is the same bytes on one thread or eight.
//
// A job of the runner is cancelled between pieces: the runner marks the
// thread that runs a job with the job's flag (CancelScope), and every fan-out
// started on that thread takes no new piece once the flag is set, so a
// replaced job stops within one piece on each thread.
//
// Header-only and free of Qt: the working-file writer, the engine and the
// tools share it.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

namespace bandworkers {

namespace detail {
inline std::atomic<int> threadLimit{0};
// The flag of the job running on this thread, if any.
inline thread_local const std::atomic<bool> *jobCancelled = nullptr;
}  // namespace detail

// While it lives, fan-outs started on this thread stop taking pieces once
// *flag is set (the runner's job's "cancelled").
class CancelScope {
public:
    explicit CancelScope(const std::atomic<bool> *flag)
        : previous(detail::jobCancelled)
    {
        detail::jobCancelled = flag;
    }
    ~CancelScope() { detail::jobCancelled = previous; }
    CancelScope(const CancelScope &) = delete;
    CancelScope &operator=(const CancelScope &) = delete;

private:
    const std::atomic<bool> *previous;
};

// Whether the job running on this thread was replaced or cancelled.
inline bool cancelled()
{
    const std::atomic<bool> *flag = detail::jobCancelled;
    return flag && flag->load(std::memory_order_relaxed);
}

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
// for per-thread buffers). Returns true when every piece ran and returned
// true; stops taking pieces and returns false once a piece returns false or
// the calling thread's job is cancelled.
template <typename Piece>
bool forEach(std::size_t pieces, int threads, Piece &&piece)
{
    const std::atomic<bool> *job = detail::jobCancelled;
    std::atomic<std::size_t> next{0}, done{0};
    std::atomic<bool> ok{true};
    auto go = [&] {
        return ok.load(std::memory_order_relaxed) && !(job && job->load(std::memory_order_relaxed));
    };
    auto run = [&](int worker) {
        for (std::size_t i; go() && (i = next.fetch_add(1)) < pieces;) {
            if (piece(i, worker))
                done.fetch_add(1, std::memory_order_relaxed);
            else
                ok = false;
        }
    };
    std::vector<std::thread> helpers;
    for (int w = 1; w < threads; ++w)
        helpers.emplace_back(run, w);
    run(0);
    for (std::thread &t : helpers)
        t.join();
    return done.load() == pieces;
}

// Runs work(firstRow, endRow) over rows 0..rows-1 of a picture `width` pixels
// wide in bands of about a quarter megapixel (by the size alone, so row-by-row
// work gives the same bytes on any number of threads); a picture under half a
// megapixel stays on the calling thread. False when the job was cancelled
// before every band ran.
template <typename Work>
bool forRows(int rows, int width, Work &&work)
{
    constexpr std::int64_t kBandPixels = 256 * 1024;
    constexpr std::int64_t kWorthSplitting = 2 * kBandPixels;
    if (rows < 1)
        return true;
    const int bandRows = int(std::clamp<std::int64_t>(kBandPixels / std::max(1, width), 1, rows));
    const std::size_t bands = std::size_t((rows + bandRows - 1) / bandRows);
    const int threads = std::int64_t(rows) * std::max(1, width) < kWorthSplitting ? 1 : threadsFor(bands);
    return forEach(bands, threads, [&](std::size_t band, int) {
        const int first = int(band) * bandRows;
        work(first, std::min(rows, first + bandRows));
        return true;
    });
}

}  // namespace bandworkers
