// Shared by the fuzz targets: a check that stops the run like a crash, so a
// broken promise (a refused file that changed the content, say) is reported
// and its input kept.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <vector>

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

// What every reader promises of a refusal: reading the fuzzer's bytes into a
// reader that holds a good file answers 0 or 1, and 0 leaves what snapshot
// sees of the reader as it was. Returns the answer.
template <typename Reader, typename Snapshot>
int ReadOrKeep(Reader &reader, int (Reader::*read)(unsigned char *, int), std::vector<unsigned char> &in,
               Snapshot snapshot)
{
    const auto before = snapshot(reader);
    const int answer = (reader.*read)(in.data(), static_cast<int>(in.size()));
    FUZZ_CHECK(answer == 0 || answer == 1);
    if (answer == 0)
        FUZZ_CHECK(snapshot(reader) == before);
    return answer;
}
