// Smooth scaling on the band workers: the averages and the edges are right,
// alpha does not darken or tint, the bytes do not depend on the threads, and
// a JPEG read smaller comes out as the toolkit's own smooth scaling would
// give it, give or take a level.
#include "bandworkers.h"
#include "photoreader.h"
#include "smoothscale.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <cstdlib>

class SmoothScaleTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { bandworkers::setThreadLimit(0); }

    void averagesWhatEachPixelCovers()
    {
        // 4 x 1 to 2 x 1: each target pixel is the mean of two.
        QImage row(4, 1, QImage::Format_RGB32);
        const QRgb levels[4] = {qRgb(0, 10, 200), qRgb(100, 20, 0), qRgb(255, 255, 255), qRgb(0, 0, 1)};
        for (int x = 0; x < 4; ++x)
            row.setPixel(x, 0, levels[x]);
        const QImage half = smoothscale::scaled(row, QSize(2, 1));
        QCOMPARE(half.format(), QImage::Format_RGB32);
        QCOMPARE(half.pixel(0, 0), qRgb(50, 15, 100));
        QCOMPARE(half.pixel(1, 0), qRgb(128, 128, 128));
        // 3 to 2: the middle pixel is split evenly between both.
        QImage three(3, 1, QImage::Format_RGB32);
        three.setPixel(0, 0, qRgb(0, 0, 0));
        three.setPixel(1, 0, qRgb(90, 90, 90));
        three.setPixel(2, 0, qRgb(180, 180, 180));
        const QImage two = smoothscale::scaled(three, QSize(2, 1));
        QCOMPARE(qRed(two.pixel(0, 0)), 30);   // (0 * 2 + 90) / 3
        QCOMPARE(qRed(two.pixel(1, 0)), 150);  // (90 + 180 * 2) / 3
        // Larger: the edge pixels stay, the middle is between its neighbours.
        const QImage wide = smoothscale::scaled(three, QSize(6, 2));
        QCOMPARE(wide.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(wide.pixel(5, 1), qRgb(180, 180, 180));
        QVERIFY(qRed(wide.pixel(2, 0)) > 0 && qRed(wide.pixel(2, 0)) < 90);
    }

    void flatStaysFlatAndAlphaDoesNotTint()
    {
        for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
            QImage flat(97, 61, format);
            flat.fill(QColor(12, 200, 77, format == QImage::Format_RGB32 ? 255 : 140));
            for (const QSize to : {QSize(40, 23), QSize(300, 200), QSize(97, 10)}) {
                const QImage out = smoothscale::scaled(flat, to);
                QCOMPARE(out.format(), format);
                QCOMPARE(out.size(), to);
                // Straight alpha is premultiplied and back: a level may move by one.
                const int slack = format == QImage::Format_ARGB32 ? 1 : 0;
                for (int y = 0; y < to.height(); ++y)
                    for (int x = 0; x < to.width(); ++x) {
                        const QRgb a = out.pixel(x, y), b = flat.pixel(0, 0);
                        QVERIFY(std::abs(qRed(a) - qRed(b)) <= slack && std::abs(qGreen(a) - qGreen(b)) <= slack
                                && std::abs(qBlue(a) - qBlue(b)) <= slack && qAlpha(a) == qAlpha(b));
                    }
            }
        }
        // Transparent red beside opaque blue: the mix is blue, half covered.
        QImage pair(2, 1, QImage::Format_ARGB32);
        pair.setPixel(0, 0, qRgba(255, 0, 0, 0));
        pair.setPixel(1, 0, qRgba(0, 0, 255, 255));
        const QRgb mixed = smoothscale::scaled(pair, QSize(1, 1)).pixel(0, 0);
        QCOMPARE(qAlpha(mixed), 128);
        QCOMPARE(qRed(mixed), 0);
        QVERIFY(qBlue(mixed) >= 254);
    }

    void sameBytesOnAnyNumberOfThreads()
    {
        // Over half a megapixel, so the bands are shared out.
        const QImage photo = testsupport::noisePicture(1203, 911);
        bandworkers::setThreadLimit(1);
        const QImage one = smoothscale::scaled(photo, QSize(1001, 760));
        const QImage up1 = smoothscale::scaled(photo, QSize(1500, 1200));
        bandworkers::setThreadLimit(8);
        QCOMPARE(smoothscale::scaled(photo, QSize(1001, 760)), one);
        QCOMPARE(smoothscale::scaled(photo, QSize(1500, 1200)), up1);
    }

    void smallerJpegMatchesTheToolkitsScaling()
    {
        QTemporaryDir dir;
        // Detail coarser than the smaller picture's pixels, as in a photo.
        const QImage photo = testsupport::noisePicture(80, 60).scaled(1600, 1200, Qt::IgnoreAspectRatio,
                                                                       Qt::SmoothTransformation);
        // One size the decoder reduces exactly (by 4, then 0.9), one with odd sides.
        for (const QSize stored : {QSize(1600, 1200), QSize(1601, 1199)}) {
            const QString path = dir.filePath(QStringLiteral("p%1.jpg").arg(stored.width()));
            QVERIFY(photo.scaled(stored).save(path, "JPEG", 95));
            const QSize wanted(360, 270);
            const QImage read = imageio::readPicture(path, [&](QSize) { return wanted; });
            QCOMPARE(read.size(), wanted);
            const QImage full = imageio::readPicture(path);
            const QImage expected =
                full.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(read.format());
            qint64 sum = 0;
            for (int y = 0; y < wanted.height(); ++y)
                for (int x = 0; x < wanted.width(); ++x)
                    sum += std::abs(qGreen(read.pixel(x, y)) - qGreen(expected.pixel(x, y)));
            const double mean = double(sum) / (wanted.width() * wanted.height());
            QVERIFY2(mean < 1.5, qPrintable(QStringLiteral("%1: mean difference %2").arg(path).arg(mean)));
        }
    }
};

QTEST_GUILESS_MAIN(SmoothScaleTest)
#include "tst_smoothscale.moc"
