// Colour balance by tone region, and three preset balances.
#pragma once

#include "qtqveffect_export.h"

// Tone region selector (the region argument takes these values).
enum _TONE_REGION {
    TONE_SHADOWS = 0,
    TONE_MIDTONES = 1,
    TONE_HIGHLIGHTS = 2,
};

// Moves the region's cyan-red, magenta-green and yellow-blue balance by the
// three amounts; with preserveLuminosity each pixel keeps its HLS lightness.
// outer * inner consecutive pixels are changed (callers pass width, height).
QTQVEFFECT_EXPORT void CColorBalance(bool preserveLuminosity, int region, int cyanRed, int magentaGreen,
                                     int yellowBlue, unsigned char *image, int outer, int inner);

// Fixed tables of CColorBalance for shadows (13, 0, 21), midtones (2, 0, 8) and
// highlights (0, 0, -13); region and the three amounts are not read.
QTQVEFFECT_EXPORT void CColorBalance_0_13_0_21(bool preserveLuminosity, int region, int cyanRed,
                                               int magentaGreen, int yellowBlue, unsigned char *image, int outer,
                                               int inner);
QTQVEFFECT_EXPORT void CColorBalance_1_2_0_8(bool preserveLuminosity, int region, int cyanRed, int magentaGreen,
                                             int yellowBlue, unsigned char *image, int outer, int inner);
QTQVEFFECT_EXPORT void CColorBalance_2_0_0_s13(bool preserveLuminosity, int region, int cyanRed,
                                               int magentaGreen, int yellowBlue, unsigned char *image, int outer,
                                               int inner);
