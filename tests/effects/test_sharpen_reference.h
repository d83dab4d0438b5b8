// The integer-kernel blur written the straightforward way (a whole scratch
// picture between the row and the column pass, one byte at a time): the
// reference the library's fast form must equal byte for byte.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace sharpref {

// Length 5r + 1 made odd, h = length / 2, q = 2 r^2; W = int(e^(h*h / q) + .5),
// w_k = int(W e^-(k*k / q) + .5), the exponents integer quotients.
inline std::vector<int> Kernel(int r)
{
    int n = 5 * r + 1;
    if (n % 2 == 0)
        ++n;
    const int h = n / 2, q = 2 * r * r;
    std::vector<int> k(n);
    const int centre = static_cast<int>(std::exp(static_cast<double>(h * h / q)) + 0.5);
    for (int d = -h; d <= h; ++d)
        k[d + h] = static_cast<int>(centre * std::exp(-static_cast<double>(d * d / q)) + 0.5);
    return k;
}

// One pass over B, G, R: sum(w p) / sum(w) over the kernel positions inside the line.
inline void Pass(const unsigned char *src, unsigned char *dst, int width, int height, const std::vector<int> &k,
                 bool horizontal)
{
    const int h = static_cast<int>(k.size()) / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0, weights = 0;
                for (int d = -h; d <= h; ++d) {
                    const int xx = horizontal ? x + d : x, yy = horizontal ? y : y + d;
                    if (xx < 0 || xx >= width || yy < 0 || yy >= height)
                        continue;
                    sum += k[d + h] * src[(static_cast<std::size_t>(yy) * width + xx) * 4 + c];
                    weights += k[d + h];
                }
                dst[(static_cast<std::size_t>(y) * width + x) * 4 + c] = static_cast<unsigned char>(sum / weights);
            }
}

// GetBlur: rows into a scratch picture, then columns into the destination.
inline void Blur(const unsigned char *src, unsigned char *dst, int width, int height, int radius)
{
    const std::vector<int> k = Kernel(radius);
    std::vector<unsigned char> scratch(static_cast<std::size_t>(width) * height * 4, 0);
    Pass(src, scratch.data(), width, height, k, true);
    Pass(scratch.data(), dst, width, height, k, false);
}

}  // namespace sharpref
