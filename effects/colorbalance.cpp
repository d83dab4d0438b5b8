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
// and highlights (0, 0, -13), built once; the green tables, and the red one
// of the highlights, are the identity.

struct PresetTables {
    unsigned char shadowsRed[256], shadowsBlue[256];
    unsigned char midtonesRed[256], midtonesBlue[256];
    unsigned char highlightsBlue[256];
};

const PresetTables &Presets()
{
    static const PresetTables t = [] {
        PresetTables p;
        MakeBalanceTable(13, 0, 0, p.shadowsRed);
        MakeBalanceTable(21, 0, 0, p.shadowsBlue);
        MakeBalanceTable(0, 2, 0, p.midtonesRed);
        MakeBalanceTable(0, 8, 0, p.midtonesBlue);
        MakeBalanceTable(0, 0, -13, p.highlightsBlue);
        return p;
    }();
    return t;
}

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
    // With preserve, the new colour keeps the integer HLS lightness
    // int((max + min) * 255 * .0019647) of the pixel as it was.
    ApplyBalance(preserveLuminosity, red, green, blue, image, count,
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

// --- 4. Presets -------------------------------------------------------------------------------

void CColorBalance_0_13_0_21(bool preserveLuminosity, int, int, int, int, unsigned char *image, int outer,
                             int inner)
{
    const std::size_t count = PixelCount(outer, inner);
    if (image && count)
        ApplyPresetBalance(preserveLuminosity, Presets().shadowsRed, IdentityTable(), Presets().shadowsBlue, image,
                           count);
}

void CColorBalance_1_2_0_8(bool preserveLuminosity, int, int, int, int, unsigned char *image, int outer, int inner)
{
    const std::size_t count = PixelCount(outer, inner);
    if (image && count)
        ApplyPresetBalance(preserveLuminosity, Presets().midtonesRed, IdentityTable(), Presets().midtonesBlue, image,
                           count);
}

void CColorBalance_2_0_0_s13(bool preserveLuminosity, int, int, int, int, unsigned char *image, int outer,
                             int inner)
{
    const std::size_t count = PixelCount(outer, inner);
    if (image && count)
        ApplyPresetBalance(preserveLuminosity, IdentityTable(), IdentityTable(), Presets().highlightsBlue, image,
                           count);
}
