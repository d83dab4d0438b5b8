// The working-file writer against Qt's own PNG writer: for each picture, the
// file we write must decode (with Qt's reader and with an independent decoder)
// to exactly what Qt's default write of the same picture decodes to, carry the
// same chunks, pass pngcheck, and a failed write must leave no file behind.

// The writer, and its row routines checked on their own.
#include "imaging/bandworkers.h"
#include "pngrows.h"
#include "workingpngwriter.h"

#include <libdeflate.h>

#include <memory>

#include <QColorSpace>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <unistd.h>

using namespace pngrows;

namespace {

// A deterministic picture: ramps in red and green, a ring pattern in blue, and
// (for pictures with alpha) an alpha that sweeps across all 256 values.
QImage pattern(int w, int h, bool alpha)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int r = (x * 255) / std::max(1, w - 1);
            const int g = (y * 255) / std::max(1, h - 1);
            const int b = ((x - w / 2) * (x - w / 2) + (y - h / 3) * (y - h / 3)) / 7 & 0xff;
            const int a = alpha ? (x * 7 + y * 13) & 0xff : 255;
            line[x] = qRgba(r, g, b, a);
        }
    }
    return img;
}

// Every premultiplied pixel value the converter can meet: alpha down the rows,
// colour across, including the invalid ones with a colour above alpha.
QImage allPremultipliedPairs()
{
    QImage img(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int a = 0; a < 256; ++a) {
        auto *line = reinterpret_cast<quint32 *>(img.scanLine(a));
        for (int c = 0; c < 256; ++c)
            line[c] = quint32(a) << 24 | quint32(c) << 16 | quint32(255 - c) << 8 | quint32(c ^ 0x5a);
    }
    return img;
}

QImage indexed(int w, int h, bool alpha)
{
    QImage img(w, h, QImage::Format_Indexed8);
    img.setColorCount(37);
    for (int i = 0; i < 37; ++i)
        img.setColor(i, qRgba(i * 7, 255 - i * 5, (i * 41) & 0xff, alpha && i % 3 == 0 ? i * 6 : 255));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.scanLine(y)[x] = uchar((x + 3 * y) % 37);
    return img;
}

QImage greyRampIndexed(int w, int h)
{
    QImage img(w, h, QImage::Format_Indexed8);
    img.setColorCount(256);
    for (int i = 0; i < 256; ++i)
        img.setColor(i, qRgb(i, i, i));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.scanLine(y)[x] = uchar(x * 5 + y);
    return img;
}

QImage mono(int w, int h, QImage::Format format)
{
    QImage img(w, h, QImage::Format_Mono);
    img.setColorCount(2);
    img.setColor(0, qRgb(250, 240, 10));
    img.setColor(1, qRgb(5, 20, 90));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, (x * x + y) % 3 == 0);
    return img.convertToFormat(format);
}

// Smooth shading with fine grain, like a camera picture.
QImage photoLike(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 29) - 4;
            const int r = std::clamp((x * 200) / w + 30 + grain + ((y / 97) % 2) * 20, 0, 255);
            const int g = std::clamp((y * 180) / h + 40 + grain, 0, 255);
            const int b = std::clamp(((x + y) * 150) / (w + h) + 60 + grain, 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return img;
}

// Smooth shading with grain of its own in each channel, like a camera picture
// at a high sensitivity: hardly any repeated strings, the run coder's case.
QImage grainyPhoto(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    quint32 seed = 4242;
    auto grain = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return int(seed >> 28) - 8;
    };
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int r = std::clamp((x * 200) / w + 30 + grain(), 0, 255);
            const int g = std::clamp((y * 180) / h + 40 + grain(), 0, 255);
            const int b = std::clamp(((x + y) * 150) / (w + h) + 60 + grain(), 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return img;
}

// The photo with a grainy alpha, premultiplied.
QImage withGrainAlpha(const QImage &photo)
{
    QImage img = photo.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = (line[x] & 0xffffffu) | quint32(std::clamp(160 + (qRed(line[x]) - qGreen(line[x])) / 2, 0, 255)) << 24;
    }
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QList<QByteArray> chunkTypes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray d = f.readAll();
    QList<QByteArray> types;
    for (qsizetype at = 8; at + 12 <= d.size();) {
        const quint32 len = qFromBigEndian<quint32>(d.constData() + at);
        const QByteArray type = d.mid(at + 4, 4);
        if (type != "IDAT" || types.isEmpty() || types.last() != "IDAT")
            types << type;
        at += 12 + qsizetype(len);
    }
    return types;
}

// Fails the calling test with the first differing pixel.
void compareDecoded(const QImage &ours, const QImage &theirs)
{
    QCOMPARE(ours.format(), theirs.format());
    QCOMPARE(ours.size(), theirs.size());
    QCOMPARE(ours.colorTable(), theirs.colorTable());
    // Whole bytes, then the pixels in a last, partly used byte (a reader leaves
    // the unused bits of a one-bit row as they were in its buffer).
    const qint64 bits = qint64(ours.width()) * ours.depth();
    const size_t whole = size_t(bits / 8);
    const uchar lastMask = uchar(0xff00 >> (bits % 8));
    for (int y = 0; y < ours.height(); ++y) {
        const uchar *a = ours.constScanLine(y);
        const uchar *b = theirs.constScanLine(y);
        if (std::memcmp(a, b, whole) != 0 || (lastMask && ((a[whole] ^ b[whole]) & lastMask) != 0)) {
            for (int x = 0; x < ours.width(); ++x) {
                if (ours.pixelColor(x, y) != theirs.pixelColor(x, y))
                    QFAIL(qPrintable(QStringLiteral("first differing pixel (%1, %2): %3 vs Qt's %4")
                                         .arg(x).arg(y)
                                         .arg(ours.pixelColor(x, y).name(QColor::HexArgb),
                                              theirs.pixelColor(x, y).name(QColor::HexArgb))));
            }
            QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(y)));
        }
    }
    QCOMPARE(ours.dotsPerMeterX(), theirs.dotsPerMeterX());
    QCOMPARE(ours.dotsPerMeterY(), theirs.dotsPerMeterY());
    QCOMPARE(ours.offset(), theirs.offset());
    // A working file holds no text, whatever the picture carried.
    QCOMPARE(ours.textKeys(), QStringList());
    QCOMPARE(ours.colorSpace(), theirs.colorSpace());
}

// The independent decoder's 16-bit RGBA against Qt's decoding of Qt's own file.
void compareWithIndependentDecoder(const QString &file, const QImage &theirs, const QString &dir)
{
    const QString raw = dir + "/decoded.rgba16";
    QProcess p;
    p.start(QStringLiteral(PYTHON3_EXECUTABLE), {QStringLiteral(PNGDECODE_SCRIPT), file, raw});
    QVERIFY(p.waitForFinished(120000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    QFile f(raw);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray header = f.readLine().trimmed();
    QCOMPARE(header, QByteArray::number(theirs.width()) + ' ' + QByteArray::number(theirs.height()));
    const QByteArray px = f.readAll();
    QCOMPARE(px.size(), qsizetype(theirs.width()) * theirs.height() * 8);
    const auto *v = reinterpret_cast<const uchar *>(px.constData());
    for (int y = 0; y < theirs.height(); ++y) {
        for (int x = 0; x < theirs.width(); ++x, v += 8) {
            const QRgba64 want = theirs.pixelColor(x, y).rgba64();
            const QRgba64 got = QRgba64::fromRgba64(qFromBigEndian<quint16>(v), qFromBigEndian<quint16>(v + 2),
                                                    qFromBigEndian<quint16>(v + 4), qFromBigEndian<quint16>(v + 6));
            if (got != want)
                QFAIL(qPrintable(QStringLiteral("independent decoder: pixel (%1, %2) is %3, Qt's file has %4")
                                     .arg(x).arg(y).arg(quint64(got), 16, 16, QChar('0'))
                                     .arg(quint64(want), 16, 16, QChar('0'))));
        }
    }
}

void runPngcheck(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("pngcheck"), {file});
    if (!p.waitForStarted())
        QSKIP("pngcheck is not installed (tools/install-deps.sh installs it)");
    QVERIFY(p.waitForFinished(60000));
    QVERIFY2(p.exitCode() == 0, (p.readAllStandardOutput() + p.readAllStandardError()).constData());
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Writes `image` with the writer and with Qt and compares the two files.
void checkAgainstQt(const QImage &image, bool independent)
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ours = dir.filePath("ours.png");
    const QString qts = dir.filePath("qt.png");
    QVERIFY(saveWorkingPng(image, ours));
    QVERIFY(image.save(qts, "png", -1));
    QCOMPARE(entries(dir.path()), QStringList({"ours.png", "qt.png"}));  // no temporary left over

    // The same chunks as Qt writes, but no text.
    QList<QByteArray> qtChunks = chunkTypes(qts);
    qtChunks.removeIf([](const QByteArray &type) { return type == "tEXt" || type == "zTXt" || type == "iTXt"; });
    QCOMPARE(chunkTypes(ours), qtChunks);
    const QImage theirs(qts);
    compareDecoded(QImage(ours), theirs);
    if (QTest::currentTestFailed())
        return;
    runPngcheck(ours);
    if (independent && !QTest::currentTestFailed())
        compareWithIndependentDecoder(ours, theirs, dir.path());
    // Photo-sized files stay within 15 % of Qt's (small ones carry fixed costs
    // that make ratios meaningless).
    const qint64 ourBytes = QFileInfo(ours).size(), qtBytes = QFileInfo(qts).size();
    if (qint64(image.width()) * image.height() >= 1000000)
        QVERIFY2(ourBytes * 100 <= qtBytes * 115, qPrintable(QStringLiteral("%1 bytes against Qt's %2").arg(ourBytes).arg(qtBytes)));
}

}  // namespace

class TestPngWriter : public QObject {
    Q_OBJECT
private slots:
    void fastRowsMatchPlainRows();
    void coderChoice();
    void matchesQtWrite_data();
    void matchesQtWrite();
    void bundledPictures();
    void replacesExistingFile();
    void nullPictureFails();
    void unwritableFolderFails();
    void readOnlyFolderFails();
    void fullDiskFails();
    void threadsWriteTheSameBytes();
};

// The vector Paeth filter gives the plain loop's bytes for every pixel size
// and for widths around its sixteen-byte step, first row included; the vector
// packing of 32-bit rows gives the plain packing's bytes and writes no more
// than its 4 bytes of slack past the row.
void TestPngWriter::fastRowsMatchPlainRows()
{
    const PaethRow fast = choosePaethRow();
    if (fast == paethRowPlain)
        QSKIP("this processor has no vector form of the row filter");
    quint32 seed = 7;
    auto fill = [&seed](std::vector<uchar> &v, int spread) {
        // Small spreads make many ties between the three predictions.
        for (uchar &b : v)
            b = uchar(((seed = seed * 1103515245u + 12345u) >> 23) % spread);
    };
    for (std::size_t bpp : {1, 2, 3, 4, 6, 8}) {
        for (std::size_t n = bpp; n <= 80; n += bpp) {
            for (int spread : {3, 256}) {
                std::vector<uchar> cur(n), prev(n);
                fill(cur, spread);
                fill(prev, spread);
                for (const uchar *above : {static_cast<const uchar *>(nullptr), static_cast<const uchar *>(prev.data())}) {
                    std::vector<uchar> want(n), got(n);
                    paethRowPlain(cur.data(), above, n, bpp, want.data());
                    fast(cur.data(), above, n, bpp, got.data());
                    QVERIFY2(want == got, qPrintable(QStringLiteral("bpp %1, %2 bytes, spread %3, first row %4")
                                                         .arg(bpp).arg(n).arg(spread).arg(above == nullptr)));
                }
            }
        }
    }
    // The plain filter against the textbook predictor on every triple of a small range.
    for (int a = 0; a < 256; a += 15)
        for (int b = 0; b < 256; b += 17)
            for (int c = 0; c < 256; c += 13) {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                const int want = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                QCOMPARE(int(paethPredict(a, b, c)), want);
            }

    for (bool alpha : {false, true}) {
        for (int width = 0; width <= 41; ++width) {
            std::vector<uchar> src(std::size_t(width) * 4);
            fill(src, 256);
            const std::size_t n = std::size_t(width) * (alpha ? 4 : 3);
            std::vector<uchar> want(n + 16, 0xee), got(n + 16, 0xee);
            packRow32Plain(src.data(), width, alpha, want.data());
            packRow32(src.data(), width, alpha, got.data());
            QVERIFY2(std::equal(want.begin(), want.begin() + qsizetype(n), got.begin()),
                     qPrintable(QStringLiteral("width %1, alpha %2").arg(width).arg(alpha)));
            QVERIFY(std::all_of(got.begin() + qsizetype(n) + 4, got.end(), [](uchar b) { return b == 0xee; }));
        }
    }
}

// Grainy photos and flat pictures take the run coder, painted patterns (whose
// rows repeat at other distances) the full deflate; files of both are checked
// against Qt's by the cases below.
void TestPngWriter::coderChoice()
{
    auto choice = [](const QImage &image) {
        Layout layout;
        if (!chooseLayout(image, &layout))
            return -1;
        RowFilter rows(image, layout);
        std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor *)> c(libdeflate_alloc_compressor(1),
                                                                                   libdeflate_free_compressor);
        return int(workingpng::runCoderSuits(rows, image.height(), c.get()));
    };
    QCOMPARE(choice(grainyPhoto(1024, 768)), 1);
    QCOMPARE(choice(withGrainAlpha(grainyPhoto(560, 480))), 1);
    QCOMPARE(choice(pattern(1024, 768, false).convertToFormat(QImage::Format_RGB32)), 0);
    QImage flat(1024, 768, QImage::Format_RGB32);
    flat.fill(qRgb(200, 30, 90));
    QCOMPARE(choice(flat), 1);  // runs code a flat picture as tightly as deflate does
    QCOMPARE(choice(grainyPhoto(300, 200)), 0);  // too small to sample: full deflate
}

// Rows filtered in bands and run blocks coded on several threads give the
// file one thread writes, byte for byte, whatever the number of threads and
// however the rows fall into blocks (odd sizes, both coders, one row, alpha).
void TestPngWriter::threadsWriteTheSameBytes()
{
    QTemporaryDir dir;
    const QImage pictures[] = {
        grainyPhoto(1001, 467),                       // run coder, blocks of odd rows
        withGrainAlpha(grainyPhoto(333, 1201)),       // run coder, alpha
        grainyPhoto(90000, 4),                        // run coder, one row a block
        pattern(777, 333, false).convertToFormat(QImage::Format_RGB32),  // full deflate, bands
        pattern(5, 3, true),
        mono(29, 9, QImage::Format_MonoLSB),
    };
    auto bytes = [&](const QImage &image, int threads) {
        bandworkers::setThreadLimit(threads);
        const QString path = dir.filePath(QStringLiteral("t%1.png").arg(threads));
        const bool saved = saveWorkingPng(image, path);
        QFile f(path);
        return saved && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    for (const QImage &image : pictures) {
        const QByteArray one = bytes(image, 1);
        QVERIFY(!one.isEmpty());
        for (int threads : {2, 3, 5}) {
            QVERIFY2(bytes(image, threads) == one,
                     qPrintable(QStringLiteral("%1 x %2 on %3 threads").arg(image.width()).arg(image.height()).arg(threads)));
        }
    }
    bandworkers::setThreadLimit(0);
}

void TestPngWriter::matchesQtWrite_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("independent");  // also decode with the Python decoder (small pictures)

    QTest::newRow("opaque RGB32") << pattern(67, 41, false).convertToFormat(QImage::Format_RGB32) << true;
    QTest::newRow("alpha ARGB32") << pattern(67, 41, true) << true;
    QTest::newRow("premultiplied ARGB32") << pattern(67, 41, true).convertToFormat(QImage::Format_ARGB32_Premultiplied) << true;
    QTest::newRow("premultiplied, all pairs") << allPremultipliedPairs() << true;
    QTest::newRow("1x1 opaque") << pattern(1, 1, false).convertToFormat(QImage::Format_RGB32) << true;
    QTest::newRow("1x1 premultiplied") << pattern(1, 1, true).convertToFormat(QImage::Format_ARGB32_Premultiplied) << true;
    for (int w : {2, 3, 5, 13, 101}) {
        QTest::addRow("odd width %d RGB32", w) << pattern(w, 7, false).convertToFormat(QImage::Format_RGB32) << true;
        QTest::addRow("odd width %d premultiplied", w) << pattern(w, 7, true).convertToFormat(QImage::Format_ARGB32_Premultiplied) << true;
        QTest::addRow("odd width %d mono", w) << mono(w, 5, QImage::Format_Mono) << true;
    }
    QTest::newRow("tall 1 wide") << pattern(1, 300, true) << true;
    QTest::newRow("grey Grayscale8") << pattern(45, 20, false).convertToFormat(QImage::Format_Grayscale8) << true;
    QTest::newRow("grey Grayscale16") << pattern(45, 20, false).convertToFormat(QImage::Format_Grayscale16) << true;
    QTest::newRow("indexed") << indexed(33, 17, false) << true;
    QTest::newRow("indexed with alpha") << indexed(33, 17, true) << true;
    QTest::newRow("indexed grey ramp") << greyRampIndexed(33, 17) << true;
    QTest::newRow("mono LSB") << mono(29, 9, QImage::Format_MonoLSB) << true;
    const struct { QImage::Format format; const char *name; bool alpha; } others[] = {
        {QImage::Format_RGB888, "RGB888", false},
        {QImage::Format_BGR888, "BGR888", false},
        {QImage::Format_RGBX8888, "RGBX8888", false},
        {QImage::Format_RGBA8888, "RGBA8888", true},
        {QImage::Format_RGBA8888_Premultiplied, "RGBA8888 premultiplied", true},
        {QImage::Format_RGB16, "RGB16", false},
        {QImage::Format_ARGB4444_Premultiplied, "ARGB4444 premultiplied", true},
        {QImage::Format_ARGB8565_Premultiplied, "ARGB8565 premultiplied", true},
        {QImage::Format_A2RGB30_Premultiplied, "A2RGB30 premultiplied", true},
        {QImage::Format_BGR30, "BGR30", false},
        {QImage::Format_Alpha8, "Alpha8", true},
        {QImage::Format_RGBX64, "RGBX64", false},
        {QImage::Format_RGBA64, "RGBA64", true},
        {QImage::Format_RGBA64_Premultiplied, "RGBA64 premultiplied", true},
        {QImage::Format_RGBA16FPx4_Premultiplied, "RGBA16FPx4 premultiplied", true},
        {QImage::Format_RGBX32FPx4, "RGBX32FPx4", false},
    };
    for (const auto &o : others)
        QTest::addRow("format %s", o.name) << pattern(19, 11, o.alpha).convertToFormat(o.format) << true;

    QImage tagged = pattern(23, 9, false).convertToFormat(QImage::Format_RGB32);
    tagged.setText("Description", QStringLiteral("short"));
    tagged.setText("Comment", QString(70, QLatin1Char('y')));
    tagged.setText("  Spaced   key ", QStringLiteral("x"));
    tagged.setText("Author", QString::fromUtf8("R\xc3\xa9my \xe2\x82\xac"));
    tagged.setText("Long international", QString(60, QChar(0x20ac)));
    tagged.setText("XML:com.adobe.xmp", QStringLiteral("<x:xmpmeta><exif:GPSLatitude>59,54N</exif:GPSLatitude></x:xmpmeta>"));
    tagged.setOffset(QPoint(-3, 17));
    tagged.setDotsPerMeterX(2835);
    tagged.setDotsPerMeterY(5000);
    tagged.setColorSpace(QColorSpace::SRgb);
    QTest::newRow("text left out; offset, resolution, colour space") << tagged << true;
    QImage adobe = pattern(12, 12, true);
    adobe.setColorSpace(QColorSpace(QColorSpace::Primaries::AdobeRgb, 1.8f));
    QTest::newRow("unnamed colour space") << adobe << true;
    QImage greyProfile = pattern(12, 12, false).convertToFormat(QImage::Format_Grayscale8);
    greyProfile.setColorSpace(QColorSpace::SRgb);
    QTest::newRow("grey with an RGB profile") << greyProfile << true;

    // Just over a megabyte of rows: sampled, run coder, still small enough for the Python decoder.
    QTest::newRow("photo, run coder") << grainyPhoto(640, 560) << true;
    QTest::newRow("photo with alpha, run coder") << withGrainAlpha(grainyPhoto(560, 480)) << true;
    // Fewer rows than sample bands, over a megabyte of them.
    QTest::newRow("wide and four rows, sampled") << grainyPhoto(90000, 4) << true;
    QTest::newRow("8 MP photo, opaque") << photoLike(3264, 2448) << false;
    QTest::newRow("8 MP grainy photo, run coder") << grainyPhoto(3264, 2448) << false;
    QTest::newRow("8 MP photo, premultiplied alpha")
        << pattern(3264, 2448, true).convertToFormat(QImage::Format_ARGB32_Premultiplied) << false;
}

void TestPngWriter::matchesQtWrite()
{
    QFETCH(QImage, image);
    QFETCH(bool, independent);
    checkAgainstQt(image, independent);
}

// The pictures of the program's resource bundle (masks, frames, bubbles), as
// the program loads them, when this build has generated the bundle.
void TestPngWriter::bundledPictures()
{
    QDirIterator it(QStringLiteral(ZN_BUNDLE_DIR), {"*.png", "*.jpg"}, QDir::Files, QDirIterator::Subdirectories);
    int count = 0;
    while (it.hasNext()) {
        const QString file = it.next();
        const QImage image(file);
        QVERIFY2(!image.isNull(), qPrintable(file));
        checkAgainstQt(image, qint64(image.width()) * image.height() <= 200 * 200);
        if (QTest::currentTestFailed()) {
            qWarning("while checking %s", qPrintable(file));
            return;
        }
        ++count;
    }
    if (count == 0)
        QSKIP("the resource bundle is not generated in this build folder (build zeltanorvik_resources first)");
}

void TestPngWriter::replacesExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a_norvik.png");
    QVERIFY(saveWorkingPng(pattern(40, 30, true), path));
    const QImage second = pattern(9, 4, false).convertToFormat(QImage::Format_RGB32);
    QVERIFY(saveWorkingPng(second, path));
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), second);
    QCOMPARE(entries(dir.path()), QStringList{"a_norvik.png"});
}

void TestPngWriter::nullPictureFails()
{
    QTemporaryDir dir;
    QVERIFY(!saveWorkingPng(QImage(), dir.filePath("null.png")));
    QVERIFY(!saveWorkingPng(pattern(4, 4, false), QString()));
    QVERIFY(entries(dir.path()).isEmpty());
}

void TestPngWriter::unwritableFolderFails()
{
    QTemporaryDir dir;
    // A folder that is a file cannot be written into, whoever runs the test.
    QFile blocker(dir.filePath("notafolder"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!saveWorkingPng(pattern(8, 8, false), dir.filePath("notafolder/x.png")));
    QVERIFY(!saveWorkingPng(pattern(8, 8, false), dir.filePath("missing/x.png")));
    // A folder under the final name is not replaced.
    QVERIFY(QDir().mkdir(dir.filePath("taken.png")));
    QVERIFY(!saveWorkingPng(pattern(8, 8, false), dir.filePath("taken.png")));
    QVERIFY(QFileInfo(dir.filePath("taken.png")).isDir());
    QCOMPARE(entries(dir.path()), QStringList({"notafolder", "taken.png"}));
}

// A folder without write permission. Root ignores permissions, so as root the
// write runs in a child process of this test as the user "nobody".
void TestPngWriter::readOnlyFolderFails()
{
    QTemporaryDir dir;
    const QString ro = dir.filePath("readonly");
    QVERIFY(QDir().mkdir(ro));
    QVERIFY(QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                          | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther));
    const auto restore = qScopeGuard([&] { QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner); });
    const QString target = ro + "/x.png";
    if (::geteuid() != 0) {
        QVERIFY(!saveWorkingPng(pattern(8, 8, false), target));
    } else {
        QVERIFY(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFileDevice::ExeOther));
        auto writeAsNobody = [](const QString &path) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("PNGWRITER_CHILD_WRITE", path);
            child.setProcessEnvironment(env);
            child.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", QCoreApplication::applicationFilePath()});
            if (!child.waitForStarted() || !child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit)
                return -1;
            return child.exitCode();  // 0: the save reported success, 1: failure
        };
        // The same child can write where it may, so a failure below is the permission's doing.
        const QString open = dir.filePath("open");
        QVERIFY(QDir().mkdir(open));
        QVERIFY(QFile::setPermissions(open, QFileDevice::Permissions(0x7777)));
        if (writeAsNobody(open + "/ok.png") != 0)
            QSKIP("cannot run this test program as the user nobody (setpriv, or a build folder others cannot read)");
        QCOMPARE(entries(open), QStringList{"ok.png"});
        QCOMPARE(writeAsNobody(target), 1);
    }
    QVERIFY(entries(ro).isEmpty());
}

void TestPngWriter::fullDiskFails()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small tmpfs needs root; the full-disk case is not run");
    QTemporaryDir dir;
    const QString mountPoint = dir.filePath("small");
    QVERIFY(QDir().mkdir(mountPoint));
    QProcess mount;
    mount.start("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", mountPoint});
    if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0)
        QSKIP("cannot mount a small tmpfs here (no mount permission in this environment)");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {mountPoint}); });

    // Fine grain compresses badly: a few megabytes of file for a 256 KiB disk.
    const QImage big = photoLike(1200, 900);
    QVERIFY(!saveWorkingPng(big, mountPoint + "/full.png"));
    QVERIFY(entries(mountPoint).isEmpty());
    // A picture that fits is still written there.
    QVERIFY(saveWorkingPng(pattern(16, 16, false), mountPoint + "/small.png"));
    QCOMPARE(entries(mountPoint), QStringList{"small.png"});
}

// With PNGWRITER_CHILD_WRITE set, the program only writes one small picture
// there and exits with 0 when the save reports success, 1 when it reports
// failure (the read-only folder check runs it as another user).
int main(int argc, char **argv)
{
    const QByteArray childTarget = qgetenv("PNGWRITER_CHILD_WRITE");
    if (!childTarget.isEmpty())
        return saveWorkingPng(pattern(8, 8, false), QString::fromLocal8Bit(childTarget)) ? 0 : 1;
    QGuiApplication app(argc, argv);
    TestPngWriter test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_pngwriter.moc"
