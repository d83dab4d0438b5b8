// Looks made of tone tables and blends against a constant colour, on one
// picture: Film, Japanese, XiaoQingXin, Elegant, Retro, Impression, HeiBai,
// Gray, LiuJin, Cinnamon.
#include "stylefilters.h"

#include "blendmodes.h"
#include "styles_shared.h"
#include "tonesteps.h"

#include <cstdlib>
#include <ctime>

using styles::ApplyTone;
using styles::PixelCount;

namespace {

// tables (R, G, B) over the whole picture, from a local copy of the tables.
void TonePass(unsigned char *image, std::size_t n, ToneLook look)
{
    const ToneTables t = GetToneTables(look);
    for (std::size_t i = 0; i < n; ++i)
        ApplyTone(image + 4 * i, t);
}

}  // namespace

void StyleFilm(unsigned char *image, int width, int height)
{
    TonePass(image, PixelCount(width, height), ToneLook::Film);
}

void StyleJapanese(unsigned char *image, int width, int height)
{
    TonePass(image, PixelCount(width, height), ToneLook::Japanese);
}

void StyleXiaoQingXin(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    // c = int(c * .2 + T[c] * .8) depends on c alone: tabulate it per channel.
    const ToneTables &t = GetToneTables(ToneLook::XiaoQingXin);
    ToneTables mixed;
    for (int c = 0; c < 256; ++c) {
        mixed.red[c] = static_cast<unsigned char>(static_cast<int>(c * 0.2 + t.red[c] * 0.8));
        mixed.green[c] = static_cast<unsigned char>(static_cast<int>(c * 0.2 + t.green[c] * 0.8));
        mixed.blue[c] = static_cast<unsigned char>(static_cast<int>(c * 0.2 + t.blue[c] * 0.8));
    }
    for (std::size_t i = 0; i < n; ++i)
        ApplyTone(image + 4 * i, mixed);
}

void StyleElegant(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    const ToneTables t = GetToneTables(ToneLook::Elegant);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        unsigned char grey = 0;
        SetGrayScaleExNew(px, grey);  // grey of the pixel before toning
        ApplyTone(px, t);
        ImageSoftLightExNew(px, grey, 1.0);
    }
}

void StyleRetro(unsigned char *image, int width, int height)
{
    // Reseeded on every call: two calls in the same second add the same noise.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const std::size_t n = PixelCount(width, height);
    const ToneTables t = GetToneTables(ToneLook::Retro);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        ApplyTone(px, t);
        NoiseExNew(px, 20);
    }
}

void StyleImpression(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    unsigned char colour[4] = {198, 233, 219, 0};  // B, G, R, A
    for (std::size_t i = 0; i < n; ++i)
        ColorBurnEx(image + 4 * i, colour, 0.2);
    Saturateconst(image, width, height, 15, 1);
    TonePass(image, n, ToneLook::Impression);
}

void StyleHeiBai(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    const ToneTables t = GetToneTables(ToneLook::HeiBai);
    unsigned char colour[4] = {56, 47, 47, 0};
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        ColorEx(px, colour, 0.8);
        ApplyTone(px, t);
    }
}

void StyleGray(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        const int v = (30 * px[2] + 59 * px[1] + 11 * px[0]) / 100;
        px[0] = px[1] = px[2] = static_cast<unsigned char>(v);
    }
}

void StyleLiuJin(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n != 0)
        Saturateconst(image, width, height, -100, 1);
    // Reseeded on every call, after the saturation step.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        ShiftRGBEx(px, 40, 25, 0);
        NoiseEx(px, 20);
    }
}

void StyleCinnamon(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    unsigned char colour[4] = {185, 118, 93, 0};
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        // The pixel with itself: the layer is a copy so the blend reads it unchanged.
        unsigned char self[4] = {px[0], px[1], px[2], px[3]};
        SoftLightEx2(px, self, 0.5);
        PinLightEx8(px, colour, 0.8f);
    }
}
