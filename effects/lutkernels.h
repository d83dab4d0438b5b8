// Table-pass kernels behind Lut, LutEx and the looks' per-channel tables
// (internal, not exported; the tests include this header to hold every kernel
// against the plain pass).
//
// Both kernels give the same bytes. Pixels are 4 bytes (B, G, R, A):
//   lutBytes / lutExBytes   the plain pass, a pixel at a time
//   lutVbmi / lutExVbmi     64 bytes at a time with the byte-permute
//                           instructions of AVX-512 VBMI (when simd::vbmi())
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define QVFX_HAVE_VBMI_KERNELS 1
#endif

namespace qvfx {

// --- plain --------------------------------------------------------------------

inline void lutBytes(unsigned char *p, std::size_t pixels, const unsigned char *table)
{
    for (std::size_t i = 0; i < pixels; ++i, p += 4) {
        p[0] = table[p[0]];
        p[1] = table[p[1]];
        p[2] = table[p[2]];
    }
}

// Each pixel read and written as one word: B, G, R (and A unless alpha is
// nullptr, which keeps byte 3) through their tables.
inline void lutExBytes(unsigned char *p, std::size_t pixels, const unsigned char *red, const unsigned char *green,
                       const unsigned char *blue, const unsigned char *alpha)
{
    static_assert(std::endian::native == std::endian::little, "pixel words are read little-endian");
    for (std::size_t i = 0; i < pixels; ++i, p += 4) {
        std::uint32_t q;
        std::memcpy(&q, p, 4);
        const std::uint32_t a = alpha ? std::uint32_t(alpha[q >> 24]) << 24 : q & 0xff000000u;
        q = a | (std::uint32_t(red[(q >> 16) & 255]) << 16) | (std::uint32_t(green[(q >> 8) & 255]) << 8) |
            blue[q & 255];
        std::memcpy(p, &q, 4);
    }
}

// --- AVX-512 VBMI ---------------------------------------------------------------------

#ifdef QVFX_HAVE_VBMI_KERNELS

#define QVFX_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// A 256-entry table in four registers: two 128-entry permutes, chosen by bit 7.
struct VbmiTable {
    __m512i t0, t1, t2, t3;
};

QVFX_VBMI inline VbmiTable vbmiLoad(const unsigned char *table)
{
    return {_mm512_loadu_si512(table), _mm512_loadu_si512(table + 64), _mm512_loadu_si512(table + 128),
            _mm512_loadu_si512(table + 192)};
}

QVFX_VBMI inline __m512i vbmiLookup(const VbmiTable &t, __m512i idx)
{
    const __m512i low = _mm512_permutex2var_epi8(t.t0, idx, t.t1);   // entries 0..127
    const __m512i high = _mm512_permutex2var_epi8(t.t2, idx, t.t3);  // entries 128..255
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(idx), low, high);
}

// byte k of every pixel: bit k of each nibble of the 64-bit lane mask
constexpr std::uint64_t kByte0 = 0x1111111111111111ull;
constexpr std::uint64_t kByte1 = 0x2222222222222222ull;
constexpr std::uint64_t kByte2 = 0x4444444444444444ull;
constexpr std::uint64_t kByte3 = 0x8888888888888888ull;

QVFX_VBMI inline void lutVbmi(unsigned char *p, std::size_t pixels, const unsigned char *table)
{
    const VbmiTable t = vbmiLoad(table);
    std::size_t bytes = pixels * 4;
    for (; bytes >= 64; bytes -= 64, p += 64) {
        const __m512i in = _mm512_loadu_si512(p);
        _mm512_storeu_si512(p, _mm512_mask_blend_epi8(kByte3, vbmiLookup(t, in), in));
    }
    if (bytes) {  // the last few pixels, through masked loads and stores
        const __mmask64 m = (std::uint64_t(1) << bytes) - 1;
        const __m512i in = _mm512_maskz_loadu_epi8(m, p);
        _mm512_mask_storeu_epi8(p, m, _mm512_mask_blend_epi8(kByte3, vbmiLookup(t, in), in));
    }
}

QVFX_VBMI inline __m512i vbmiLutEx(const VbmiTable &r, const VbmiTable &g, const VbmiTable &b, const VbmiTable *a,
                                   __m512i in)
{
    __m512i out = _mm512_mask_blend_epi8(kByte0, in, vbmiLookup(b, in));
    out = _mm512_mask_blend_epi8(kByte1, out, vbmiLookup(g, in));
    out = _mm512_mask_blend_epi8(kByte2, out, vbmiLookup(r, in));
    if (a)
        out = _mm512_mask_blend_epi8(kByte3, out, vbmiLookup(*a, in));
    return out;
}

QVFX_VBMI inline void lutExVbmi(unsigned char *p, std::size_t pixels, const unsigned char *red,
                                const unsigned char *green, const unsigned char *blue, const unsigned char *alpha)
{
    const VbmiTable r = vbmiLoad(red), g = vbmiLoad(green), b = vbmiLoad(blue);
    VbmiTable a{};
    const VbmiTable *pa = nullptr;
    if (alpha) {
        a = vbmiLoad(alpha);
        pa = &a;
    }
    std::size_t bytes = pixels * 4;
    for (; bytes >= 64; bytes -= 64, p += 64)
        _mm512_storeu_si512(p, vbmiLutEx(r, g, b, pa, _mm512_loadu_si512(p)));
    if (bytes) {
        const __mmask64 m = (std::uint64_t(1) << bytes) - 1;
        _mm512_mask_storeu_epi8(p, m, vbmiLutEx(r, g, b, pa, _mm512_maskz_loadu_epi8(m, p)));
    }
}

#undef QVFX_VBMI

#endif

}  // namespace qvfx
