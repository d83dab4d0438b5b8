// Qtqveffect: the one object through which the program reaches the effects
// library.
//
// Contents
//   effect         seven overloads; each selects a look (stylefilters.h) by its
//                  effect id from its own list of ids
//   WeakInit / WeakProcess    blurred copy and mask-weighted merge (focus blur)
//   SharpInit / SharpProcess  blurred copy and unsharp merge (sharpen tool)
//   ColorMixing    brightness / contrast, then saturation
//   ColorfulFrame  screen or soft-light a frame picture over the photo
//   effectShiGuangSuiDao / effectShiGuangSuiDaoResult   the time-tunnel look
//   sample, randInt
//
// Every buffer is a picture of 4 bytes a pixel (B, G, R, A), rows top to
// bottom without padding, width * height * 4 bytes; the first buffer is
// changed in place, the others are only read. The object holds no state.
// Buffers handed back (WeakInit, SharpInit, effectShiGuangSuiDao) come from
// new[]; the caller owns them and releases them with delete[].
#pragma once

#include "qtqveffect_export.h"

class QTQVEFFECT_EXPORT Qtqveffect
{
public:
    Qtqveffect();
    ~Qtqveffect();

    // One buffer: 1019 Elegant, 1020 Film, 1021 Retro, 1022 Cinnamon,
    // 1023 Japanese, 1027 Impression, 1028 BaoColor, 1033 LomoHDRJinDian,
    // 1034 HeiBai, 1035 LomoHDR, 1039 LiuJin, 1040 XiaoQingXin, 1101 Gray.
    // Every effect overload returns 1; an id that the overload does not list
    // leaves every buffer as it is, and so does a null picture.
    int effect(int id, unsigned char *image, int width, int height);
    // Picture and one mask or texture: 1026 OldPhoto, 1030 BrightRed,
    // 1042 LomoChristmas, 1043 LomoSnow, 1044 LomoNight, 1045 LomoHalo,
    // 1046 LomoStar, 1047 Reverse, 1102 Riguanghaian, 1104 YiZhou (second is
    // then the 819,200-byte file of two 640 x 640 masks, see StyleYiZhou).
    int effect(int id, unsigned char *image, unsigned char *second, int width, int height);
    // Picture and two masks: 1018 JinDian, 1041 Warm.
    int effect(int id, unsigned char *image, unsigned char *second, unsigned char *third, int width, int height);
    // Picture and three masks: 1048 FenHongJiaRen.
    int effect(int id, unsigned char *image, unsigned char *second, unsigned char *third, unsigned char *fourth,
               int width, int height);
    // Picture, two masks and a whole blend table file: 1031 NiuPiZhi,
    // 1032 XuanCai, 1038 FanHuang. A table shorter than a blend table file
    // (196,618 bytes) is refused: the picture stays as it is.
    int effect(int id, unsigned char *image, unsigned char *second, unsigned char *third, int width, int height,
               unsigned char *table, int tableLength);
    // Two entry points that list no id: they change nothing and return 1.
    int effect(int id, unsigned char *image, int, int, unsigned char *, int);
    int effect(int id, unsigned char *image, unsigned char *, int, int, unsigned char *, int);

    // A new[] copy of source blurred with the recursive Gaussian (sigma =
    // radius in both directions, B, G, R only); null for a null source.
    unsigned char *WeakInit(unsigned char *source, int width, int height, int radius);
    // image.c = int(float(source.c) * w + float(image.c) * (1 - w)) for B, G, R
    // with w = float(mask.R * 0.003921); 0 when a buffer is null, else 1.
    // (0.003921 rather than 1/255: a full mask gives 254 for 255 over 0.)
    int WeakProcess(unsigned char *image, unsigned char *source, unsigned char *mask, int width, int height);
    // A new[] copy of source through the radius-1 kernel blur; null for a null source.
    unsigned char *SharpInit(unsigned char *source, int width, int height);
    // Unsharp merge against the SharpInit copy:
    // c = clamp(((10000 + k) c - k blurred) / 10000), k = int(amount * 10000 + .5);
    // 0 when a buffer is null, else 1.
    int SharpProcess(unsigned char *image, unsigned char *blurred, int width, int height, float amount);
    // Light(brightness, contrast), then Saturateconst(saturation); 0 for a null picture, else 1.
    int ColorMixing(unsigned char *image, int width, int height, int brightness, int contrast, int saturation);
    // Mode 1 or 2: screen the frame over the photo; 3 or 4: soft light; any
    // other mode changes nothing. 0 when a buffer is null, else 1.
    int ColorfulFrame(unsigned char *image, unsigned char *frame, int width, int height, int mode);

    // The time-tunnel look (StyleChuanYue1): the image is toned in place and
    // the zoom-blurred result comes back as a new[] picture of the image's
    // size. texture is a 240 x 240 picture (230,400 bytes). Null when a
    // buffer is null or the picture is empty.
    unsigned char *effectShiGuangSuiDao(unsigned char *image, unsigned char *texture, int width, int height);
    // Alpha-composites overlay over image (StyleChuanYue3); returns 1.
    int effectShiGuangSuiDaoResult(unsigned char *image, unsigned char *overlay, int width, int height);

    // Clears G and R of every pixel, keeping B and byte 3; returns 0.
    int sample(unsigned char *image, int width, int height);
    // Returns 1 whatever its arguments.
    int randInt(int, int);
};

// The pixel work of ColorfulFrame without the null test.
QTQVEFFECT_EXPORT void FrameXCBK(unsigned char *image, unsigned char *frame, int width, int height, int mode);
