// Colour-model conversions.
//
// Contents
//   1. luma / chroma:        RGBtoYUV, YUVtoRGB, RGBtoYIQ, YIQtoRGB, RGBtoXYZ, XYZtoRGB
//   2. 8-bit HSL:            RGBtoHSL, HSLtoRGB, HueToRGB, RGBtoHSL2, HSLtoRGB2, HSLtoRGB_L
//   3. double HLS:           RGBtoHLS_L, RGBtoHLS, HLStoRGB, HLS_Value
//   4. integer HLS:          RGBtoIntHLS, intHueToRGB, intHLStoRGB
//   5. HSB (float):          RGBtoHSB, HSBtoRGB
//
// Precision: where a conversion is defined in single precision (RGBtoYUV, the
// float HSL family, HSB) it is computed in float throughout; elsewhere in
// double, as an unsuffixed constant is. Sums are evaluated left to right as
// the formulas are written. The library is built without floating-point
// contraction, so a * b + c is never fused and results are the same with
// every compiler.

#include "colorspace.h"

#include "bytemath.h"

using qvfx::clampByte;
using qvfx::truncByte;

namespace {

inline int max3(int r, int g, int b)
{
    int m = r > g ? r : g;
    return m > b ? m : b;
}

inline int min3(int r, int g, int b)
{
    int m = r < g ? r : g;
    return m < b ? m : b;
}

// The analysis both 8-bit HSL forms share: l = (max + min + 1) >> 1; a grey
// gets s = 0 and h = 170; for a colour, colour(max, d, s0) sets s and h from
// the base saturation s0 = 255 d / (max + min) below lightness 128 and
// 255 d / (510 - max - min) from it (integer division).
template <typename Colour>
inline void analyseHsl8(int r, int g, int b, unsigned char &h, unsigned char &s, unsigned char &l, Colour colour)
{
    const int mx = max3(r, g, b), mn = min3(r, g, b);
    l = static_cast<unsigned char>((mx + mn + 1) >> 1);
    if (mx == mn) {
        s = 0;
        h = 170;
        return;
    }
    const int d = mx - mn;
    colour(mx, d, 255 * d / (l < 128 ? mx + mn : 510 - mx - mn));
}

// The hue trapezoid of the float and double HSL forms, x in units of which
// `sixth` make a sixth of a turn: x wrapped once into the turn, then a rise
// from p to q over the first sixth, q up to half a turn, a fall back to p by
// two thirds, p beyond.
template <typename Real>
inline Real hueTrapezoid(Real p, Real q, Real x, Real sixth)
{
    if (x > 6 * sixth)
        x -= 6 * sixth;
    else if (x < 0)
        x += 6 * sixth;
    if (x < sixth)
        return p + (q - p) * x / sixth;
    if (x < 3 * sixth)
        return q;
    if (x < 4 * sixth)
        return p + (q - p) * (4 * sixth - x) / sixth;
    return p;
}

}  // namespace

// ---------------------------------------------------------------------------
// 1. luma / chroma

void RGBtoYUV(unsigned char r, unsigned char g, unsigned char b, unsigned char &y, unsigned char &u,
              unsigned char &v)
{
    const float fy = 0.299f * r + 0.587f * g + 0.114f * b;
    const int iy = static_cast<int>(fy);  // Y is truncated before U and V use it
    y = clampByte(iy);
    u = truncByte(static_cast<float>(b - iy) * 0.565f + 128.0f);
    v = truncByte(static_cast<float>(r - iy) * 0.713f + 128.0f);
}

void YUVtoRGB(unsigned char y, unsigned char u, unsigned char v, unsigned char &r, unsigned char &g,
              unsigned char &b)
{
    const int cu = u - 128;
    const int cv = v - 128;
    r = truncByte(y + 1.403 * cv);
    g = truncByte(y - 0.344 * cu - 0.714 * cv);
    b = truncByte(y + 1.77 * cu);
}

void RGBtoYIQ(unsigned char r, unsigned char g, unsigned char b, unsigned char &y, unsigned char &i,
              unsigned char &q)
{
    y = truncByte(0.2992 * r + 0.5868 * g + 0.114 * b);
    i = truncByte(0.596 * r - 0.2742 * g - 0.3219 * b + 128);
    q = truncByte(0.2109 * r - 0.5229 * g + 0.312 * b + 128);
}

void YIQtoRGB(unsigned char y, unsigned char i, unsigned char q, unsigned char &r, unsigned char &g,
              unsigned char &b)
{
    const int ci = i - 128;
    const int cq = q - 128;
    r = truncByte(y + 0.956 * ci + 0.621 * cq);
    g = truncByte(y - 0.273 * ci - 0.647 * cq);
    b = truncByte(y - 1.104 * ci + 1.701 * cq);
}

void RGBtoXYZ(unsigned char r, unsigned char g, unsigned char b, unsigned char &x, unsigned char &y,
              unsigned char &z)
{
    // Every result lies in 0..255.0007 for byte inputs, so truncation alone
    // suffices; the low 8 bits are stored as they come.
    x = static_cast<unsigned char>(static_cast<int>(0.412453 * r + 0.357580 * g + 0.180423 * b));
    y = static_cast<unsigned char>(static_cast<int>(0.212671 * r + 0.715160 * g + 0.072169 * b));
    z = static_cast<unsigned char>(static_cast<int>((0.019334 * r + 0.119193 * g + 0.950227 * b) * 0.9184837));
}

void XYZtoRGB(unsigned char x, unsigned char y, unsigned char z, unsigned char &r, unsigned char &g,
              unsigned char &b)
{
    r = truncByte(3.240479 * x - 1.53715 * y - 0.498535 * 1.088751 * z);
    g = truncByte(-0.969256 * x + 1.875992 * y + 0.041556 * 1.088751 * z);
    b = truncByte(0.055648 * x - 0.204043 * y + 1.057311 * 1.088751 * z);
}

// ---------------------------------------------------------------------------
// 2. 8-bit HSL

void RGBtoHSL(unsigned char r, unsigned char g, unsigned char b, unsigned char &h, unsigned char &s,
              unsigned char &l)
{
    analyseHsl8(r, g, b, h, s, l, [&](int mx, int d, int s0) {
        s = static_cast<unsigned char>(s0 + 1 > 255 ? 255 : s0 + 1);
        // distance of each channel from the maximum, in sixths of the 255-step turn
        const float fd = static_cast<float>(d);
        const int dr = static_cast<int>(static_cast<float>(mx - r) * 42.5f / fd + 0.5f);
        const int dg = static_cast<int>(static_cast<float>(mx - g) * 42.5f / fd + 0.5f);
        const int db = static_cast<int>(static_cast<float>(mx - b) * 42.5f / fd + 0.5f);
        if (mx == r)
            h = static_cast<unsigned char>((db - dg) & 255);
        else if (mx == g)
            h = static_cast<unsigned char>(dr + 85 - db);
        else
            h = static_cast<unsigned char>(dg + 170 - dr);
    });
}

float HueToRGB(float p, float q, float h)
{
    return hueTrapezoid(p, q, h, 60.0f);
}

namespace {

// The float HSL -> RGB shared by HSLtoRGB and HSLtoRGB_L (S, L in 0..1, H in degrees).
void floatHslToRgb(float hue, float sat, float light, unsigned char &r, unsigned char &g, unsigned char &b)
{
    if (sat == 0.0f) {
        r = g = b = truncByte(light * 255.0f);
        return;
    }
    const float q = light <= 0.5f ? light + sat * light : light + sat - light * sat;
    const float p = 2.0f * light - q;
    r = truncByte(HueToRGB(p, q, hue + 120.0f) * 255.0f);
    g = truncByte(HueToRGB(p, q, hue) * 255.0f);
    b = truncByte(HueToRGB(p, q, hue - 120.0f) * 255.0f);
}

}  // namespace

void HSLtoRGB(unsigned char h, unsigned char s, unsigned char l, unsigned char &r, unsigned char &g,
              unsigned char &b)
{
    floatHslToRgb(static_cast<float>(h) * 360.0f / 255.0f, static_cast<float>(s) / 255.0f,
                  static_cast<float>(l) / 255.0f, r, g, b);
}

void HSLtoRGB_L(unsigned char h, unsigned char s, unsigned char l, unsigned char &r, unsigned char &g,
                unsigned char &b)
{
    floatHslToRgb(static_cast<float>(h) * 1.411764f, static_cast<float>(s) * 0.00392156f,
                  static_cast<float>(l) * 0.00392156f, r, g, b);
}

void RGBtoHSL2(unsigned char r, unsigned char g, unsigned char b, unsigned char &h, unsigned char &s,
               unsigned char &l)
{
    analyseHsl8(r, g, b, h, s, l, [&](int mx, int d, int s0) {
        s = static_cast<unsigned char>(s0);  // d <= max + min and d <= 510 - max - min: within 0..255
        if (mx == r)
            h = static_cast<unsigned char>((42 * (g - b) / d) & 255);
        else if (mx == g)
            h = static_cast<unsigned char>(85 + 42 * (b - r) / d);
        else
            h = static_cast<unsigned char>(170 + 42 * (r - g) / d);
    });
}

namespace {

// One channel of HSLtoRGB2: t in turns, p and q on the 0..255 scale.
inline double hue2Channel(double p, double q, double t)
{
    if (t < 0.166666)
        return p + (q - p) * 6.0 * t;
    if (t < 0.5)
        return q;
    if (t < 0.666666)
        return p + (q - p) * (0.666666 - t) * 6.0;
    return p;
}

}  // namespace

void HSLtoRGB2(unsigned char h, unsigned char s, unsigned char l, unsigned char &r, unsigned char &g,
               unsigned char &b)
{
    if (s == 0) {
        r = g = b = l;
        return;
    }
    const double q = l < 128 ? l + s * 0.0039215 * l : l + s - s * l * 0.0039215;
    const double p = 2.0 * l - q;
    const double hue = h * 0.0039215;
    double tr = hue + 0.33333;
    if (tr > 1.0)
        tr -= 1.0;
    double tb = hue - 0.33333;
    if (tb < 0.0)
        tb += 1.0;
    r = truncByte(hue2Channel(p, q, tr));
    g = truncByte(hue2Channel(p, q, hue));
    b = truncByte(hue2Channel(p, q, tb));
}

// ---------------------------------------------------------------------------
// 3. double HLS

void RGBtoHLS_L(unsigned char r, unsigned char g, unsigned char b, double & /*h*/, double &l, double & /*s*/)
{
    l = (max3(r, g, b) + min3(r, g, b)) * 0.0019647;
}

void RGBtoHLS(unsigned char r, unsigned char g, unsigned char b, double &h, double &l, double &s)
{
    const int imx = max3(r, g, b);
    const int imn = min3(r, g, b);
    l = (imx + imn) * 0.0019647;
    if (imx == imn) {
        h = 0.0;
        s = 0.0;
        return;
    }
    const double mx = imx * 0.00392156;
    const double mn = imn * 0.00392156;
    const double d = mx - mn;
    s = l < 0.5 ? d / (mx + mn) : d / (2.0 - mx - mn);
    const double fr = r * 0.00392156;
    const double fg = g * 0.00392156;
    const double fb = b * 0.00392156;
    double hue;
    if (imx == r)
        hue = (fg - fb) / d;
    else if (imx == g)
        hue = 2.0 + (fb - fr) / d;
    else
        hue = 4.0 + (fr - fg) / d;
    hue *= 0.166994;
    if (hue < 0.0)
        hue += 1.0;
    h = hue;
}

double HLS_Value(double p, double q, double x)
{
    return hueTrapezoid(p, q, x, 1.0);  // x / 1.0 is exact: the same operations as in sixths
}

unsigned int HLStoRGB(double h, double l, double s)
{
    unsigned int r, g, b;
    if (s < 1.0 / 8388608.0) {  // 2^-23
        r = g = b = truncByte(l * 255.0);
    } else {
        const double q = l < 0.5 ? l + s * l : l + s - l * s;
        const double p = 2.0 * l - q;
        r = truncByte(HLS_Value(p, q, 6.0 * h + 2.0) * 255.0);
        g = truncByte(HLS_Value(p, q, 6.0 * h) * 255.0);
        b = truncByte(HLS_Value(p, q, 6.0 * h - 2.0) * 255.0);
    }
    return 0xFF000000u + r * 65536u + g * 256u + b;
}

// ---------------------------------------------------------------------------
// 4. integer HLS

void RGBtoIntHLS(unsigned char r, unsigned char g, unsigned char b, int &h, int &l, int &s)
{
    const int mx = max3(r, g, b);
    const int mn = min3(r, g, b);
    const int d = mx - mn;
    const int sum = mx + mn;
    l = static_cast<int>(sum * 255 * 0.0019647);
    if (d == 0) {
        s = 0;
        h = 170;
        return;
    }
    // l < 128 means sum <= 255, so neither divisor is 0 for a colour
    if (l < 128)
        s = (255 * d + sum / 2) / sum;
    else
        s = (255 * d + (510 - sum) / 2) / (510 - sum);
    const int half = d / 2;
    const int dr = (42 * (mx - r) + half) / d;
    const int dg = (42 * (mx - g) + half) / d;
    const int db = (42 * (mx - b) + half) / d;
    int hue;
    if (mx == r)
        hue = db - dg;
    else if (mx == g)
        hue = 85 + dr - db;
    else
        hue = 170 + dg - dr;
    if (hue < 0)
        hue += 255;
    else if (hue > 255)
        hue -= 255;
    h = hue;
}

int intHueToRGB(int p, int q, int h)
{
    if (h < 0)
        h += 255;
    else if (h > 255)
        h -= 255;
    if (h < 42.5)
        return p + 2 * ((q - p) * h + 21) / 85;
    if (h < 127)
        return q;
    if (h > 169)
        return p;
    return p + 2 * ((q - p) * (170 - h) + 21) / 85;
}

namespace {

inline unsigned char intHlsChannel(int v)
{
    if (v * 255 < 128)
        return 0;
    if (v * 255 >= 65153)
        return 255;
    return static_cast<unsigned char>((255 * v + 127) / 255);
}

}  // namespace

int intHLStoRGB(int h, int l, int s, unsigned char &r, unsigned char &g, unsigned char &b)
{
    if (s == 0) {
        r = g = b = clampByte(l);
        return 1;
    }
    const int q = l < 128 ? (l * (s + 255) + 127) / 255 : l + s - (l * s + 127) / 255;
    const int p = 2 * l - q;
    r = intHlsChannel(intHueToRGB(p, q, h + 85));
    g = intHlsChannel(intHueToRGB(p, q, h));
    b = intHlsChannel(intHueToRGB(p, q, h - 85));
    return 1;
}

// ---------------------------------------------------------------------------
// 5. HSB

void RGBtoHSB(int r, int g, int b, float &h, float &s, float &v)
{
    const int mx = max3(r, g, b);
    const int mn = min3(r, g, b);
    v = static_cast<float>(mx) / 255.0f;
    if (mx == mn) {
        h = 0.0f;
        s = 0.0f;
        return;
    }
    const float d = static_cast<float>(mx - mn);
    s = d / static_cast<float>(mx);
    float hue = 0.0f;
    // tested in this order; when two channels share the maximum the later one wins
    if (mx == r)
        hue = 60.0f * (6.0f + static_cast<float>(g - b) / d);
    if (mx == g)
        hue = 60.0f * (2.0f + static_cast<float>(b - r) / d);
    if (mx == b)
        hue = 60.0f * (4.0f + static_cast<float>(r - g) / d);
    if (hue > 360.0f)
        hue -= 360.0f;
    h = hue;
}

void HSBtoRGB(float h, float s, float v, unsigned char &r, unsigned char &g, unsigned char &b)
{
    const int V = qvfx::truncInt(v * 255.0f);
    if (h == 0.0f) {
        r = g = b = clampByte(V);
        return;
    }
    const int P = qvfx::truncInt(static_cast<float>(V) - static_cast<float>(V) * s);
    const float span = static_cast<float>(V - P);
    auto k = [&](float x) { return qvfx::truncInt(x * span / 60.0f + static_cast<float>(P)); };
    int cr, cg, cb;
    if (h > 300.0f) {
        cr = V; cg = P; cb = k(360.0f - h);
    } else if (h > 240.0f) {
        cr = k(h - 240.0f); cg = P; cb = V;
    } else if (h > 180.0f) {
        cr = P; cg = k(240.0f - h); cb = V;
    } else if (h > 120.0f) {
        cr = P; cg = V; cb = k(h - 120.0f);
    } else if (h > 60.0f) {
        cr = k(120.0f - h); cg = V; cb = P;
    } else {
        cr = V; cg = k(h); cb = P;
    }
    r = clampByte(cr);
    g = clampByte(cg);
    b = clampByte(cb);
}
