// The looks' masks and textures, and the colourful-frame masks: each under the
// name and at the stored size its look opens, in the format its name says,
// and drawn for the blend that reads it.
#include <QImage>
#include <gtest/gtest.h>

#include "bundle.h"

using namespace bundletest;

namespace {

enum class Role {
    Light,     // screen-blended: light on black, mostly black
    MidGrey,   // soft light or overlay: lives around mid grey
    Vignette,  // brighter in the middle than in the corners
    Paper,     // multiplied: light all over
    Alpha,     // its alpha sets the strength: clear middle, opaque rim
};

struct Texture {
    const char *path;
    int width, height;
    Role role;
};

const Texture kTextures[] = {
    {":/style/qvrk_lomo4.jpg", 354, 493, Role::Vignette},
    {":/style/qvrk_lomo1_2.jpg", 354, 492, Role::Vignette},
    {":/style/qvrk_lzp_b.jpg", 333, 500, Role::Light},
    {":/style/qvrk_lianghong_001.jpg", 765, 1024, Role::Light},
    {":/style/qvrk_laozhaop2_wenli1.jpg", 765, 1024, Role::MidGrey},
    {":/style/qvrk_laozhaop2_wenli2.jpg", 765, 1024, Role::Paper},
    {":/style/qvrk_lomo1_1.jpg", 355, 492, Role::MidGrey},
    {":/style/qvrk_lomo5_1.jpg", 400, 535, Role::Paper},
    {":/style/qvrk_lomo5_2.jpg", 400, 535, Role::Vignette},
    {":/style/blowout2.jpg", 600, 600, Role::Vignette},
    {":/style/vignette640.jpg", 600, 600, Role::Vignette},
    {":/style/qvrk_festival_1b.jpg", 400, 600, Role::Light},
    {":/style/qvrk_fzs.png", 640, 640, Role::Alpha},
    {":/style/qvrk_fhjr3.jpg", 600, 600, Role::MidGrey},
    {":/style/qvrk_rgha.jpg", 600, 600, Role::Light},
    {":/colorful/2.jpg", 600, 803, Role::Light},
    {":/colorful/qvrk_yj.jpg", 598, 800, Role::Light},
    {":/colorful/qvrk_qcgy.jpg", 598, 800, Role::Light},
    {":/colorful/qvrk_star.jpg", 598, 800, Role::MidGrey},
    {":/colorful/0.jpg", 598, 800, Role::Light},
};

const char *kColourfulFrames[] = {":/colorful/guangyun1.jpg", ":/colorful/yinhe2.jpg", ":/colorful/xueye1.jpg",
                                  ":/colorful/aixin2.jpg", ":/colorful/wujiaoxing1.jpg", ":/colorful/qisehua1.jpg"};

bool isJpeg(const QByteArray &b) { return b.startsWith("\xFF\xD8\xFF"); }
bool isPng(const QByteArray &b) { return b.startsWith("\x89PNG\r\n\x1A\n"); }

// Share of pixels whose luma is below a level.
double darkShare(const QImage &img, int level)
{
    long dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            dark += (0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p)) < level;
        }
    return double(dark) / (double(img.width()) * img.height());
}

QRect centreBox(const QImage &img, double share)
{
    const int w = int(img.width() * share), h = int(img.height() * share);
    return QRect((img.width() - w) / 2, (img.height() - h) / 2, w, h);
}

double cornerLuma(const QImage &img)
{
    const int w = img.width() / 10, h = img.height() / 10;
    return (meanLuma(img, QRect(0, 0, w, h)) + meanLuma(img, QRect(img.width() - w, 0, w, h)) +
            meanLuma(img, QRect(0, img.height() - h, w, h)) + meanLuma(img, QRect(img.width() - w, img.height() - h, w, h))) /
           4;
}

class TextureTest : public ::testing::TestWithParam<Texture> {};

TEST_P(TextureTest, StoredUnderItsNameAtItsSizeInItsFormat)
{
    const Texture t = GetParam();
    const QByteArray bytes = readResource(t.path);
    ASSERT_FALSE(bytes.isEmpty()) << t.path << " is missing";
    EXPECT_TRUE(QString(t.path).endsWith(".png") ? isPng(bytes) : isJpeg(bytes)) << t.path << " is not what its name says";
    const QImage img = readImage(t.path);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.width(), t.width) << t.path;
    EXPECT_EQ(img.height(), t.height) << t.path;
}

TEST_P(TextureTest, DrawnForTheBlendThatReadsIt)
{
    const Texture t = GetParam();
    const QImage img = readImage(t.path).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(img.isNull());
    const QRect all = img.rect();
    switch (t.role) {
    case Role::Light:
        // A screen blend changes nothing where the texture is black: most of
        // the picture must be black, or the whole photo gets washed out.
        EXPECT_GT(darkShare(img, 24), 0.5) << t.path;
        break;
    case Role::MidGrey:
        EXPECT_GT(meanLuma(img, all), 100) << t.path;
        EXPECT_LT(meanLuma(img, all), 170) << t.path;
        break;
    case Role::Vignette:
        EXPECT_GT(meanLuma(img, centreBox(img, 0.2)) - cornerLuma(img), 40) << t.path;
        break;
    case Role::Paper:
        EXPECT_GT(meanLuma(img, all), 120) << t.path;
        break;
    case Role::Alpha: {
        EXPECT_TRUE(img.hasAlphaChannel()) << t.path;
        const QPoint c = all.center();
        EXPECT_LT(qAlpha(img.pixel(c)), 32) << t.path;
        EXPECT_GT(qAlpha(img.pixel(2, 2)), 200) << t.path;
        EXPECT_GT(qAlpha(img.pixel(img.width() - 3, img.height() - 3)), 200) << t.path;
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(Looks, TextureTest, ::testing::ValuesIn(kTextures));

TEST(ColourfulFrames, PortraitMasksBlackWhereThePhotoShows)
{
    for (const char *path : kColourfulFrames) {
        SCOPED_TRACE(path);
        const QByteArray bytes = readResource(path);
        ASSERT_TRUE(isJpeg(bytes));
        const QImage img = readImage(path);
        ASSERT_FALSE(img.isNull());
        EXPECT_GE(img.width(), 598);
        EXPECT_GE(img.height(), 800);
        EXPECT_GT(img.height(), img.width());
        // Screened over the photo: the middle stays untouched...
        EXPECT_LT(meanLuma(img, centreBox(img, 0.5)), 12);
        // ...and the decoration is along the edges.
        const int band = img.width() / 10;
        const double edge = (meanLuma(img, QRect(0, 0, img.width(), band)) +
                             meanLuma(img, QRect(0, img.height() - band, img.width(), band)) +
                             meanLuma(img, QRect(0, 0, band, img.height())) +
                             meanLuma(img, QRect(img.width() - band, 0, band, img.height()))) /
                            4;
        EXPECT_GT(edge, 25);
    }
}

}  // namespace
