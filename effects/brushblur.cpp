// Brush-style recursive blur, its coefficient builders, the radial zoom blur
// and the cubic B-spline kernel.
//
// Contents
//   1. Coefficients     find_constants and the two fixed sets
//   2. Brush blur       GaussIIRBlurBrush: rows, then columns, through packed 3-byte lines
//   3. Zoom blur        RadiusZoomBlur: 97 weighted samples toward the centre, 16.16 fixed point
//   4. B-spline         KernelBSpline
#include "brushblur.h"

#include "curves.h"
#include "recursivegaussian.h"
#include "tonesteps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// find_constants(.., 2) and find_constants(.., 12), to the bit (c, a, dc, da, ec, ea).
constexpr recursivegaussian::Coefficients kSet2 = {
    {0x1.9884533d43651p-3, -0x1.219112d341ca1p-4, 0x1.647c1cfdcfe8bp-5, -0x1.16ac7abb442f8p-8, 0x0p+0},
    {0x0p+0, 0x1.689d3d7a6db02p-3, -0x1.8c760e1e82b7cp-4, 0x1.3e4e03c5c4c42p-5, -0x1.886523991186dp-8},
    {0x0p+0, -0x1.3cb6014ba9aa2p+0, 0x1.68245d5769532p-1, -0x1.ba98140445babp-3, 0x1.ebcb56dd521ap-6},
    {0x0p+0, -0x1.3cb6014ba9aa2p+0, 0x1.68245d5769532p-1, -0x1.ba98140445babp-3, 0x1.ebcb56dd521ap-6},
    {0x0p+0, -0x1.7bee717b6fa2ap-1, 0x1.b008338bc3be2p-2, -0x1.0978ac218f94p-3, 0x1.26fb6895930a4p-6},
    {0x0p+0, -0x1.fb29ff84d7faep-2, 0x1.205b2c6469132p-2, -0x1.625f8eb488831p-4, 0x1.89c43f5e9d513p-7},
};
constexpr recursivegaussian::Coefficients kSet12 = {
    {0x1.1058377e2ceep-5, -0x1.4b468e2071bc3p-4, 0x1.1074091842abp-4, -0x1.2dcd9e69a5ef6p-6, 0x0p+0},
    {0x0p+0, 0x1.0f995012dce52p-5, -0x1.4b688e85372f2p-4, 0x1.114c87550147ap-4, -0x1.2fa6e38e0e903p-6},
    {0x0p+0, -0x1.b70b37a86a1fap+1, 0x1.1bcf868a5f884p+2, -0x1.47d1da1b17506p+1, 0x1.1d6dad28be617p-1},
    {0x0p+0, -0x1.b70b37a86a1fap+1, 0x1.1bcf868a5f884p+2, -0x1.47d1da1b17506p+1, 0x1.1d6dad28be617p-1},
    {0x0p+0, -0x1.c5c36240c714bp+0, 0x1.255360a39b5efp+1, -0x1.52cf6b51cf631p+0, 0x1.26ff69c6afc62p-2},
    {0x0p+0, -0x1.a8922ede292p+0, 0x1.12747be6af995p+1, -0x1.3d036c62d8c18p+0, 0x1.1404fb8dcee66p-2},
};

}  // namespace

// --- 1. Coefficients --------------------------------------------------------------------------

void find_constants(double *causal, double *antiCausal, double *causalDen, double *antiCausalDen, double *causalEdge,
                    double *antiCausalEdge, double sigma)
{
    recursivegaussian::Coefficients k;
    if (sigma > 0) {
        recursivegaussian::Build(sigma, k);
    } else {
        // No width (or NaN): the identity, yc = p and ya = 0.
        for (int i = 0; i < 5; ++i)
            k.c[i] = k.a[i] = k.dc[i] = k.da[i] = k.ec[i] = k.ea[i] = 0;
        k.c[0] = 1;
    }
    recursivegaussian::Unpack(k, causal, antiCausal, causalDen, antiCausalDen, causalEdge, antiCausalEdge);
}

void find_constants_2(double *causal, double *antiCausal, double *causalDen, double *antiCausalDen,
                      double *causalEdge, double *antiCausalEdge, double)
{
    recursivegaussian::Unpack(kSet2, causal, antiCausal, causalDen, antiCausalDen, causalEdge, antiCausalEdge);
}

void find_constants_12(double *causal, double *antiCausal, double *causalDen, double *antiCausalDen,
                       double *causalEdge, double *antiCausalEdge, double)
{
    recursivegaussian::Unpack(kSet12, causal, antiCausal, causalDen, antiCausalDen, causalEdge, antiCausalEdge);
}

// --- 2. Brush blur ----------------------------------------------------------------------------

namespace {

// sigma = sqrt((r + 1)^2 / 11.082531490321692) for a radius of at least 2.
recursivegaussian::Coefficients BrushCoefficients(int radius)
{
    const double r = std::max(radius, 2);
    const double sigma = std::sqrt((r + 1) * (r + 1) / 11.082531490321692);
    recursivegaussian::Coefficients k;
    find_constants(k.c, k.a, k.dc, k.da, k.ec, k.ea, sigma);
    return k;
}

}  // namespace

void GaussIIRBlurBrush(unsigned char *image, int width, int height, int radiusX, int radiusY)
{
    if (!image || width < 1 || height < 1)
        return;
    const recursivegaussian::Coefficients kx = BrushCoefficients(radiusX);
    const recursivegaussian::Coefficients ky = BrushCoefficients(radiusY);
    const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    std::vector<unsigned char> line(3 * std::max(w, h));
    std::vector<double> scratch(2 * std::max(w, h));

    for (std::size_t y = 0; y < h; ++y) {
        unsigned char *row = image + y * w * 4;
        tfbitCopy(row, line.data(), width);
        recursivegaussian::FilterLinePlain(line.data(), width, 3, 3, kx, scratch.data());
        for (std::size_t x = 0; x < w; ++x)
            std::memcpy(row + 4 * x, &line[3 * x], 3);
    }
    for (std::size_t x = 0; x < w; ++x) {
        unsigned char *column = image + 4 * x;
        for (std::size_t y = 0; y < h; ++y)
            std::memcpy(&line[3 * y], column + y * w * 4, 3);
        recursivegaussian::FilterLinePlain(line.data(), height, 3, 3, ky, scratch.data());
        for (std::size_t y = 0; y < h; ++y)
            std::memcpy(column + y * w * 4, &line[3 * y], 3);
    }
}

// --- 3. Zoom blur -----------------------------------------------------------------------------

namespace {

// The contrast curve after the zoom: the tone curve through (0, 0), (64, 29),
// (128, 127), (192, 228), (255, 255), built once.
const unsigned char *ZoomTone()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        SFCurve curve;
        _POINT points[5] = {{0, 0}, {64, 29}, {128, 127}, {192, 228}, {255, 255}};
        curve.getBezierPoints(points, 5, t.data());
        return t;
    }();
    return table.data();
}

constexpr int kZoomSteps = 96;  // shrinks of the offset; 97 samples with the pixel itself

// One shrink of a 16.16 offset toward the centre: about .61 %.
inline int64_t Shrink(int64_t offset)
{
    return offset - (((offset >> 4) * 100) >> 10);
}

// Offset -> sample index: (offset + size * 32768 + 32768) >> 16, kept inside 0..size-1.
inline int64_t SampleIndex(int64_t offset, int size)
{
    const int64_t i = (offset + static_cast<int64_t>(size) * 32768 + 32768) >> 16;
    return i < 0 ? 0 : (i >= size ? size - 1 : i);
}

}  // namespace

void RadiusZoomBlur(unsigned char *destination, const unsigned char *image, const unsigned char *weight, int width,
                    int height)
{
    if (!destination || !image || !weight || width < 1 || height < 1)
        return;
    const unsigned char *tone = ZoomTone();
    const std::size_t w = static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int64_t ox = static_cast<int64_t>(x) * 65536 - static_cast<int64_t>(width) * 32768;
            int64_t oy = static_cast<int64_t>(y) * 65536 - static_cast<int64_t>(height) * 32768;
            int64_t total = 0, sb = 0, sg = 0, sr = 0;
            for (int step = 0; step <= kZoomSteps; ++step) {
                const std::size_t at = static_cast<std::size_t>(SampleIndex(oy, height)) * w +
                                       static_cast<std::size_t>(SampleIndex(ox, width));
                const int wt = weight[4 * at];
                const unsigned char *px = image + 4 * at;
                total += wt;
                sb += wt * px[0];
                sg += wt * px[1];
                sr += wt * px[2];
                ox = Shrink(ox);
                oy = Shrink(oy);
            }
            unsigned char *out = destination + (static_cast<std::size_t>(y) * w + x) * 4;
            if (total > 0) {
                out[0] = tone[sb / total];
                out[1] = tone[sg / total];
                out[2] = tone[sr / total];
            }
            out[3] = static_cast<unsigned char>(total / (kZoomSteps + 1));
        }
    }
}

// --- 4. B-spline ------------------------------------------------------------------------------

float KernelBSpline(float x)
{
    if (x > 2.0f)
        return 0.0f;
    auto cube = [](float t) { return t > 0.0f ? t * t * t : 0.0f; };  // P(t)^3
    return (cube(x + 2.0f) - 4.0f * cube(x + 1.0f) + 6.0f * cube(x) - 4.0f * cube(x - 1.0f)) / 6.0f;
}
