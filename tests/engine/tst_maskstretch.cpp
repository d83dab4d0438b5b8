// Masks stretched without the pixmap: loadMask must give the very bytes the
// pixmap route gave (decode, QPixmap, fast scaling with the aspect ignored,
// back to a Format_RGB32 image), for every mask the looks and frames load, at
// photo sizes and odd ones, and for small generated pictures of every colour
// kind at many sizes. The pixmap route is kept here as the reference.
#include "enginetest.h"

#include "ZQDImageEngine.h"
#include "maskstretch.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QImageReader>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <cstring>
#include <numeric>

using namespace enginetest;

namespace {

// A pixmap's picture as Format_RGB32, premultiplied colours divided by their
// alpha with Qt's exact integer rule (qUnpremultiply), not its conversion,
// whose approximate reciprocal rounds differently on other processors.
QImage exactlyOpaque(const QImage &drawn)
{
    if (drawn.format() != QImage::Format_ARGB32_Premultiplied)
        return drawn.convertToFormat(QImage::Format_RGB32);
    QImage result(drawn.size(), QImage::Format_RGB32);
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            result.setPixel(x, y, qUnpremultiply(drawn.pixel(x, y)) | 0xff000000u);
    return result;
}

// The route loadMask took before: the whole stretch done by the pixmap, with
// the exact conversion back to opaque pixels.
QImage pixmapRoute(const QString &path, int width, int height)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    const QPixmap scaled =
        QPixmap::fromImage(image).scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QImage result = exactlyOpaque(scaled.toImage());
    if (result.width() != width || result.height() != height)
        return {};
    return result;
}

// Why two pictures are not the same bytes (alpha included), or "".
QString byteDifference(const QImage &expected, const QImage &actual)
{
    if (expected.isNull() != actual.isNull())
        return QStringLiteral("expected a %1 picture, got a %2 one")
            .arg(expected.isNull() ? "null" : "real", actual.isNull() ? "null" : "real");
    if (expected.isNull())
        return {};
    if (expected.format() != actual.format() || expected.size() != actual.size())
        return QStringLiteral("expected %1x%2 in format %3, got %4x%5 in format %6")
            .arg(expected.width()).arg(expected.height()).arg(int(expected.format()))
            .arg(actual.width()).arg(actual.height()).arg(int(actual.format()));
    const size_t rowBytes = size_t(expected.width()) * 4;
    for (int y = 0; y < expected.height(); ++y) {
        if (std::memcmp(expected.constScanLine(y), actual.constScanLine(y), rowBytes) == 0)
            continue;
        const auto *e = reinterpret_cast<const QRgb *>(expected.constScanLine(y));
        const auto *a = reinterpret_cast<const QRgb *>(actual.constScanLine(y));
        int x = 0;
        while (e[x] == a[x])
            ++x;
        return QStringLiteral("first difference at (%1, %2): expected %3, got %4")
            .arg(x).arg(y).arg(e[x], 8, 16, QLatin1Char('0')).arg(a[x], 8, 16, QLatin1Char('0'));
    }
    return {};
}

// Every source pixel a colour of its own (while the picture has fewer than
// 2^24 pixels), so any wrongly picked pixel shows.
QImage numberedPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xff000000u | quint32(y * width + x) * 2654435761u >> 8;
    }
    return image;
}

// The same picture with alpha: opaque, translucent and clear pixels mixed.
QImage translucentPicture(int width, int height)
{
    QImage image = numberedPicture(width, height).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            static constexpr int kAlpha[] = {255, 0, 1, 77, 128, 254, 200};
            row[x] = (row[x] & 0xffffff) | quint32(kAlpha[(x + 3 * y) % 7]) << 24;
        }
    }
    return image;
}

// A 256-colour palette picture, some entries translucent.
QImage palettePicture(int width, int height)
{
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours.append(qRgba(i, 255 - i, (i * 37) & 255, i % 5 ? 255 : i));
    image.setColorTable(colours);
    for (int y = 0; y < height; ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            row[x] = uchar((x * 7 + y * 13) & 255);
    }
    return image;
}

struct Sample {
    QString path;
    QSize size;
};

// Small pictures of each kind the decoder hands out, written as files.
QList<Sample> generatedSamples()
{
    QList<Sample> samples;
    auto add = [&](const QString &name, const QImage &image, const char *format = "PNG") {
        samples.append({writePhoto(QStringLiteral("stretch/") + name, image, format), image.size()});
    };
    add("rgb.png", numberedPicture(37, 23));
    add("rgb-wide.png", numberedPicture(101, 3));
    add("rgb-tall.png", numberedPicture(2, 67));
    add("one.png", numberedPicture(1, 1));
    add("alpha.png", translucentPicture(29, 31));
    // An alpha channel with nothing but opaque pixels in it.
    add("opaque-alpha.png", numberedPicture(19, 17).convertToFormat(QImage::Format_ARGB32));
    add("grey.png", numberedPicture(33, 21).convertToFormat(QImage::Format_Grayscale8));
    add("grey16.png", numberedPicture(15, 26).convertToFormat(QImage::Format_Grayscale16));
    add("deep.png", translucentPicture(13, 11).convertToFormat(QImage::Format_RGBA64));
    add("palette.png", palettePicture(41, 9));
    add("mono.png", numberedPicture(24, 20).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither));
    add("photo.jpg", photo(48, 36), "JPEG");
    add("grey.jpg", greyPhoto(31, 40), "JPEG");
    return samples;
}

// The pictures the looks and colourful frames stretch.
QSet<QString> maskResources()
{
    QSet<QString> masks;
    for (int id = 1000; id < 1600; ++id) {
        if (const auto *recipe = ZQDImageEngine::lookRecipe(id)) {
            for (const char *mask : recipe->masks) {
                if (mask)
                    masks.insert(QString::fromLatin1(mask));
            }
        }
        const char *mask = nullptr;
        if (ZQDImageEngine::colorfulFrameRecipe(id, &mask, nullptr) && mask)
            masks.insert(QString::fromLatin1(mask));
    }
    return masks;
}

QStringList bundlePictures()
{
    QStringList pictures;
    QDirIterator it(QStringLiteral(":/"), {QStringLiteral("*.jpg"), QStringLiteral("*.png")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        pictures.append(it.next());
    pictures.sort();
    return pictures;
}

}  // namespace

class MaskStretchTest : public QObject
{
    Q_OBJECT

    ZQDImageEngine engine;

    void expectPixmapRoute(const QString &path, int width, int height)
    {
        const QString why = byteDifference(pixmapRoute(path, width, height), engine.loadMask(path, width, height));
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("%1 at %2x%3: %4").arg(path).arg(width).arg(height).arg(why)));
    }

private slots:
    // Every mask and texture a look or frame loads, at the sizes photos come
    // in, tiny and odd sizes, and sizes below the mask's own.
    void bundleMasksMatchThePixmapRoute_data()
    {
        QTest::addColumn<QString>("path");
        const QSet<QString> masks = maskResources();
        const QStringList pictures = bundlePictures();
        QVERIFY(masks.size() >= 20);
        for (const QString &mask : masks)
            QVERIFY2(pictures.contains(mask), qPrintable(mask + QStringLiteral(" is not in the bundle")));
        for (const QString &picture : pictures) {
            if (masks.contains(picture))
                QTest::newRow(qPrintable(picture)) << picture;
        }
    }
    void bundleMasksMatchThePixmapRoute()
    {
        QFETCH(QString, path);
        const QSize own = QImageReader(path).size();
        QVERIFY(own.isValid());
        const QList<QSize> sizes = {{3264, 2448}, {2448, 3264}, {2560, 1600}, {1, 1}, {7, 3}, {640, 480},
                                    {480, 854}, {own.width(), own.height()}, {own.width() - 1, own.height() + 1},
                                    {own.width() / 3, own.height() / 2}, {1009, 757}, {2, 4099}, {3001, 1}};
        // These sizes are the stretch's own work, not handed back to the pixmap.
        const QImage::Format drawn = QPixmap::fromImage(QImage(path)).toImage().format();
        for (const QSize &size : sizes) {
            QVERIFY(maskstretch::stretchMatchesScaling(drawn, own, size));
            expectPixmapRoute(path, size.width(), size.height());
        }
    }

    // Small generated pictures of every colour kind against many sizes:
    // fixed ones around the edges of the stretch (just below 512 times on an
    // axis, the longest side the fast scaler takes, and past both, where the
    // pixmap itself still scales) and pseudo-random ones, shrinking and
    // growing on either axis.
    void generatedPicturesMatchThePixmapRoute()
    {
        QRandomGenerator random(20240611);
        for (const Sample &sample : generatedSamples()) {
            const int w = sample.size.width();
            const int h = sample.size.height();
            QList<QSize> sizes = {{1, 1}, {7, 3}, {13, 17}, {31, 2}, {w, h}, {2 * w, h}, {w, 3 * h},
                                  {w + 1, h - 1 > 0 ? h - 1 : 1}, {511 * w, 2}, {512 * w, 2}, {2, 511 * h},
                                  {2, 512 * h}, {32767, 1}, {32768, 1}, {1, 32767}};
            for (int i = 0; i < 300; ++i) {
                const int width = 1 + int(random.bounded(i % 3 ? 4000 : 60));
                const int height = 1 + int(random.bounded(i % 4 ? 60 : 2000));
                sizes.append({width, height});
            }
            for (const QSize &size : sizes) {
                if (qint64(size.width()) * size.height() > qint64(1) << 24)
                    continue;
                expectPixmapRoute(sample.path, size.width(), size.height());
            }
        }
    }

    // Every premultiplied (colour, alpha) pair comes back as Qt's exact
    // qUnpremultiply gives it, whatever Qt's own conversion does on this
    // processor (which rounds some hundreds of them the other way here).
    void translucentColoursComeBackExactly()
    {
        QImage drawn(256, 256, QImage::Format_ARGB32_Premultiplied);
        for (int a = 0; a < 256; ++a)
            for (int v = 0; v < 256; ++v) {
                const int c = std::min(v, a);
                drawn.setPixel(v, a, qRgba(c, (c * 7) % (a + 1), a - c, a));
            }
        const QImage opaque = maskstretch::opaque(drawn);
        QCOMPARE(opaque.format(), QImage::Format_RGB32);
        for (int a = 0; a < 256; ++a)
            for (int v = 0; v < 256; ++v)
                QCOMPARE(opaque.pixel(v, a), qUnpremultiply(drawn.pixel(v, a)) | 0xff000000u);
        int roundedOtherwise = 0;
        const QImage byQt = drawn.convertToFormat(QImage::Format_RGB32);
        for (int a = 0; a < 256; ++a)
            for (int v = 0; v < 256; ++v)
                roundedOtherwise += byQt.pixel(v, a) != opaque.pixel(v, a);
        qInfo("Qt's conversion rounds %d of the 65536 pairs otherwise on this processor", roundedOtherwise);
    }

    // What the pixmap route refused stays refused, and sizes no photo has
    // are refused before anything is decoded or allocated.
    void badInputGivesANullMask()
    {
        const QString mask = QStringLiteral(":/style/vignette640.jpg");
        QVERIFY(!engine.loadMask(mask, 5, 5).isNull());
        QVERIFY(engine.loadMask(documentRoot() + "missing.png", 5, 5).isNull());
        QFile junk(documentRoot() + "junk.png");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("\x89PNG\r\n\x1a\n this is no picture");
        junk.close();
        QVERIFY(engine.loadMask(junk.fileName(), 5, 5).isNull());
        QVERIFY(engine.loadMask(QString(), 5, 5).isNull());
        for (const QSize &size : {QSize(0, 5), QSize(5, 0), QSize(-3, 5), QSize(5, -1), QSize(0, 0),
                                  QSize(20000, 20000), QSize(INT_MAX, INT_MAX), QSize(INT_MAX, 1 << 4)})
            QVERIFY2(engine.loadMask(mask, size.width(), size.height()).isNull(),
                     qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
        QVERIFY(maskstretch::stretch(QImage(), 4, 4).isNull());
        QVERIFY(maskstretch::stretch(QImage(4, 4, QImage::Format_Grayscale8), 4, 4).isNull());
    }

    // Not a check: how long an 8-megapixel mask takes each way, the fastest
    // and the mean of a few rounds (the first rounds pay for fresh memory).
    void timesBothRoutes()
    {
        const QString mask = QStringLiteral(":/style/qvrk_lianghong_001.jpg");
        constexpr int kRounds = 6;
        qint64 before[kRounds], after[kRounds];
        for (int i = 0; i < kRounds; ++i) {
            QElapsedTimer timer;
            timer.start();
            const QImage old = pixmapRoute(mask, 3264, 2448);
            before[i] = timer.nsecsElapsed();
            timer.restart();
            const QImage now = engine.loadMask(mask, 3264, 2448);
            after[i] = timer.nsecsElapsed();
            QVERIFY(!old.isNull() && !now.isNull());
        }
        auto report = [&](const qint64 *ns) {
            return QStringLiteral("%1 ms fastest, %2 ms mean")
                .arg(*std::min_element(ns, ns + kRounds) / 1e6, 0, 'f', 1)
                .arg(std::accumulate(ns, ns + kRounds, qint64(0)) / 1e6 / kRounds, 0, 'f', 1);
        };
        qInfo("3264x2448 from %s: pixmap route %s; stretch %s", qPrintable(mask), qPrintable(report(before)),
              qPrintable(report(after)));
    }
};

ZN_ENGINE_TEST_MAIN(MaskStretchTest)

#include "tst_maskstretch.moc"
