// The per-channel table pass and the whole-pixel colour blends of the looks
// (styles_shared.h).
#include "styles_shared.h"

#include "blendmodes.h"
#include "bytemath.h"
#include "colorkernels_hsb.h"
#include "colorspace.h"
#include "lutkernels.h"
#include "simd.h"

namespace styles {

void ApplyLut(unsigned char *image, std::size_t n, const ChannelLut &t)
{
    // the tables in LutEx's order: red, green, blue; byte 3 kept
#ifdef QVFX_HAVE_VBMI_KERNELS
    if (qvfx::simd::vbmi()) {
        qvfx::lutExVbmi(image, n, t.at[2], t.at[1], t.at[0], nullptr);
        return;
    }
#endif
    qvfx::lutExBytes(image, n, t.at[2], t.at[1], t.at[0], nullptr);
}

void ColorHsbPass(unsigned char *image, const unsigned char *layer, std::size_t n, double opacity)
{
    std::size_t done = 0;
#ifdef QVFX_HAVE_COLOR_KERNELS
    const int level = qvfx::simd::level();
    if (level == qvfx::simd::kAvx512) {
        qvfx::ck::ColorHsbAvx512(image, layer, n / 16, opacity);
        done = n / 16 * 16;
    } else if (level == qvfx::simd::kAvx2) {
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
