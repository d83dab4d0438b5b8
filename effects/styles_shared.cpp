// The per-channel table pass and the whole-pixel colour blends of the looks
// (styles_shared.h).
#include "styles_shared.h"

#include "blendmodes.h"
#include "bytemath.h"
#include "colorkernels.h"
#include "colorspace.h"

#include <immintrin.h>

#include <cstdlib>

namespace styles {

namespace {

// One pixel at a time: each of B, G, R looked up from its own value.
void ApplyLutPlain(unsigned char *image, std::size_t n, const ChannelLut &t)
{
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        std::uint32_t p;
        std::memcpy(&p, px, 4);
        p = (p & 0xff000000u) | (static_cast<std::uint32_t>(t.at[2][(p >> 16) & 255]) << 16) |
            (static_cast<std::uint32_t>(t.at[1][(p >> 8) & 255]) << 8) | t.at[0][p & 255];
        std::memcpy(px, &p, 4);
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Sixteen pixels (64 bytes) at a time: each 256-entry table sits in four
// 64-byte registers; two two-register byte permutes look up the low and the
// high half (by the low seven bits of every byte), bit 7 picks between them,
// and the result of table c is kept in the bytes of channel c only.
// Identical to ApplyLutPlain byte for byte.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void ApplyLutVbmi(unsigned char *image, std::size_t n,
                                                                          const ChannelLut &t)
{
    __m512i tab[3][4];
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 4; ++k)
            tab[c][k] = _mm512_loadu_si512(t.at[c] + 64 * k);
    const __mmask64 channel[3] = {0x1111111111111111ull, 0x2222222222222222ull, 0x4444444444444444ull};
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        unsigned char *p = image + 4 * i;
        const __m512i x = _mm512_loadu_si512(p);
        const __mmask64 high = _mm512_movepi8_mask(x);  // values 128..255
        __m512i r = x;                                   // byte 3 stays
        for (int c = 0; c < 3; ++c) {
            const __m512i lo = _mm512_permutex2var_epi8(tab[c][0], x, tab[c][1]);
            const __m512i hi = _mm512_permutex2var_epi8(tab[c][2], x, tab[c][3]);
            r = _mm512_mask_mov_epi8(r, channel[c], _mm512_mask_blend_epi8(high, lo, hi));
        }
        _mm512_storeu_si512(p, r);
    }
    ApplyLutPlain(image + 4 * i, n - i, t);
}

bool HasVbmi()
{
    static const bool has = [] {
        __builtin_cpu_init();  // safe even when first reached from a static initialiser
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi");
    }();
    return has;
}
#endif

}  // namespace

bool HasAvx2()
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2");
    }();
    return has;
#else
    return false;
#endif
}

int VectorLevel()
{
    int level = 0;
#ifdef QVFX_HAVE_COLOR_KERNELS
    level = qvfx::ck::CpuHasAvx512() ? 2 : (qvfx::ck::CpuHasAvx2() ? 1 : 0);
#else
    level = HasAvx2() ? 1 : 0;
#endif
    const char *cap = std::getenv("QTQVEFFECT_SIMD");
    if (cap && std::strcmp(cap, "off") == 0)
        return 0;
    if (cap && std::strcmp(cap, "avx2") == 0)
        return level < 1 ? level : 1;
    return level;
}

void ApplyLut(unsigned char *image, std::size_t n, const ChannelLut &t)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (HasVbmi()) {
        ApplyLutVbmi(image, n, t);
        return;
    }
#endif
    ApplyLutPlain(image, n, t);
}

void ColorHsbPass(unsigned char *image, const unsigned char *layer, std::size_t n, double opacity)
{
    std::size_t done = 0;
#ifdef QVFX_HAVE_COLOR_KERNELS
    const int level = VectorLevel();
    if (level == 2) {
        qvfx::ck::ColorHsbAvx512(image, layer, n / 16, opacity);
        done = n / 16 * 16;
    } else if (level == 1) {
        qvfx::ck::ColorHsbAvx2(image, layer, n / 8, opacity);
        done = n / 8 * 8;
    }
#endif
    for (std::size_t i = done; i < n; ++i)
        ColorHSBEx(image + 4 * i, const_cast<unsigned char *>(layer + 4 * i), opacity);
}

void ColorExConstant(unsigned char *image, std::size_t n, const unsigned char *colour, double opacity,
                     const ChannelLut &after)
{
    if (n == 0)
        return;
    // ColorEx: (h2, s2) of the colour, the base's lightness l1, HSLtoRGB2(h2, s2, l1),
    // then mix(v) = int(v o + a (1 - o)) per channel (the base's hue and
    // saturation are not used).
    unsigned char h2, s2, l2;
    RGBtoHSL2(colour[2], colour[1], colour[0], h2, s2, l2);
    std::unique_ptr<unsigned char[]> table(new unsigned char[3 * 256 * 256]);  // [channel][l1][a]
    for (int l = 0; l < 256; ++l) {
        unsigned char rgb[3];  // R, G, B
        HSLtoRGB2(h2, s2, static_cast<unsigned char>(l), rgb[0], rgb[1], rgb[2]);
        for (int c = 0; c < 3; ++c) {
            const double v = rgb[2 - c];
            unsigned char *row = table.get() + (c * 256 + l) * 256;
            for (int a = 0; a < 256; ++a)
                row[a] = after.at[c][qvfx::truncByte(v * opacity + a * (1 - opacity))];
        }
    }
    const unsigned char *tb = table.get(), *tg = tb + 65536, *tr = tg + 65536;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        std::uint32_t p;
        std::memcpy(&p, px, 4);
        const unsigned b = p & 255, g = (p >> 8) & 255, r = (p >> 16) & 255;
        const unsigned mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
        const unsigned mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
        const unsigned row = ((mx + mn + 1) >> 1) << 8;
        p = (p & 0xff000000u) | (std::uint32_t(tr[row | r]) << 16) | (std::uint32_t(tg[row | g]) << 8) | tb[row | b];
        std::memcpy(px, &p, 4);
    }
}

}  // namespace styles
