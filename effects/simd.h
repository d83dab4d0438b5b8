// The library's one processor-feature switch (internal; exported only for the
// tests and benchmarks, which compare the forms in one run).
//
// Every vector form of the library asks here which forms it may take: what
// the processor runs, capped by the environment variable QTQVEFFECT_SIMD
// ("off": the plain forms only; "avx2": nothing wider than AVX2). Both are
// read once, on the first question. Every form gives the same bytes as the
// plain one, so the switch changes speed only; the test suite runs under
// each cap to keep it so.
#pragma once

#include "qtqveffect_export.h"

namespace qvfx::simd {

enum Level : int {
    kPlain = 0,
    kAvx2 = 1,    // AVX2
    kAvx512 = 2,  // AVX-512 F, DQ, BW and VL
};

// The widest form allowed now.
QTQVEFFECT_EXPORT Level level();

// Whether the 64-byte table look-ups (AVX-512 VBMI byte permutes) are
// allowed: level() is kAvx512 and the processor has VBMI.
QTQVEFFECT_EXPORT bool vbmi();

// Caps the forms further, from now on, in this process (never widens them
// beyond the processor and the environment); returns the previous cap.
QTQVEFFECT_EXPORT Level setCap(Level cap);

}  // namespace qvfx::simd
