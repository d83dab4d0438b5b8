// Blend operations of the effects library.
//
// Each combines one pixel of the picture (the base, rewritten in place) with one
// pixel of a layer and changes only bytes 0..2 (B, G, R) of the base; byte 3 is
// never written. Callers loop over the picture. Per channel below, a = base
// value, b = layer value, o = opacity, e = int(b * o) & 255 (the layer scaled by
// the opacity), mix(v) = int(v * o + a * (1 - o)) in double, "wrap" = the low
// 8 bits are stored with no clamp. >> 7 and >> 8 are shifts, not /127.5 or /255.
// The layer pixel is only read.
#pragma once

#include "qtqveffect_export.h"

// --- normal, multiply, screen --------------------------------------------------------

// mix(b)
QTQVEFFECT_EXPORT void NormalEx(unsigned char *base, unsigned char *layer, double opacity);
// mix(b), the same as NormalEx
QTQVEFFECT_EXPORT void ImageNormalEx(unsigned char *base, unsigned char *layer, double opacity);
// int(a * b * o * .00392156 + (1 - o) * a)
QTQVEFFECT_EXPORT void MultipleEx(unsigned char *base, unsigned char *layer, double opacity);
// s = a + b - ((a b) >> 8); o < 1: min(255, int(s o + a (1 - o))), else min(255, s)
QTQVEFFECT_EXPORT void ScreenEx(unsigned char *base, unsigned char *layer, double opacity);
// e + a - (a e) / 255, wrap
QTQVEFFECT_EXPORT void ImageScreenEx(unsigned char *base, unsigned char *layer, double opacity);

// --- soft light and its relatives ----------------------------------------------------------

// m = (a b) >> 8; s = 255 - (((255-a)(255-b)) >> 8); r = m + ((a (s-m)) >> 8); mix(r)
QTQVEFFECT_EXPORT void SoftLightEx(unsigned char *base, unsigned char *layer, double opacity);
// m = (a b) >> 8; s = 255 - ((255-b)^2 >> 8); (m + a + ((a (s-m)) >> 8)) >> 1, wrap; opacity not read
QTQVEFFECT_EXPORT void SoftLightEx2(unsigned char *base, unsigned char *layer, double opacity);
// the SoftLightEx r with e in place of b, wrap, no mix
QTQVEFFECT_EXPORT void ImageSoftLightEx(unsigned char *base, unsigned char *layer, double opacity);
// the SoftLightEx r with e = int(grey * o) & 255 as the layer of all three channels, wrap, no mix
QTQVEFFECT_EXPORT void ImageSoftLightExNew(unsigned char *base, unsigned char grey, double opacity);
// soft light with the roles swapped and the base scaled: a' = int(a o) & 255 over the layer, min(255, r)
QTQVEFFECT_EXPORT void CompositeColorEx(unsigned char *base, unsigned char *layer, double opacity);

// --- hard light, overlay ----------------------------------------------------------------------

// b <= 128: int((int(2ab o) >> 8) + (1-o) a); else h = min(255, 255 - ((2(255-b)(255-a)) >> 8)), mix(h)
QTQVEFFECT_EXPORT void HardlightEx(unsigned char *base, unsigned char *layer, double opacity);
// b <= 128: (a + (int(2ab o) >> 8)) >> 1; else (a + h) >> 1 with the HardlightEx h
QTQVEFFECT_EXPORT void HardlightEx_2(unsigned char *base, unsigned char *layer, double opacity);
// a < 128: v = min(255, 2ab/255); else w = 2(255-b)(255-a), v = 0 (w >= 65280), 255 (w < 255), 255 - w/255; mix(v)
QTQVEFFECT_EXPORT void OverlayEx(unsigned char *base, unsigned char *layer, double opacity);
// OverlayEx against a constant colour: r over R, g over G, b over B
QTQVEFFECT_EXPORT void OverlayEx(unsigned char *base, unsigned char r, unsigned char g, unsigned char b,
                                 double opacity);

// --- exclusion -------------------------------------------------------------------------------

// x(a) = a + e - ((a e) >> 7), wrap, applied twice: x(x(a)); opacity above 1 counts as 1
QTQVEFFECT_EXPORT void ExclusionEx(unsigned char *base, unsigned char *layer, double opacity);
// a + e - ((a e) >> 7), wrap, once
QTQVEFFECT_EXPORT void ImageExclusionEx(unsigned char *base, unsigned char *layer, double opacity);
// h = b >> 1: a + h - ((a h) >> 7), wrap; opacity not read
QTQVEFFECT_EXPORT void ImageExclusionEx2(unsigned char *base, unsigned char *layer, double opacity);

// --- burn, darken, lighten, add -----------------------------------------------------------------

// b = 0: int((1-o) a); else q = (255a - 65025)/b, burn = 0 (q < -255), q + 255 (q < 0), 255; int(a (1-o) + burn o)
QTQVEFFECT_EXPORT void ColorBurnEx(unsigned char *base, unsigned char *layer, double opacity);
// b = 0: 0; else the ColorBurnEx burn, unmixed
QTQVEFFECT_EXPORT void ImageColorBurnEx(unsigned char *base, unsigned char *layer);
// int(min(a, b) * o)
QTQVEFFECT_EXPORT void ImageDarkenEx(unsigned char *base, unsigned char *layer, double opacity);
// e if e > a, else a
QTQVEFFECT_EXPORT void ImageLightenEx(unsigned char *base, unsigned char *layer, double opacity);
// o < 1: (a e) / 255; else int(a b / 255.0): a multiply
QTQVEFFECT_EXPORT void ImageAddEx(unsigned char *base, unsigned char *layer, double opacity);

// --- pin light -----------------------------------------------------------------------------------

// d = 2b: d - 255 if a < d - 255, d if a > d, else a
QTQVEFFECT_EXPORT void PinLightEx(unsigned char *base, unsigned char *layer);
// the PinLightEx value v, when it differs from a by rule: int(v o + a (1 - o)) in float; else a
QTQVEFFECT_EXPORT void PinLightEx8(unsigned char *base, unsigned char *layer, float opacity);
// the same as PinLightEx8
QTQVEFFECT_EXPORT void PinLightEx2(unsigned char *base, unsigned char *layer, float opacity);

// --- colour (whole pixel) ---------------------------------------------------------------------------

// hue and saturation of the layer, lightness of the base (RGBtoHSL2 / HSLtoRGB2), then mix
QTQVEFFECT_EXPORT void ColorEx(unsigned char *base, unsigned char *layer, double opacity);
// hue and saturation of the layer, brightness of the base (RGBtoHSB / HSBtoRGB), then mix
QTQVEFFECT_EXPORT void ColorHSBEx(unsigned char *base, unsigned char *layer, double opacity);
// R = min(255, R + r), G = min(255, G + g), B = min(255, B + b)
QTQVEFFECT_EXPORT void ShiftRGBEx(unsigned char *base, unsigned char r, unsigned char g, unsigned char b);
