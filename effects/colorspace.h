// Colour-model conversions of the effects library.
//
// Every conversion takes its three channel values separately in the order
// red, green, blue (or the order of the model's name) and writes its results
// through references in the order the function's name gives them.
// 8-bit models hold each component as 0..255, hue included (255 = a full turn).
// Float results become bytes by truncation toward zero, clamped to 0..255,
// unless a line below says otherwise. max, min = largest, smallest of r, g, b;
// d = max - min.
#pragma once

#include "qtqveffect_export.h"

// --- luma / chroma models (single precision) ---------------------------------

// Y = .299r + .587g + .114b (truncated); U = (b - Y) .565 + 128; V = (r - Y) .713 + 128
QTQVEFFECT_EXPORT void RGBtoYUV(unsigned char r, unsigned char g, unsigned char b,
                                unsigned char &y, unsigned char &u, unsigned char &v);
// r = Y + 1.403 (V-128); g = Y - .344 (U-128) - .714 (V-128); b = Y + 1.77 (U-128)
QTQVEFFECT_EXPORT void YUVtoRGB(unsigned char y, unsigned char u, unsigned char v,
                                unsigned char &r, unsigned char &g, unsigned char &b);
// Y = .2992r + .5868g + .114b; I = .596r - .2742g - .3219b + 128; Q = .2109r - .5229g + .312b + 128
QTQVEFFECT_EXPORT void RGBtoYIQ(unsigned char r, unsigned char g, unsigned char b,
                                unsigned char &y, unsigned char &i, unsigned char &q);
// r = Y + .956 (I-128) + .621; g = Y - .273 (I-128) - .647; b = Y - 1.104 (I-128) + 1.701
QTQVEFFECT_EXPORT void YIQtoRGB(unsigned char y, unsigned char i, unsigned char q,
                                unsigned char &r, unsigned char &g, unsigned char &b);
// CIE XYZ (D65) scaled to bytes, Z normalised by .9184837; stored as the low 8 bits, no clamp
QTQVEFFECT_EXPORT void RGBtoXYZ(unsigned char r, unsigned char g, unsigned char b,
                                unsigned char &x, unsigned char &y, unsigned char &z);
// inverse of RGBtoXYZ: the XYZ -> sRGB-primaries matrix with Z rescaled by 1.088751
QTQVEFFECT_EXPORT void XYZtoRGB(unsigned char x, unsigned char y, unsigned char z,
                                unsigned char &r, unsigned char &g, unsigned char &b);

// --- 8-bit hue / saturation / lightness ---------------------------------------

// l = (max+min+1)>>1; s = min(255, 255d/(max+min) + 1) (or /(510-max-min) from l 128); hue in sixths of 255, grey h = 170
QTQVEFFECT_EXPORT void RGBtoHSL(unsigned char r, unsigned char g, unsigned char b,
                                unsigned char &h, unsigned char &s, unsigned char &l);
// float HSL with H = h*360/255 degrees through HueToRGB at H+120, H, H-120; each *255 truncated
QTQVEFFECT_EXPORT void HSLtoRGB(unsigned char h, unsigned char s, unsigned char l,
                                unsigned char &r, unsigned char &g, unsigned char &b);
// one channel of HSL: wraps H into 0..360, then the p..q..p trapezoid (rise to 60, flat to 180, fall to 240)
QTQVEFFECT_EXPORT float HueToRGB(float p, float q, float h);
// as RGBtoHSL without the +1 on s; h = 42(g-b)/d, 85 + 42(b-r)/d or 170 + 42(r-g)/d (integer division)
QTQVEFFECT_EXPORT void RGBtoHSL2(unsigned char r, unsigned char g, unsigned char b,
                                 unsigned char &h, unsigned char &s, unsigned char &l);
// 8-bit HSL back to RGB in single precision on a 0..255 scale (hue in turns = h * .0039215)
QTQVEFFECT_EXPORT void HSLtoRGB2(unsigned char h, unsigned char s, unsigned char l,
                                 unsigned char &r, unsigned char &g, unsigned char &b);
// as HSLtoRGB with S, L = s, l * .00392156 and H = h * 1.411764
QTQVEFFECT_EXPORT void HSLtoRGB_L(unsigned char h, unsigned char s, unsigned char l,
                                  unsigned char &r, unsigned char &g, unsigned char &b);

// --- double-precision hue / lightness / saturation ------------------------------

// writes only l = (max+min) * .0019647; h and s are left as they are (swap a lightness in)
QTQVEFFECT_EXPORT void RGBtoHLS_L(unsigned char r, unsigned char g, unsigned char b,
                                  double &h, double &l, double &s);
// l = (max+min) * .0019647; s, h from the channels * .00392156; h in turns (* .166994, +1 when negative)
QTQVEFFECT_EXPORT void RGBtoHLS(unsigned char r, unsigned char g, unsigned char b,
                                double &h, double &l, double &s);
// packs 0xFF000000 + r*65536 + g*256 + b from HLS_Value at 6h+2, 6h, 6h-2 (grey when s < 2^-23)
QTQVEFFECT_EXPORT unsigned int HLStoRGB(double h, double l, double s);
// one channel on a 0..6 hue scale: wraps x, then rise to 1, flat to 3, fall to 4, p beyond
QTQVEFFECT_EXPORT double HLS_Value(double p, double q, double x);

// --- integer hue / lightness / saturation ---------------------------------------

// l = int((max+min) * 255 * .0019647); rounded integer s and h (hue in sixths of 255, grey h = 170)
QTQVEFFECT_EXPORT void RGBtoIntHLS(unsigned char r, unsigned char g, unsigned char b,
                                   int &h, int &l, int &s);
// one channel on a 0..255 hue scale: p + 2((q-p)h + 21)/85 below 42.5, q below 127, falling to 170, p above 169
QTQVEFFECT_EXPORT int intHueToRGB(int p, int q, int h);
// integer HLS back to bytes through intHueToRGB at h+85, h, h-85; returns 1
QTQVEFFECT_EXPORT int intHLStoRGB(int h, int l, int s,
                                  unsigned char &r, unsigned char &g, unsigned char &b);

// --- hue / saturation / brightness (float) --------------------------------------

// v = max/255, s = d/max, h in degrees 0..360 (red at 0)
QTQVEFFECT_EXPORT void RGBtoHSB(int r, int g, int b, float &h, float &s, float &v);
// V = int(v*255), P = int(V - V s), ramps k(x) = int(x (V-P)/60 + P) in six 60-degree sectors
QTQVEFFECT_EXPORT void HSBtoRGB(float h, float s, float v,
                                unsigned char &r, unsigned char &g, unsigned char &b);
