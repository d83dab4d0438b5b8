// ABaoColor of one pixel written out as the look defines it, with the C
// library's pow (contraction off, as in the library): the reference the
// vector forms and the look are checked against.
#pragma once

#include <cmath>

#pragma GCC push_options
#pragma GCC optimize("fp-contract=off")
namespace baoref {

inline double labF(double t) { return t >= 0.008856 ? std::pow(t, 0.333333) : 7.787 * t + 0.137931; }

inline unsigned char clampTruncate(double v)
{
    return v < 0 ? 0 : (v >= 255 ? 255 : static_cast<unsigned char>(static_cast<int>(v)));
}

// B, G, R of px in place.
inline void plainBaoColorPixel(unsigned char *px)
{
    const double R = px[2], G = px[1], B = px[0];
    const double X = 0.412453 * R + 0.357580 * G + 0.180423 * B;
    const double Y = 0.212671 * R + 0.715160 * G + 0.072169 * B;
    const double fx = labF(X / 0.950456), fy = labF(Y);
    const double L = 116 * fy - 16, a = 500 * (fx - fy);
    const double fy2 = (L + 16) / 116;
    const double Y2 = fy2 >= 0.206893 ? fy2 * fy2 * fy2 : (fy2 - 0.137931) * 0.128419;
    const double g = std::pow(Y2, 1.0 / 3.0);
    const double gx = g + a / 500, gz = g - a / 200;
    const double X2 = 0.950456 * (gx * gx * gx), Z2 = 1.088754 * (gz * gz * gz);
    px[2] = clampTruncate(3.240479 * X2 - 1.537150 * Y2 - 0.498535 * Z2);
    px[1] = clampTruncate(-0.969256 * X2 + 1.875992 * Y2 + 0.041556 * Z2);
    px[0] = clampTruncate(0.055648 * X2 - 0.204043 * Y2 + 1.057311 * Z2);
}

}  // namespace baoref
#pragma GCC pop_options
