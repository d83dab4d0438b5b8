// Saving for the user (tools.exportImage): a named JPEG or PNG in the
// saved-pictures folder, never replacing one, with the original photo's
// metadata made true of the saved pixels; nothing under a final name when
// the save fails.
#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "operationerror.h"
#include "phototestsupport.h"
#include "testsupport.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QDir>

#include <csignal>

#include <sys/resource.h>

using namespace phototest;
using namespace testsupport;

namespace {

QString savedFolder()
{
    return documentRoot() + QStringLiteral("zeltanorvik/");
}

QStringList savedFiles()
{
    return QDir(savedFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// A camera's portrait photo: stored 40 x 24 lying on its side (orientation 6),
// with the date taken, the camera, a thumbnail, a caption, XMP and an sRGB
// colour profile.
QString cameraPhoto()
{
    const QString path = documentRoot() + QStringLiteral("IMG_1234.JPG");
    if (QFile::exists(path))
        return path;
    testsupport::writePicture(path, storedAs(quarters(QSize(24, 40)), 6), "JPEG");
    editMetadata(path, [](Exiv2::Image &image) {
        Exiv2::ExifData exif;
        exif["Exif.Image.Model"] = std::string("Pocket Camera 7");
        exif["Exif.Photo.DateTimeOriginal"] = std::string("2024:05:17 09:41:07");
        exif["Exif.Image.Orientation"] = uint16_t(6);
        exif["Exif.Photo.PixelXDimension"] = uint32_t(40);
        exif["Exif.Photo.PixelYDimension"] = uint32_t(24);
        QByteArray thumbnail;
        QBuffer buffer(&thumbnail);
        buffer.open(QIODevice::WriteOnly);
        QImage(8, 5, QImage::Format_RGB32).save(&buffer, "JPEG");
        Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumbnail.constData()),
                                                long(thumbnail.size()));
        image.setExifData(exif);
        Exiv2::IptcData iptc;
        iptc["Iptc.Application2.Caption"] = std::string("The lighthouse at dawn");
        image.setIptcData(iptc);
        Exiv2::XmpData xmp;
        xmp["Xmp.dc.creator"] = std::string("A. Walker");
        xmp["Xmp.tiff.Orientation"] = std::string("6");
        image.setXmpData(xmp);
        const QByteArray icc = QColorSpace(QColorSpace::SRgb).iccProfile();
        Exiv2::DataBuf profile(reinterpret_cast<const Exiv2::byte *>(icc.constData()), long(icc.size()));
        image.setIccProfile(profile);
    });
    return path;
}

QString exifText(const Exiv2::ExifData &exif, const char *key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? QString() : QString::fromStdString(it->toString());
}

}  // namespace

class ExportTest : public QObject
{
    Q_OBJECT

    ZQDCommunication facade;
    EditorTools tools{&facade};

private slots:
    void init()
    {
        QDir(savedFolder()).removeRecursively();
        OperationError::clear();
    }

    // The working file is upright; the saved JPEG keeps the original's
    // metadata, upright, with its own size and no old thumbnail.
    void savesNamedJpegWithTheOriginalsMetadata()
    {
        const QString original = cameraPhoto();
        const QString working = facade.qualityImage(original, 1.0);
        const QString saved = tools.exportImage("file://" + working, original, QString(), 92);
        QCOMPARE(saved, savedFolder() + "IMG_1234_edited.jpg");
        QCOMPARE(savedFiles(), QStringList{"IMG_1234_edited.jpg"});

        QImageReader reader(saved);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        QString why;
        QVERIFY2(showsQuartersUpright(reader.read(), &why), qPrintable(why));

        auto image = readMetadata(saved);
        const Exiv2::ExifData &exif = image->exifData();
        QCOMPARE(exifText(exif, "Exif.Image.Model"), QString("Pocket Camera 7"));
        QCOMPARE(exifText(exif, "Exif.Photo.DateTimeOriginal"), QString("2024:05:17 09:41:07"));
        QCOMPARE(exifText(exif, "Exif.Image.Orientation"), QString("1"));
        QCOMPARE(exifText(exif, "Exif.Photo.PixelXDimension"), QString("24"));
        QCOMPARE(exifText(exif, "Exif.Photo.PixelYDimension"), QString("40"));
        QCOMPARE(Exiv2::ExifThumbC(exif).copy().size_, 0);
        QCOMPARE(exifText(exif, "Exif.Thumbnail.JPEGInterchangeFormat"), QString());
        QCOMPARE(QString::fromStdString(image->iptcData()["Iptc.Application2.Caption"].toString()),
                 QString("The lighthouse at dawn"));
        QCOMPARE(QString::fromStdString(image->xmpData()["Xmp.dc.creator"].toString()), QString("A. Walker"));
        QCOMPARE(QString::fromStdString(image->xmpData()["Xmp.tiff.Orientation"].toString()), QString("1"));
        QVERIFY(image->iccProfileDefined());
        const QByteArray icc(reinterpret_cast<const char *>(image->iccProfile()->pData_), int(image->iccProfile()->size_));
        QCOMPARE(icc, QColorSpace(QColorSpace::SRgb).iccProfile());
    }

    // A second save takes the next name; neither file is replaced.
    void neverOverwrites()
    {
        const QString original = cameraPhoto();
        const QString working = facade.qualityImage(original, 1.0);
        QDir().mkpath(savedFolder());
        testsupport::writePicture(savedFolder() + "IMG_1234_edited.jpg", QImage(3, 3, QImage::Format_RGB32), "JPEG");
        const QByteArray before = testsupport::fileBytes(savedFolder() + "IMG_1234_edited.jpg");

        QCOMPARE(tools.exportImage(working, original, "jpeg", 80), savedFolder() + "IMG_1234_edited-2.jpg");
        QCOMPARE(tools.exportImage(working, original, "jpeg", 80), savedFolder() + "IMG_1234_edited-3.jpg");
        QCOMPARE(testsupport::fileBytes(savedFolder() + "IMG_1234_edited.jpg"), before);
        QCOMPARE(savedFiles().size(), 3);
    }

    // Automatic format: PNG when the picture has transparency (kept), JPEG
    // when it is opaque even if stored with an alpha channel.
    void formatFollowsTransparency()
    {
        QImage clear(20, 10, QImage::Format_ARGB32);
        clear.fill(qRgba(10, 200, 30, 255));
        clear.setPixel(3, 4, qRgba(0, 0, 0, 0));
        const QString see = testsupport::writePicture(documentRoot() + "see.png", clear);
        const QString png = tools.exportImage(see, documentRoot() + "holiday.jpg", QString(), 92);
        QCOMPARE(png, savedFolder() + "holiday_edited.png");
        const QImage back(png);
        QCOMPARE(qAlpha(back.pixel(3, 4)), 0);
        QCOMPARE(back.pixel(5, 5), qRgba(10, 200, 30, 255));

        clear.setPixel(3, 4, qRgba(0, 0, 0, 255));
        const QString solid = testsupport::writePicture(documentRoot() + "solid.png", clear);
        QCOMPARE(tools.exportImage(solid, QString(), QString(), 92), savedFolder() + "solid_edited.jpg");
        // Asked for PNG, PNG it is; a collage's working file names it after
        // the collage.
        QCOMPARE(tools.exportImage(solid, workingFolder() + "free_norvik.png", "png", 92),
                 savedFolder() + "free_edited.png");
    }

    void refusesWhatItCannotDo()
    {
        const QString working = facade.qualityImage(cameraPhoto(), 1.0);
        QCOMPARE(tools.exportImage(working, cameraPhoto(), "gif", 92), QString());
        QVERIFY(tools.lastError().contains("gif"));
        QCOMPARE(tools.exportImage(working, cameraPhoto(), "jpeg", 0), QString());
        QVERIFY(tools.lastError().contains("1 to 100"));
        QCOMPARE(tools.exportImage(documentRoot() + "none.png", cameraPhoto(), "", 92), QString());
        QVERIFY(tools.lastError().contains("cannot be read"));
        QVERIFY(savedFiles().isEmpty());
    }

    // A full disk (here: a file-size limit, which fails writes the same way)
    // and a folder that cannot be made: "", and nothing left in the folder.
    void failedWritesLeaveNothing()
    {
        const QString working = facade.qualityImage(cameraPhoto(), 1.0);
        QDir().mkpath(savedFolder());
        signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit tiny = old;
        tiny.rlim_cur = 300;
        setrlimit(RLIMIT_FSIZE, &tiny);
        const QString jpeg = tools.exportImage(working, cameraPhoto(), "jpeg", 92);
        const QString png = tools.exportImage(working, cameraPhoto(), "png", 92);
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(jpeg, QString());
        QCOMPARE(png, QString());
        QVERIFY(tools.lastError().contains("disk is full"));
        QCOMPARE(savedFiles(), QStringList());

        QDir(savedFolder()).removeRecursively();
        testsupport::writePicture(documentRoot() + "zeltanorvik", QImage(2, 2, QImage::Format_RGB32));
        QCOMPARE(tools.exportImage(working, cameraPhoto(), "", 92), QString());
        QVERIFY(!tools.lastError().isEmpty());
        QFile::remove(documentRoot() + "zeltanorvik");
    }
};

ZN_PROGRAM_TEST_MAIN(ExportTest)
#include "tst_export.moc"
