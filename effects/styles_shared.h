// Small helpers shared by the look recipes (styles_*.cpp); not exported.
//
// Most steps of a look change each of B, G and R from that channel's own
// value alone (a tone table, a curve, a colour balance without luminosity,
// a blend against a constant colour), or from that value and the same
// channel of one layer (every blend of blendmodes.h except ColorEx and
// ColorHSBEx). Such steps are tabulated once per call by running the step
// itself over every value (ChannelLut, 256 entries a channel) or every pair
// of values (PairTable, 256 x 256), and chains of them collapse into one pass
// of look-ups. A table holds exactly the bytes the step would have written,
// so the looks give the same bytes as the step-by-step recipe.
#pragma once

#include "tonetables.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace styles {

// Pixels of a width x height picture; 0 when either size is below 1.
inline std::size_t PixelCount(int width, int height)
{
    if (width < 1 || height < 1)
        return 0;
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// Bytes of a width x height picture of 4-byte pixels (0 when empty).
inline std::size_t PictureBytes(int width, int height) { return PixelCount(width, height) * 4; }

// tables (R, G, B) on one pixel, each channel looked up from its own value.
inline void ApplyTone(unsigned char *px, const ToneTables &t)
{
    px[0] = t.blue[px[0]];
    px[1] = t.green[px[1]];
    px[2] = t.red[px[2]];
}

// --- per-channel tables ----------------------------------------------------------

// at[c][v]: the new value of channel c (0 = B, 1 = G, 2 = R) for old value v.
struct ChannelLut {
    unsigned char at[3][256];
};

inline ChannelLut IdentityLut()
{
    ChannelLut t;
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            t.at[c][v] = static_cast<unsigned char>(v);
    return t;
}

inline ChannelLut LutOf(const ToneTables &tone)
{
    ChannelLut t;
    std::memcpy(t.at[0], tone.blue, 256);
    std::memcpy(t.at[1], tone.green, 256);
    std::memcpy(t.at[2], tone.red, 256);
    return t;
}

// first, then second.
inline ChannelLut Then(const ChannelLut &first, const ChannelLut &second)
{
    ChannelLut t;
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            t.at[c][v] = second.at[c][first.at[c][v]];
    return t;
}

// A per-pixel step that changes each channel from its own value alone, run
// over every value: step(pixel) with the pixel (v, v, v, 0).
template <class Step>
ChannelLut TabulatePixelStep(Step step)
{
    ChannelLut t;
    for (int v = 0; v < 256; ++v) {
        unsigned char px[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v),
                               static_cast<unsigned char>(v), 0};
        step(px);
        for (int c = 0; c < 3; ++c)
            t.at[c][v] = px[c];
    }
    return t;
}

// A whole-picture step that maps each channel through a table of its own
// (Lut, Light, SFCurve::ApplyCurve, CColorBalance without luminosity), run
// once over a 256-pixel ramp: step(ramp, 256, 1).
template <class Step>
ChannelLut TabulatePictureStep(Step step)
{
    unsigned char ramp[256 * 4];
    for (int v = 0; v < 256; ++v) {
        ramp[4 * v] = ramp[4 * v + 1] = ramp[4 * v + 2] = static_cast<unsigned char>(v);
        ramp[4 * v + 3] = 255;
    }
    step(ramp, 256, 1);
    ChannelLut t;
    for (int v = 0; v < 256; ++v)
        for (int c = 0; c < 3; ++c)
            t.at[c][v] = ramp[4 * v + c];
    return t;
}

// The whole picture through the tables; byte 3 is kept. Sixteen pixels at a
// time with byte permutes where simd::vbmi() allows (styles_shared.cpp), one
// pixel at a time otherwise.
void ApplyLut(unsigned char *image, std::size_t n, const ChannelLut &t);

// --- whole-pixel colour blends --------------------------------------------------------

// ColorHSBEx(pixel i of image, pixel i of layer, opacity) for n pixels, several
// at a time where simd::level() allows (colorkernels_hsb.h).
void ColorHsbPass(unsigned char *image, const unsigned char *layer, std::size_t n, double opacity);

// ColorEx(pixel, colour, opacity) for n pixels, then each channel through
// after. With one colour the blend depends only on the pixel's lightness
// (max + min + 1) >> 1 and the channel's own value, so it is tabulated per
// channel over those two bytes.
void ColorExConstant(unsigned char *image, std::size_t n, const unsigned char *colour, double opacity,
                     const ChannelLut &after);

// --- pair tables ---------------------------------------------------------------------

// at[a][b]: the new value of a channel of base value a over layer value b.
// The same for every channel (a blend treats its three channels alike).
struct PairTable {
    unsigned char at[256][256];
};

// A per-pixel blend of the base with one layer pixel, each channel from its own
// base and layer values, run over every pair: blend(base, layer). Each call
// fills three entries, one in each channel.
template <class Blend>
std::unique_ptr<PairTable> TabulatePair(Blend blend)
{
    std::unique_ptr<PairTable> t(new PairTable);
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; b += 3) {
            const unsigned char av = static_cast<unsigned char>(a);
            unsigned char base[4] = {av, av, av, 0};
            unsigned char layer[4] = {static_cast<unsigned char>(b), static_cast<unsigned char>(b + 1 < 256 ? b + 1 : b),
                                      static_cast<unsigned char>(b + 2 < 256 ? b + 2 : b), 0};
            blend(base, layer);
            for (int c = 0; c < 3 && b + c < 256; ++c)
                t->at[a][b + c] = base[c];
        }
    }
    return t;
}

// The same for the blends of blendmodes.h at a fixed opacity.
using Blend = void (*)(unsigned char *, unsigned char *, double);
inline std::unique_ptr<PairTable> TabulateBlend(Blend blend, double opacity)
{
    return TabulatePair([blend, opacity](unsigned char *base, unsigned char *layer) { blend(base, layer, opacity); });
}

// --- blend table files ---------------------------------------------------------------------

// The three 256 x 256 tables of a blend table file: Tk[row][column] is byte
// row * 256 + column of table k.
inline constexpr std::size_t kBlendTableOffsets[3] = {4, 65543, 131082};

struct BlendTables {
    const unsigned char *t[3];
    explicit BlendTables(const unsigned char *file)
        : t{file + kBlendTableOffsets[0], file + kBlendTableOffsets[1], file + kBlendTableOffsets[2]}
    {
    }
    unsigned char at(int k, unsigned row, unsigned column) const { return t[k][row * 256u + column]; }
};

}  // namespace styles
