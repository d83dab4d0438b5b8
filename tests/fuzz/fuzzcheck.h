// Shared by the fuzz targets: a check that stops the run like a crash, so a
// broken promise (a refused file that changed the content, say) is reported
// and its input kept.
#pragma once

#include <cstdint>
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

// The run the readers' targets share: inputs above kFuzzMaxInput are skipped;
// a reader that holds the good file reads the fuzzer's bytes, must answer 0
// or 1 and, answering 0, leave what snapshot sees of it as it was; then
// more(reader, answer, bytes) checks what was read.
template <typename Reader, typename Snapshot, typename More>
int FuzzReader(const uint8_t *data, std::size_t size, std::vector<unsigned char> &good,
               int (Reader::*read)(unsigned char *, int), Snapshot snapshot, More more)
{
    if (size > kFuzzMaxInput)
        return 0;
    std::vector<unsigned char> in(data, data + size);
    Reader reader;
    FUZZ_CHECK((reader.*read)(good.data(), static_cast<int>(good.size())) == 1);
    const auto before = snapshot(reader);
    const int answer = (reader.*read)(in.data(), static_cast<int>(in.size()));
    FUZZ_CHECK(answer == 0 || answer == 1);
    if (answer == 0)
        FUZZ_CHECK(snapshot(reader) == before);
    more(reader, answer, in);
    return 0;
}
