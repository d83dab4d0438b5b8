// The one-touch looks of the effects library.
//
// Each look rewrites a picture in place by chaining a few primitives: the tone
// tables of tonetables.h, blends against a mask, a texture or a constant colour
// (blendmodes.h), saturation and brightness / contrast (tonesteps.h), curves,
// colour balance and automatic levels (curves.h, levels.h, colorbalance.h),
// sharpening and blurring (sharpen.h, gaussianblur.h, brushblur.h).
//
// Arguments: the picture first, then the extra buffers, then width and height,
// then a blend table file where a look takes one. Every extra buffer is a
// picture of the same width and height in the same layout (4 bytes a pixel,
// B, G, R, A) unless its line names another size; they are only read.
// A width or height below 1 leaves everything as it is. The looks do not test
// their pointers: callers pass valid buffers.
//
// A blend table file is the whole content of an ".eb" file: 196,618 bytes
// holding three 256 x 256 tables at offsets 4, 65,543 and 131,082 (a count byte
// and three-byte headers in between are not read). Tk[row][column] is byte
// row * 256 + column of table k; the row is the value being changed.
//
// Contents
//   tone-table looks      StyleFilm, StyleJapanese, StyleXiaoQingXin,
//                         StyleElegant, StyleRetro, StyleImpression, StyleHeiBai,
//                         StyleGray, StyleLiuJin, StyleCinnamon      (styles_tone.cpp)
//   texture looks         StyleBrightRed, StyleLomoChristmas, StyleLomoSnow,
//                         StyleLomoNight, StyleLomoHalo, StyleLomoStar,
//                         StyleReverse, StyleRiguanghaian, StyleJinDian,
//                         StyleWarm, StyleFenHongJiaRen, StyleOldPhoto, StyleMilk
//                                                                   (styles_texture.cpp)
//   blend-table looks     StyleNiuPiZhi, StyleXuanCai, StyleFanHuang,
//                         StyleRouguang                             (styles_tables.cpp)
//   adjustment looks      StyleLomoHDR, StyleLomoHDRJinDian, StyleBaoColor,
//                         ABaoColor, StyleSharp, DanyaUseStone      (styles_adjust.cpp)
//   tilt and tunnel       StyleYiZhou, StyleChuanYue1, StyleChuanYue3 (styles_blur.cpp)
//   masks and points      WeakRoundChange, CDrawPoint               (styles_masks.cpp)
//
// Steps that change each channel on its own are run once over every value (or
// pair of values) and the looks then look the results up (styles_shared.h):
// the bytes are those of the steps run pixel by pixel in the order given.
#pragma once

#include "qtqveffect_export.h"

// --- tone-table looks -------------------------------------------------------------

// tables (R, G, B)
QTQVEFFECT_EXPORT void StyleFilm(unsigned char *image, int width, int height);
// tables (R, G, B)
QTQVEFFECT_EXPORT void StyleJapanese(unsigned char *image, int width, int height);
// c = int(c * .2 + T[c] * .8) in double, tables (R, G, B)
QTQVEFFECT_EXPORT void StyleXiaoQingXin(unsigned char *image, int width, int height);
// per pixel: grey of the unchanged pixel (SetGrayScaleExNew), tables (R, G, B),
// ImageSoftLightExNew(pixel, grey, 1.0)
QTQVEFFECT_EXPORT void StyleElegant(unsigned char *image, int width, int height);
// srand(time(0)) on every call (two calls in the same second add the same
// noise); per pixel: tables (R, G, B), NoiseExNew(pixel, 20)
QTQVEFFECT_EXPORT void StyleRetro(unsigned char *image, int width, int height);
// per pixel ColorBurnEx against (B 198, G 233, R 219) at .2; Saturateconst(15, 1);
// tables (R, G, B)
QTQVEFFECT_EXPORT void StyleImpression(unsigned char *image, int width, int height);
// per pixel: ColorEx against (B 56, G 47, R 47) at .8, tables (R = G, B)
QTQVEFFECT_EXPORT void StyleHeiBai(unsigned char *image, int width, int height);
// B = G = R = (30 R + 59 G + 11 B) / 100
QTQVEFFECT_EXPORT void StyleGray(unsigned char *image, int width, int height);
// Saturateconst(-100, 1); srand(time(0)) on every call; per pixel:
// ShiftRGBEx(pixel, R +40, G +25, B +0), NoiseEx(pixel, 20)
QTQVEFFECT_EXPORT void StyleLiuJin(unsigned char *image, int width, int height);
// per pixel: SoftLightEx2 of the pixel with itself, PinLightEx8 against (B 185, G 118, R 93) at .8
QTQVEFFECT_EXPORT void StyleCinnamon(unsigned char *image, int width, int height);

// --- texture looks ----------------------------------------------------------------

// per pixel: ScreenEx(texture, 1.0), then tables (R, G = B)
QTQVEFFECT_EXPORT void StyleBrightRed(unsigned char *image, unsigned char *texture, int width, int height);
// per pixel: tables (R, G, B), then ScreenEx(texture, 1.0)
QTQVEFFECT_EXPORT void StyleLomoChristmas(unsigned char *image, unsigned char *texture, int width, int height);
// per pixel: tables (R, G, B), then ScreenEx(texture, 1.0)
QTQVEFFECT_EXPORT void StyleLomoSnow(unsigned char *image, unsigned char *texture, int width, int height);
// per pixel: single table, then ScreenEx(texture, 1.0)
QTQVEFFECT_EXPORT void StyleLomoNight(unsigned char *image, unsigned char *texture, int width, int height);
// per pixel: single table, ScreenEx(texture, 1.0), NormalEx against (B 241, G 242, R 255) at .15
QTQVEFFECT_EXPORT void StyleLomoHalo(unsigned char *image, unsigned char *texture, int width, int height);
// per pixel SoftLightEx(texture, 1.0)
QTQVEFFECT_EXPORT void StyleLomoStar(unsigned char *image, unsigned char *texture, int width, int height);
// per pixel: tables (R, G, B), then SoftLightEx(mask, float(mask.A) * .7 / 255):
// the mask's alpha sets the opacity (at most .7; alpha 0 leaves only the tables)
QTQVEFFECT_EXPORT void StyleReverse(unsigned char *image, unsigned char *mask, int width, int height);
// AutoColorLevel(analyse false); per pixel: tables (R, G, B), then ScreenEx(texture, 1.0)
QTQVEFFECT_EXPORT void StyleRiguanghaian(unsigned char *image, unsigned char *texture, int width, int height);
// per pixel: CompositeColorEx with itself at 1.0, with second at .8, with third
// at .6, then the single table it shares with StyleXuanCai
QTQVEFFECT_EXPORT void StyleJinDian(unsigned char *image, unsigned char *second, unsigned char *third, int width,
                                    int height);
// tables (R, G, B); Light(0, -10); per pixel MultipleEx(second, 1.0), SoftLightEx(third, 1.0)
QTQVEFFECT_EXPORT void StyleWarm(unsigned char *image, unsigned char *second, unsigned char *third, int width,
                                 int height);
// per pixel CompositeColorEx at 1.0 with second, third and fourth in turn
QTQVEFFECT_EXPORT void StyleFenHongJiaRen(unsigned char *image, unsigned char *second, unsigned char *third,
                                          unsigned char *fourth, int width, int height);
// colour balance, cyan-red / magenta-green / yellow-blue of the shadows
// -11/-20/10, midtones 14/26/41, highlights 15/26/45;
// composite curve (0,0) (83,72) (163,184) (255,255), red curve (0,0) (80,89)
// (162,182) (255,255); per pixel ExclusionEx against (B 83, G 28, R 7) at 1.0,
// ScreenEx(texture, .8)
QTQVEFFECT_EXPORT void StyleOldPhoto(unsigned char *image, unsigned char *texture, int width, int height);
// a milky look: SoftLightEx(second, .45), curve (0,0) (119,135) (255,255),
// NormalEx(third, .31), Saturateconst(-25, 1), then per pixel NormalEx
// against white at .1, MultipleEx with the picture as it came in at .2,
// ScreenEx(fourth, .2)
QTQVEFFECT_EXPORT void StyleMilk(unsigned char *image, unsigned char *second, unsigned char *third,
                                 unsigned char *fourth, int width, int height);

// --- blend-table looks (table = the whole blend table file) ----------------------

// Saturateconst(-35, 1); per pixel and channel, k = 100 (B), 10 (G), 14 (R):
// c = T0[c][k], c = T1[c][second.c], c = T2[c][third.c]
QTQVEFFECT_EXPORT void StyleNiuPiZhi(unsigned char *image, unsigned char *second, unsigned char *third, int width,
                                     int height, const unsigned char *table);
// per pixel and channel: c = T0[c][c], T1[c][second.c], T2[c][third.c], then the single table
QTQVEFFECT_EXPORT void StyleXuanCai(unsigned char *image, unsigned char *second, unsigned char *third, int width,
                                    int height, const unsigned char *table);
// Saturateconst(-30, 1); per pixel: the single table, c = T0[c][second.c],
// c = T1[c][third.c], then B = T2[B][8], G = T2[G][8], R = T2[R][48]
QTQVEFFECT_EXPORT void StyleFanHuang(unsigned char *image, unsigned char *second, unsigned char *third, int width,
                                     int height, const unsigned char *table);
// per pixel: second's B, G, R through the single table, written back into
// second; then image.R = T0[second.R][image.R], image.G = T1[second.G][image.G],
// image.B = T2[second.B][image.B] (second's value selects the row).
// Unlike the other looks this one changes its second buffer.
QTQVEFFECT_EXPORT void StyleRouguang(unsigned char *image, unsigned char *second, int width, int height,
                                     const unsigned char *table);

// --- adjustment looks ---------------------------------------------------------------

// AutoColorLevel(analyse false), tables (R, G, B), unsharp mask radius 3 amount .5
QTQVEFFECT_EXPORT void StyleLomoHDR(unsigned char *image, int width, int height);
// StyleLomoHDR's steps, then per pixel ExclusionEx against (B 58, G 2, R 14) at 1.0
QTQVEFFECT_EXPORT void StyleLomoHDRJinDian(unsigned char *image, int width, int height);
// composite curve (0,0) (128,143) (255,255), then ABaoColor
QTQVEFFECT_EXPORT void StyleBaoColor(unsigned char *image, int width, int height);
// per pixel, in double on the 0..255 scale: to X, Y and L*, a*; back with a*
// standing in for b* (no Z on the way in); clamped and truncated
QTQVEFFECT_EXPORT void ABaoColor(unsigned char *image, int width, int height);
// unsharp mask (CSharp::useEffect) with the given radius and amount; byte 3 becomes 255.
// A radius outside 1..50 (no kernel can be built) changes nothing.
QTQVEFFECT_EXPORT void StyleSharp(unsigned char *image, int width, int height, int radius, float amount);
// region other than 1 or 2 counts as 0; CColorBalance(preserve luminosity,
// region, a, b, c), then AutoColorLevel(analyse true)
QTQVEFFECT_EXPORT void DanyaUseStone(unsigned char *image, int width, int height, int region, int a, int b, int c);

// --- tilt and tunnel ----------------------------------------------------------------

// The tilt look. masks is the content of the mask file: two single-byte masks
// of 640 x 640 one after the other. PRECONDITION: masks points at 819,200
// readable bytes (the whole file); nothing beyond them is read, and nothing
// is written there. Mask 1 picks the sharp band (255 = toned picture,
// 0 = blurred), mask 2 darkens (255 = unchanged); both are stretched to the
// picture's size. Uses the shared recursive-Gaussian object: not for
// concurrent use with another blur of that object.
QTQVEFFECT_EXPORT void StyleYiZhou(unsigned char *image, unsigned char *masks, int width, int height);
// The time tunnel. texture is a 240 x 240 picture (230,400 bytes) whose bytes
// 1, 2, 3 carry the colour. The image is overlaid in place with the stretched
// texture at .6, and the zoom blur of that toned image, weighted by the
// texture's byte 0, is returned as a new[] picture of width * height pixels
// (owned by the caller). Null for an empty picture, and without memory for
// the stretched texture or the result (the picture is then left as it was).
QTQVEFFECT_EXPORT unsigned char *StyleChuanYue1(unsigned char *image, unsigned char *texture, int width, int height);
// c = int(overlay.c * a + c * (1 - a)) in double, a = float(overlay.A) / 255
QTQVEFFECT_EXPORT void StyleChuanYue3(unsigned char *image, unsigned char *overlay, int width, int height);

// --- masks and points -----------------------------------------------------------------

// Writes a (2 outer + 1)^2 byte radial mask, row by row for offsets -outer..outer:
// with d = x^2 + y^2, r = inner^2, R = outer^2: 255 while 4d <= r, then
// min(255, 128 + (r - d) 256 / r) to d = r, then min(255, (R - d) 128 / (R - r))
// to d = R, 0 beyond. Nothing is written when outer is negative.
QTQVEFFECT_EXPORT void WeakRoundChange(unsigned char *mask, int inner, int outer);
// Fades a 256-byte table in toward the rim of a circle: Rr = int(radius * 1.2);
// at distance d <= Rr from (cx, cy), k = int(d / Rr * 255) (float) and
// c = (c (255 - k) + table[c] k) >> 8 for R, G, B. Rr below 1 changes nothing.
QTQVEFFECT_EXPORT void CDrawPoint(unsigned char *image, const unsigned char *table, int width, int height, int cx,
                                  int cy, int radius);
