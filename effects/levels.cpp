// Histograms and automatic levels.
//
// Contents
//   1. CHistogram      counts of grey, red, green and blue, over a start..end range
//   2. AutoColorLevel  per-channel stretch clipping 0.6 % of the pixels at each end
#include "levels.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

// --- 1. CHistogram --------------------------------------------------------------------------

CHistogram::CHistogram(const unsigned char *image, int width, int height)
    : m_nWidth(width > 0 ? width : 0), m_nHeight(height > 0 ? height : 0)
{
    AnalyzeImage(image);
}

void CHistogram::AnalyzeImage(const unsigned char *image)
{
    for (int i = 0; i < 256; ++i)
        m_nGray[i] = m_nRed[i] = m_nGreen[i] = m_nBlue[i] = 0;
    const std::size_t n = static_cast<std::size_t>(m_nWidth) * static_cast<std::size_t>(m_nHeight);
    m_nPixelNumber = n > 0x7fffffff ? 0x7fffffff : static_cast<int>(n);
    if (!image)
        return;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char *px = image + 4 * i;
        ++m_nBlue[px[0]];
        ++m_nGreen[px[1]];
        ++m_nRed[px[2]];
        ++m_nGray[(30 * px[2] + 59 * px[1] + 11 * px[0]) / 100];  // grey = (30 R + 59 G + 11 B) / 100
    }
}

const int *CHistogram::histogram(int channel) const
{
    switch (channel) {
    case IMAGE_CHANNEL_RED: return m_nRed;
    case IMAGE_CHANNEL_GREEN: return m_nGreen;
    case IMAGE_CHANNEL_BLUE: return m_nBlue;
    default: return m_nGray;
    }
}

int CHistogram::GetChannelHistogram(int channel, int value) const
{
    return value >= 0 && value <= 255 ? histogram(channel)[value] : 0;
}

int CHistogram::GetValueCount(int value, int channel) const
{
    return GetChannelHistogram(channel, value);
}

int CHistogram::GetCount(int channel) const
{
    const int *h = histogram(channel);
    int64_t sum = 0;
    for (int v = m_nStart; v <= m_nEnd; ++v)
        sum += h[v];
    return sum > 0x7fffffff ? 0x7fffffff : static_cast<int>(sum);
}

int CHistogram::GetMaxCount(int channel) const
{
    const int *h = histogram(channel);
    int most = 0;
    for (int v = m_nStart; v <= m_nEnd; ++v)
        if (h[v] > most)
            most = h[v];
    return most;
}

int CHistogram::GetAverage(int channel) const
{
    const int *h = histogram(channel);
    int64_t weighted = 0, count = 0;
    for (int v = m_nStart; v <= m_nEnd; ++v) {
        weighted += static_cast<int64_t>(v) * h[v];
        count += h[v];
    }
    return count ? static_cast<int>(weighted / count) : 0;
}

void CHistogram::SetStart(int value)
{
    m_nStart = value < 0 ? 0 : (value > 255 ? 255 : value);
}

void CHistogram::SetEnd(int value)
{
    m_nEnd = value < 0 ? 0 : (value > 255 ? 255 : value);
}

int CHistogram::GetStart() const
{
    return m_nStart;
}

int CHistogram::GetEnd() const
{
    return m_nEnd;
}

int CHistogram::GetPixelNumber() const
{
    return m_nPixelNumber;
}

// --- 2. AutoColorLevel ----------------------------------------------------------------------

namespace {

constexpr double kClip = 0.006;  // share of the pixels clipped at each end

// low..high of one channel: low = k + 1 for the first k (upward) where the
// share of 0..k is nearer 0.6 % than the share of 0..k+1; high = k - 1 for the
// first k (downward) where the share of k..255 is nearer than that of k-1..255.
void FindRange(const CHistogram &h, int channel, int &low, int &high)
{
    low = 0;
    high = 255;
    const int total = h.GetCount(channel);
    if (total == 0) {
        low = high = 0;
        return;
    }
    const double n = total;
    int64_t below = 0;
    for (int k = 0; k < 255; ++k) {
        below += h.GetValueCount(k, channel);
        const int64_t next = below + h.GetValueCount(k + 1, channel);
        if (std::fabs(below / n - kClip) < std::fabs(next / n - kClip)) {
            low = k + 1;
            break;
        }
    }
    int64_t above = 0;
    for (int k = 255; k > 0; --k) {
        above += h.GetValueCount(k, channel);
        const int64_t next = above + h.GetValueCount(k - 1, channel);
        if (std::fabs(above / n - kClip) < std::fabs(next / n - kClip)) {
            high = k - 1;
            break;
        }
    }
}

// v = (value - low) / (high - low) * 255 (or (value - low) * 255 when high = low),
// rounded half away from zero and clamped.
void MakeStretch(int low, int high, unsigned char *table)
{
    for (int value = 0; value < 256; ++value) {
        const double v = high == low ? static_cast<double>(value - low) * 255
                                     : static_cast<double>(value - low) / (high - low) * 255;
        const double r = std::round(v);
        table[value] = static_cast<unsigned char>(r < 0 ? 0 : (r > 255 ? 255 : r));
    }
}

}  // namespace

void AutoColorLevel(unsigned char *image, int width, int height, bool analyse)
{
    // With analyse false every channel keeps low 0 and high 255: the identity.
    if (!analyse || !image || width < 1 || height < 1)
        return;
    const CHistogram histogram(image, width, height);
    int low[3], high[3];  // R, G, B
    FindRange(histogram, IMAGE_CHANNEL_RED, low[0], high[0]);
    FindRange(histogram, IMAGE_CHANNEL_GREEN, low[1], high[1]);
    FindRange(histogram, IMAGE_CHANNEL_BLUE, low[2], high[2]);
    unsigned char red[256], green[256], blue[256];
    MakeStretch(low[0], high[0], red);
    MakeStretch(low[1], high[1], green);
    MakeStretch(low[2], high[2], blue);
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        px[0] = blue[px[0]];
        px[1] = green[px[1]];
        px[2] = red[px[2]];
    }
}
