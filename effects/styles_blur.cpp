// Looks that blur: the tilt look YiZhou and the time tunnel ChuanYue1 with its
// alpha composite ChuanYue3.
#include "stylefilters.h"

#include "blendmodes.h"
#include "brushblur.h"
#include "colorkernels.h"
#include "gaussianblur.h"
#include "styles_shared.h"
#include "tonesteps.h"

#include <cstring>
#include <memory>

using styles::PictureBytes;
using styles::PixelCount;

namespace {

// The mask file of the tilt look: two 640 x 640 single-byte masks.
constexpr int kTiltMaskSide = 640;
constexpr std::size_t kTiltMaskBytes = static_cast<std::size_t>(kTiltMaskSide) * kTiltMaskSide;

// The time-tunnel texture: 240 x 240 pixels of 4 bytes.
constexpr int kTunnelSide = 240;
constexpr std::size_t kTunnelBytes = static_cast<std::size_t>(kTunnelSide) * kTunnelSide * 4;

// One mask of the tilt file copied into its own new[] buffer and stretched to
// width x height (RampleBit replaces the buffer; it keeps it when the sizes match).
unsigned char *StretchedTiltMask(const unsigned char *source, int width, int height)
{
    unsigned char *mask = new unsigned char[kTiltMaskBytes];
    std::memcpy(mask, source, kTiltMaskBytes);
    RampleBit(width, height, &mask, kTiltMaskSide, kTiltMaskSide, 1);
    return mask;
}

}  // namespace

void StyleYiZhou(unsigned char *image, unsigned char *masks, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    const std::size_t bytes = n * 4;

    // 1-2. Tone every pixel, then take hue and saturation back from the picture
    // before toning (brightness stays toned).
    std::unique_ptr<unsigned char[]> work(new unsigned char[bytes]);
    std::memcpy(work.get(), image, bytes);
    // Each pixel's tone depends on its own bytes only, so the whole picture is
    // toned first and blended second.
    const ToneTables &tone = GetToneTables(ToneLook::YiZhou);
    styles::ChannelLut single;
    for (int c = 0; c < 3; ++c)
        std::memcpy(single.at[c], tone.red, 256);
    styles::ApplyLut(image, n, single);
    styles::ColorHsbPass(image, work.get(), n, 0.6);
    // 3-4. Keep the toned picture; blur the image itself.
    std::memcpy(work.get(), image, bytes);
    GaussianBlurFilterUtil::GetInst()->CreateBlurEffect(image, width, height, 7, 3.0, 3.0);

    // 5. Both masks stretched to the picture. Only the 819,200 bytes of the file
    // are read; after stretching each mask has exactly n bytes.
    std::unique_ptr<unsigned char[]> band(StretchedTiltMask(masks, width, height));
    std::unique_ptr<unsigned char[]> shade(StretchedTiltMask(masks + kTiltMaskBytes, width, height));

    // 6. Sharp band between toned and blurred, then darkening, in float.
    const unsigned char *toned = work.get();
    std::size_t done = 0;
#ifdef QVFX_HAVE_COLOR_KERNELS
    if (qvfx::ck::CpuHasAvx512()) {
        qvfx::ck::TiltMixAvx512(image, toned, band.get(), shade.get(), n / 16);
        done = n / 16 * 16;
    } else if (qvfx::ck::CpuHasAvx2()) {
        qvfx::ck::TiltMixAvx2(image, toned, band.get(), shade.get(), n / 8);
        done = n / 8 * 8;
    }
#endif
    for (std::size_t i = done; i < n; ++i) {
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

unsigned char *StyleChuanYue1(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t bytes = PictureBytes(width, height);
    if (bytes == 0)
        return nullptr;
    const std::size_t n = bytes / 4;

    // 1. The texture stretched to the picture (Resample replaces the buffer).
    unsigned char *scaled = new unsigned char[kTunnelBytes];
    std::memcpy(scaled, texture, kTunnelBytes);
    Resample(width, height, &scaled, kTunnelSide, kTunnelSide);
    std::unique_ptr<unsigned char[]> owner(scaled);

    // 2. Overlay the texture's bytes 1, 2, 3 (as red, green, blue) at .6.
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char *t = scaled + 4 * i;
        OverlayEx(image + 4 * i, t[1], t[2], t[3], 0.6);
    }

    // 3. The zoom blur toward the centre, weighted by the texture's byte 0.
    unsigned char *result = new unsigned char[bytes];
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
