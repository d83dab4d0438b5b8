// Shared by the fuzz targets: a check that stops the run like a crash, so a
// broken promise (a refused file that changed the content, say) is reported
// and its input kept.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                   \
    do {                                                                                   \
        if (!(cond)) {                                                                     \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

// Inputs larger than this are skipped: the readers' caps are tested in the
// unit tests, and the fuzzer should spend its time on structure.
constexpr std::size_t kFuzzMaxInput = 1 << 20;
