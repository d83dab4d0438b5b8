// Tone steps of the effects library: whole-picture look-up-table passes,
// saturation, gamma, noise, grey conversion, nearest-neighbour resampling and
// a few byte-layout helpers.
//
// Pictures are 4 bytes a pixel (B, G, R, A), rows top to bottom, no padding.
// Whole-picture steps take (image, width, height, ...) first, change the image
// in place and leave byte 3 alone unless their line says otherwise; a null
// image or a width or height below 1 does nothing.
#pragma once

#include "qtqveffect_export.h"

// --- look-up tables ------------------------------------------------------------

// B, G, R = table[value] (256-byte table)
QTQVEFFECT_EXPORT void Lut(unsigned char *image, int width, int height, unsigned char *table);
// R = red[R], G = green[G], B = blue[B]; A = alpha[A] only when alpha is not null
QTQVEFFECT_EXPORT void LutEx(unsigned char *image, int width, int height, unsigned char *red,
                             unsigned char *green, unsigned char *blue, unsigned char *alpha);

// --- brightness, contrast, saturation --------------------------------------------

// Lut with T[i] = int(float(brightness+128) + float(i-128) * (float(contrast+100)/100) + .5), < 1 -> 0, > 254 -> 255
QTQVEFFECT_EXPORT void Light(unsigned char *image, int width, int height, long brightness, long contrast);
// fills the caller's 256-byte table with the Light table; width and height are not read
QTQVEFFECT_EXPORT void LightNew(unsigned char *table, int width, int height, long brightness, long contrast);
// Light(image, width, height, brightness, 0)
QTQVEFFECT_EXPORT void Bright(unsigned char *image, int width, int height, long brightness);
// Light(image, width, height, 0, contrast)
QTQVEFFECT_EXPORT void Contrast(unsigned char *image, int width, int height, long contrast);
// Saturateconst(image, width, height, amount, 1): HSL saturation moved by amount
QTQVEFFECT_EXPORT void Saturation(unsigned char *image, int width, int height, int amount);
// Light when brightness or contrast is non-zero, then Saturateconst(.., saturation, 1) when saturation is non-zero
QTQVEFFECT_EXPORT void BrightContrastSaturation(unsigned char *image, int width, int height,
                                                long brightness, long contrast, int saturation);
// saturation matrix around grey weights 79/156/21 (of 256): f = float((amount > 0 ? 3 amount : amount) * .01 + 1)
QTQVEFFECT_EXPORT void Saturateconst(unsigned char *image, int width, int height, int amount);
// one pixel through a 3x3 integer matrix (rows R', G', B' over columns R, G, B), >> 8, clamped
QTQVEFFECT_EXPORT void SaturateconstMatrix(unsigned char *pixel, const int *matrix);
// mode 1: HSL s = clamp(s + amount); mode 2: YUV U, V scaled by (amount+100)/100 around 128; else nothing
QTQVEFFECT_EXPORT void Saturateconst(unsigned char *image, int width, int height, int amount, int mode);

// --- gamma --------------------------------------------------------------------------

// per channel T[i] = clamp(int(i^(1/gamma) / (255^(1/gamma) / 255))) in double; nothing unless every gamma > 0
QTQVEFFECT_EXPORT void GammaRGB(unsigned char *image, int width, int height,
                                float redGamma, float greenGamma, float blueGamma);

// --- single-pixel steps ---------------------------------------------------------------

// B, G, R each += int((float(rand()) * 4.656613e-10 - .5) * amount), clamped; one rand() per channel
QTQVEFFECT_EXPORT void NoiseEx(unsigned char *pixel, int amount);
// the same as NoiseEx
QTQVEFFECT_EXPORT void NoiseExNew(unsigned char *pixel, int amount);
// B = G = R = low 8 bits of ((117 B + 601 G + 306 R) * 16384) >> 24
QTQVEFFECT_EXPORT void SetGrayScaleEx(unsigned char *pixel);
// grey = (117 B + 601 G + 306 R) >> 10; the pixel is not changed
QTQVEFFECT_EXPORT void SetGrayScaleExNew(unsigned char *pixel, unsigned char &grey);

// --- layout and geometry -------------------------------------------------------------------

// copies count 4-byte pixels into packed 3-byte B, G, R pixels (byte 3 dropped)
QTQVEFFECT_EXPORT void tfbitCopy(unsigned char *source, unsigned char *destination, int count);
// for rows * columns pixels: B = G = R
QTQVEFFECT_EXPORT void SpliteToR(unsigned char *image, int rows, int columns);
// nearest-neighbour scaling of a 4-byte buffer allocated with new[]: *buffer is replaced by a
// new[] buffer of newWidth * newHeight pixels and the old one deleted; nothing when a size is
// below 1 or the sizes already match; without memory for the new buffer the old one is
// deleted and *buffer becomes null
QTQVEFFECT_EXPORT void Resample(int newWidth, int newHeight, unsigned char **buffer, int oldWidth, int oldHeight);
// Resample for pixels of bytesPerPixel bytes; nothing for a null pointer or buffer as well
QTQVEFFECT_EXPORT void RampleBit(int newWidth, int newHeight, unsigned char **buffer, int oldWidth, int oldHeight,
                                 int bytesPerPixel);
// yLine = y1 + ((y1-y2)(x1-x)) / (x2-x1); stores yLine, returns y < yLine (point above the line,
// y growing downward). A vertical line (x1 == x2) has no height at x: yLine = y1, returns false.
QTQVEFFECT_EXPORT bool IsPtUpLine(int x1, int y1, int x2, int y2, int x, int y, int &yLine);
