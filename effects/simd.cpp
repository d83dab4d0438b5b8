// The processor-feature switch (simd.h).
#include "simd.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace qvfx::simd {

namespace {

struct Allowed {
    Level level = kPlain;
    bool vbmi = false;
};

// The processor's forms under the environment's cap, read once.
const Allowed &FromProcessorAndEnvironment()
{
    static const Allowed allowed = [] {
        Allowed a;
#if defined(__x86_64__) && defined(__GNUC__)
        __builtin_cpu_init();  // safe even when first reached from a static initialiser
        const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                            __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
        a.level = avx512 ? kAvx512 : (__builtin_cpu_supports("avx2") ? kAvx2 : kPlain);
        a.vbmi = avx512 && __builtin_cpu_supports("avx512vbmi");
#endif
        const char *cap = std::getenv("QTQVEFFECT_SIMD");
        if (cap && std::strcmp(cap, "off") == 0)
            a.level = kPlain;
        else if (cap && std::strcmp(cap, "avx2") == 0 && a.level > kAvx2)
            a.level = kAvx2;
        a.vbmi = a.vbmi && a.level == kAvx512;
        return a;
    }();
    return allowed;
}

std::atomic<int> g_cap{kAvx512};

}  // namespace

Level level()
{
    const int hardware = FromProcessorAndEnvironment().level;
    const int cap = g_cap.load(std::memory_order_relaxed);
    return static_cast<Level>(hardware < cap ? hardware : cap);
}

bool vbmi()
{
    return FromProcessorAndEnvironment().vbmi && level() == kAvx512;
}

Level setCap(Level cap)
{
    return static_cast<Level>(g_cap.exchange(cap));
}

}  // namespace qvfx::simd
