// Internal to the library: the coefficient construction and the straightforward
// line recursion shared by GaussianBlurFilterUtil and the brush blur.
#pragma once

#include <cstddef>

namespace recursivegaussian {

// Deriche's fourth-order fit of a Gaussian: causal and anti-causal numerators,
// denominators and edge terms (the denominators of both directions are equal).
struct Coefficients {
    double c[5];   // causal numerator
    double a[5];   // anti-causal numerator
    double dc[5];  // causal denominator
    double da[5];  // anti-causal denominator
    double ec[5];  // causal edge terms
    double ea[5];  // anti-causal edge terms
};

// The coefficients for a Gaussian of standard deviation s (s > 0), used as it is.
void Build(double s, Coefficients &k);

// Writes the six five-term sets of k to separate arrays, in the order of the struct.
void Unpack(const Coefficients &k, double *c, double *a, double *dc, double *da, double *ec, double *ea);

// The standard deviation the recursion approximates for a blur strength sigma:
// sqrt((|sigma| + 1.3)^2 / (2 ln 255)).
double EffectiveSigma(double sigma);

// Filters channels 0..channels-1 of one line of n samples in place, sample i
// at line + i * step: causal plus anti-causal recursion with constant-signal
// edge terms, each result clamp(int(yc + ya)). scratch holds 2 * n doubles.
void FilterLinePlain(unsigned char *line, int n, std::ptrdiff_t step, int channels, const Coefficients &k,
                     double *scratch);

}  // namespace recursivegaussian
