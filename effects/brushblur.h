// The brush-style recursive blur and its coefficient builders, the radial zoom
// blur of the time-tunnel look and the cubic B-spline kernel.
#pragma once

#include "qtqveffect_export.h"

// Recursive Gaussian over rows and columns with sigma sqrt((r + 1)^2 / 11.082531490321692)
// per direction (radii below 2 become 2); B, G, R in place, byte 3 untouched.
QTQVEFFECT_EXPORT void GaussIIRBlurBrush(unsigned char *image, int width, int height, int radiusX, int radiusY);

// The recursion's coefficients for standard deviation sigma (used as it is):
// causal and anti-causal numerators, denominators and edge terms, five each.
QTQVEFFECT_EXPORT void find_constants(double *causal, double *antiCausal, double *causalDen, double *antiCausalDen,
                                      double *causalEdge, double *antiCausalEdge, double sigma);
// Fixed coefficient sets (those of find_constants at sigma 2 and 12); sigma is not read.
QTQVEFFECT_EXPORT void find_constants_2(double *causal, double *antiCausal, double *causalDen,
                                        double *antiCausalDen, double *causalEdge, double *antiCausalEdge,
                                        double sigma);
QTQVEFFECT_EXPORT void find_constants_12(double *causal, double *antiCausal, double *causalDen,
                                         double *antiCausalDen, double *causalEdge, double *antiCausalEdge,
                                         double sigma);

// Zoom blur toward the picture centre (97 samples, 16.16 fixed point), each
// sample weighted by byte 0 of weight at the sampled position, then a fixed
// contrast curve on B, G, R; byte 3 = sum of weights / 97. destination is a
// separate width * height * 4 buffer.
QTQVEFFECT_EXPORT void RadiusZoomBlur(unsigned char *destination, const unsigned char *image,
                                      const unsigned char *weight, int width, int height);

// Cubic B-spline: (P(x+2)^3 - 4P(x+1)^3 + 6P(x)^3 - 4P(x-1)^3) / 6, P(t) = max(t, 0); 0 above 2.
QTQVEFFECT_EXPORT float KernelBSpline(float x);
