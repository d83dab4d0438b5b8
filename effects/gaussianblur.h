// The recursive (IIR) Gaussian blur: a fourth-order causal plus anti-causal
// recursion whose cost per sample does not depend on sigma.
//
// One process-wide instance holds the coefficient set of the last sigma used;
// two blurs must not run at the same time.
#pragma once

#include "qtqveffect_export.h"

class QTQVEFFECT_EXPORT GaussianBlurFilterUtil {
public:
    // All thirty coefficients zero.
    GaussianBlurFilterUtil();

    // The single instance, created on first use and destroyed at exit.
    static GaussianBlurFilterUtil *GetInst();

    // Fills the coefficient set for sigma; does nothing for sigma < 1e-8.
    void FindConstants(double sigma);

    // Filters B, G, R (the first three bytes of each pixel) of every row
    // (horizontal) or every column in place with the current coefficient set;
    // nothing when sigma < 1e-8. bytesPerPixel is the distance between pixels.
    void ConvoluteDimension(unsigned char *image, int width, int height, int bytesPerPixel, double sigma,
                            bool horizontal);

    // Blurs a 4-byte-a-pixel picture in place, rows with sigmaX then columns
    // with sigmaY (each clamped to 0..255). channels is not read.
    // Returns 0 for a null picture, else 1.
    int CreateBlurEffect(unsigned char *image, int width, int height, int channels, double sigmaX, double sigmaY);

    // int(value), truncated toward zero; out-of-range values saturate and NaN gives 0.
    static int DoubleToInt_IEEE(double value);

private:
    double m_dCausal[5];          // c: causal numerator
    double m_dAntiCausal[5];      // a: anti-causal numerator
    double m_dCausalDen[5];       // dc: causal denominator
    double m_dAntiCausalDen[5];   // da: anti-causal denominator (equal to dc)
    double m_dCausalEdge[5];      // ec: causal edge terms
    double m_dAntiCausalEdge[5];  // ea: anti-causal edge terms
};
