// The unsharp mask's arithmetic, shared by CSharp and the HDR looks' one-pass
// chain (internal, not exported): the weight an amount gives and the level of
// one byte against its blurred value.
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

}  // namespace unsharp
