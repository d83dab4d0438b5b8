// The recursive Gaussian written the straightforward way, one line and one
// channel at a time: the reference the library's fast form must equal byte for
// byte. Shared by the Gaussian and brush-blur tests.
#pragma once

#include "brushblur.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace gaussref {

struct Coefficients {
    double c[5], a[5], dc[5], da[5], ec[5], ea[5];
};

inline double EffectiveSigma(double sigma)
{
    const double t = std::fabs(sigma) + 1.3;
    return std::sqrt(t * t / 11.082527090316852);
}

// The library's coefficients for standard deviation s: the reference is the
// recursion over them (test_brushblur checks the construction on its own).
inline Coefficients Build(double s)
{
    Coefficients k{};
    find_constants(k.c, k.a, k.dc, k.da, k.ec, k.ea, s);
    return k;
}

// One line of n samples (sample i at line[i * step]), channels 0..channels-1.
inline void FilterLine(unsigned char *line, int n, std::ptrdiff_t step, int channels, const Coefficients &k)
{
    std::vector<double> yc(n, 0.0), ya(n, 0.0);
    for (int ch = 0; ch < channels; ++ch) {
        std::vector<double> p(n);
        for (int i = 0; i < n; ++i)
            p[i] = line[i * step + ch];
        std::fill(yc.begin(), yc.end(), 0.0);
        std::fill(ya.begin(), ya.end(), 0.0);
        for (int i = 0; i < n; ++i) {
            const int m = std::min(i, 4);
            double acc = 0;
            for (int j = 0; j <= m; ++j)
                acc += k.c[j] * p[i - j] - k.dc[j] * yc[i - j];
            for (int j = m + 1; j <= 4; ++j)
                acc += (k.c[j] - k.ec[j]) * p[0];
            yc[i] = acc;
        }
        for (int t = 0; t < n; ++t) {
            const int i = n - 1 - t;
            const int m = std::min(t, 4);
            double acc = 0;
            for (int j = 0; j <= m; ++j)
                acc += k.a[j] * p[i + j] - k.da[j] * ya[i + j];
            for (int j = m + 1; j <= 4; ++j)
                acc += (k.a[j] - k.ea[j]) * p[n - 1];
            ya[i] = acc;
        }
        for (int i = 0; i < n; ++i) {
            int v = static_cast<int>(yc[i] + ya[i]);
            if (v < 1)
                v = 0;
            if (v > 255)
                v = 255;
            line[i * step + ch] = static_cast<unsigned char>(v);
        }
    }
}

// Every row (horizontal) or every column of a picture of bytesPerPixel-byte pixels.
inline void FilterPicture(unsigned char *image, int width, int height, int bytesPerPixel, bool horizontal,
                          const Coefficients &k)
{
    const int channels = std::min(bytesPerPixel, 3);
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(width) * bytesPerPixel;
    if (horizontal)
        for (int y = 0; y < height; ++y)
            FilterLine(image + y * row, width, bytesPerPixel, channels, k);
    else
        for (int x = 0; x < width; ++x)
            FilterLine(image + x * bytesPerPixel, height, row, channels, k);
}

// CreateBlurEffect on a 4-byte picture, as its steps are written (the column
// coefficients are also built when the row pass was skipped).
inline void CreateBlurEffect(unsigned char *image, int width, int height, double sx, double sy)
{
    sx = std::clamp(sx, 0.0, 255.0);
    sy = std::clamp(sy, 0.0, 255.0);
    Coefficients k{};
    if (sx >= 1e-8) {
        k = Build(EffectiveSigma(sx));
        FilterPicture(image, width, height, 4, true, k);
    }
    if ((std::fabs(sx - sy) > 1e-6 || sx < 1e-8) && sy >= 1e-8)
        k = Build(EffectiveSigma(sy));
    if (sy >= 1e-8)
        FilterPicture(image, width, height, 4, false, k);
}

}  // namespace gaussref
