// The grain of the two noisy looks, Retro and LiuJin, with the seed given
// (internal, not exported; the looks in styles_tone.cpp call these with the
// second they reseed rand() from, and the tests call them with fixed seeds).
//
// Each pixel takes a per-channel table, then NoiseEx(pixel, 20): three draws
// of rand() after srand(seed), B first. The draws come from RandStream in
// blocks and the shift of each draw from a GrainTable, which gives the very
// bytes of the per-pixel form; where RandStream does not reproduce this C
// library's rand(), the per-pixel form runs with rand() itself.
#pragma once

#include "blendmodes.h"
#include "bytemath.h"
#include "randomstream.h"
#include "styles_shared.h"
#include "tonesteps.h"
#include "tonetables.h"

#include <cstddef>
#include <cstdlib>
#include <vector>

namespace styles {

// Per pixel: lut, then NoiseEx(pixel, amount), with rand() as srand(seed)
// leaves it. Byte 3 is kept. The global generator is not drawn from, but
// the first call in a process reseeds it (RandStreamMatchesRand).
inline void TonedGrain(unsigned char *image, std::size_t n, const ChannelLut &lut, int amount, unsigned seed)
{
    if (n == 0)
        return;
    if (!qvfx::RandStreamMatchesRand()) {
        std::srand(seed);
        for (std::size_t i = 0; i < n; ++i) {
            unsigned char *px = image + 4 * i;
            for (int c = 0; c < 3; ++c)
                px[c] = lut.at[c][px[c]];
            NoiseEx(px, amount);
        }
        return;
    }
    qvfx::RandStream stream(seed);
    const qvfx::GrainTable grain(amount);
    // held[c][k][v] = clamp(lut[c][v] + grain.lowest() + k): the table, the
    // shift and the clamp in one look-up.
    const int lowest = grain.lowest();
    const std::size_t shifts = static_cast<std::size_t>(grain.highest() - lowest + 1);
    std::vector<unsigned char> held(3 * shifts * 256);
    for (int c = 0; c < 3; ++c)
        for (std::size_t k = 0; k < shifts; ++k)
            for (int v = 0; v < 256; ++v)
                held[(c * shifts + k) * 256 + v] = qvfx::clampByte(lut.at[c][v] + lowest + static_cast<int>(k));
    const unsigned char *heldB = held.data(), *heldG = heldB + shifts * 256, *heldR = heldG + shifts * 256;
    constexpr std::size_t kPixels = 512;
    int draws[3 * kPixels];
    for (std::size_t start = 0; start < n; start += kPixels) {
        const std::size_t m = n - start < kPixels ? n - start : kPixels;
        stream.fill(draws, 3 * m);
        unsigned char *px = image + 4 * start;
        const int *d = draws;
        for (std::size_t j = 0; j < m; ++j, px += 4, d += 3) {
            px[0] = heldB[static_cast<std::size_t>(grain(d[0]) - lowest) * 256 + px[0]];
            px[1] = heldG[static_cast<std::size_t>(grain(d[1]) - lowest) * 256 + px[1]];
            px[2] = heldR[static_cast<std::size_t>(grain(d[2]) - lowest) * 256 + px[2]];
        }
    }
}

// StyleRetro's pixels with rand() seeded by seed: per pixel the Retro tables
// (R, G, B), then NoiseExNew(pixel, 20).
inline void StyleRetroSeeded(unsigned char *image, int width, int height, unsigned seed)
{
    TonedGrain(image, PixelCount(width, height), LutOf(GetToneTables(ToneLook::Retro)), 20, seed);
}

// StyleLiuJin's steps after its saturation, with rand() seeded by seed: per
// pixel ShiftRGBEx(pixel, R +40, G +25, B +0), then NoiseEx(pixel, 20).
inline void LiuJinGrain(unsigned char *image, std::size_t n, unsigned seed)
{
    if (n == 0)
        return;
    const ChannelLut shift = TabulatePixelStep([](unsigned char *px) { ShiftRGBEx(px, 40, 25, 0); });
    TonedGrain(image, n, shift, 20, seed);
}

// The whole of StyleLiuJin with rand() seeded by seed: Saturateconst(-100, 1), then LiuJinGrain.
inline void StyleLiuJinSeeded(unsigned char *image, int width, int height, unsigned seed)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    Saturateconst(image, width, height, -100, 1);
    LiuJinGrain(image, n, seed);
}

}  // namespace styles
