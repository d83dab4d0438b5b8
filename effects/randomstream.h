// A private copy of the C library's rand() for the grain of the noisy looks
// (internal, not exported; the tests include this header).
//
// Contents
//   1. RandStream             the additive feedback generator behind glibc's
//                             rand(), on a state of its own, drawn in blocks
//   2. RandStreamMatchesRand  once per process: does RandStream reproduce
//                             this C library's rand()?
//   3. GrainOf, GrainTable    NoiseEx's shift of one channel for one draw, and
//                             the same shift by table look-up
//
// rand() takes a lock on every call and the looks draw three numbers a pixel,
// so on a large photo the calls cost more than the rest of the look. After
// srand(s), glibc's rand() is its degree-31 additive generator:
//   r[0] = s (1 when s is 0), r[i] = 16807 * r[i - 1] mod (2^31 - 1), i = 1..30,
//   y[t] = y[t - 31] + y[t - 3] (mod 2^32), the first 310 outputs thrown away,
//   each draw is y[t] >> 1 (0 .. 2^31 - 1).
// RandStream runs exactly that over its own buffer, so a look seeded with s
// gets the numbers rand() would have given after srand(s), without touching
// (or locking) the global generator. Another C library may use another
// generator: callers check RandStreamMatchesRand() and use rand() itself
// when it says no.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC push_options
#pragma GCC optimize("fp-contract=off")
#endif

namespace qvfx {

// ---------------------------------------------------------------------------
// 1. RandStream

class RandStream {
public:
    // The state srand(seed) gives.
    explicit RandStream(unsigned seed)
    {
        // The multiplicative seeding, in the same 32-bit types: a seed of 2^31
        // or more starts from a negative word.
        std::int32_t word = static_cast<std::int32_t>(seed == 0 ? 1u : seed);
        std::int32_t ring[kDegree];
        ring[0] = word;
        for (int i = 1; i < kDegree; ++i) {
            const std::int64_t hi = word / 127773;
            const std::int64_t lo = word % 127773;
            word = static_cast<std::int32_t>(16807 * lo - 2836 * hi);  // (16807 * word) mod (2^31 - 1)
            if (word < 0)
                word += 2147483647;
            ring[i] = word;
        }
        // The first new value is ring[3] + ring[0]: ring[3 .. 30] are the
        // oldest 28 values, ring[0 .. 2] the newest 3.
        for (int k = 0; k < kDegree; ++k)
            buffer_[k] = static_cast<std::uint32_t>(ring[(k + kSeparation) % kDegree]);
        int discard[10 * kDegree];
        fill(discard, 10 * kDegree);
    }

    // out[0 .. count): the next count draws, each as rand() returns it.
    void fill(int *out, std::size_t count)
    {
        while (count > 0) {
            const std::size_t m = count < kBlock ? count : kBlock;
            // buffer_[i] is y[t - 31] and buffer_[i + 31] becomes y[t]; y[t - 3]
            // (also buffer_[i + 28]) is carried in a register, so that the
            // chain of sums does not wait on a store it has just made.
            static_assert(kSeparation == 3, "three values are carried");
            std::uint32_t back3 = buffer_[kDegree - 3], back2 = buffer_[kDegree - 2], back1 = buffer_[kDegree - 1];
            for (std::size_t i = 0; i < m; ++i) {
                const std::uint32_t v = buffer_[i] + back3;
                buffer_[i + kDegree] = v;
                out[i] = static_cast<int>(v >> 1);
                back3 = back2;
                back2 = back1;
                back1 = v;
            }
            std::memmove(buffer_, buffer_ + m, sizeof(std::uint32_t) * kDegree);
            out += m;
            count -= m;
        }
    }

    // The next draw (one at a time is slow: fill() is the way to draw many).
    int next()
    {
        int v;
        fill(&v, 1);
        return v;
    }

private:
    static constexpr int kDegree = 31;
    static constexpr int kSeparation = 3;  // the lag of the second term
    static constexpr std::size_t kBlock = 1024;
    // buffer_[0 .. 31): the last 31 values, oldest first; the rest is room
    // for one block of new ones.
    std::uint32_t buffer_[kDegree + kBlock];
};

// ---------------------------------------------------------------------------
// 2. RandStreamMatchesRand

// True when RandStream gives this C library's rand() sequence, checked once
// per process (64 draws after each of two seeds, one of them at or above
// 2^31). The check reseeds rand(): the first call must come before the
// caller's own srand().
inline bool RandStreamMatchesRand()
{
    static const bool matches = [] {
        for (unsigned seed : {12345u, 0x9e3779b9u}) {
            std::srand(seed);
            RandStream stream(seed);
            int draws[64];
            stream.fill(draws, 64);
            for (int d : draws)
                if (std::rand() != d)
                    return false;
        }
        return true;
    }();
    return matches;
}

// ---------------------------------------------------------------------------
// 3. GrainOf, GrainTable

// NoiseEx's shift of one channel for the draw r: int((float(r) * 4.656613e-10 - .5) * amount),
// float times double in double, truncated toward zero.
inline int GrainOf(int r, int amount)
{
    return static_cast<int>((static_cast<float>(r) * 4.656613e-10 - 0.5) * amount);
}

// GrainOf(r, amount) for every draw 0 <= r < 2^31 by look-up. GrainOf is
// monotone in r (each step, float(r), the products, the difference and the
// truncation, is monotone), so where it has the same value at both ends of a
// range of draws it has that value all through; the table keeps that value
// for each range of 2^19 draws, and the few ranges that hold a step are
// worked out from the formula.
class GrainTable {
public:
    explicit GrainTable(int amount) : amount_(amount)
    {
        for (int b = 0; b < kBuckets; ++b) {
            const int first = b << kShift;
            const int last = first + ((1 << kShift) - 1);
            const int v = GrainOf(first, amount);
            at_[b] = v == GrainOf(last, amount) ? v : kMixed;
        }
    }

    int operator()(int r) const
    {
        const int v = at_[r >> kShift];
        return v != kMixed ? v : GrainOf(r, amount_);
    }

private:
    static constexpr int kShift = 19;
    static constexpr int kBuckets = 1 << (31 - kShift);
    // |GrainOf| is at most |amount| / 2 + 1, so it never takes this value.
    static constexpr int kMixed = INT32_MIN;
    int amount_;
    int at_[kBuckets];
};

}  // namespace qvfx

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC pop_options
#endif
