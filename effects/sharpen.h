// Separable integer-kernel blur and the unsharp mask built on it.
//
// A CSharp object is private to its caller: it holds the picture size, the
// kernel and the cached blur of the preview path.
#pragma once

#include "qtqveffect_export.h"

class QTQVEFFECT_EXPORT CSharp {
public:
    // Longest kernel the object can hold (radius 50 gives 251).
    static constexpr int kMaxKernel = 255;  // kernelblur::kMaxKernel

    CSharp();
    ~CSharp();
    CSharp(const CSharp &) = delete;
    CSharp &operator=(const CSharp &) = delete;

    // Kernel of length 5r + 1 rounded up to odd, weights int(W e^(-(k*k / 2r*r)) + .5).
    // Returns 1, or 0 (kernel left empty) when the radius is below 1 or the
    // kernel would not fit in kMaxKernel weights.
    int SetRadius(int radius);

    // One 1-D pass over B, G, R of the stored size, source -> destination:
    // sum(w p) / sum(w) over the kernel positions inside the line. Byte 3 of
    // the destination is not written. channels and the last flag are not read.
    // Returns 1.
    int ConvoluteDimension(const unsigned char *source, unsigned char *destination, int channels, bool horizontal,
                           bool flag);

    // Stores the size, builds the kernel for radius and blurs source into
    // destination (rows, then columns). Returns -1 when the kernel cannot be
    // built (nothing is written), else 1.
    int GetBlur(const unsigned char *source, unsigned char *destination, int width, int height, int radius,
                int channels, bool flag);
    // The same with the size and kernel already set. Returns 1, or -1 (nothing
    // written) when no kernel is built.
    int GetBlur(const unsigned char *source, unsigned char *destination, int channels, bool flag,
                int reserved = 0);

    // Blurs source into destination, then destination becomes the unsharp
    // result clamp(((10000 + k) value - k blurred) / 10000), k = int(amount * 10000 + .5)
    // (B, G, R). Returns 1, or 0 (nothing written) when no kernel is built.
    int GetUnsharpMask(const unsigned char *source, unsigned char *destination, int channels, float amount,
                       int flag);
    // As GetUnsharpMask, but the blur is made once and kept (bufferSize bytes, at
    // least the picture); later calls on the same object reuse it while the size
    // and radius stay the same, so a new amount costs no new blur.
    int GetUnsharpMaskPreview(const unsigned char *source, unsigned char *destination, int channels, float amount,
                              int flag, int bufferSize);

    // The unsharp formula in place on image against a blurred copy. Returns 1.
    int SharpProcess(unsigned char *image, const unsigned char *blurred, int width, int height, float amount);

    // Unsharp mask of the given radius and amount in place; byte 3 becomes 255.
    // Returns 1, or 0 (picture untouched) for a null picture or a refused radius.
    int useEffect(unsigned char *image, long width, long height, int radius, float amount);
    // As useEffect through the cached preview blur.
    int useEffectPreview(unsigned char *image, long width, long height, int radius, float amount);

private:
    // useEffect's and useEffectPreview's checks: stores the size and builds the
    // kernel; false for a null picture, a refused size or a refused radius.
    bool PrepareInPlace(const unsigned char *image, long width, long height, int radius);

    int m_nStride = 0;        // bytes a row (4 * width)
    int m_nHeight = 0;
    int m_nWidth = 0;
    int m_nKernel[kMaxKernel] = {};  // weights, symmetric around m_nKernel[m_nKernelLength / 2]
    int m_nKernelSum = 0;
    int m_nKernelLength = 0;  // odd, 0 while no kernel is built
    float m_fRadius = 0;
    float m_fAmount = 0;
    unsigned char *m_pBlurCache = nullptr;  // preview blur, malloc'd
    int m_nBlurCacheSize = 0;
    int m_nCacheWidth = 0;    // size and kernel length the cached blur was made with
    int m_nCacheHeight = 0;
    int m_nCacheKernel = 0;
};
