// A private copy of the C library's rand() for the grain of the noisy looks
// (internal, not exported; the tests include this header).
//
// Contents
//   1. RandStream             the additive feedback generator behind glibc's
//                             rand(), on a state of its own, drawn in blocks
//   2. RandStreamMatchesRand  once per process: does RandStream reproduce
//                             this C library's rand()?
//   3. GrainOf, GrainTable    NoiseEx's shift of one channel for one draw, and
//                             the same shift (as far as a byte can tell) by
//                             table look-up
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
        // oldest 28 values, ring[0 .. 2] the newest 3. They go where the
        // last values of a block sit, and the block counts as read.
        for (int k = 0; k < kDegree; ++k)
            y_[kBlock + k] = static_cast<std::uint32_t>(ring[(k + kSeparation) % kDegree]);
        int discard[10 * kDegree];
        fill(discard, 10 * kDegree);
    }

    // out[0 .. count): the next count draws, each as rand() returns it.
    void fill(int *out, std::size_t count)
    {
        while (count > 0) {
            if (next_ == kDegree + kBlock)
                refill();
            const std::size_t left = kDegree + kBlock - next_;
            const std::size_t m = count < left ? count : left;
            std::memcpy(out, draws_ + (next_ - kDegree), sizeof(int) * m);
            next_ += m;
            out += m;
            count -= m;
        }
    }

    // The next draw (fill() is the way to draw many).
    int next()
    {
        int v;
        fill(&v, 1);
        return v;
    }

private:
    static constexpr int kDegree = 31;
    static constexpr int kSeparation = 3;  // the lag of the second term
    static constexpr std::size_t kBlock = 1023;  // new values a refill, a multiple of 3

    // The next block of y: y[t] = y[t - 31] + y[t - 3], all 32 bits; its draws y[t] >> 1.
    void refill()
    {
        std::memmove(y_, y_ + kBlock, sizeof(std::uint32_t) * kDegree);
        static_assert(kSeparation == 3 && kBlock % 3 == 0, "three values a step");
#if defined(__GNUC__)
        // Three values a step, each lane its own chain: y[t - 31 .. t - 29]
        // plus the previous step's y[t - 3 .. t - 1], in lanes 0 .. 2, are
        // y[t .. t + 2]. Lane 3 is never used: its stores land on the slots
        // the next step writes (the last step's on the spare slots), and it
        // feeds only lane 3.
        using V4 = std::uint32_t __attribute__((vector_size(16)));
        using I4 = int __attribute__((vector_size(16)));
        V4 back;
        std::memcpy(&back, y_ + kDegree - 3, sizeof back);
        for (std::size_t i = 0; i < kBlock; i += 3) {
            V4 old;
            std::memcpy(&old, y_ + i, sizeof old);
            back += old;
            std::memcpy(y_ + kDegree + i, &back, sizeof back);
            const I4 draw = reinterpret_cast<I4>(back >> 1);
            std::memcpy(draws_ + i, &draw, sizeof draw);
        }
#else
        for (std::size_t i = 0; i < kBlock; ++i) {
            y_[kDegree + i] = y_[i] + y_[i + kDegree - kSeparation];
            draws_[i] = static_cast<int>(y_[kDegree + i] >> 1);
        }
#endif
        next_ = kDegree;
    }

    // y_[0 .. 31): the 31 values before the current block; y_[31 .. 31 + kBlock):
    // the block, read from next_; one spare slot. draws_[k]: y_[31 + k] >> 1.
    std::uint32_t y_[kDegree + kBlock + 1] = {};
    int draws_[kBlock + 1] = {};
    std::size_t next_ = kDegree + kBlock;
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

// GrainOf(r, amount) held to -256 .. 256, for every draw 0 <= r < 2^31, by
// look-up: a byte plus any shift beyond that range clamps to the same 0 or
// 255. GrainOf is monotone in r (each step, float(r), the products, the
// difference and the truncation, is monotone), so where it has the same
// value at both ends of a range of draws it has that value all through; the
// table keeps that value for each range of 2^19 draws, and the few ranges
// that hold a step are worked out from the formula.
class GrainTable {
public:
    static constexpr int kReach = 256;

    explicit GrainTable(int amount) : amount_(amount)
    {
        for (int b = 0; b < kBuckets; ++b) {
            const int first = b << kShift;
            const int last = first + ((1 << kShift) - 1);
            const int v = Held(GrainOf(first, amount));
            at_[b] = static_cast<std::int16_t>(v == Held(GrainOf(last, amount)) ? v : kMixed);
        }
        // monotone: the extremes are at the first and the last draw
        const int first = Held(GrainOf(0, amount)), last = Held(GrainOf(INT32_MAX, amount));
        lowest_ = first < last ? first : last;
        highest_ = first < last ? last : first;
    }

    int operator()(int r) const
    {
        const int v = at_[r >> kShift];
        return v != kMixed ? v : Held(GrainOf(r, amount_));
    }

    // The smallest and the largest value operator() gives.
    int lowest() const { return lowest_; }
    int highest() const { return highest_; }

private:
    static constexpr int kShift = 19;
    static constexpr int kBuckets = 1 << (31 - kShift);
    static constexpr int kMixed = INT16_MIN;  // outside -kReach .. kReach

    static int Held(int v) { return v < -kReach ? -kReach : (v > kReach ? kReach : v); }

    int amount_;
    int lowest_, highest_;
    std::int16_t at_[kBuckets];
};

}  // namespace qvfx

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC pop_options
#endif
