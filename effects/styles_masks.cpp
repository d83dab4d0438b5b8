// Round masks and points: WeakRoundChange (the focus-blur brush mask) and
// CDrawPoint (a table faded in toward the rim of a circle).
#include "stylefilters.h"

#include <algorithm>
#include <cmath>

void WeakRoundChange(unsigned char *mask, int inner, int outer)
{
    if (outer < 0)
        return;
    const long long r = static_cast<long long>(inner) * inner;
    const long long R = static_cast<long long>(outer) * outer;
    unsigned char *out = mask;
    for (int y = -outer; y <= outer; ++y) {
        for (int x = -outer; x <= outer; ++x) {
            const long long d = static_cast<long long>(x) * x + static_cast<long long>(y) * y;
            long long v;
            if (4 * d <= r)
                v = 255;  // the inner half radius is fully on
            else if (d <= r)
                v = std::min(255LL, 128 + (r - d) * 256 / r);  // r > 0 here, since 4d > r >= d
            else if (d <= R)
                v = std::min(255LL, (R - d) * 128 / (R - r));  // R > r here, since r < d <= R
            else
                v = 0;
            *out++ = static_cast<unsigned char>(v);
        }
    }
}

void CDrawPoint(unsigned char *image, const unsigned char *table, int width, int height, int cx, int cy, int radius)
{
    const int rim = static_cast<int>(radius * 1.2);
    if (rim < 1 || width < 1 || height < 1)
        return;
    // Only the square around the circle can change.
    const long long x0 = std::max(0LL, static_cast<long long>(cx) - rim);
    const long long x1 = std::min(width - 1LL, static_cast<long long>(cx) + rim);
    const long long y0 = std::max(0LL, static_cast<long long>(cy) - rim);
    const long long y1 = std::min(height - 1LL, static_cast<long long>(cy) + rim);
    for (long long y = y0; y <= y1; ++y) {
        for (long long x = x0; x <= x1; ++x) {
            const long long dx = x - cx, dy = y - cy;
            const float t = std::sqrt(static_cast<float>(dx * dx + dy * dy)) / static_cast<float>(rim);
            if (!(t <= 1.0f))
                continue;
            const int k = static_cast<int>(t * 255);
            unsigned char *px = image + (static_cast<std::size_t>(y) * width + x) * 4;
            for (int c = 0; c < 3; ++c)
                px[c] = static_cast<unsigned char>((px[c] * (255 - k) + table[px[c]] * k) >> 8);
        }
    }
}
