// The "tools" object's editing operations: strength, auto enhance, straighten
// and tone, through the object as QML calls them and through their pixel
// functions against plain forms.
#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "autoenhance.h"
#include "blend.h"
#include "levels.h"
#include "straighten.h"
#include "testsupport.h"
#include "tone.h"

#include <cmath>
#include <numbers>

using namespace testsupport;

namespace {

// A grey ramp: value x * 255 / (width - 1) in every row.
QImage greyRamp(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = x * 255 / (width - 1);
            image.setPixel(x, y, qRgb(v, v, v));
        }
    return image;
}

// Irregular colours in every byte, so no formula passes by luck.
QImage noisePicture(int width, int height, QImage::Format format, quint32 seed)
{
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = format == QImage::Format_RGB32 ? (seed | 0xff000000u) : seed;
        }
    }
    return image;
}

// A landscape-like scene: sky above, a darker green-brown ground below,
// shaded smoothly, with every channel using most of its range.
QImage scene(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double shade = 0.5 + 0.5 * std::sin(9 * u + 4 * v);
            if (v < 0.45)
                image.setPixel(x, y, qRgb(int(90 + 150 * shade), int(140 + 110 * shade), int(200 + 55 * shade)));
            else
                image.setPixel(x, y, qRgb(int(10 + 160 * shade), int(20 + 190 * shade), int(5 + 90 * shade)));
        }
    return image;
}

// Each channel mapped into low..high times its own gain: a flat, cast copy.
QImage degraded(const QImage &image, int low, int high, double red, double green, double blue)
{
    QImage out = image.copy();
    auto squeeze = [&](int c, double gain) { return int(std::lround((low + c * (high - low) / 255.0) * gain)); };
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = qRgb(squeeze(qRed(line[x]), red), squeeze(qGreen(line[x]), green),
                           squeeze(qBlue(line[x]), blue));
    }
    return out;
}

struct ChannelMeans {
    double r = 0, g = 0, b = 0;
    double grey() const { return (r + g + b) / 3; }
};

ChannelMeans meansOf(const QImage &image, QRect area = QRect())
{
    if (area.isNull())
        area = image.rect();
    ChannelMeans m;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            m.r += qRed(p);
            m.g += qGreen(p);
            m.b += qBlue(p);
        }
    const double n = double(area.width()) * area.height();
    m.r /= n;
    m.g /= n;
    m.b /= n;
    return m;
}

double greyDeviation(const QImage &image)
{
    double sum = 0, squares = 0;
    const double n = double(image.width()) * image.height();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double v = qGray(image.pixel(x, y));
            sum += v;
            squares += v * v;
        }
    return std::sqrt(squares / n - (sum / n) * (sum / n));
}


// Pixels equal, whatever the two pictures' formats.
bool samePixels(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

class EditingToolsTest : public QObject
{
    Q_OBJECT

    QString photo;   // 320 x 240 PNG, position colours
    QString looked;  // the same with every byte changed
    ZQDCommunication *communication = nullptr;
    EditorTools *tools = nullptr;

private slots:
    void initTestCase()
    {
        communication = new ZQDCommunication(this);
        tools = new EditorTools(communication, this);
        photo = writePicture(documentRoot() + "photo.png", positionPicture(320, 240));
        looked = writePicture(documentRoot() + "looked.png", noisePicture(320, 240, QImage::Format_RGB32, 7));
    }

    // --- strength ---------------------------------------------------------------------------

    void strengthEndsGiveEitherPictureExactly()
    {
        const QString none = tools->blendImage(photo, looked, 0.0);
        QVERIFY(!none.isEmpty());
        QVERIFY(samePixels(QImage(none), QImage(photo)));
        const QString full = tools->blendImage(photo, looked, 1.0);
        QVERIFY(samePixels(QImage(full), QImage(looked)));
        // Named after the edited picture, so the edit stays for the next strength.
        QVERIFY(full.endsWith("looked_norvik.png"));
        QVERIFY(QFile::exists(looked));
    }

    void strengthMixesEveryByteAsThePlainFormula()
    {
        const QImage a = noisePicture(61, 17, QImage::Format_ARGB32, 1);
        const QImage b = noisePicture(61, 17, QImage::Format_ARGB32, 2);
        for (double strength : {0.01, 0.3, 0.5, 0.77, 0.999}) {
            const int w = blend::weightOf(strength);
            const QImage mixed = blend::mix(a, b, w);
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width() * 4; ++x) {
                    const int o = a.constScanLine(y)[x], e = b.constScanLine(y)[x];
                    const int plain = int(std::floor(o + (e - o) * w / 256.0 + 0.5));
                    QCOMPARE(int(mixed.constScanLine(y)[x]), plain);
                }
        }
        QCOMPARE(blend::weightOf(-1), 0);
        QCOMPARE(blend::weightOf(std::nan("")), 0);
        QCOMPARE(blend::weightOf(2), 256);
        QVERIFY(blend::mix(a, b.copy(0, 0, 60, 17), 128).isNull());
    }

    void strengthOverAFrameKeepsThePhotoInPlace()
    {
        // A 20-pixel black border around the photo, which stays in the middle.
        QImage frame(360, 280, QImage::Format_RGB32);
        frame.fill(Qt::black);
        const QImage inside = positionPicture(320, 240);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                frame.setPixel(x + 20, y + 20, inside.pixel(x, y));
        const QString framed = writePicture(documentRoot() + "framed.png", frame);
        const QImage half(tools->blendImage(photo, framed, 0.5));
        QCOMPARE(half.size(), QSize(360, 280));
        // The photo is the same in both: unchanged, so it never shows twice.
        for (QPoint p : {QPoint(20, 20), QPoint(200, 150), QPoint(339, 259)})
            QCOMPARE(half.pixel(p), frame.pixel(p));
        // The border is half way to the enlarged photo beneath it.
        QVERIFY(qGray(half.pixel(5, 140)) > 10);
    }

    void strengthRefusesWhatItCannotDo()
    {
        QCOMPARE(tools->blendImage(photo, looked, 1.5), QString());
        QVERIFY(tools->lastError().contains("between 0 and 1"));
        QCOMPARE(tools->blendImage(documentRoot() + "missing.png", looked, 0.5), QString());
        QVERIFY(tools->lastError().contains("does not exist"));
    }

    // --- tone -------------------------------------------------------------------------------

    void toneAtZeroLeavesEveryPixel()
    {
        for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
            const QImage source = noisePicture(97, 55, format, 3);
            QCOMPARE(tone::apply(source, {}), source);
            const auto tables = tone::channelTables({});
            for (int c = 0; c < 3; ++c)
                for (int v = 0; v < 256; ++v)
                    QCOMPARE(int(tables[c][v]), v);
        }
        const QString path = tools->toneImage(photo, 0, 0, 0, 0, 0, 0);
        QVERIFY(samePixels(QImage(path), QImage(photo)));
    }

    void toneMatchesThePlainFormOnEveryPixel()
    {
        const tone::Settings mixes[] = {{40, -30, 25, 60, -20, 70}, {-100, 100, -100, -100, 100, -100},
                                        {100, -100, 100, 100, -100, 100}, {0, 0, 0, 0, 0, 35}};
        const QImage source = noisePicture(83, 49, QImage::Format_ARGB32, 11);
        for (const tone::Settings &s : mixes) {
            const QImage out = tone::apply(source, s);
            for (int y = 0; y < source.height(); ++y)
                for (int x = 0; x < source.width(); ++x)
                    QCOMPARE(out.pixel(x, y), tone::tonePixel(source.pixel(x, y), x, y, 83, 49, s));
        }
    }

    void eachToneControlMovesTheWayItSays()
    {
        const QImage ramp = greyRamp(256, 8);
        auto at = [](const QImage &image, int v) { return image.pixel(v, 4); };
        auto with = [&](tone::Settings s) { return tone::apply(ramp, s); };

        const QImage brighter = with({60, 0, 0, 0, 0, 0}), darker = with({-60, 0, 0, 0, 0, 0});
        QVERIFY(qGray(at(brighter, 100)) > 100 + 20);
        QVERIFY(qGray(at(darker, 100)) < 100 - 20);
        QCOMPARE(qGray(at(brighter, 255)), 255);  // the shoulder keeps white, not more
        QCOMPARE(qGray(at(brighter, 0)), 0);

        const QImage lifted = with({0, 0, 70, 0, 0, 0}), deepened = with({0, 0, -70, 0, 0, 0});
        QVERIFY(qGray(at(lifted, 50)) > 50 + 10);
        QVERIFY(qGray(at(deepened, 50)) < 50 - 10);
        QVERIFY(std::abs(qGray(at(lifted, 230)) - 230) <= 2);  // bright tones barely move

        const QImage recovered = with({0, -70, 0, 0, 0, 0}), boosted = with({0, 70, 0, 0, 0, 0});
        QVERIFY(qGray(at(recovered, 200)) < 200 - 10);
        QVERIFY(qGray(at(boosted, 200)) > 200 + 10);
        QVERIFY(std::abs(qGray(at(recovered, 30)) - 30) <= 2);  // dark tones barely move

        const QRgb warm = at(with({0, 0, 0, 80, 0, 0}), 128), cool = at(with({0, 0, 0, -80, 0, 0}), 128);
        QVERIFY(qRed(warm) > 128 && qBlue(warm) < 128);  // amber
        QVERIFY(qRed(cool) < 128 && qBlue(cool) > 128);
        const QRgb magenta = at(with({0, 0, 0, 0, 80, 0}), 128), green = at(with({0, 0, 0, 0, -80, 0}), 128);
        QVERIFY(qGreen(magenta) < qRed(magenta) && qGreen(magenta) < qBlue(magenta));
        QVERIFY(qGreen(green) > qRed(green) && qGreen(green) > qBlue(green));
    }

    void vignetteDarkensTheCornersAndLeavesTheCentre()
    {
        QImage grey(400, 300, QImage::Format_RGB32);
        grey.fill(qRgb(160, 160, 160));
        const QImage dark = tone::apply(grey, {0, 0, 0, 0, 0, 100});
        const QImage light = tone::apply(grey, {0, 0, 0, 0, 0, -100});
        QCOMPARE(dark.pixel(200, 150), grey.pixel(200, 150));
        QCOMPARE(light.pixel(200, 150), grey.pixel(200, 150));
        for (QPoint corner : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 299), QPoint(399, 299)}) {
            QVERIFY(qGray(dark.pixel(corner)) < 80);
            QVERIFY(qGray(light.pixel(corner)) > 200);
        }
        // Darker on the way out along the diagonal.
        QVERIFY(qGray(dark.pixel(20, 15)) < qGray(dark.pixel(60, 45)));
        QVERIFY(qGray(dark.pixel(60, 45)) <= qGray(dark.pixel(120, 90)));
    }

    void toneExtremesKeepTheCurvesRising()
    {
        for (int a : {-100, 100}) {
            const tone::Settings each[] = {{a, 0, 0, 0, 0, 0}, {0, a, 0, 0, 0, 0}, {0, 0, a, 0, 0, 0},
                                           {a, a, a, a, a, 0}, {a, -a, a, -a, a, 0}};
            for (const tone::Settings &s : each) {
                const auto tables = tone::channelTables(s);
                for (int c = 0; c < 3; ++c)
                    for (int v = 1; v < 256; ++v)
                        QVERIFY2(tables[c][v] >= tables[c][v - 1], qPrintable(QString("amount %1 value %2").arg(a).arg(v)));
            }
        }
        QCOMPARE(tools->toneImage(photo, 0, 101, 0, 0, 0, 0), QString());
        QVERIFY(tools->lastError().contains("-100 and 100"));
        QVERIFY(!tools->toneImage(photo, 100, 100, 100, 100, 100, 100).isEmpty());
    }

    void histogramCountsBrightness()
    {
        QImage halves(64, 32, QImage::Format_RGB32);
        halves.fill(Qt::black);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 16; ++x)
                halves.setPixel(x, y, qRgb(255, 255, 255));
        const QString path = writePicture(documentRoot() + "halves.png", halves);
        const QVariantList bins = tools->brightnessHistogram(path, 64);
        QCOMPARE(bins.size(), 64);
        QCOMPARE(bins.first().toDouble(), 1.0);    // three quarters black: the fullest
        QCOMPARE(bins.last().toDouble(), 1.0 / 3);  // one quarter white
        QCOMPARE(bins.at(32).toDouble(), 0.0);
        QVERIFY(tools->brightnessHistogram(path, 48).isEmpty());
    }

    // --- straighten -------------------------------------------------------------------------

    void straightenCropIsTheLargestInnerRectangle()
    {
        const QSize sizes[] = {{400, 300}, {300, 400}, {1000, 250}, {256, 256}};
        for (QSize size : sizes)
            for (double degrees : {0.5, -3.0, 7.25, 20.0, -45.0}) {
                const double k = straighten::keptShare(size.width(), size.height(), degrees);
                const double a = degrees * std::numbers::pi / 180;
                // A centred rectangle fits inside the turned one when each of its
                // corners, turned back, lies inside the picture.
                auto fits = [&](double share) {
                    const double hw = share * size.width() / 2, hh = share * size.height() / 2;
                    for (int sx : {-1, 1})
                        for (int sy : {-1, 1}) {
                            const double x = sx * hw, y = sy * hh;
                            const double u = x * std::cos(a) + y * std::sin(a);
                            const double v = -x * std::sin(a) + y * std::cos(a);
                            if (std::abs(u) > size.width() / 2.0 + 1e-9 || std::abs(v) > size.height() / 2.0 + 1e-9)
                                return false;
                        }
                    return true;
                };
                QVERIFY(fits(k));
                QVERIFY(!fits(k * 1.001));
                const QSize crop = straighten::croppedSize(size.width(), size.height(), degrees);
                QCOMPARE(crop, QSize(int(std::floor(k * size.width())) - 2, int(std::floor(k * size.height())) - 2));
            }
        QCOMPARE(straighten::croppedSize(400, 300, 0), QSize(400, 300));
        QCOMPARE(tools->straightenedSize(400, 300, 10), straighten::croppedSize(400, 300, 10));
    }

    void straightenLeavesNoEmptyCorner()
    {
        QImage opaque(401, 297, QImage::Format_ARGB32);
        opaque.fill(qRgba(200, 120, 40, 255));
        for (double degrees : {0.3, 5.0, -12.5, 33.0, 45.0, -45.0}) {
            const QImage out = straighten::apply(opaque, degrees);
            QCOMPARE(out.size(), straighten::croppedSize(401, 297, degrees));
            const straighten::Mapping m = straighten::mappingFor(opaque.size(), out.size(), degrees);
            for (QPoint corner : {QPoint(0, 0), QPoint(out.width() - 1, 0), QPoint(0, out.height() - 1),
                                  QPoint(out.width() - 1, out.height() - 1)}) {
                QCOMPARE(out.pixel(corner), qRgba(200, 120, 40, 255));
                // The corner's source position lies within the picture without clamping.
                const qint64 fx = m.originX + corner.x() * m.stepXx + corner.y() * m.stepYx;
                const qint64 fy = m.originY + corner.x() * m.stepXy + corner.y() * m.stepYy;
                QVERIFY(fx >= 0 && fx <= qint64(400) << straighten::kFractionBits);
                QVERIFY(fy >= 0 && fy <= qint64(296) << straighten::kFractionBits);
            }
        }
    }

    void straightenMatchesThePlainFormAndTurnsClockwise()
    {
        const QImage source = noisePicture(203, 151, QImage::Format_RGB32, 5);
        const QImage out = straighten::apply(source, 7.3);
        const straighten::Mapping m = straighten::mappingFor(source.size(), out.size(), 7.3);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                QCOMPARE(out.pixel(x, y), straighten::straightenedPixel(source, m, x, y));

        // A dark band across the middle, turned clockwise, runs down to the right.
        QImage band(300, 200, QImage::Format_RGB32);
        band.fill(Qt::white);
        for (int y = 95; y < 105; ++y)
            for (int x = 0; x < 300; ++x)
                band.setPixel(x, y, qRgb(0, 0, 0));
        const QImage turned = straighten::apply(band, 10);
        auto bandRow = [&](int x) {
            for (int y = 0; y < turned.height(); ++y)
                if (qGray(turned.pixel(x, y)) < 60)
                    return y;
            return -1;
        };
        QVERIFY(bandRow(10) >= 0 && bandRow(turned.width() - 10) > bandRow(10) + 20);
    }

    void straightenThroughTheTools()
    {
        const QString same = tools->straightenImage(photo, 0);
        QVERIFY(samePixels(QImage(same), QImage(photo)));
        const QString turned = tools->straightenImage("file://" + photo, -4);
        QCOMPARE(QImage(turned).size(), straighten::croppedSize(320, 240, -4));
        QCOMPARE(tools->straightenImage(photo, 60), QString());
        QVERIFY(tools->lastError().contains("45"));
    }

    // Pictures large enough to be worked on in bands by several threads.
    void bandsGiveTheSameBytesAsThePlainForms()
    {
        const QImage big = noisePicture(1100, 520, QImage::Format_RGB32, 13);
        const tone::Settings s{25, -40, 30, 50, -20, 60};
        const QImage toned = tone::apply(big, s);
        const QImage turned = straighten::apply(big, -6.5);
        const straighten::Mapping m = straighten::mappingFor(big.size(), turned.size(), -6.5);
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x)
                QCOMPARE(toned.pixel(x, y), tone::tonePixel(big.pixel(x, y), x, y, 1100, 520, s));
        for (int y = 0; y < turned.height(); ++y)
            for (int x = 0; x < turned.width(); ++x)
                QCOMPARE(turned.pixel(x, y), straighten::straightenedPixel(big, m, x, y));
        const QImage other = noisePicture(1100, 520, QImage::Format_RGB32, 14);
        const QImage mixed = blend::mix(big, other, 77);
        for (int y = 0; y < big.height(); y += 7)
            for (int x = 0; x < big.width() * 4; ++x)
                QCOMPARE(mixed.constScanLine(y)[x], blend::mixByte(big.constScanLine(y)[x], other.constScanLine(y)[x], 77));
    }

    // --- auto enhance ------------------------------------------------------------------------

    void autoEnhanceSetsAFlatCastPhotoRight()
    {
        const QImage good = scene(320, 240);
        const QImage cast = degraded(good, 30, 200, 1.0, 0.9, 0.65);  // flat, dim and amber
        const QImage fixed = autoenhance::apply(cast);
        // The colour balance (red and blue against green) comes most of the
        // way back; half the colour shift is kept by design.
        auto castFrom = [&](const QImage &image) {
            const ChannelMeans m = meansOf(image), g = meansOf(good);
            return std::abs(m.r / m.g - g.r / g.g) + std::abs(m.b / m.g - g.b / g.g);
        };
        QVERIFY(castFrom(fixed) < castFrom(cast) * 0.6);
        QVERIFY(greyDeviation(fixed) > greyDeviation(cast) * 1.15);

        const QImage flat = degraded(good, 70, 170, 1, 1, 1);
        QVERIFY(greyDeviation(autoenhance::apply(flat)) > greyDeviation(flat) * 1.3);

        const QImage dark = degraded(good, 0, 90, 1, 1, 1);
        QVERIFY(meansOf(autoenhance::apply(dark)).grey() > meansOf(dark).grey() + 30);
    }

    void autoEnhanceLeavesAWellExposedPhotoNearlyAsItIs()
    {
        // Full range, balanced, mean brightness near the middle.
        const QImage photoLike = scene(320, 240);
        const QImage after = autoenhance::apply(photoLike);
        double change = 0;
        for (int y = 0; y < after.height(); ++y)
            for (int x = 0; x < after.width(); ++x) {
                const QRgb a = after.pixel(x, y), b = photoLike.pixel(x, y);
                change += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            }
        change /= 3.0 * after.width() * after.height();
        // Under 2 % of the range on average.
        QVERIFY2(change < 5.1, qPrintable(QString::number(change)));
    }

    void autoEnhanceMatchesThePlainForm()
    {
        // A colourful picture (gamma only) and a flat one (gamma and saturation).
        for (const QImage &source : {noisePicture(71, 43, QImage::Format_ARGB32, 9),
                                     degraded(scene(71, 43), 90, 140, 1, 0.95, 0.9)}) {
            QImage levelled = source.copy();
            AutoColorLevel(levelled.bits(), levelled.width(), levelled.height(), true);
            QImage plain = source.copy();
            for (int y = 0; y < source.height(); ++y)
                for (int x = 0; x < source.width(); ++x)
                    plain.setPixel(x, y, autoenhance::levelsPixel(source.pixel(x, y), levelled.pixel(x, y)));
            const autoenhance::Measure m = autoenhance::measure(plain);
            const auto gamma = autoenhance::gammaTable(autoenhance::gammaFor(m.meanBrightness));
            const int saturation = int(std::lround(autoenhance::saturationFor(m.meanChroma) * 256));
            for (int y = 0; y < source.height(); ++y)
                for (int x = 0; x < source.width(); ++x)
                    plain.setPixel(x, y, autoenhance::finishPixel(plain.pixel(x, y), gamma, saturation));
            QCOMPARE(autoenhance::apply(source), plain);
        }
    }

    void autoEnhanceThroughTheTools()
    {
        QVERIFY(!tools->autoEnhanceImage(photo).isEmpty());
        QCOMPARE(tools->autoEnhanceImage(documentRoot() + "none.jpg"), QString());
        QVERIFY(!tools->lastError().isEmpty());
    }
};

ZN_PROGRAM_TEST_MAIN(EditingToolsTest)
#include "tst_editingtools.moc"
