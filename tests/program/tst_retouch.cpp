// The retouching tools of the "tools" object: heal, selective, perspective,
// curves and the colour mixer, on generated pictures: neutral settings, the
// way each control moves, what stays untouched, the refusals, the banded
// forms against the plain ones, and the live steps against the file forms.
#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "colourmixer.h"
#include "curvestool.h"
#include "heal.h"
#include "livesteps.h"
#include "operationrunner.h"
#include "keystone.h"
#include "selective.h"
#include "testsupport.h"

#include <cmath>
#include <functional>

using namespace testsupport;

namespace {

// Bark-like texture: a weave of two periods over a slow gradient, with a
// little fixed-seed grain; every channel varies.
QImage texture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 seed = 5;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const double weave = 28 * std::sin(x * 2 * M_PI / 9) * std::sin(y * 2 * M_PI / 7);
            const double grain = int(seed >> 28) - 8;
            const double base = 90 + 60.0 * x / width + 30.0 * y / height + weave + grain;
            image.setPixel(x, y, qRgb(std::clamp(int(base + 20), 0, 255), std::clamp(int(base), 0, 255),
                                      std::clamp(int(base * 0.6), 0, 255)));
        }
    return image;
}

QImage filled(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

bool samePixels(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

// Whether every pixel farther than `reach` from `centre` is unchanged.
bool untouchedBeyond(const QImage &before, const QImage &after, QPoint centre, double reach)
{
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            const double d = std::hypot(x - centre.x(), y - centre.y());
            if (d > reach && before.pixel(x, y) != after.pixel(x, y))
                return false;
        }
    return true;
}

struct Stats {
    double mean = 0, deviation = 0;
};

// Grey level statistics of the pixels whose distance from `centre` lies in (inner, outer].
Stats statsOf(const QImage &image, QPoint centre, double inner, double outer)
{
    double sum = 0, squares = 0, n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double d = std::hypot(x - centre.x(), y - centre.y());
            if (d <= inner || d > outer)
                continue;
            const double v = qGray(image.pixel(x, y));
            sum += v;
            squares += v * v;
            ++n;
        }
    return {sum / n, std::sqrt(std::max(0.0, squares / n - (sum / n) * (sum / n)))};
}

int chroma(QRgb c)
{
    return std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)});
}

}  // namespace

class RetouchTest : public QObject
{
    Q_OBJECT

    QString photo;  // 320 x 240 PNG, position colours
    ZQDCommunication *communication = nullptr;
    EditorTools *tools = nullptr;

    // Whether `path` is "", with a reason that contains `words`, and no working file of `source` exists.
    bool refused(const QString &path, const QString &words)
    {
        const QString reason = tools->lastError();
        if (!path.isEmpty() || !reason.contains(words)) {
            qWarning() << "result" << path << "reason" << reason;
            return false;
        }
        return !QFileInfo::exists(documentRoot() + ".qvrkTemp/photo_norvik.png");
    }

private slots:
    void initTestCase()
    {
        communication = new ZQDCommunication(this);
        tools = new EditorTools(communication, this);
        photo = writePicture(documentRoot() + "photo.png", positionPicture(320, 240));
    }

    void init()
    {
        QDir(documentRoot() + ".qvrkTemp").removeRecursively();
    }

    void neutralSettingsGiveThePictureItself()
    {
        const QImage original(photo);
        for (const QString &path :
             {tools->selectiveImage(photo, 100, 80, 50, 0, 0, 0), tools->perspectiveImage(photo, 0, 0),
              tools->curvesImage(photo, "rgb", "0,0 255,255"), tools->curvesImage(photo, "red", "0,0 90,90 255,255"),
              tools->hslImage(photo, "orange", 0, 0, 0)})
            QVERIFY(samePixels(QImage(path), original));
        const QImage any = noisePicture(61, 37, 4);
        QCOMPARE(perspective::apply(any, 0, 0).constBits(), any.constBits());  // not even copied
        QCOMPARE(perspective::croppedSize({61, 37}, 0, 0), QSize(61, 37));
    }

    void refusalsSayWhyAndWriteNothing()
    {
        QVERIFY(refused(tools->healImage(photo, 100, 100, 0), "at least 1 pixel"));
        QVERIFY(refused(tools->healImage(photo, 400, 100, 10), "outside"));
        QVERIFY(refused(tools->healImage(photo, 100, 100, 80), "too large"));
        QVERIFY(refused(tools->selectiveImage(photo, 10, 10, 30, 101, 0, 0), "between -100 and 100"));
        QVERIFY(refused(tools->selectiveImage(photo, 10, 10, 0, 10, 0, 0), "radius"));
        QVERIFY(refused(tools->selectiveImage(photo, -1, 10, 30, 10, 0, 0), "outside"));
        QVERIFY(refused(tools->perspectiveImage(photo, 46, 0), "45"));
        QVERIFY(refused(tools->perspectiveImage(photo, 0, std::nan("")), "45"));
        QVERIFY(refused(tools->curvesImage(photo, "alpha", "0,0 255,255"), "not a channel"));
        QVERIFY(refused(tools->curvesImage(photo, "rgb", "0,0 128,140 128,150 255,255"), "x increasing"));
        QVERIFY(refused(tools->curvesImage(photo, "rgb", "0,0 256,255"), "outside 0..255"));
        QVERIFY(refused(tools->curvesImage(photo, "rgb", "0,0"), "2 to 16 points"));
        QVERIFY(refused(tools->curvesImage(photo, "rgb", "0,0 a,b"), "not a point"));
        QVERIFY(refused(tools->hslImage(photo, "teal", 10, 0, 0), "not a band"));
        QVERIFY(refused(tools->hslImage(photo, "red", 0, -101, 0), "between -100 and 100"));
        // The command-line front gives the same reason and fails.
        const CliRun run = runCli({"--object", "tools", "curvesImage", photo, "green", "10,0 5,255"});
        QVERIFY(run.status != 0);
        QVERIFY2(run.err.join(' ').contains("x increasing"), qPrintable(run.err.join(' ')));
    }

    // --- heal -------------------------------------------------------------------------------

    void healContinuesTheTextureAndChangesNothingFarther()
    {
        const QImage clean = texture(240, 200);
        QImage spotted = clean.copy();
        const QPoint centre(131, 96);
        for (int y = 0; y < spotted.height(); ++y)
            for (int x = 0; x < spotted.width(); ++x)
                if (std::hypot(x - centre.x(), y - centre.y()) <= 10)  // a 20-pixel black spot
                    spotted.setPixel(x, y, qRgb(0, 0, 0));
        const int radius = 12;
        const QImage healed = heal::apply(spotted, {centre.x(), centre.y(), radius});
        QVERIFY(!healed.isNull());
        QVERIFY(untouchedBeyond(spotted, healed, centre, 2 * radius));
        // Within the spot: close to the clean picture, level by level...
        double difference = 0, n = 0;
        for (int y = centre.y() - 10; y <= centre.y() + 10; ++y)
            for (int x = centre.x() - 10; x <= centre.x() + 10; ++x)
                if (std::hypot(x - centre.x(), y - centre.y()) <= 10) {
                    const QRgb a = healed.pixel(x, y), b = clean.pixel(x, y);
                    difference += (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b))
                                   + std::abs(qBlue(a) - qBlue(b))) / 3.0;
                    ++n;
                }
        QVERIFY2(difference / n <= 14, qPrintable(QString::number(difference / n)));
        // ...and as textured as its surroundings (a blur would be flat).
        const double inside = statsOf(healed, centre, -1, 10).deviation;
        const double around = statsOf(healed, centre, radius, 2 * radius).deviation;
        QVERIFY2(inside >= 0.6 * around, qPrintable(QString("%1 against %2").arg(inside).arg(around)));
        qInfo("heal: %.1f levels from the clean picture, %.2f of the surroundings' texture", difference / n,
              inside / around);
    }

    void healFollowsAGradientAndWorksAtTheEdge()
    {
        // Smooth shading only: the fitted colour plane carries it through.
        QImage ramp(200, 160, QImage::Format_ARGB32);
        for (int y = 0; y < 160; ++y)
            for (int x = 0; x < 200; ++x)
                ramp.setPixel(x, y, qRgba(x, 40 + y / 2, 200 - x / 2, 200));
        QImage spotted = ramp.copy();
        for (int y = 74; y < 86; ++y)
            for (int x = 94; x < 106; ++x)
                spotted.setPixel(x, y, qRgba(255, 255, 255, 200));
        const QImage healed = heal::apply(spotted, {100, 80, 9});
        for (QPoint p : {QPoint(100, 80), QPoint(95, 75), QPoint(105, 85)}) {
            QVERIFY(std::abs(qRed(healed.pixel(p)) - qRed(ramp.pixel(p))) <= 3);
            QVERIFY(std::abs(qGreen(healed.pixel(p)) - qGreen(ramp.pixel(p))) <= 3);
            QCOMPARE(qAlpha(healed.pixel(p)), 200);
        }
        // A spot on the border heals from inside the picture.
        const QImage corner = heal::apply(texture(120, 100), {0, 0, 8});
        QVERIFY(!corner.isNull());
        QVERIFY(untouchedBeyond(texture(120, 100), corner, {0, 0}, 16));
    }

    // --- selective --------------------------------------------------------------------------

    void selectiveControlsMoveTheirWayNearThePointOnly()
    {
        // Two colours side by side: warm on the left, cool on the right.
        QImage halves = filled(300, 200, qRgb(200, 120, 80));
        for (int y = 0; y < 200; ++y)
            for (int x = 150; x < 300; ++x)
                halves.setPixel(x, y, qRgb(70, 110, 190));
        const selective::Point at{120, 100, 60, 0, 0, 0};
        auto with = [&](int b, int c, int s) {
            selective::Point p = at;
            p.brightness = b;
            p.contrast = c;
            p.saturation = s;
            return selective::apply(halves, p);
        };
        const QPoint point(120, 100);
        QVERIFY(qGray(with(60, 0, 0).pixel(point)) > qGray(halves.pixel(point)) + 20);
        QVERIFY(qGray(with(-60, 0, 0).pixel(point)) < qGray(halves.pixel(point)) - 20);
        QVERIFY(chroma(with(0, 0, -80).pixel(point)) < chroma(halves.pixel(point)) / 2);
        QVERIFY(chroma(with(0, 0, 80).pixel(point)) > chroma(halves.pixel(point)));
        const QRgb contrasted = with(0, 70, 0).pixel(point);
        QVERIFY(qRed(contrasted) > 200 && qBlue(contrasted) < 80);  // away from the middle grey
        // Stronger on the point's own colour: the same distance on either side.
        const QImage brighter = with(80, 0, 0);
        const int warmGain = qGray(brighter.pixel(95, 100)) - qGray(halves.pixel(95, 100));
        const int coolGain = qGray(brighter.pixel(145 + 10, 100)) - qGray(halves.pixel(145 + 10, 100));
        QVERIFY2(warmGain > 2 * coolGain && coolGain > 0, qPrintable(QString("%1 %2").arg(warmGain).arg(coolGain)));
        // Fading with distance, nothing beyond 1.75 radii.
        QVERIFY(qGray(brighter.pixel(120, 100)) > qGray(brighter.pixel(60, 100)));
        QVERIFY(untouchedBeyond(halves, brighter, point, 1.75 * 60));
        QVERIFY(qGray(brighter.pixel(120 - 80, 100)) > qGray(halves.pixel(120 - 80, 100)));  // but up to it
    }

    // --- perspective ------------------------------------------------------------------------

    void perspectiveKeepsLinesStraightAndFillsEveryCorner()
    {
        // Two dark vertical lines on white.
        QImage lines = filled(400, 300, qRgb(255, 255, 255));
        for (int y = 0; y < 300; ++y)
            for (int x : {99, 100, 101, 299, 300, 301})
                lines.setPixel(x, y, qRgb(0, 0, 0));
        const QImage out = perspective::apply(lines, 20, 0);
        QCOMPARE(out.size(), perspective::croppedSize({400, 300}, 20, 0));
        QCOMPARE(out.width() * 300 / 400, out.height());  // the photo's proportions
        // The darkest column of the left line in a row, weighted.
        auto lineAt = [&](int y, int from, int to) {
            double sum = 0, weight = 0;
            for (int x = from; x < to; ++x) {
                const double w = 255 - qGray(out.pixel(x, y));
                sum += w * x;
                weight += w;
            }
            return sum / weight;
        };
        const int mid = out.width() / 2, bottom = out.height() - 1;
        const double top = lineAt(0, 0, mid), middle = lineAt(bottom / 2, 0, mid), low = lineAt(bottom, 0, mid);
        QVERIFY2(std::abs(middle - (top + low) / 2) < 0.6, qPrintable(QString("%1 %2 %3").arg(top).arg(middle).arg(low)));
        // Vertical > 0 widens the top: the lines are farther apart there.
        QVERIFY(lineAt(0, mid, out.width()) - top > lineAt(bottom, mid, out.width()) - low + 10);
        // Horizontal > 0 widens the right side: a horizontal band grows taller there.
        QImage band = filled(400, 300, qRgb(255, 255, 255));
        for (int y = 120; y < 180; ++y)
            for (int x = 0; x < 400; ++x)
                band.setPixel(x, y, qRgb(0, 0, 0));
        const QImage widened = perspective::apply(band, 0, 25);
        auto darkRows = [&](int x) {
            int n = 0;
            for (int y = 0; y < widened.height(); ++y)
                n += qGray(widened.pixel(x, y)) < 128;
            return n;
        };
        QVERIFY(darkRows(widened.width() - 2) > darkRows(1) + 5);
        // No empty corner, even at both extremes.
        const QImage plain = filled(401, 297, qRgb(200, 120, 40));
        for (auto [v, h] : {std::pair{45.0, 45.0}, {-45.0, 30.0}, {-7.5, -45.0}, {3.0, 0.0}}) {
            const QImage corrected = perspective::apply(plain, v, h);
            QVERIFY(corrected.width() > 40);
            for (QPoint c : {QPoint(0, 0), QPoint(corrected.width() - 1, 0), QPoint(0, corrected.height() - 1),
                             QPoint(corrected.width() - 1, corrected.height() - 1)})
                QCOMPARE(corrected.pixel(c), qRgb(200, 120, 40));
        }
        QCOMPARE(tools->perspectiveSize(400, 300, 20, 0), out.size());
    }

    // --- curves -----------------------------------------------------------------------------

    void curvesUseTheLibrarysCurveOnTheirChannel()
    {
        const QImage source = noisePicture(97, 55, 8);
        const QString points = "0,0 64,90 180,210 255,240";
        QString why;
        std::vector<_POINT> parsed = curvestool::pointsOf(points, &why);
        unsigned char library[256];
        for (int v = 0; v < 256; ++v)
            library[v] = static_cast<unsigned char>(v);
        SFCurve curve;
        curve.getBezierPoints(parsed.data(), int(parsed.size()), library);
        QVERIFY(library[128] > 128 && library[255] == 240);  // brighter middle, lowered white
        const QImage all = tools->curved(source, "rgb", points), green = tools->curved(source, "green", points);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x) {
                const QRgb s = source.pixel(x, y), a = all.pixel(x, y), g = green.pixel(x, y);
                QCOMPARE(a, qRgb(library[qRed(s)], library[qGreen(s)], library[qBlue(s)]));
                QCOMPARE(g, qRgb(qRed(s), library[qGreen(s)], qBlue(s)));
            }
    }

    // --- colour mixer -----------------------------------------------------------------------

    void colourMixerChangesItsBandAndBlendsIntoTheNext()
    {
        QCOMPARE(colourmixer::mixedPixel(qRgb(255, 0, 0), {0, 0, -100, 0}), qRgb(128, 128, 128));
        QCOMPARE(colourmixer::mixedPixel(qRgb(20, 60, 230), {0, 0, -100, 0}), qRgb(20, 60, 230));
        QCOMPARE(colourmixer::mixedPixel(qRgb(90, 90, 90), {0, 0, -100, 100}), qRgb(90, 90, 90));
        // A red-orange (hue 15) loses part of its colour, neither all nor none.
        const QRgb between = colourmixer::mixedPixel(qRgb(255, 64, 0), {0, 0, -100, 0});
        QVERIFY(chroma(between) > 40 && chroma(between) < 200);
        // The weights of neighbouring bands add up to one all round the circle.
        for (double hue = 0; hue < 360; hue += 7.5) {
            double sum = 0;
            for (int b = 0; b < colourmixer::kBands; ++b)
                sum += colourmixer::bandWeight(b, hue);
            QVERIFY(std::abs(sum - 1) < 1e-9);
        }
        const QRgb warmer = colourmixer::mixedPixel(qRgb(230, 30, 30), {0, 100, 0, 0});
        QVERIFY(qGreen(warmer) > 60 && qBlue(warmer) < 40);  // red turned towards orange
        const QRgb lighter = colourmixer::mixedPixel(qRgb(40, 180, 40), {3, 0, 0, 80});
        QVERIFY(qGray(lighter) > qGray(qRgb(40, 180, 40)) + 20);
        QVERIFY(qGray(colourmixer::mixedPixel(qRgb(40, 180, 40), {3, 0, 0, -80})) < qGray(qRgb(40, 180, 40)) - 20);
    }

    // --- the forms agree --------------------------------------------------------------------

    // Pictures large enough to be worked on in bands by several threads.
    void bandsGiveTheSameBytesAsThePlainForms()
    {
        const QImage big = noisePicture(1100, 520, 13);
        const selective::Point point{500, 260, 400, 40, -30, 60};
        const QImage lit = selective::apply(big, point);
        const QRgb reference = selective::pointColour(big, point);
        const perspective::Mapping m = perspective::mappingFor(big.size(), -12, 7);
        const QImage corrected = perspective::apply(big, -12, 7);
        const colourmixer::Settings mix{1, 40, -60, 30};
        const QImage mixed = colourmixer::apply(big, mix);
        for (int y = 0; y < big.height(); y += 3)
            for (int x = 0; x < big.width(); ++x) {
                QCOMPARE(lit.pixel(x, y), selective::selectivePixel(big.pixel(x, y), x, y, point, reference));
                QCOMPARE(mixed.pixel(x, y), colourmixer::mixedPixel(big.pixel(x, y), mix));
                if (x < corrected.width() && y < corrected.height())
                    QCOMPARE(corrected.pixel(x, y), perspective::correctedPixel(big, m, x, y));
            }
    }

    // What a live preview shows is what the file form writes for the same picture.
    void liveStepsGiveWhatTheFileFormsWrite()
    {
        const QImage picture = texture(200, 150);
        const QString path = writePicture(documentRoot() + "live.png", picture);
        struct Case {
            QVariantList call;
            std::function<QString()> file;
        };
        const Case cases[] = {
            {{"tools.healImage", path, 60, 50, 8}, [&] { return tools->healImage(path, 60, 50, 8); }},
            {{"tools.selectiveImage", path, 100, 70, 40, 30, 20, -50},
             [&] { return tools->selectiveImage(path, 100, 70, 40, 30, 20, -50); }},
            {{"tools.perspectiveImage", path, -10.0, 6.5}, [&] { return tools->perspectiveImage(path, -10, 6.5); }},
            {{"tools.curvesImage", path, "blue", "0,20 128,100 255,255"},
             [&] { return tools->curvesImage(path, "blue", "0,20 128,100 255,255"); }},
            {{"tools.hslImage", path, "yellow", 20, 40, -10}, [&] { return tools->hslImage(path, "yellow", 20, 40, -10); }},
        };
        for (const Case &c : cases) {
            const QString name = c.call.first().toString();
            QVERIFY(livesteps::known(name));
            QVERIFY(OperationRunner::allowed(name));
            const livesteps::Outcome live = livesteps::run(*communication, name, c.call.mid(1), {picture});
            QVERIFY2(live.ok, qPrintable(name));
            QVERIFY2(samePixels(live.picture, QImage(c.file())), qPrintable(name));
        }
    }
};

ZN_PROGRAM_TEST_MAIN(RetouchTest)
#include "tst_retouch.moc"
