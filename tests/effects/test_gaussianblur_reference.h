// The recursive Gaussian written the straightforward way, one line and one
// channel at a time: the reference the library's fast form must equal byte for
// byte. Shared by the Gaussian and brush-blur tests.
#pragma once

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

// Deriche's coefficients for standard deviation s, term by term as written.
inline Coefficients Build(double s)
{
    Coefficients k{};
    const double D = s * 2.5066282746310002;
    const double x0 = -1.783 / s, x1 = -1.723 / s, x2 = 0.6318 / s, x3 = 1.997 / s;
    const double x4 = 1.6803 / D, x5 = 3.735 / D, x6 = -0.6803 / D, x7 = -0.2598 / D;
    k.c[0] = x4 + x6;
    k.c[1] = std::exp(x1) * (x7 * std::sin(x3) - (x6 + 2 * x4) * std::cos(x3)) +
             std::exp(x0) * (x5 * std::sin(x2) - (2 * x6 + x4) * std::cos(x2));
    k.c[2] = 2 * std::exp(x0 + x1) *
                 ((x4 + x6) * std::cos(x3) * std::cos(x2) - x5 * std::cos(x3) * std::sin(x2) -
                  x7 * std::cos(x2) * std::sin(x3)) +
             x6 * std::exp(2 * x0) + x4 * std::exp(2 * x1);
    k.c[3] = std::exp(x1 + 2 * x0) * (x7 * std::sin(x3) - x6 * std::cos(x3)) +
             std::exp(x0 + 2 * x1) * (x5 * std::sin(x2) - x4 * std::cos(x2));
    k.c[4] = 0;
    k.dc[0] = 0;
    k.dc[1] = -2 * std::exp(x1) * std::cos(x3) - 2 * std::exp(x0) * std::cos(x2);
    k.dc[2] = 4 * std::cos(x3) * std::cos(x2) * std::exp(x0 + x1) + std::exp(2 * x1) + std::exp(2 * x0);
    k.dc[3] = -2 * std::cos(x2) * std::exp(x0 + 2 * x1) - 2 * std::cos(x3) * std::exp(x1 + 2 * x0);
    k.dc[4] = std::exp(2 * x0 + 2 * x1);
    for (int i = 0; i < 5; ++i)
        k.da[i] = k.dc[i];
    k.a[0] = 0;
    for (int i = 1; i < 5; ++i)
        k.a[i] = k.c[i] - k.dc[i] * k.c[0];
    double sumC = 0, sumA = 0, sumD = 0;
    for (int i = 0; i < 5; ++i) {
        sumC += k.c[i];
        sumA += k.a[i];
        sumD += k.dc[i];
    }
    const double S = 1 + sumD;
    for (int i = 0; i < 5; ++i) {
        k.ec[i] = k.dc[i] * sumC / S;
        k.ea[i] = k.da[i] * sumA / S;
    }
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
