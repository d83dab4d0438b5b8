// The focus blur and the frames are previewed on a copy of the photo the size
// of the screen and applied to the photo itself: the photo's result, brought
// down to the copy's size, must look like the copy's result. Also: a picture
// no larger than the screen gets the fixed blur strength and frame pieces.
#include "enginetest.h"

#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"

#include "qtqveffect.h"

#include <QPainter>
#include <QRandomGenerator>

#include <cmath>
#include <memory>

using namespace enginetest;

namespace {

// A camera-like scene: a sky ramp, a ground ramp, discs and bars from a few
// pixels to a tenth of the picture across, and fine grain; drawn in fractions
// of the picture, so every size shows the same scene.
QImage scene(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(70, 120, 200));
    sky.setColorAt(0.55, QColor(200, 220, 235));
    sky.setColorAt(0.56, QColor(90, 110, 50));
    sky.setColorAt(1, QColor(40, 60, 20));
    painter.fillRect(image.rect(), sky);
    QRandomGenerator random(1234);
    const double s = std::max(width, height);
    for (int i = 0; i < 1200; ++i) {
        const QColor colour = QColor::fromHsv(random.bounded(360), 80 + random.bounded(175), 60 + random.bounded(195));
        const double x = random.generateDouble() * width;
        const double y = random.generateDouble() * height;
        const double r = s * (0.003 + 0.03 * std::pow(random.generateDouble(), 2));
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        if (i % 2)
            painter.drawEllipse(QPointF(x, y), r, r);
        else
            painter.drawRect(QRectF(x, y, r * 0.5, r * 3));
    }
    painter.end();
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random.bounded(9)) - 4;
            const QRgb p = row[x];
            row[x] = qRgb(std::clamp(qRed(p) + grain, 0, 255), std::clamp(qGreen(p) + grain, 0, 255),
                          std::clamp(qBlue(p) + grain, 0, 255));
        }
    }
    return image;
}

// Mean absolute difference of the colour bytes of two pictures of one size.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int i = 0; i < x.width(); ++i)
            sum += std::abs(qRed(p[i]) - qRed(q[i])) + std::abs(qGreen(p[i]) - qGreen(q[i])) +
                   std::abs(qBlue(p[i]) - qBlue(q[i]));
    }
    return sum / (3.0 * x.width() * x.height());
}

// The photo's result brought down to the copy result's size, against it.
double previewDifference(const QString &copyResult, const QString &photoResult)
{
    const QImage preview = readRgb32(copyResult);
    const QImage applied = readRgb32(photoResult);
    if (preview.isNull() || applied.isNull())
        return 255;
    return meanDifference(preview, applied.scaled(preview.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

// A focus-blur step as the interface makes it on a picture of `size`: the
// sharp area a quarter of the shorter side, centred a little off the middle;
// the band turned by 30 degrees.
QString focusStep(ZQDCommunication &facade, const QString &name, QSize size, bool band)
{
    const double r2 = 0.25 * std::min(size.width(), size.height());
    const double r1 = r2 / 2;
    const double x = 0.4 * size.width();
    const double y = 0.45 * size.height();
    if (!band)
        return facade.weakprogress(name, r1, r2, qRound(x), qRound(y));
    const double dx = -std::sin(M_PI / 6) * r2, dy = std::cos(M_PI / 6) * r2;
    return facade.weakRectprogress(name, r1, r2, qRound(x - dx), qRound(y - dy), qRound(x + dx), qRound(y + dy));
}

}  // namespace

class ScreenScaleTest : public FacadeTestCase
{
    Q_OBJECT

    struct Photo {
        QString file;  // the photo
        QString copy;  // its screen-size copy, made as the interface makes it
    };
    Photo camera;    // 3264 x 2448, an 8-megapixel JPEG
    Photo portrait;  // 1200 x 1600 PNG

    Photo make(const QString &name, QSize size, const char *format)
    {
        Photo p;
        p.file = writePhoto("scale/" + name, scene(size.width(), size.height()), format, 92);
        const int longSide = std::max(size.width(), size.height());
        const double fraction = std::min(1.0, double(ZQDImageEngine::kScreenSide) / longSide);
        // Kept apart from the working files the steps write.
        p.copy = documentRoot() + "scale/copy-" + name + ".png";
        if (!QFile::copy(facade.qualityImage(p.file, fraction), p.copy))
            qFatal("cannot make the screen-size copy of %s", qPrintable(name));
        return p;
    }

private slots:
    void initTestCase()
    {
        camera = make("camera.jpg", QSize(3264, 2448), "JPEG");
        portrait = make("portrait.png", QSize(1200, 1600), "PNG");
        // The engine knows the size of the copy the interface makes.
        QCOMPARE(QImage(camera.copy).size(), QSize(853, 640));
        QCOMPARE(ZQDImageEngine::screenCopySize(QSize(3264, 2448)), QSize(853, 640));
        QCOMPARE(ZQDImageEngine::screenCopySize(QSize(1200, 1600)), QImage(portrait.copy).size());
    }

    void cleanup()
    {
        engine.weakrelease();
    }

    void focusBlurAgrees_data()
    {
        QTest::addColumn<bool>("portraitPhoto");
        QTest::addColumn<bool>("band");
        QTest::newRow("camera circle") << false << false;
        QTest::newRow("camera band") << false << true;
        QTest::newRow("portrait circle") << true << false;
        QTest::newRow("portrait band") << true << true;
    }

    void focusBlurAgrees()
    {
        QFETCH(bool, portraitPhoto);
        QFETCH(bool, band);
        const Photo &p = portraitPhoto ? portrait : camera;
        facade.weakinit(p.copy);
        const QString preview = focusStep(facade, p.copy, QImage(p.copy).size(), band);
        facade.weakinit(p.file);
        const QString applied = focusStep(facade, p.file, QImage(p.file).size(), band);
        const double difference = previewDifference(preview, applied);
        qInfo("focus blur %s: mean difference %.2f", QTest::currentDataTag(), difference);
        QVERIFY2(difference <= 3.0, qPrintable(QString::number(difference)));
    }

    void framesAgree_data()
    {
        QTest::addColumn<int>("id");
        for (int id : {1702, 1706, 1707, 1711, 1500, 1503})
            QTest::addRow("%d", id) << id;
    }

    void framesAgree()
    {
        QFETCH(int, id);
        const bool simple = id >= 1700;
        for (const Photo *p : {&camera, &portrait}) {
            auto frame = [&](const QString &path) {
                return simple ? facade.framesimpleImage(path, id) : facade.framecolorfulImage(path, id);
            };
            const QString preview = frame(p->copy);
            const QString applied = frame(p->file);
            const double difference = previewDifference(preview, applied);
            qInfo("frame %d on %s: mean difference %.2f", id, p == &camera ? "camera" : "portrait", difference);
            QVERIFY2(difference <= 6.0, qPrintable(QString::number(difference)));
        }
    }

    // Up to the screen's size the frame's pieces are laid as they are: the
    // black frame (296-pixel corners, insets 278) adds 36 pixels each way.
    void screenSizePhotoKeepsTheFixedFrame()
    {
        QCOMPARE(engine.FrameSimple(camera.copy, 1707).size(), QSize(853 + 36, 640 + 36));
        // Twice the screen: corners 592, insets 556.
        const QString twice = writePhoto("scale/twice.png", scene(1708, 600));
        QCOMPARE(engine.FrameSimple(twice, 1707).size(), QSize(1708 + 72, 600 + 72));
    }

    // The blurred copy of a screen-size picture has the fixed strength 9.
    void screenSizePictureKeepsTheFixedBlur()
    {
        QImage picture = readRgb32(portrait.copy);
        QImage mask = engine.drawGradientCircle(picture.width(), picture.height(), 20, 60, 300, 400);
        Qtqveffect effects;
        uchar *bits = ZQDImageEngine::pixelBuffer(picture);
        std::unique_ptr<uchar[]> blurred(effects.WeakInit(bits, picture.width(), picture.height(), 9));
        effects.WeakProcess(bits, blurred.get(), ZQDImageEngine::pixelBuffer(mask), picture.width(),
                            picture.height());
        engine.weakinit(portrait.copy);
        ZN_COMPARE_PICTURES(picture, rgb32(engine.weakprogress(20, 60, 300, 400)));
    }
};

ZN_ENGINE_TEST_MAIN(ScreenScaleTest)
#include "tst_screenscale.moc"
