// Tone curves through control points: a uniform cubic B-spline through the
// points, each span drawn as a cubic Bezier, evaluated into 256-byte tables.
#pragma once

#include "qtqveffect_export.h"

// A curve control point, both coordinates 0..255.
struct _POINT {
    int x;
    int y;
};

// Curve channel selector (the int arguments of SFCurve take these values).
enum Channel {
    CHANNEL_SPARE = 0,      // a table no application step reads
    CHANNEL_RED = 1,
    CHANNEL_GREEN = 2,
    CHANNEL_BLUE = 3,
    CHANNEL_COMPOSITE = 4,  // one curve for R, G and B alike
    CHANNEL_RGB = 5,        // the red, green and blue curves together (ApplyCurve only)
};

class QTQVEFFECT_EXPORT SFCurve {
public:
    // Five identity tables: spare, red, green, blue, composite.
    SFCurve();
    virtual ~SFCurve();
    SFCurve(const SFCurve &) = delete;
    SFCurve &operator=(const SFCurve &) = delete;

    // The channel's table (0..4) becomes the curve through the points.
    void GetCurveByPoints(_POINT *points, int count, int channel);
    // The curve through the points applied after the channel's table: table[i] = S[table[i]].
    void GetCurveSuperpositionByPoints(_POINT *points, int count, int channel);
    // Evaluates the curve through count points (increasing x) into a 256-byte table.
    void getBezierPoints(_POINT *points, int count, unsigned char *table);
    // 1: R = red[R]; 2: G = green[G]; 3: B = blue[B]; 4: R, G, B through the
    // composite; 5: each through its own table; other channels: nothing.
    void ApplyCurve(int channel, unsigned char *image, int width, int height);
    // All five tables back to the identity.
    void Reset();
    // Frees the tables; safe to call twice. No curve may be used afterwards.
    void Release();

private:
    unsigned char *table(int channel) const;

    unsigned char *m_pSpare = nullptr;
    unsigned char *m_pRed = nullptr;
    unsigned char *m_pGreen = nullptr;
    unsigned char *m_pBlue = nullptr;
    unsigned char *m_pComposite = nullptr;
};
