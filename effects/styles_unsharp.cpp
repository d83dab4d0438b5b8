// The HDR looks' chain (styles_unsharp.h): a per-channel table, the unsharp
// mask of CSharp::useEffect and a second table in one pass over a ring of rows.
#include "styles_unsharp.h"

#include "kernelblur.h"
#include "unsharplevel.h"

#include <climits>
#include <cstdlib>

namespace styles {

bool LutUnsharpLut(unsigned char *image, int width, int height, const ChannelLut &before, int radius, float amount,
                   const ChannelLut *after)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return true;
    kernelblur::Kernel k;
    if (width > INT_MAX / 4 || !kernelblur::MakeKernel(radius, k)) {
        // useEffect refuses; the tables are still applied
        ApplyLut(image, n, before);
        if (after)
            ApplyLut(image, n, *after);
        return false;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    unsigned char *blurred = static_cast<unsigned char *>(std::calloc(1, rowBytes));
    if (!blurred)
        return false;
    const int g = unsharp::Weight(amount);
    const qvfx::simd::Level level = qvfx::simd::level();
    const auto row = [&](int y) { return image + static_cast<std::size_t>(y) * rowBytes; };
    const bool done = kernelblur::StreamBlur(
        width, height, k, level,
        [&](int r) {
            ApplyLut(row(r), static_cast<std::size_t>(width), before);
            return row(r);
        },
        [&](int) { return blurred; },
        [&](int y, const unsigned char *blur) {
            kernelblur::Unsharp(row(y), blur, row(y), rowBytes, g, kernelblur::Alpha::Opaque, level);
            if (after)
                ApplyLut(row(y), static_cast<std::size_t>(width), *after);
        });
    std::free(blurred);
    return done;
}

}  // namespace styles
