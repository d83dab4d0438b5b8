// Mixes driven by a mask's bytes, several pixels at a time (internal; lanes
// in colorkernels_lanes.h):
//   TiltMixBlock           the tilt look's last step: toned and blurred mixed
//                          by one mask, then darkened by another
//   SoftLightByAlphaBlock  SoftLightEx with the layer's byte 3 (scaled) as opacity
#pragma once

#include "colorkernels_lanes.h"

#ifdef QVFX_HAVE_COLOR_KERNELS

#pragma GCC push_options
#pragma GCC optimize("fp-contract=off")

namespace qvfx::ck {

// With a = float(band) / 255 and b = float(shade) / 255 per pixel, each of
// B, G, R: m = int(toned * a + image * (1 - a)), image = low 8 bits of int(m * b).
template <int N>
QVFX_LANES void TiltMixBlock(unsigned char *image, const unsigned char *toned, const unsigned char *band,
                             const unsigned char *shade)
{
    using I = typename Lanes<N>::I;
    using F = typename Lanes<N>::F;
    using B = typename Lanes<N>::B;
    const I px = Load<I>(image), tp = Load<I>(toned);
    const F a = ToFloat<I, F>(__builtin_convertvector(Load<B>(band), I)) / 255.0f;
    const F b = ToFloat<I, F>(__builtin_convertvector(Load<B>(shade), I)) / 255.0f;
    const F keep = 1.0f - a;
    I out[3];
    for (int c = 0; c < 3; ++c) {
        const F t = ToFloat<I, F>((tp >> (8 * c)) & 255), v = ToFloat<I, F>((px >> (8 * c)) & 255);
        const I mixed = Trunc<I>(t * a + v * keep);
        out[c] = Trunc<I>(ToFloat<I, F>(mixed) * b) & 255;
    }
    Store(image, Pack(px, out[2], out[1], out[0]));
}

// SoftLightEx(base, layer, o) with o = float(layer byte 3) * scale / 255 in
// single precision, a pixel at a time as StyleReverse calls it:
// m = (a b) >> 8, s = 255 - (((255 - a)(255 - b)) >> 8), r = m + ((a (s - m)) >> 8), mix(r).
template <int N>
QVFX_LANES void SoftLightByAlphaBlock(unsigned char *base, const unsigned char *layer, float scale)
{
    using I = typename Lanes<N>::I;
    using F = typename Lanes<N>::F;
    const I bp = Load<I>(base), lp = Load<I>(layer);
    const F o = ToFloat<I, F>((lp >> 24) & 255) * scale / 255.0f;
    I out[3];
    for (int c = 0; c < 3; ++c) {
        const I a = (bp >> (8 * c)) & 255, b = (lp >> (8 * c)) & 255;
        const I m = (a * b) >> 8;
        const I sc = 255 - (((255 - a) * (255 - b)) >> 8);
        const I r = m + ((a * (sc - m)) >> 8);
        out[c] = MixDLanes<I, F, N>(r, a, o);
    }
    Store(base, Pack(bp, out[2], out[1], out[0]));
}

// whole blocks only; the caller finishes the last pixels

QVFX_AVX512 inline void TiltMixAvx512(
    unsigned char *image, const unsigned char *toned, const unsigned char *band, const unsigned char *shade,
    std::size_t blocks)
{
    for (std::size_t i = 0; i < blocks; ++i, image += 64, toned += 64, band += 16, shade += 16)
        TiltMixBlock<16>(image, toned, band, shade);
}

QVFX_AVX2 inline void TiltMixAvx2(unsigned char *image, const unsigned char *toned,
                                                        const unsigned char *band, const unsigned char *shade,
                                                        std::size_t blocks)
{
    for (std::size_t i = 0; i < blocks; ++i, image += 32, toned += 32, band += 8, shade += 8)
        TiltMixBlock<8>(image, toned, band, shade);
}

QVFX_AVX512 inline void SoftLightByAlphaAvx512(
    unsigned char *base, const unsigned char *layer, std::size_t blocks, float scale)
{
    for (std::size_t i = 0; i < blocks; ++i, base += 64, layer += 64)
        SoftLightByAlphaBlock<16>(base, layer, scale);
}

QVFX_AVX2 inline void SoftLightByAlphaAvx2(unsigned char *base, const unsigned char *layer,
                                                                 std::size_t blocks, float scale)
{
    for (std::size_t i = 0; i < blocks; ++i, base += 32, layer += 32)
        SoftLightByAlphaBlock<8>(base, layer, scale);
}

}  // namespace qvfx::ck

#pragma GCC pop_options

#endif  // QVFX_HAVE_COLOR_KERNELS
