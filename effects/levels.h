// Picture histograms and automatic levels.
#pragma once

#include "qtqveffect_export.h"

// Histogram selector (the int arguments of CHistogram take these values);
// any other value selects grey.
enum _IMAGE_CHANNEL {
    IMAGE_CHANNEL_GRAY = 0,
    IMAGE_CHANNEL_RED = 1,
    IMAGE_CHANNEL_GREEN = 2,
    IMAGE_CHANNEL_BLUE = 4,
};

// Counts of grey (30 R + 59 G + 11 B) / 100, red, green and blue values of one
// picture, with an analysed range start..end (0..255 after construction).
class QTQVEFFECT_EXPORT CHistogram {
public:
    CHistogram(const unsigned char *image, int width, int height);

    // Recounts all four histograms of a picture of the stored size.
    void AnalyzeImage(const unsigned char *image);

    // Count of one value (0 for a value outside 0..255).
    int GetChannelHistogram(int channel, int value) const;
    int GetValueCount(int value, int channel) const;
    // Sum of the counts from start to end inclusive.
    int GetCount(int channel) const;
    // Largest count from start to end.
    int GetMaxCount(int channel) const;
    // int(sum v * count(v) / sum count(v)) over start..end; 0 when empty.
    int GetAverage(int channel) const;

    void SetStart(int value);  // clamped to 0..255
    void SetEnd(int value);    // clamped to 0..255
    int GetStart() const;
    int GetEnd() const;
    int GetPixelNumber() const;  // width * height

private:
    const int *histogram(int channel) const;

    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nGray[256] = {};
    int m_nRed[256] = {};
    int m_nGreen[256] = {};
    int m_nBlue[256] = {};
    int m_nStart = 0;
    int m_nEnd = 255;
    int m_nPixelNumber = 0;
};

// Stretches each of R, G, B from its own low..high to 0..255, low and high
// clipping 0.6 % of the pixels at each end. With analyse false the mapping is
// the identity and the picture is unchanged.
QTQVEFFECT_EXPORT void AutoColorLevel(unsigned char *image, int width, int height, bool analyse);
