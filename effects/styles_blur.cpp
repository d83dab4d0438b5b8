// Looks that blur: the tilt look YiZhou and the time tunnel ChuanYue1 with its
// alpha composite ChuanYue3.
#include "stylefilters.h"

#include "blendmodes.h"
#include "brushblur.h"
#include "colorkernels_masks.h"
#include "gaussianblur.h"
#include "simd.h"
#include "styles_shared.h"
#include "tonesteps.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

using styles::PictureBytes;
using styles::PixelCount;

namespace {

// The mask file of the tilt look: two 640 x 640 single-byte masks.
constexpr int kTiltMaskSide = 640;
constexpr std::size_t kTiltMaskBytes = static_cast<std::size_t>(kTiltMaskSide) * kTiltMaskSide;

// The time-tunnel texture: 240 x 240 pixels of 4 bytes.
constexpr int kTunnelSide = 240;
constexpr std::size_t kTunnelBytes = static_cast<std::size_t>(kTunnelSide) * kTunnelSide * 4;

// Nearest-neighbour stretching of a tilt mask to width x height, as RampleBit
// does it (tonesteps.cpp): destination column x takes source column
// int(x * (640 / width)), row y source row int(y * (640 / height)), ratio and
// product in single precision, the index kept below 640. Here the source
// rows are picked a row at a time instead of stretching the whole mask.
struct TiltStretch {
    std::unique_ptr<int[]> column;  // source column of each destination column

    explicit TiltStretch(int width) : column(new int[static_cast<std::size_t>(width)])
    {
        const float ratio = static_cast<float>(kTiltMaskSide) / static_cast<float>(width);
        for (int x = 0; x < width; ++x)
            column[x] = std::min(static_cast<int>(static_cast<float>(x) * ratio), kTiltMaskSide - 1);
    }

    static int SourceRow(int y, int height)
    {
        const float ratio = static_cast<float>(kTiltMaskSide) / static_cast<float>(height);
        return std::min(static_cast<int>(static_cast<float>(y) * ratio), kTiltMaskSide - 1);
    }

    // Row y of the stretched mask into out (width bytes).
    void Row(const unsigned char *mask, int sourceRow, unsigned char *out, int width) const
    {
        const unsigned char *in = mask + static_cast<std::size_t>(sourceRow) * kTiltMaskSide;
        for (int x = 0; x < width; ++x)
            out[x] = in[column[x]];
    }
};

// The tilt look's last step on count pixels: a = float(band) / 255 and
// b = float(shade) / 255; each of B, G, R: m = int(toned * a + image * (1 - a)),
// image = low 8 bits of int(m * b). Several pixels at a time where the
// switch allows (simd.h).
void TiltMix(unsigned char *image, const unsigned char *toned, const unsigned char *band, const unsigned char *shade,
             std::size_t count)
{
    std::size_t done = 0;
#ifdef QVFX_HAVE_COLOR_KERNELS
    const int level = qvfx::simd::level();
    if (level == qvfx::simd::kAvx512) {
        qvfx::ck::TiltMixAvx512(image, toned, band, shade, count / 16);
        done = count / 16 * 16;
    } else if (level == qvfx::simd::kAvx2) {
        qvfx::ck::TiltMixAvx2(image, toned, band, shade, count / 8);
        done = count / 8 * 8;
    }
#endif
    for (std::size_t i = done; i < count; ++i) {
        unsigned char *px = image + 4 * i;
        const unsigned char *tp = toned + 4 * i;
        const float a = static_cast<float>(band[i]) / 255;
        const float b = static_cast<float>(shade[i]) / 255;
        for (int c = 0; c < 3; ++c) {
            const int mixed = static_cast<int>(tp[c] * a + px[c] * (1 - a));
            px[c] = static_cast<unsigned char>(static_cast<int>(mixed * b));
        }
    }
}

}  // namespace

void StyleYiZhou(unsigned char *image, unsigned char *masks, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    const std::size_t bytes = n * 4;

    // 1-3. Tone every pixel (one table for all three channels), take hue and
    // saturation back from the picture before toning (brightness stays
    // toned), and keep a copy of the result. Each pixel depends on its own
    // bytes only, so this runs a chunk at a time with the untoned chunk held
    // aside in cache.
    std::unique_ptr<unsigned char[]> work(new unsigned char[bytes]);
    const ToneTables &tone = GetToneTables(ToneLook::YiZhou);
    styles::ChannelLut single;
    for (int c = 0; c < 3; ++c)
        std::memcpy(single.at[c], tone.red, 256);
    {
        constexpr std::size_t kChunk = 2048;
        std::unique_ptr<unsigned char[]> original(new unsigned char[kChunk * 4]);
        for (std::size_t first = 0; first < n; first += kChunk) {
            const std::size_t count = std::min(kChunk, n - first);
            unsigned char *chunk = image + 4 * first;
            std::memcpy(original.get(), chunk, count * 4);
            styles::ApplyLut(chunk, count, single);
            styles::ColorHsbPass(chunk, original.get(), count, 0.6);
            std::memcpy(work.get() + 4 * first, chunk, count * 4);
        }
    }
    // 4. Blur the image itself; work keeps the toned picture.
    GaussianBlurFilterUtil::GetInst()->CreateBlurEffect(image, width, height, 7, 3.0, 3.0);

    // 5-6. Both masks stretched to the picture a row at a time (only the
    // 819,200 bytes of the file are read), then the sharp band between toned
    // and blurred and the darkening, in float.
    const TiltStretch stretch(width);
    std::unique_ptr<unsigned char[]> maskRows(new unsigned char[2 * static_cast<std::size_t>(width)]);
    unsigned char *band = maskRows.get(), *shade = band + width;
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    int lastRow = -1;
    for (int y = 0; y < height; ++y) {
        const int sy = TiltStretch::SourceRow(y, height);
        if (sy != lastRow) {
            stretch.Row(masks, sy, band, width);
            stretch.Row(masks + kTiltMaskBytes, sy, shade, width);
            lastRow = sy;
        }
        TiltMix(image + y * stride, work.get() + y * stride, band, shade, static_cast<std::size_t>(width));
    }
}

unsigned char *StyleChuanYue1(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t bytes = PictureBytes(width, height);
    if (bytes == 0)
        return nullptr;
    const std::size_t n = bytes / 4;

    // 1. The texture stretched to the picture (Resample replaces the buffer,
    // with null when it has no memory for it: then there is no result).
    unsigned char *scaled = new (std::nothrow) unsigned char[kTunnelBytes];
    if (!scaled)
        return nullptr;
    std::memcpy(scaled, texture, kTunnelBytes);
    Resample(width, height, &scaled, kTunnelSide, kTunnelSide);
    if (!scaled)
        return nullptr;
    std::unique_ptr<unsigned char[]> owner(scaled);
    unsigned char *result = new (std::nothrow) unsigned char[bytes];
    if (!result)
        return nullptr;

    // 2. Overlay the texture's bytes 1, 2, 3 (as red, green, blue) at .6.
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char *t = scaled + 4 * i;
        OverlayEx(image + 4 * i, t[1], t[2], t[3], 0.6);
    }

    // 3. The zoom blur toward the centre, weighted by the texture's byte 0.
    RadiusZoomBlur(result, image, scaled, width, height);
    return result;
}

void StyleChuanYue3(unsigned char *image, unsigned char *overlay, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        const unsigned char *o = overlay + 4 * i;
        const double a = static_cast<float>(o[3]) / 255;  // the opacity in float, the mix in double
        for (int c = 0; c < 3; ++c)
            px[c] = static_cast<unsigned char>(static_cast<int>(o[c] * a + px[c] * (1 - a)));
    }
}
