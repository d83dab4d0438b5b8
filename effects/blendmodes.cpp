// Blend operations.
//
// Contents
//   1. channel rules:       one small function per blend, (base value, layer value, opacity) -> value
//   2. normal / multiply / screen:   NormalEx, ImageNormalEx, MultipleEx, ScreenEx, ImageScreenEx
//   3. soft light:          SoftLightEx, SoftLightEx2, ImageSoftLightEx, ImageSoftLightExNew,
//                           CompositeColorEx
//   4. hard light, overlay: HardlightEx, HardlightEx_2, OverlayEx (layer and colour forms)
//   5. exclusion:           ExclusionEx, ImageExclusionEx, ImageExclusionEx2
//   6. burn and friends:    ColorBurnEx, ImageColorBurnEx, ImageDarkenEx, ImageLightenEx, ImageAddEx
//   7. pin light:           PinLightEx, PinLightEx8, PinLightEx2
//   8. colour:              ColorEx, ColorHSBEx, ShiftRGBEx
//
// Each blend reads and writes bytes 0..2 of the base and never byte 3. Results
// marked "wrap" keep their low 8 bits; every other result is clamped to 0..255
// (which changes nothing while the opacity lies in 0..1). Mixing is in double,
// except the pin-light family, which mixes in single precision.

#include "blendmodes.h"

#include "bytemath.h"
#include "colorspace.h"

using qvfx::clampByte;
using qvfx::truncByte;
using qvfx::truncInt;
using qvfx::truncLow8;

namespace {

// ---------------------------------------------------------------------------
// 1. channel rules

// mix(v) = int(v o + a (1 - o)), clamped
inline unsigned char mix(double v, int a, double o)
{
    return truncByte(v * o + a * (1 - o));
}

// e = int(b o) & 255: the layer scaled by the opacity
inline int scaled(int b, double o)
{
    return truncLow8(b * o);
}

inline int low8(int v)
{
    return v & 255;
}

inline int screenRule(int a, int b, double o)
{
    const int s = a + b - ((a * b) >> 8);
    if (o < 1) {
        const unsigned char v = truncByte(s * o + a * (1 - o));
        return v;  // truncByte already holds it below 256
    }
    return s > 255 ? 255 : s;
}

// the soft-light value of base a over layer b, before any mixing
inline int softLightRule(int a, int b)
{
    const int m = (a * b) >> 8;
    const int s = 255 - (((255 - a) * (255 - b)) >> 8);
    return m + ((a * (s - m)) >> 8);
}

inline int overlayRule(int a, int b)
{
    if (a < 128) {
        const int ab2 = 2 * a * b;
        return ab2 >= 65025 ? 255 : ab2 / 255;
    }
    const int w = 2 * (255 - b) * (255 - a);
    if (w >= 65280)
        return 0;
    if (w < 255)
        return 255;
    return 255 - w / 255;
}

inline int hardScreenRule(int a, int b)
{
    const int h = 255 - ((2 * (255 - b) * (255 - a)) >> 8);
    return h > 255 ? 255 : h;
}

inline int exclusionRule(int a, int e)
{
    return low8(a + e - ((a * e) >> 7));
}

// color-burn value for a non-zero layer b
inline int burnRule(int a, int b)
{
    const int q = (255 * a - 65025) / b;
    if (q < -255)
        return 0;
    if (q < 0)
        return q + 255;
    return 255;
}

// pin light: 1 when the value changed by rule (v set), 0 when the base stays
inline bool pinLightRule(int a, int b, int &v)
{
    const int d = 2 * b;
    if (a < d - 255) {
        v = d - 255;
        return true;
    }
    if (a > d) {
        v = d;
        return true;
    }
    v = a;
    return false;
}

inline unsigned char pinLightMixed(int a, int b, float o)
{
    int v;
    if (!pinLightRule(a, b, v))
        return static_cast<unsigned char>(a);
    return truncByte(v * o + a * (1 - o));
}

}  // namespace

// ---------------------------------------------------------------------------
// 2. normal / multiply / screen

void NormalEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c)
        base[c] = mix(layer[c], base[c], opacity);
}

void ImageNormalEx(unsigned char *base, unsigned char *layer, double opacity)
{
    NormalEx(base, layer, opacity);
}

void MultipleEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        const int a = base[c];
        base[c] = truncByte(a * layer[c] * opacity * 0.00392156 + (1 - opacity) * a);
    }
}

void ScreenEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c)
        base[c] = static_cast<unsigned char>(screenRule(base[c], layer[c], opacity));
}

void ImageScreenEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        const int a = base[c];
        const int e = scaled(layer[c], opacity);
        base[c] = static_cast<unsigned char>(low8(e + a - (a * e) / 255));
    }
}

// ---------------------------------------------------------------------------
// 3. soft light

void SoftLightEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        const int a = base[c];
        base[c] = mix(softLightRule(a, layer[c]), a, opacity);
    }
}

void SoftLightEx2(unsigned char *base, unsigned char *layer, double /*opacity*/)
{
    for (int c = 0; c < 3; ++c) {
        const int a = base[c];
        const int b = layer[c];
        const int m = (a * b) >> 8;
        const int s = 255 - (((255 - b) * (255 - b)) >> 8);
        base[c] = static_cast<unsigned char>(low8((m + a + ((a * (s - m)) >> 8)) >> 1));
    }
}

void ImageSoftLightEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c)
        base[c] = static_cast<unsigned char>(low8(softLightRule(base[c], scaled(layer[c], opacity))));
}

void ImageSoftLightExNew(unsigned char *base, unsigned char grey, double opacity)
{
    const int e = scaled(grey, opacity);
    for (int c = 0; c < 3; ++c)
        base[c] = static_cast<unsigned char>(low8(softLightRule(base[c], e)));
}

void CompositeColorEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        // the base, scaled by the opacity, is the soft light's base here
        const int r = softLightRule(scaled(base[c], opacity), layer[c]);
        base[c] = static_cast<unsigned char>(low8(r > 255 ? 255 : r));
    }
}

// ---------------------------------------------------------------------------
// 4. hard light, overlay

void HardlightEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        const int a = base[c];
        const int b = layer[c];
        if (b <= 128)
            base[c] = truncByte((truncInt(2 * a * b * opacity) >> 8) + (1 - opacity) * a);
        else
            base[c] = mix(hardScreenRule(a, b), a, opacity);
    }
}

void HardlightEx_2(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        const int a = base[c];
        const int b = layer[c];
        const int v = b <= 128 ? (a + (truncInt(2 * a * b * opacity) >> 8)) >> 1 : (a + hardScreenRule(a, b)) >> 1;
        base[c] = clampByte(v);
    }
}

void OverlayEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        const int a = base[c];
        base[c] = mix(overlayRule(a, layer[c]), a, opacity);
    }
}

void OverlayEx(unsigned char *base, unsigned char r, unsigned char g, unsigned char b, double opacity)
{
    const unsigned char colour[3] = {b, g, r};  // in pixel order B, G, R
    for (int c = 0; c < 3; ++c) {
        const int a = base[c];
        base[c] = mix(overlayRule(a, colour[c]), a, opacity);
    }
}

// ---------------------------------------------------------------------------
// 5. exclusion

void ExclusionEx(unsigned char *base, unsigned char *layer, double opacity)
{
    if (opacity > 1)
        opacity = 1;
    for (int c = 0; c < 3; ++c) {
        const int e = scaled(layer[c], opacity);
        base[c] = static_cast<unsigned char>(exclusionRule(exclusionRule(base[c], e), e));
    }
}

void ImageExclusionEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c)
        base[c] = static_cast<unsigned char>(exclusionRule(base[c], scaled(layer[c], opacity)));
}

void ImageExclusionEx2(unsigned char *base, unsigned char *layer, double /*opacity*/)
{
    for (int c = 0; c < 3; ++c)
        base[c] = static_cast<unsigned char>(exclusionRule(base[c], layer[c] >> 1));
}

// ---------------------------------------------------------------------------
// 6. burn, darken, lighten, add

void ColorBurnEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        const int a = base[c];
        const int b = layer[c];
        if (b == 0)
            base[c] = truncByte((1 - opacity) * a);
        else
            base[c] = truncByte(a * (1 - opacity) + burnRule(a, b) * opacity);
    }
}

void ImageColorBurnEx(unsigned char *base, unsigned char *layer)
{
    for (int c = 0; c < 3; ++c) {
        const int b = layer[c];
        base[c] = static_cast<unsigned char>(b == 0 ? 0 : burnRule(base[c], b));
    }
}

void ImageDarkenEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        const int v = base[c] < layer[c] ? base[c] : layer[c];
        base[c] = truncByte(v * opacity);
    }
}

void ImageLightenEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        const int e = scaled(layer[c], opacity);
        if (e > base[c])
            base[c] = static_cast<unsigned char>(e);
    }
}

void ImageAddEx(unsigned char *base, unsigned char *layer, double opacity)
{
    for (int c = 0; c < 3; ++c) {
        const int a = base[c];
        if (opacity < 1)
            base[c] = static_cast<unsigned char>(a * scaled(layer[c], opacity) / 255);
        else
            base[c] = truncByte(a * layer[c] / 255.0);
    }
}

// ---------------------------------------------------------------------------
// 7. pin light

void PinLightEx(unsigned char *base, unsigned char *layer)
{
    for (int c = 0; c < 3; ++c) {
        int v;
        pinLightRule(base[c], layer[c], v);
        base[c] = static_cast<unsigned char>(v);
    }
}

void PinLightEx8(unsigned char *base, unsigned char *layer, float opacity)
{
    for (int c = 0; c < 3; ++c)
        base[c] = pinLightMixed(base[c], layer[c], opacity);
}

void PinLightEx2(unsigned char *base, unsigned char *layer, float opacity)
{
    PinLightEx8(base, layer, opacity);
}

// ---------------------------------------------------------------------------
// 8. colour

void ColorEx(unsigned char *base, unsigned char *layer, double opacity)
{
    unsigned char h1, s1, l1, h2, s2, l2;
    RGBtoHSL2(base[2], base[1], base[0], h1, s1, l1);
    RGBtoHSL2(layer[2], layer[1], layer[0], h2, s2, l2);
    unsigned char rgb[3];  // R, G, B
    HSLtoRGB2(h2, s2, l1, rgb[0], rgb[1], rgb[2]);
    for (int c = 0; c < 3; ++c)
        base[c] = mix(rgb[2 - c], base[c], opacity);
}

void ColorHSBEx(unsigned char *base, unsigned char *layer, double opacity)
{
    float h1, s1, v1, h2, s2, v2;
    RGBtoHSB(base[2], base[1], base[0], h1, s1, v1);
    RGBtoHSB(layer[2], layer[1], layer[0], h2, s2, v2);
    unsigned char rgb[3];  // R, G, B
    HSBtoRGB(h2, s2, v1, rgb[0], rgb[1], rgb[2]);
    for (int c = 0; c < 3; ++c)
        base[c] = mix(rgb[2 - c], base[c], opacity);
}

void ShiftRGBEx(unsigned char *base, unsigned char r, unsigned char g, unsigned char b)
{
    const int add[3] = {b, g, r};
    for (int c = 0; c < 3; ++c) {
        const int v = base[c] + add[c];
        base[c] = static_cast<unsigned char>(v > 255 ? 255 : v);
    }
}
