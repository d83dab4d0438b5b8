// Colour balance by tone region (CColorBalance) and three preset balances.
//
// Contents
//   1. Transfer curves   L (light) and M (middle) weights of a level
//   2. Balance tables    one 256-entry table per colour from the three region amounts
//   3. CColorBalance     tables, optionally keeping each pixel's lightness
//   4. Presets           fixed tables of three balances the looks use
#include "colorbalance.h"

#include "colorspace.h"

#include <algorithm>
#include <cstddef>

namespace {

// --- 1. Transfer curves -----------------------------------------------------------------------

struct Transfer {
    double light[256];   // L(i) = 1.075 - 1 / (i * .0625 + 1)
    double middle[256];  // M(i) = .667 (1 - ((i - 127) / 127)^2)
};

// Built once, in single precision as the curves are defined, stored as double.
const Transfer &TransferCurves()
{
    static const Transfer curves = [] {
        Transfer t;
        for (int i = 0; i < 256; ++i) {
            t.light[i] = 1.075f - 1.0f / (static_cast<float>(i) * 0.0625f + 1.0f);
            const float d = static_cast<float>(i - 127) / 127.0f;
            t.middle[i] = 0.667f * (1.0f - d * d);
        }
        return t;
    }();
    return curves;
}

// --- 2. Balance tables ------------------------------------------------------------------------

inline int ClampLevel(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// One colour's table from its shadows, midtones and highlights amounts, applied
// in that order, each reading its transfer curve at the current level:
// shadows M (amount > 0) or L(255 - v); midtones M; highlights L(v) (amount > 0) or M.
void MakeBalanceTable(int shadows, int midtones, int highlights, unsigned char *table)
{
    const Transfer &t = TransferCurves();
    for (int i = 0; i < 256; ++i) {
        int v = i;
        v = ClampLevel(v + static_cast<int>(shadows * (shadows > 0 ? t.middle[v] : t.light[255 - v])));
        v = ClampLevel(v + static_cast<int>(midtones * t.middle[v]));
        v = ClampLevel(v + static_cast<int>(highlights * (highlights > 0 ? t.light[v] : t.middle[v])));
        table[i] = static_cast<unsigned char>(v);
    }
}

inline int MaxPlusMin(const unsigned char *px)
{
    const int mx = std::max({px[0], px[1], px[2]});
    const int mn = std::min({px[0], px[1], px[2]});
    return mx + mn;
}

// R, G, B through their tables; without preserve the looked-up bytes are stored,
// with preserve keep(px, r, g, b) writes the pixel from them and the bytes as they were.
template <typename Keep>
void ApplyBalance(bool preserve, const unsigned char *red, const unsigned char *green,
                  const unsigned char *blue, unsigned char *image, std::size_t count, Keep keep)
{
    for (std::size_t i = 0; i < count; ++i) {
        unsigned char *px = image + 4 * i;
        const unsigned char r = red[px[2]], g = green[px[1]], b = blue[px[0]];
        if (!preserve) {
            px[0] = b;
            px[1] = g;
            px[2] = r;
            continue;
        }
        keep(px, r, g, b);
    }
}

// With preserve, the new colour keeps the integer HLS lightness
// int((max + min) * 255 * .0019647) of the pixel as it was.
void ApplyIntegerBalance(bool preserve, const unsigned char *red, const unsigned char *green,
                         const unsigned char *blue, unsigned char *image, std::size_t count)
{
    ApplyBalance(preserve, red, green, blue, image, count,
                 [](unsigned char *px, unsigned char r, unsigned char g, unsigned char b) {
                     int h, l, s;
                     RGBtoIntHLS(r, g, b, h, l, s);
                     l = static_cast<int>(MaxPlusMin(px) * 255 * 0.0019647);
                     unsigned char r2, g2, b2;
                     intHLStoRGB(h, l, s, r2, g2, b2);
                     px[0] = b2;
                     px[1] = g2;
                     px[2] = r2;
                 });
}

// The presets' form: with preserve, the double HLS pair with l = (max + min) * .0019647
// of the pixel as it was; red, green, blue come from bits 16-23, 8-15, 0-7 of the result.
void ApplyPresetBalance(bool preserve, const unsigned char *red, const unsigned char *green,
                        const unsigned char *blue, unsigned char *image, std::size_t count)
{
    ApplyBalance(preserve, red, green, blue, image, count,
                 [](unsigned char *px, unsigned char r, unsigned char g, unsigned char b) {
                     double h, l, s;
                     RGBtoHLS(r, g, b, h, l, s);
                     l = MaxPlusMin(px) * 0.0019647;
                     const unsigned int packed = HLStoRGB(h, l, s);
                     px[0] = static_cast<unsigned char>(packed & 0xff);
                     px[1] = static_cast<unsigned char>((packed >> 8) & 0xff);
                     px[2] = static_cast<unsigned char>((packed >> 16) & 0xff);
                 });
}

std::size_t PixelCount(int outer, int inner)
{
    return outer > 0 && inner > 0 ? static_cast<std::size_t>(outer) * static_cast<std::size_t>(inner) : 0;
}

// --- 4. Presets (tables) ----------------------------------------------------------------------
//
// The tables CColorBalance builds for shadows (13, 0, 21), midtones (2, 0, 8)
// and highlights (0, 0, -13); the tests rebuild them with CColorBalance.

// red of the shadows balance (13, 0, 21)
constexpr unsigned char kShadowsRed[256] = {
      0,   1,   2,   3,   4,   5,   6,   7,   9,  10,  11,  12,  13,  14,  15,  16,
     18,  19,  20,  21,  22,  23,  24,  25,  26,  28,  29,  30,  31,  32,  33,  34,
     35,  36,  38,  39,  40,  41,  42,  43,  44,  45,  46,  47,  48,  50,  51,  52,
     53,  54,  55,  56,  57,  58,  59,  60,  61,  63,  64,  65,  66,  67,  68,  69,
     70,  71,  72,  73,  74,  75,  76,  77,  79,  80,  81,  82,  83,  84,  85,  86,
     87,  88,  89,  90,  91,  92,  93,  94,  95,  96,  97,  98, 100, 101, 102, 103,
    104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119,
    120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135,
    136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151,
    152, 153, 154, 155, 156, 157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 167,
    168, 169, 170, 170, 171, 172, 173, 174, 175, 176, 177, 178, 179, 180, 181, 182,
    183, 184, 185, 186, 187, 188, 189, 189, 190, 191, 192, 193, 194, 195, 196, 197,
    198, 199, 200, 201, 202, 203, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212,
    213, 214, 214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 224, 224, 225, 226,
    227, 228, 229, 230, 231, 232, 232, 233, 234, 235, 236, 237, 238, 239, 240, 240,
    241, 242, 243, 244, 245, 246, 247, 247, 248, 249, 250, 251, 252, 253, 254, 255,
};

// blue of the shadows balance (13, 0, 21)
constexpr unsigned char kShadowsBlue[256] = {
      0,   1,   2,   3,   4,   6,   7,   8,   9,  10,  12,  13,  14,  15,  16,  18,
     19,  20,  21,  22,  24,  25,  26,  27,  28,  29,  31,  32,  33,  34,  35,  37,
     38,  39,  40,  41,  42,  43,  45,  46,  47,  48,  49,  50,  52,  53,  54,  55,
     56,  57,  58,  59,  61,  62,  63,  64,  65,  66,  67,  68,  70,  71,  72,  73,
     74,  75,  76,  77,  78,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  91,
     92,  93,  94,  95,  96,  97,  98,  99, 100, 101, 102, 103, 104, 106, 107, 108,
    109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124,
    125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 136, 137, 139, 140, 141,
    142, 143, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156,
    157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172,
    173, 174, 174, 175, 176, 177, 178, 179, 180, 181, 182, 183, 184, 185, 186, 187,
    187, 188, 189, 190, 191, 192, 193, 194, 195, 196, 196, 197, 198, 199, 200, 201,
    202, 203, 204, 204, 205, 206, 207, 208, 209, 210, 211, 211, 212, 213, 214, 215,
    216, 217, 218, 218, 219, 220, 221, 222, 223, 223, 224, 225, 226, 227, 228, 229,
    229, 230, 231, 232, 233, 233, 234, 235, 236, 237, 238, 238, 239, 240, 241, 242,
    242, 243, 244, 245, 246, 246, 247, 248, 249, 250, 250, 251, 252, 253, 254, 255,
};

// red of the midtones balance (2, 0, 8)
constexpr unsigned char kMidtonesRed[256] = {
      0,   1,   2,   3,   4,   5,   6,   7,   8,   9,  10,  11,  12,  13,  14,  15,
     16,  17,  18,  19,  20,  21,  22,  23,  24,  25,  26,  27,  28,  29,  30,  31,
     32,  33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  45,  46,  47,
     48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,  62,  63,
     65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,
     81,  82,  83,  84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  96,
     97,  98,  99, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112,
    113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128,
    129, 130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144,
    145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 158, 159, 160,
    161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174, 175, 176,
    177, 178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 191,
    192, 193, 194, 195, 196, 197, 198, 199, 200, 201, 202, 203, 204, 205, 206, 207,
    208, 209, 210, 211, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 222, 223,
    224, 225, 226, 227, 228, 229, 230, 231, 232, 233, 234, 235, 236, 237, 238, 239,
    240, 241, 242, 243, 244, 245, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255,
};

// blue of the midtones balance (2, 0, 8)
constexpr unsigned char kMidtonesBlue[256] = {
      0,   1,   2,   3,   4,   5,   6,   7,   8,   9,  10,  11,  12,  14,  15,  16,
     17,  18,  19,  20,  21,  22,  23,  24,  25,  26,  27,  29,  30,  31,  32,  33,
     34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  46,  47,  48,  49,  50,
     51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,  62,  63,  64,  65,  66,
     68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,  81,  82,  83,
     84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  96,  97,  98,  99,
    101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116,
    117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132,
    133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148,
    149, 150, 151, 152, 153, 154, 155, 156, 157, 158, 159, 160, 161, 162, 163, 163,
    164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174, 175, 176, 177, 178, 179,
    180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 192, 193, 194, 194,
    195, 196, 197, 198, 199, 200, 201, 202, 203, 204, 205, 206, 207, 208, 209, 210,
    211, 212, 213, 214, 214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 224, 225,
    226, 227, 228, 229, 229, 230, 231, 232, 233, 234, 235, 236, 237, 238, 239, 240,
    241, 242, 242, 243, 244, 245, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255,
};

// blue of the highlights balance (0, 0, -13)
constexpr unsigned char kHighlightsBlue[256] = {
      0,   1,   2,   3,   4,   5,   6,   7,   7,   8,   9,  10,  11,  12,  13,  14,
     14,  15,  16,  17,  18,  19,  20,  21,  22,  22,  23,  24,  25,  26,  27,  28,
     29,  30,  30,  31,  32,  33,  34,  35,  36,  37,  38,  39,  40,  40,  41,  42,
     43,  44,  45,  46,  47,  48,  49,  50,  51,  51,  52,  53,  54,  55,  56,  57,
     58,  59,  60,  61,  62,  63,  64,  65,  65,  66,  67,  68,  69,  70,  71,  72,
     73,  74,  75,  76,  77,  78,  79,  80,  81,  82,  83,  84,  84,  85,  86,  87,
     88,  89,  90,  91,  92,  93,  94,  95,  96,  97,  98,  99, 100, 101, 102, 103,
    104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119,
    120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135,
    136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151,
    152, 153, 154, 156, 157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 167, 168,
    169, 170, 171, 172, 173, 174, 175, 177, 178, 179, 180, 181, 182, 183, 184, 185,
    186, 187, 188, 189, 190, 191, 193, 194, 195, 196, 197, 198, 199, 200, 201, 202,
    203, 204, 206, 207, 208, 209, 210, 211, 212, 213, 214, 215, 216, 218, 219, 220,
    221, 222, 223, 224, 225, 226, 228, 229, 230, 231, 232, 233, 234, 235, 236, 238,
    239, 240, 241, 242, 243, 244, 245, 247, 248, 249, 250, 251, 252, 253, 254, 255,
};

const unsigned char *IdentityTable()
{
    static const struct Identity {
        unsigned char t[256];
        Identity()
        {
            for (int i = 0; i < 256; ++i)
                t[i] = static_cast<unsigned char>(i);
        }
    } identity;
    return identity.t;
}

}  // namespace

// --- 3. CColorBalance -------------------------------------------------------------------------

void CColorBalance(bool preserveLuminosity, int region, int cyanRed, int magentaGreen, int yellowBlue,
                   unsigned char *image, int outer, int inner)
{
    const std::size_t count = PixelCount(outer, inner);
    if (!image || count == 0)
        return;
    // Amounts by region (shadows, midtones, highlights); only the given region moves.
    int cr[3] = {0, 0, 0}, mg[3] = {0, 0, 0}, yb[3] = {0, 0, 0};
    if (region >= TONE_SHADOWS && region <= TONE_HIGHLIGHTS) {
        cr[region] = cyanRed;
        mg[region] = magentaGreen;
        yb[region] = yellowBlue;
    }
    unsigned char red[256], green[256], blue[256];
    MakeBalanceTable(cr[0], cr[1], cr[2], red);
    MakeBalanceTable(mg[0], mg[1], mg[2], green);
    MakeBalanceTable(yb[0], yb[1], yb[2], blue);
    ApplyIntegerBalance(preserveLuminosity, red, green, blue, image, count);
}

// --- 4. Presets -------------------------------------------------------------------------------

void CColorBalance_0_13_0_21(bool preserveLuminosity, int, int, int, int, unsigned char *image, int outer,
                             int inner)
{
    const std::size_t count = PixelCount(outer, inner);
    if (image && count)
        ApplyPresetBalance(preserveLuminosity, kShadowsRed, IdentityTable(), kShadowsBlue, image, count);
}

void CColorBalance_1_2_0_8(bool preserveLuminosity, int, int, int, int, unsigned char *image, int outer, int inner)
{
    const std::size_t count = PixelCount(outer, inner);
    if (image && count)
        ApplyPresetBalance(preserveLuminosity, kMidtonesRed, IdentityTable(), kMidtonesBlue, image, count);
}

void CColorBalance_2_0_0_s13(bool preserveLuminosity, int, int, int, int, unsigned char *image, int outer,
                             int inner)
{
    const std::size_t count = PixelCount(outer, inner);
    if (image && count)
        ApplyPresetBalance(preserveLuminosity, IdentityTable(), IdentityTable(), kHighlightsBlue, image, count);
}
