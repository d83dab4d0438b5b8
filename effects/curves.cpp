// Tone curves through control points (SFCurve).
//
// Contents
//   1. Tables          construction, Reset, Release, the channel's table
//   2. The curve       getBezierPoints: control values of the B-spline, spans as Bezier cubics
//   3. Building        GetCurveByPoints, GetCurveSuperpositionByPoints
//   4. Applying        ApplyCurve
#include "curves.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void FillIdentity(unsigned char *table)
{
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i);
}

inline unsigned char ClampByte(int v)
{
    return static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Truncation toward zero, saturated to the int range (points far outside
// 0..255 would otherwise overflow the control-value arithmetic).
inline int TruncateToInt(double v)
{
    if (!(v > -2147483648.0))
        return INT_MIN;
    if (!(v < 2147483648.0))
        return INT_MAX;
    return static_cast<int>(v);
}

// Interior control values of the uniform cubic B-spline through p[0..n-1] (n >= 4)
// for one coordinate: C(i-1) + 4 C(i) + C(i+1) = 6 p(i), C(0) = p(0), C(n-1) = p(n-1),
// by forward elimination and back substitution in double, each result truncated.
void SolveControlValues(const std::vector<int> &p, std::vector<int> &c)
{
    const int n = static_cast<int>(p.size());
    const int m = n - 2;
    std::vector<double> diag(m, 4.0), rhs(m), x(m);
    for (int i = 0; i < m; ++i)
        rhs[i] = 6.0 * p[i + 1];
    rhs[0] -= p[0];
    rhs[m - 1] -= p[n - 1];
    for (int i = 1; i < m; ++i) {
        const double w = 1.0 / diag[i - 1];
        diag[i] -= w;
        rhs[i] -= w * rhs[i - 1];
    }
    x[m - 1] = rhs[m - 1] / diag[m - 1];
    for (int i = m - 2; i >= 0; --i)
        x[i] = (rhs[i] - x[i + 1]) / diag[i];
    for (int i = 0; i < m; ++i)
        c[i + 1] = TruncateToInt(x[i]);
}

}  // namespace

// --- 1. Tables ------------------------------------------------------------------------------

SFCurve::SFCurve()
{
    unsigned char **tables[5] = {&m_pSpare, &m_pRed, &m_pGreen, &m_pBlue, &m_pComposite};
    for (unsigned char **t : tables) {
        *t = static_cast<unsigned char *>(std::malloc(256));
        if (*t)
            FillIdentity(*t);
    }
}

SFCurve::~SFCurve()
{
    Release();
}

void SFCurve::Reset()
{
    for (int channel = 0; channel < 5; ++channel)
        if (unsigned char *t = table(channel))
            FillIdentity(t);
}

void SFCurve::Release()
{
    unsigned char **tables[5] = {&m_pSpare, &m_pRed, &m_pGreen, &m_pBlue, &m_pComposite};
    for (unsigned char **t : tables) {
        std::free(*t);
        *t = nullptr;
    }
}

unsigned char *SFCurve::table(int channel) const
{
    switch (channel) {
    case CHANNEL_SPARE: return m_pSpare;
    case CHANNEL_RED: return m_pRed;
    case CHANNEL_GREEN: return m_pGreen;
    case CHANNEL_BLUE: return m_pBlue;
    case CHANNEL_COMPOSITE: return m_pComposite;
    default: return nullptr;
    }
}

// --- 2. The curve ---------------------------------------------------------------------------

void SFCurve::getBezierPoints(_POINT *points, int count, unsigned char *table)
{
    if (!points || !table || count < 1)
        return;
    const int n = count;
    // Table entries outside the table are never written (points are meant to lie in 0..255).
    auto put = [table](int x, int y) {
        if (x >= 0 && x <= 255)
            table[x] = ClampByte(y);
    };

    // 1. Ends: y0 below x0, y(n-1) from x(n-1) on.
    for (int x = 0; x < points[0].x && x <= 255; ++x)
        put(x, points[0].y);
    for (int x = points[n - 1].x < 0 ? 0 : points[n - 1].x; x <= 255; ++x)
        put(x, points[n - 1].y);
    if (n < 2)
        return;

    // 2. Control values: C0 = P0, C(n-1) = P(n-1); the interior ones make the B-spline pass through the points.
    std::vector<int> px(n), py(n), cx(n), cy(n);
    for (int i = 0; i < n; ++i) {
        cx[i] = px[i] = points[i].x;
        cy[i] = py[i] = points[i].y;
    }
    if (n == 3) {
        // In 64 bits: the same value as in int for points near the table.
        cx[1] = TruncateToInt(double((6 * std::int64_t(px[1]) - px[0] - px[2]) >> 2));
        cy[1] = TruncateToInt(double((6 * std::int64_t(py[1]) - py[0] - py[2]) >> 2));
    } else if (n > 3) {
        SolveControlValues(px, cx);
        SolveControlValues(py, cy);
    }

    // 3. Span i as a Bezier cubic in y: y(i), (2C(i) + C(i+1)) / 3, (C(i) + 2C(i+1)) / 3, y(i+1).
    for (int i = 0; i + 1 < n; ++i) {
        const int b1 = TruncateToInt(static_cast<float>(2 * std::int64_t(cy[i]) + cy[i + 1]) / 3.0f);
        const int b2 = TruncateToInt(static_cast<float>(cy[i] + 2 * std::int64_t(cy[i + 1])) / 3.0f);
        const int y0 = py[i], y3 = py[i + 1];
        std::int64_t s = std::llabs(std::int64_t(px[i + 1]) - px[i]);
        if (s == 0)
            s = 1;
        // Only the steps that land in the table are worked out (a span far
        // outside it would otherwise take billions of steps for nothing).
        const std::int64_t first = std::max<std::int64_t>(0, -std::int64_t(px[i]));
        const std::int64_t end = std::min<std::int64_t>(s, 256 - std::int64_t(px[i]));
        for (std::int64_t j = first; j < end; ++j) {
            const double t = static_cast<double>(j) / s;
            const double u = 1 - t;
            // (1-t)^3 y0 + 3t(1-t)^2 b1 + 3t^2(1-t) b2 + t^3 y3
            const double y = std::pow(u, 3) * y0 + 3 * t * u * u * b1 + 3 * t * t * u * b2 + std::pow(t, 3) * y3;
            int v = TruncateToInt(y);
            if (v > 255)
                v = 255;
            if (v < 0)  // a steep span may undershoot; a byte table holds no negative level
                v = 0;
            put(static_cast<int>(px[i] + j), v);
        }
    }
}

// --- 3. Building ----------------------------------------------------------------------------

void SFCurve::GetCurveByPoints(_POINT *points, int count, int channel)
{
    if (unsigned char *t = table(channel))
        getBezierPoints(points, count, t);
}

void SFCurve::GetCurveSuperpositionByPoints(_POINT *points, int count, int channel)
{
    unsigned char *t = table(channel);
    if (!t)
        return;
    unsigned char s[256];
    FillIdentity(s);
    getBezierPoints(points, count, s);
    for (int i = 0; i < 256; ++i)
        t[i] = s[t[i]];  // the new curve after the old one
}

// --- 4. Applying ----------------------------------------------------------------------------

void SFCurve::ApplyCurve(int channel, unsigned char *image, int width, int height)
{
    if (!image || width < 1 || height < 1)
        return;
    // Byte tables for B, G, R (null = channel left alone).
    const unsigned char *b = nullptr, *g = nullptr, *r = nullptr;
    switch (channel) {
    case CHANNEL_RED: r = m_pRed; break;
    case CHANNEL_GREEN: g = m_pGreen; break;
    case CHANNEL_BLUE: b = m_pBlue; break;
    case CHANNEL_COMPOSITE: b = g = r = m_pComposite; break;
    case CHANNEL_RGB: r = m_pRed; g = m_pGreen; b = m_pBlue; break;
    default: return;
    }
    if (!b && !g && !r)
        return;  // released
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        if (b)
            px[0] = b[px[0]];
        if (g)
            px[1] = g[px[1]];
        if (r)
            px[2] = r[px[2]];
    }
}
