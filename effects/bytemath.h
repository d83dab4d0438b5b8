// Small conversions shared by the pixel primitives (internal, not exported).
//
// Every float or double result becomes a byte by truncation toward zero and a
// clamp to 0..255. The helpers compare in floating point before converting, so
// the result is exactly clamp(int(v)) for every v an int can hold, and still
// defined (0 or 255) for values outside that range and for NaN (0).
#pragma once

#include <concepts>
#include <cstdint>

namespace qvfx {

inline unsigned char clampByte(int v)
{
    return static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline unsigned char clampByte(long long v)
{
    return static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// clamp(int(v)) for a float or a double: int(v) < 1 exactly when v < 1, int(v) > 254 exactly
// when v >= 255 (the comparisons are in v's own type).
template <std::floating_point Real>
inline unsigned char truncByte(Real v)
{
    if (v >= Real(255))
        return 255;
    if (v >= Real(1))
        return static_cast<unsigned char>(static_cast<int>(v));
    return 0;
}

// int(v) with the out-of-range cases pinned to the nearest int (NaN to 0).
inline int truncInt(double v)
{
    if (v >= 2147483647.0)
        return 2147483647;
    if (v > -2147483648.0)
        return static_cast<int>(v);
    return v <= -2147483648.0 ? -2147483647 - 1 : 0;
}

// int(v) & 255: the low 8 bits of the truncated value.
inline int truncLow8(double v)
{
    return truncInt(v) & 255;
}

}  // namespace qvfx
