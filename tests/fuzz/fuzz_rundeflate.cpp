// The working-file writer's run coder on any bytes: the first two bytes pick
// a block size (1 to 65536), the rest is the input, coded in blocks of that
// size. The stream must fit the coder's own bound and inflate, with the
// deflate library's decoder, to exactly the input.
#include "rundeflate.h"

#include <libdeflate.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::size_t block = (std::size_t(data[0]) | std::size_t(data[1]) << 8) + 1;
    data += 2;
    size -= 2;
    const std::size_t blocks = (size + block - 1) / block;
    std::vector<std::uint8_t> out(RunDeflate::bound(size, blocks));
    RunDeflate coder;
    coder.begin(out.data(), out.size());
    for (std::size_t at = 0; at < size; at += block) {
        const std::size_t n = size - at < block ? size - at : block;
        if (!coder.add(data + at, n, at + n == size))
            std::abort();  // the bound was too small
    }
    const std::size_t written = coder.finish();
    if (written == 0 || written > out.size())
        std::abort();

    static libdeflate_decompressor *d = libdeflate_alloc_decompressor();
    std::vector<std::uint8_t> back(size + 1);
    std::size_t used = 0, produced = 0;
    if (libdeflate_zlib_decompress_ex(d, out.data(), written, back.data(), back.size(), &used, &produced)
            != LIBDEFLATE_SUCCESS
        || used != written || produced != size || std::memcmp(back.data(), data, size) != 0)
        std::abort();
    return 0;
}
