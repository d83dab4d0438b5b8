// The unsharp mask's arithmetic (internal, not exported): the weight an amount
// gives, the level of one byte against its blurred value, and the exact
// division the faster forms use.
#pragma once

#include <climits>
#include <cstdint>

namespace unsharp {

// int(amount * 10000 + .5), the product in single precision; saturated to
// the int range, NaN giving 0.
inline int Weight(float amount)
{
    const double k = static_cast<double>(amount * 10000.0f) + 0.5;
    if (!(k > -2147483648.0))
        return k != k ? 0 : INT_MIN;
    if (k >= 2147483647.0)
        return INT_MAX;
    return static_cast<int>(k);
}

// clamp(((10000 + k) value - k blurred) / 10000, 0, 255), the division
// truncating toward zero.
inline unsigned char Level(int value, int blurred, std::int64_t k)
{
    const std::int64_t v = ((10000 + k) * value - k * blurred) / 10000;
    return static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// x / 10000 for 0 <= x < 2,560,000 (the level before clamping to 255) by a
// product in single precision: x + .5 is exact in a float, and
// (x + .5) / 10000 lies at least 5e-5 from a whole number, beyond the two
// roundings of the product (under 3.1e-5 at these sizes), so truncation gives
// the integer quotient (checked for every x by the tests). The vector forms
// divide the same way.
inline std::uint32_t Divide(std::uint32_t x)
{
    return static_cast<std::uint32_t>((static_cast<float>(x) + 0.5f) * 0.0001f);
}

}  // namespace unsharp
