// Photos in the formats phones and cameras write (HEIC, AVIF, WebP, TIFF,
// DNG) open upright, at their size and in their colours, through the one
// decoder and everything that uses it; files that cannot be opened are
// refused with the reason. The files are made here: heif-enc and ImageMagick
// when they are installed (the cases needing one skip without it), the DNG
// by rawtestfile.h.
#include "bandworkers.h"
#include "decodeprogress.h"
#include "operationerror.h"
#include "operationrunner.h"
#include "photoprovider.h"
#include "photoreader.h"
#include "picturememory.h"
#include "phototestsupport.h"
#include "rawtestfile.h"
#include "testsupport.h"
#include "ZQDCommunication.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>

using namespace phototest;
using namespace testsupport;

namespace {

const QSize kSize(64, 48);

QString tool(const char *name)
{
    // ImageMagick's own convert, not a stand-in elsewhere on the path.
    if (qstrcmp(name, "convert") == 0)
        return QFile::exists("/usr/bin/convert") ? QStringLiteral("/usr/bin/convert") : QString();
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

bool run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

#define NEED_TOOL(var, name)                                                                                 \
    const QString var = tool(name);                                                                          \
    if (var.isEmpty())                                                                                       \
        QSKIP(name " is not installed");

QString file(const QString &name)
{
    return documentRoot() + name;
}

QRgb opaque(QRgb c)
{
    return c | 0xff000000u;
}

// Red light on the left half, blue on the right, as a Bayer sensor sees it.
rawtest::Light redThenBlue(int x, int width)
{
    return x < width / 2 ? rawtest::Light{40000, 1000, 1000} : rawtest::Light{1000, 1000, 40000};
}

}  // namespace

class PhotoFormatsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(documentRoot())); }
    void cleanup() { OperationError::clear(); }

    // HEIC and AVIF: the colours where they were, 10 bits brought to 8.
    void heif_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("deep");
        QTest::addRow("HEIC") << QStringList{"-q", "90"} << "quarters.heic" << false;
        QTest::addRow("AVIF") << QStringList{"-A", "-q", "90"} << "quarters.avif" << false;
        QTest::addRow("HEIC 10-bit") << QStringList{"-q", "90", "-b", "10"} << "quarters10.heic" << true;
    }
    void heif()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, name);
        QFETCH(bool, deep);
        NEED_TOOL(encoder, "heif-enc");
        // A 16-bit source gives a file of more than 8 bits a channel.
        const QString source = file(name + ".png");
        QVERIFY(quarters(kSize).convertToFormat(deep ? QImage::Format_RGBX64 : QImage::Format_RGB32).save(source));
        QVERIFY(run(encoder, options + QStringList{source, "-o", file(name)}));

        QCOMPARE(imageio::uprightSize(file(name)), kSize);
        QCOMPARE(imageio::openProblem(file(name)), QString());
        QString why;
        QVERIFY2(showsQuartersUpright(imageio::readPicture(file(name)), &why), qPrintable(why));
        const QImage half = imageio::readPicture(file(name), [](QSize s) { return s / 2; });
        QCOMPARE(half.size(), kSize / 2);
        QVERIFY2(showsQuartersUpright(half, &why), qPrintable(why));
    }

    // An EXIF orientation inside a HEIF file describes the container's own
    // turn; applied again it would turn the photo twice.
    void heifExifOrientationNotAppliedAgain()
    {
        NEED_TOOL(encoder, "heif-enc");
        const QString jpeg = file("exif6.jpg");
        QVERIFY(quarters(kSize).save(jpeg, "JPEG", 95));
        setOrientation(jpeg, 6);
        QVERIFY(run(encoder, {"-q", "90", jpeg, "-o", file("exif6.heic")}));
        QCOMPARE(imageio::uprightSize(file("exif6.heic")), kSize);
        QString why;
        QVERIFY2(showsQuartersUpright(imageio::readPicture(file("exif6.heic")), &why), qPrintable(why));
    }

    void heifAlpha()
    {
        NEED_TOOL(encoder, "heif-enc");
        QImage source(kSize, QImage::Format_ARGB32);
        source.fill(qRgba(200, 40, 40, 255));
        for (int y = 0; y < kSize.height(); ++y) {
            for (int x = kSize.width() / 2; x < kSize.width(); ++x)
                source.setPixel(x, y, qRgba(0, 0, 0, 0));
        }
        QVERIFY(source.save(file("alpha.png")));
        QVERIFY(run(encoder, {"-L", "-p", "chroma=444", "--matrix_coefficients=0", file("alpha.png"), "-o",
                              file("alpha.heic")}));
        const QImage picture = imageio::readPicture(file("alpha.heic"));
        QVERIFY(picture.hasAlphaChannel());
        QCOMPARE(qAlpha(picture.pixel(5, 5)), 255);
        QVERIFY(near(opaque(picture.pixel(5, 5)), qRgb(200, 40, 40), 8));
        QCOMPARE(qAlpha(picture.pixel(kSize.width() - 5, 5)), 0);
    }

    // WebP and TIFF through the toolkit's plugins: 8 and 16 bits, grey,
    // CMYK, and the first page of several.
    void toolkitFormats_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("grey");
        QTest::addRow("WebP") << QStringList{"-quality", "95"} << "q.webp" << false;
        QTest::addRow("WebP lossless") << QStringList{"-define", "webp:lossless=true"} << "ql.webp" << false;
        QTest::addRow("TIFF 16-bit") << QStringList{"-depth", "16"} << "q16.tif" << false;
        QTest::addRow("TIFF grey") << QStringList{"-colorspace", "Gray"} << "qg.tif" << true;
        QTest::addRow("TIFF CMYK") << QStringList{"-colorspace", "CMYK"} << "qcmyk.tif" << false;
    }
    void toolkitFormats()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, name);
        QFETCH(bool, grey);
        NEED_TOOL(convert, "convert");
        QVERIFY(quarters(kSize).save(file("quarters.png")));
        QVERIFY(run(convert, QStringList{file("quarters.png")} + options + QStringList{file(name)}));
        QCOMPARE(imageio::uprightSize(file(name)), kSize);
        const QImage picture = imageio::readPicture(file(name));
        QString why;
        if (grey) {
            QCOMPARE(picture.size(), kSize);
            QVERIFY(qGray(picture.pixel(kSize.width() / 4, 3 * kSize.height() / 4))
                    < qGray(picture.pixel(3 * kSize.width() / 4, 3 * kSize.height() / 4)));
        } else {
            QVERIFY2(showsQuartersUpright(picture, &why), qPrintable(why));
        }
    }

    void tiffFirstPage()
    {
        NEED_TOOL(convert, "convert");
        QVERIFY(run(convert, {"-size", "40x30", "xc:#dc1e1e", "-size", "40x30", "xc:#2832d2", file("pages.tif")}));
        const QImage picture = imageio::readPicture(file("pages.tif"));
        QCOMPARE(picture.size(), QSize(40, 30));
        QVERIFY(near(picture.pixel(20, 15), qRgb(0xdc, 0x1e, 0x1e), 4));
    }

    // A Bayer DNG developed with its white balance into sRGB: red light comes
    // out red, blue light blue; its orientation turns it; a smaller copy is
    // developed at half size with the same colours.
    void dng()
    {
        const QSize size(96, 64);
        const auto light = [&](int x, int) { return redThenBlue(x, size.width()); };
        QVERIFY(rawtest::writeDng(file("bayer.dng"), size, light));
        QCOMPARE(imageio::uprightSize(file("bayer.dng")), size);
        QCOMPARE(imageio::openProblem(file("bayer.dng")), QString());
        for (const QImage &picture : {imageio::readPicture(file("bayer.dng")),
                                      imageio::readPicture(file("bayer.dng"), [](QSize s) { return s / 2; })}) {
            QVERIFY(!picture.isNull());
            const QRgb left = picture.pixel(picture.width() / 4, picture.height() / 2);
            const QRgb right = picture.pixel(3 * picture.width() / 4, picture.height() / 2);
            QVERIFY2(qRed(left) > qBlue(left) + 100 && qRed(left) > qGreen(left) + 100, qPrintable(QColor(left).name()));
            QVERIFY2(qBlue(right) > qRed(right) + 100 && qBlue(right) > qGreen(right) + 60,
                     qPrintable(QColor(right).name()));
        }
        QCOMPARE(imageio::readPicture(file("bayer.dng"), [](QSize s) { return s / 2; }).size(), size / 2);

        // Orientation 6: shown turned a quarter clockwise, the red half on top.
        QVERIFY(rawtest::writeDng(file("turned.dng"), size, light, 6));
        QCOMPARE(imageio::uprightSize(file("turned.dng")), size.transposed());
        const QImage turned = imageio::readPicture(file("turned.dng"));
        QCOMPARE(turned.size(), size.transposed());
        QVERIFY(qRed(turned.pixel(turned.width() / 2, turned.height() / 4)) > 150);
        QVERIFY(qBlue(turned.pixel(turned.width() / 2, 3 * turned.height() / 4)) > 150);
    }

    // A raw's development says how far it has come, increasing to 100, at
    // full and at half size; the runner hands it on with the job's ticket.
    void rawProgress()
    {
        const QSize size(1200, 800);
        QVERIFY(rawtest::writeDng(file("progress.dng"), size, [&](int x, int) { return redThenBlue(x, size.width()); }));
        QVERIFY(imageio::reportsProgress(file("progress.dng")));
        QVERIFY(!imageio::reportsProgress(file("notes.jpg")));
        for (const bool half : {false, true}) {
            imageio::PictureMemory::shared().clear();
            std::vector<int> said;
            const imageio::DecodeProgress progress([&](int percent) { said.push_back(percent); });
            const QImage picture = imageio::readPicture(file("progress.dng"), [half](QSize s) { return half ? s / 2 : s; });
            QCOMPARE(picture.size(), half ? size / 2 : size);
            QVERIFY2(said.size() >= 4, qPrintable(QString::number(said.size())));
            QVERIFY(std::adjacent_find(said.begin(), said.end(), std::greater_equal<int>()) == said.end());
            QVERIFY(said.front() < 20);
            QCOMPARE(said.back(), 100);
        }

        imageio::PictureMemory::shared().clear();
        OperationRunner runner;
        QSignalSpy progress(&runner, &OperationRunner::progress);
        QSignalSpy finished(&runner, &OperationRunner::finished);
        QVERIFY(runner.reportsProgress(QUrl::fromLocalFile(file("progress.dng")).toString()));
        const QVariantList open{"screenCopy", file("progress.dng"), 300};
        const int ticket = runner.run("open", QVariantList{QVariant(open)});
        QVERIFY(finished.wait(20000));
        QVERIFY2(!finished.first().at(2).toString().isEmpty(), qPrintable(finished.first().at(3).toString()));
        QVERIFY(progress.size() >= 2);
        int last = -1;
        for (const QList<QVariant> &said : std::as_const(progress)) {
            QCOMPARE(said.at(0).toInt(), ticket);
            QCOMPARE(said.at(1).toString(), QString("open"));
            QVERIFY(said.at(2).toInt() > last);
            last = said.at(2).toInt();
        }
        QCOMPARE(last, 100);
        // The photo then shows from memory, without another decode.
        QVERIFY(runner.hasDisplayCopy(file("progress.dng"), {300, 300}));
    }

    // A job cancelled while its raw develops stops there, without a picture,
    // and the next open of the same file develops it whole.
    void cancelledRawStopsEarly()
    {
        const QSize size(1200, 800);
        QVERIFY(rawtest::writeDng(file("stopped.dng"), size, [&](int x, int) { return redThenBlue(x, size.width()); }));
        imageio::PictureMemory::shared().clear();
        std::atomic<bool> cancelled{false};
        int last = -1;
        {
            const bandworkers::CancelScope job(&cancelled);
            // Cancelled as soon as anything was read, as a photo closed at once.
            const imageio::DecodeProgress progress([&](int percent) {
                last = percent;
                if (percent >= 1)
                    cancelled = true;
            });
            OperationError::clear();
            QVERIFY(imageio::readPicture(file("stopped.dng")).isNull());
        }
        QVERIFY2(last >= 1 && last < 30, qPrintable(QString::number(last)));
        QCOMPARE(OperationError::take(), QString("Opening the photo was stopped."));
        QVERIFY(imageio::PictureMemory::shared().find(file("stopped.dng")).isNull());
        QCOMPARE(imageio::readPicture(file("stopped.dng")).size(), size);
    }

    // Every refusal says why: not a picture, a kind of file named, damaged
    // (how much could be read), too large (from the header alone).
    void refusalsSayWhy()
    {
        QFile text(file("notes.jpg"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("shopping list\nmilk\n") > 0);
        text.close();
        QFile pdf(file("scan.png"));
        QVERIFY(pdf.open(QIODevice::WriteOnly) && pdf.write("%PDF-1.4\n%\xe2\xe3\n1 0 obj\n") > 0);
        pdf.close();
        QVERIFY(rawtest::writeDng(file("huge.dng"), QSize(8, 8), [](int, int) { return rawtest::Light{1, 1, 1}; },
                                  1, QSize(20000, 15000)));
        const QByteArray heic = fileBytes(file("quarters.heic"));

        struct Case {
            QString path;
            QString reason;
        };
        QList<Case> cases = {
            {file("notes.jpg"), "“notes.jpg” is not a picture."},
            {file("scan.png"), "“scan.png” is a PDF document, which the editor does not open."},
            {file("huge.dng"), "The photo is 20000 × 15000 pixels (300 megapixels); the editor handles photos of "
                               "up to 268 megapixels."},
        };
        if (!heic.isEmpty()) {
            QFile cut(file("cut.heic"));
            QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(heic.left(heic.size() * 2 / 3)) > 0);
            cases.append({file("cut.heic"), "The photo is damaged and could not be read."});
        }
        for (const Case &c : cases) {
            QCOMPARE(imageio::openProblem(c.path), c.reason);
            OperationError::clear();
            QVERIFY(imageio::readPicture(c.path).isNull());
            QCOMPARE(OperationError::take(), c.reason);
        }
    }

    // A JPEG cut short decodes with a grey lower part: refused, saying how
    // much could be read, by the command-line front too (status 1). A JPEG
    // that lost only its end marker holds the whole picture and opens.
    void truncatedJpeg()
    {
        const QImage picture = noisePicture(256, 256, 7);
        QVERIFY(picture.save(file("whole.jpg"), "JPEG", 90));
        const QByteArray whole = fileBytes(file("whole.jpg"));
        QFile cut(file("cut.jpg"));
        QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(whole.left(whole.size() * 4 / 10)) > 0);
        cut.close();
        QFile endless(file("endless.jpg"));
        QVERIFY(endless.open(QIODevice::WriteOnly) && endless.write(whole.chopped(2)) > 0);
        endless.close();

        const QRegularExpression share("^The photo is damaged: only the top (\\d+) % could be read\\.$");
        const QRegularExpressionMatch m = share.match(imageio::openProblem(file("cut.jpg")));
        QVERIFY2(m.hasMatch(), qPrintable(imageio::openProblem(file("cut.jpg"))));
        // Noise hardly compresses: the share of rows is near the share of bytes.
        QVERIFY2(m.captured(1).toInt() >= 25 && m.captured(1).toInt() <= 45, qPrintable(m.captured(1)));
        QVERIFY(imageio::readPicture(file("cut.jpg")).isNull());
        QCOMPARE(OperationError::take(), m.captured(0));

        QCOMPARE(imageio::openProblem(file("endless.jpg")), QString());
        QCOMPARE(imageio::readPicture(file("endless.jpg")).size(), QSize(256, 256));

        const CliRun cli = runCli({"loadImage", file("cut.jpg"), "1018"});
        QCOMPARE(cli.status, 1);
        QVERIFY2(cli.err.join('\n').contains(m.captured(0)), qPrintable(cli.err.join('\n')));
    }

    // Where photos enter: the facade's operations, the runner's checks and
    // the grids' provider all read the new formats.
    void everyEntryReadsThem()
    {
        const QSize size(96, 64);
        QVERIFY(rawtest::writeDng(file("entry.dng"), size, [&](int x, int) { return redThenBlue(x, size.width()); },
                                  6));
        ZQDCommunication facade;
        const QString look = facade.loadImage(file("entry.dng"), 1018);
        QVERIFY2(!look.isEmpty(), qPrintable(OperationError::take()));
        QCOMPARE(QImage(look).size(), size.transposed());

        OperationRunner runner;
        QVERIFY(runner.readable(file("entry.dng")));
        QCOMPARE(runner.pictureSize(file("entry.dng")), size.transposed());
        QVERIFY(!runner.readable(file("notes.jpg")));

        PhotoProvider provider;
        QSize served;
        const QImage thumb = provider.requestImage(QString::fromLatin1(QUrl::toPercentEncoding(file("entry.dng"), "/")), &served,
                                                     {16, 16});
        QCOMPARE(served, QSize(16, 24));
        QCOMPARE(thumb.size(), served);
        QCOMPARE(PhotoProvider::covering({4000, 3000}, {100, 100}), QSize(134, 100));
        QCOMPARE(PhotoProvider::covering({40, 30}, {100, 100}), QSize(40, 30));
    }
};

ZN_PROGRAM_TEST_MAIN(PhotoFormatsTest)
#include "tst_photoformats.moc"
