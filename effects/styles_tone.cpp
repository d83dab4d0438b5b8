// Looks made of tone tables and blends against a constant colour, on one
// picture: Film, Japanese, XiaoQingXin, Elegant, Retro, Impression, HeiBai,
// Gray, LiuJin, Cinnamon.
#include "stylefilters.h"

#include "blendmodes.h"
#include "randomstream.h"
#include "simd.h"
#include "styles_grain.h"
#include "styles_shared.h"
#include "tonesteps.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

using styles::ApplyLut;
using styles::ChannelLut;
using styles::LutOf;
using styles::PixelCount;

void StyleFilm(unsigned char *image, int width, int height)
{
    ApplyLut(image, PixelCount(width, height), LutOf(GetToneTables(ToneLook::Film)));
}

void StyleJapanese(unsigned char *image, int width, int height)
{
    ApplyLut(image, PixelCount(width, height), LutOf(GetToneTables(ToneLook::Japanese)));
}

void StyleXiaoQingXin(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    // c = int(c * .2 + T[c] * .8) depends on c alone: tabulate it per channel.
    const ChannelLut t = LutOf(GetToneTables(ToneLook::XiaoQingXin));
    ChannelLut mixed;
    for (int ch = 0; ch < 3; ++ch)
        for (int c = 0; c < 256; ++c)
            mixed.at[ch][c] = static_cast<unsigned char>(static_cast<int>(c * 0.2 + t.at[ch][c] * 0.8));
    ApplyLut(image, n, mixed);
}

void StyleElegant(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    const ChannelLut tone = LutOf(GetToneTables(ToneLook::Elegant));
    // soft->at[v][grey]: ImageSoftLightExNew of a toned value v with a grey level.
    std::unique_ptr<styles::PairTable> soft(new styles::PairTable);
    for (int v = 0; v < 256; ++v)
        for (int g = 0; g < 256; ++g) {
            const unsigned char vv = static_cast<unsigned char>(v);
            unsigned char px[4] = {vv, vv, vv, 0};
            ImageSoftLightExNew(px, static_cast<unsigned char>(g), 1.0);
            soft->at[v][g] = px[0];
        }
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        unsigned char grey = 0;
        SetGrayScaleExNew(px, grey);  // grey of the pixel before toning
        for (int c = 0; c < 3; ++c)
            px[c] = soft->at[tone.at[c][px[c]]][grey];
    }
}

void StyleRetro(unsigned char *image, int width, int height)
{
    // Reseeded on every call: two calls in the same second add the same noise.
    // The grain draws the numbers rand() would give after this srand from a
    // copy of its generator, so rand() itself is left where srand put it.
    qvfx::RandStreamMatchesRand();  // its one-time check reseeds rand(): before our srand
    const unsigned seed = static_cast<unsigned>(std::time(nullptr));
    std::srand(seed);
    styles::StyleRetroSeeded(image, width, height, seed);
}

void StyleImpression(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    unsigned char colour[4] = {198, 233, 219, 0};  // B, G, R, A
    ApplyLut(image, n, styles::TabulatePixelStep([&](unsigned char *px) { ColorBurnEx(px, colour, 0.2); }));
    Saturateconst(image, width, height, 15, 1);
    ApplyLut(image, n, LutOf(GetToneTables(ToneLook::Impression)));
}

void StyleHeiBai(unsigned char *image, int width, int height)
{
    // ColorEx(pixel, (56, 47, 47, 0), .8), then the tables, in one tabulated pass
    const unsigned char colour[4] = {56, 47, 47, 0};
    styles::ColorExConstant(image, PixelCount(width, height), colour, 0.8, LutOf(GetToneTables(ToneLook::HeiBai)));
}

namespace {

// B = G = R = (30 R + 59 G + 11 B) / 100 on whole 32-bit pixels, byte 3 kept;
// written so that the compiler can run it several pixels at a time.
__attribute__((always_inline)) inline void GrayPixels(unsigned char *image, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t p;
        std::memcpy(&p, image + 4 * i, 4);
        const std::uint32_t v = (30 * ((p >> 16) & 255) + 59 * ((p >> 8) & 255) + 11 * (p & 255)) / 100;
        p = (p & 0xff000000u) | (v * 0x010101u);
        std::memcpy(image + 4 * i, &p, 4);
    }
}

void GrayPlain(unsigned char *image, std::size_t n) { GrayPixels(image, n); }

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"), optimize("tree-vectorize"))) void GrayAvx2(unsigned char *image, std::size_t n)
{
    GrayPixels(image, n);
}
#endif

}  // namespace

void StyleGray(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
#if defined(__x86_64__) && defined(__GNUC__)
    if (qvfx::simd::level() >= qvfx::simd::kAvx2) {
        GrayAvx2(image, n);
        return;
    }
#endif
    GrayPlain(image, n);
}

void StyleLiuJin(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n != 0)
        Saturateconst(image, width, height, -100, 1);
    // Reseeded on every call, after the saturation step; the grain as in StyleRetro.
    qvfx::RandStreamMatchesRand();
    const unsigned seed = static_cast<unsigned>(std::time(nullptr));
    std::srand(seed);
    styles::LiuJinGrain(image, n, seed);
}

void StyleCinnamon(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    unsigned char colour[4] = {185, 118, 93, 0};
    // Both steps change each channel from its own value: one table for the pair.
    const ChannelLut t = styles::TabulatePixelStep([&](unsigned char *px) {
        unsigned char self[4] = {px[0], px[1], px[2], px[3]};  // the pixel with itself
        SoftLightEx2(px, self, 0.5);
        PinLightEx8(px, colour, 0.8f);
    });
    ApplyLut(image, n, t);
}
