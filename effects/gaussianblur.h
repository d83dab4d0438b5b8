// The recursive (IIR) Gaussian blur: a fourth-order causal plus anti-causal
// recursion whose cost per sample does not depend on sigma.
//
// The instance holds no state: every pass builds the coefficients of the
// sigma it is given, so any number of threads may blur at once.
#pragma once

#include "qtqveffect_export.h"

class QTQVEFFECT_EXPORT GaussianBlurFilterUtil {
public:
    GaussianBlurFilterUtil();

    // The single instance, created on first use and destroyed at exit.
    static GaussianBlurFilterUtil *GetInst();

    // Kept for its callers; does nothing (ConvoluteDimension builds the
    // coefficients of its own sigma).
    void FindConstants(double sigma);

    // Filters B, G, R (the first three bytes of each pixel) of every row
    // (horizontal) or every column in place with the coefficients of sigma;
    // nothing when sigma < 1e-8. bytesPerPixel is the distance between pixels.
    void ConvoluteDimension(unsigned char *image, int width, int height, int bytesPerPixel, double sigma,
                            bool horizontal);

    // Blurs a 4-byte-a-pixel picture in place, rows with sigmaX then columns
    // with sigmaY (each clamped to 0..255). channels is not read.
    // Returns 0 for a null picture, else 1.
    int CreateBlurEffect(unsigned char *image, int width, int height, int channels, double sigmaX, double sigmaY);

    // int(value), truncated toward zero; out-of-range values saturate and NaN gives 0.
    static int DoubleToInt_IEEE(double value);
};
