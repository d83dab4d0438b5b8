// Qtqveffect: effect-id dispatch to the looks, the focus-blur and sharpen
// helpers, colour mixing and colourful frames.
#include "qtqveffect.h"

#include "blendmodes.h"
#include "gaussianblur.h"
#include "sharpen.h"
#include "simd.h"
#include "styles_shared.h"
#include "stylefilters.h"
#include "tonesteps.h"

#include <cstdint>
#include <cstring>
#include <new>

using styles::PictureBytes;
using styles::PixelCount;

namespace {

// A blend table file: a count byte and three tables of 65,536 bytes, each
// behind a three-byte header.
constexpr int kBlendTableFileBytes = 196618;

template <typename Look>
struct NumberedLook {
    int id;
    Look look;
};

// Runs the look numbered id with the given pictures; other numbers change nothing.
template <typename Look, std::size_t N, typename... Pictures>
void RunLook(const NumberedLook<Look> (&looks)[N], int id, Pictures... pictures)
{
    for (const NumberedLook<Look> &l : looks)
        if (l.id == id)
            return l.look(pictures...);
}

using OnePicture = void (*)(unsigned char *, int, int);
using TwoPictures = void (*)(unsigned char *, unsigned char *, int, int);
using ThreePictures = void (*)(unsigned char *, unsigned char *, unsigned char *, int, int);
using ThreePicturesAndTable = void (*)(unsigned char *, unsigned char *, unsigned char *, int, int,
                                       const unsigned char *);

const NumberedLook<OnePicture> kOnePictureLooks[] = {
    {1019, StyleElegant},   {1020, StyleFilm},       {1021, StyleRetro},        {1022, StyleCinnamon},
    {1023, StyleJapanese},  {1027, StyleImpression}, {1028, StyleBaoColor},     {1033, StyleLomoHDRJinDian},
    {1034, StyleHeiBai},    {1035, StyleLomoHDR},    {1039, StyleLiuJin},       {1040, StyleXiaoQingXin},
    {1101, StyleGray},
};
// 1500 (a colourful frame number) is deliberately not here.
const NumberedLook<TwoPictures> kTwoPictureLooks[] = {
    {1026, StyleOldPhoto},     {1030, StyleBrightRed}, {1042, StyleLomoChristmas}, {1043, StyleLomoSnow},
    {1044, StyleLomoNight},    {1045, StyleLomoHalo},  {1046, StyleLomoStar},      {1047, StyleReverse},
    {1102, StyleRiguanghaian}, {1104, StyleYiZhou},
};
const NumberedLook<ThreePictures> kThreePictureLooks[] = {{1018, StyleJinDian}, {1041, StyleWarm}};
const NumberedLook<ThreePicturesAndTable> kTableLooks[] = {
    {1031, StyleNiuPiZhi}, {1032, StyleXuanCai}, {1038, StyleFanHuang}};

}  // namespace

Qtqveffect::Qtqveffect() = default;
Qtqveffect::~Qtqveffect() = default;

// --- effect dispatch -------------------------------------------------------------

int Qtqveffect::effect(int id, unsigned char *image, int width, int height)
{
    if (image)
        RunLook(kOnePictureLooks, id, image, width, height);
    return 1;
}

int Qtqveffect::effect(int id, unsigned char *image, unsigned char *second, int width, int height)
{
    if (image && second)
        RunLook(kTwoPictureLooks, id, image, second, width, height);
    return 1;
}

int Qtqveffect::effect(int id, unsigned char *image, unsigned char *second, unsigned char *third, int width,
                       int height)
{
    if (image && second && third)
        RunLook(kThreePictureLooks, id, image, second, third, width, height);
    return 1;
}

int Qtqveffect::effect(int id, unsigned char *image, unsigned char *second, unsigned char *third,
                       unsigned char *fourth, int width, int height)
{
    if (!image || !second || !third || !fourth)
        return 1;
    if (id == 1048)
        StyleFenHongJiaRen(image, second, third, fourth, width, height);
    return 1;
}

int Qtqveffect::effect(int id, unsigned char *image, unsigned char *second, unsigned char *third, int width,
                       int height, unsigned char *table, int tableLength)
{
    // The looks index the table file at fixed offsets up to its last byte, so a
    // shorter buffer would be read past its end: refuse it.
    if (image && second && third && table && tableLength >= kBlendTableFileBytes)
        RunLook(kTableLooks, id, image, second, third, width, height, static_cast<const unsigned char *>(table));
    return 1;
}

int Qtqveffect::effect(int, unsigned char *, int, int, unsigned char *, int)
{
    return 1;
}

int Qtqveffect::effect(int, unsigned char *, unsigned char *, int, int, unsigned char *, int)
{
    return 1;
}

// --- focus blur ---------------------------------------------------------------------

unsigned char *Qtqveffect::WeakInit(unsigned char *source, int width, int height, int radius)
{
    if (!source)
        return nullptr;
    const std::size_t bytes = PictureBytes(width, height);
    unsigned char *copy = new unsigned char[bytes];
    if (bytes != 0) {
        std::memcpy(copy, source, bytes);
        // Channel mask 7 = B, G, R; the radius is the sigma in both directions.
        GaussianBlurFilterUtil::GetInst()->CreateBlurEffect(copy, width, height, 7, static_cast<double>(radius),
                                                            static_cast<double>(radius));
    }
    return copy;
}

namespace {

// image.c = int(float(source.c) * w + float(image.c) * (1 - w)) for B, G, R,
// w = float(mask.R * 0.003921) (the product in double, then narrowed); written
// so that the compiler can run it several pixels at a time (the same float
// operations in the same order, so the same bytes).
__attribute__((always_inline)) inline void WeakPixels(unsigned char *image, const unsigned char *source,
                                                      const unsigned char *mask, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t p, s, m;
        std::memcpy(&p, image + 4 * i, 4);
        std::memcpy(&s, source + 4 * i, 4);
        std::memcpy(&m, mask + 4 * i, 4);
        const float w = static_cast<float>(static_cast<int>((m >> 16) & 255) * 0.003921);  // not 1/255
        const float rest = 1 - w;
        const auto mix = [&](int shift) {
            const float v = static_cast<float>((s >> shift) & 255) * w + static_cast<float>((p >> shift) & 255) * rest;
            return static_cast<std::uint32_t>(static_cast<int>(v)) << shift;  // 0..255: w + rest is about 1
        };
        p = (p & 0xff000000u) | mix(16) | mix(8) | mix(0);
        std::memcpy(image + 4 * i, &p, 4);
    }
}

void WeakPlain(unsigned char *image, const unsigned char *source, const unsigned char *mask, std::size_t n)
{
    WeakPixels(image, source, mask, n);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"), optimize("tree-vectorize"))) void WeakAvx2(unsigned char *image,
                                                                            const unsigned char *source,
                                                                            const unsigned char *mask, std::size_t n)
{
    WeakPixels(image, source, mask, n);
}
#endif

}  // namespace

int Qtqveffect::WeakProcess(unsigned char *image, unsigned char *source, unsigned char *mask, int width, int height)
{
    if (!image || !source || !mask)
        return 0;
    const std::size_t n = PixelCount(width, height);
#if defined(__x86_64__) && defined(__GNUC__)
    if (qvfx::simd::level() >= qvfx::simd::kAvx2) {
        WeakAvx2(image, source, mask, n);
        return 1;
    }
#endif
    WeakPlain(image, source, mask, n);
    return 1;
}

// --- sharpen --------------------------------------------------------------------------

unsigned char *Qtqveffect::SharpInit(unsigned char *source, int width, int height)
{
    if (!source)
        return nullptr;
    const std::size_t bytes = PictureBytes(width, height);
    unsigned char *copy = new (std::nothrow) unsigned char[bytes];
    if (!copy)
        return nullptr;
    if (bytes != 0) {
        // The blur writes B, G and R; byte 3 keeps the source's value. A blur
        // that cannot be made (no memory for its rows) gives no copy at all:
        // an unblurred one would sharpen nothing and look like success.
        std::memcpy(copy, source, bytes);
        CSharp sharp;
        if (sharp.GetBlur(source, copy, width, height, 1, 7, false) != 1) {
            delete[] copy;
            return nullptr;
        }
    }
    return copy;
}

int Qtqveffect::SharpProcess(unsigned char *image, unsigned char *blurred, int width, int height, float amount)
{
    if (!image || !blurred)
        return 0;
    if (PixelCount(width, height) == 0)
        return 1;
    CSharp sharp;
    sharp.SharpProcess(image, blurred, width, height, amount);
    return 1;
}

// --- colour mixing and colourful frames -------------------------------------------------

int Qtqveffect::ColorMixing(unsigned char *image, int width, int height, int brightness, int contrast,
                            int saturation)
{
    if (!image)
        return 0;
    Light(image, width, height, brightness, contrast);
    Saturateconst(image, width, height, saturation);
    return 1;
}

void FrameXCBK(unsigned char *image, unsigned char *frame, int width, int height, int mode)
{
    const std::size_t n = PixelCount(width, height);
    styles::Blend blend = nullptr;
    if (mode == 1 || mode == 2)
        blend = ScreenEx;
    else if (mode == 3 || mode == 4)
        blend = SoftLightEx;
    if (!blend || n == 0)
        return;
    // The blend at full opacity, tabulated over every pair of values.
    const auto table = styles::TabulateBlend(blend, 1.0);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        const unsigned char *f = frame + 4 * i;
        px[0] = table->at[px[0]][f[0]];
        px[1] = table->at[px[1]][f[1]];
        px[2] = table->at[px[2]][f[2]];
    }
}

int Qtqveffect::ColorfulFrame(unsigned char *image, unsigned char *frame, int width, int height, int mode)
{
    if (!image || !frame)
        return 0;
    FrameXCBK(image, frame, width, height, mode);
    return 1;
}

// --- time tunnel ------------------------------------------------------------------------

unsigned char *Qtqveffect::effectShiGuangSuiDao(unsigned char *image, unsigned char *texture, int width, int height)
{
    if (!image || !texture)
        return nullptr;
    return StyleChuanYue1(image, texture, width, height);
}

int Qtqveffect::effectShiGuangSuiDaoResult(unsigned char *image, unsigned char *overlay, int width, int height)
{
    if (image && overlay)
        StyleChuanYue3(image, overlay, width, height);
    return 1;
}

// --- the rest -------------------------------------------------------------------------------

int Qtqveffect::sample(unsigned char *image, int width, int height)
{
    if (!image)
        return 0;
    const std::size_t n = PixelCount(width, height);
    for (std::size_t i = 0; i < n; ++i) {
        image[4 * i + 1] = 0;
        image[4 * i + 2] = 0;
    }
    return 0;
}

int Qtqveffect::randInt(int, int)
{
    return 1;
}
