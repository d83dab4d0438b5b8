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

#include <sys/stat.h>

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
        // Where it was taken, in EXIF, XMP and IPTC.
        exif["Exif.GPSInfo.GPSLatitudeRef"] = std::string("N");
        exif["Exif.GPSInfo.GPSLatitude"] = std::string("59/1 54/1 0/1");
        image.setExifData(exif);
        Exiv2::IptcData iptc;
        iptc["Iptc.Application2.Caption"] = std::string("The lighthouse at dawn");
        iptc["Iptc.Application2.City"] = std::string("Lindesnes");
        image.setIptcData(iptc);
        Exiv2::XmpData xmp;
        xmp["Xmp.dc.creator"] = std::string("A. Walker");
        xmp["Xmp.photoshop.City"] = std::string("Lindesnes");
        xmp["Xmp.exif.GPSLatitude"] = std::string("59,54.0N");
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

bool hasKey(const Exiv2::Image &image, const std::string &key)
{
    if (key.rfind("Exif.", 0) == 0)
        return image.exifData().findKey(Exiv2::ExifKey(key)) != image.exifData().end();
    if (key.rfind("Xmp.", 0) == 0)
        return image.xmpData().findKey(Exiv2::XmpKey(key)) != image.xmpData().end();
    return image.iptcData().findKey(Exiv2::IptcKey(key)) != image.iptcData().end();
}

void put16(QByteArray *b, int at, quint16 v)
{
    (*b)[at] = char(v);
    (*b)[at + 1] = char(v >> 8);
}

void put32(QByteArray *b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        (*b)[at + i] = char(v >> (8 * i));
}

// A hostile EXIF block: `entries` tags that all declare the same `shared`
// bytes as their value (the metadata library copies each of them).
QByteArray sharedValueExif(int entries, int shared)
{
    const int ifd = 8;
    const int data = ifd + 2 + 12 * entries + 4;
    QByteArray tiff(data + shared, '\x55');
    tiff.replace(0, 4, QByteArray("II*\0", 4));
    put32(&tiff, 4, ifd);
    put16(&tiff, ifd, quint16(entries));
    for (int i = 0; i < entries; ++i) {
        const int e = ifd + 2 + 12 * i;
        put16(&tiff, e, quint16(0xc000 + i));
        put16(&tiff, e + 2, 7);  // undefined bytes
        put32(&tiff, e + 4, quint32(shared));
        put32(&tiff, e + 8, quint32(data));
    }
    put32(&tiff, ifd + 2 + 12 * entries, 0);
    return QByteArray("Exif\0\0", 6) + tiff;
}

quint32 crc32Of(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= uchar(c);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xedb88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk(4, '\0');
    for (int i = 0; i < 4; ++i)
        chunk[i] = char(quint32(data.size()) >> (24 - 8 * i));
    chunk += QByteArray(type, 4) + data;
    const quint32 crc = crc32Of(chunk.mid(4));
    for (int i = 0; i < 4; ++i)
        chunk += char(crc >> (24 - 8 * i));
    return chunk;
}

// A picture of `kind` ("png" or "jpeg") carrying `exif` where that kind
// keeps it (a "Raw profile type exif" text, an APP1 segment) and an XMP
// creator beside it.
QString originalWithExif(const QString &name, const char *kind, const QByteArray &exif)
{
    const QString path = documentRoot() + name;
    testsupport::writePicture(path, testsupport::noisePicture(64, 48), kind);
    editMetadata(path, [](Exiv2::Image &image) {
        Exiv2::XmpData xmp;
        xmp["Xmp.dc.creator"] = std::string("A. Walker");
        image.setXmpData(xmp);
    });
    QByteArray bytes = testsupport::fileBytes(path);
    if (qstrcmp(kind, "png") == 0) {
        QByteArray text = "\nexif\n" + QByteArray::number(exif.size()).rightJustified(8, ' ') + "\n" + exif.toHex();
        const QByteArray packed = qCompress(text).mid(4);  // the zlib stream after Qt's length
        bytes.insert(33, pngChunk("zTXt", QByteArray("Raw profile type exif\0\0", 23) + packed));
    } else {
        QByteArray segment("\xff\xe1\0\0", 4);
        segment += exif;
        segment[2] = char((exif.size() + 2) >> 8);
        segment[3] = char(exif.size() + 2);
        bytes.insert(2, segment);
    }
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
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
        QVERIFY2(tools.lastError().contains("could not be written"), qPrintable(tools.lastError()));
        QCOMPARE(savedFiles(), QStringList());

        QDir(savedFolder()).removeRecursively();
        testsupport::writePicture(documentRoot() + "zeltanorvik", QImage(2, 2, QImage::Format_RGB32));
        QCOMPARE(tools.exportImage(working, cameraPhoto(), "", 92), QString());
        QVERIFY(!tools.lastError().isEmpty());
        QFile::remove(documentRoot() + "zeltanorvik");
    }

    // Format, size and location as chosen: read back by Qt and the metadata library.
    void savesAsChosen_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("longSide");
        QTest::addColumn<bool>("keepLocation");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("webp, smaller, no location") << "webp" << 120 << false << "IMG_1234_edited.webp" << QSize(80, 120);
        QTest::newRow("png, never enlarged, location") << "png" << 1080 << true << "IMG_1234_edited.png" << QSize(200, 300);
        QTest::newRow("jpeg, own size, no location") << "jpeg" << 0 << false << "IMG_1234_edited.jpg" << QSize(200, 300);
    }

    void savesAsChosen()
    {
        QFETCH(QString, format);
        QFETCH(int, longSide);
        QFETCH(bool, keepLocation);
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QString working = testsupport::writePicture(documentRoot() + "portrait.png", quarters(QSize(200, 300)));
        const QString saved = tools.exportImageAs(working, cameraPhoto(), format, 90, longSide, keepLocation);
        QCOMPARE(saved, savedFolder() + name);
        QImageReader reader(saved);
        QCOMPARE(reader.format(), format.toLatin1());
        const QImage back = reader.read();
        QCOMPARE(back.size(), size);
        QString why;
        QVERIFY2(showsQuartersUpright(back, &why), qPrintable(why));

        auto image = readMetadata(saved);
        QCOMPARE(exifText(image->exifData(), "Exif.Image.Model"), QString("Pocket Camera 7"));
        QCOMPARE(exifText(image->exifData(), "Exif.Photo.PixelXDimension"), QString::number(size.width()));
        QVERIFY(hasKey(*image, "Xmp.dc.creator"));
        // A WebP keeps IPTC entries in its XMP.
        QVERIFY(hasKey(*image, format == "webp" ? "Xmp.dc.description" : "Iptc.Application2.Caption"));
        for (const char *key : {"Exif.GPSInfo.GPSLatitude", "Exif.Image.GPSTag", "Xmp.photoshop.City",
                                "Xmp.exif.GPSLatitude", "Iptc.Application2.City"}) {
            if (QByteArray(key) != "Exif.Image.GPSTag" || !keepLocation)
                QVERIFY2(hasKey(*image, key) == keepLocation, key);
        }
    }

    // A photo saved as opened, without its location: not a trace of it,
    // though the decoder hands the photo's text along with the pixels.
    void unEditedPhotoWithoutLocation()
    {
        QImage photo = quarters(QSize(30, 20));
        photo.setText("Location", "59.9 N, 10.7 E");
        const QString original = testsupport::writePicture(documentRoot() + "placed.png", photo);
        QVERIFY(QImage(original).text().contains("59.9 N"));
        for (const QString format : {"jpeg", "webp", "png"}) {
            const QString saved = tools.exportImageAs(original, original, format, 90, 0, false);
            QVERIFY(!saved.isEmpty());
            QVERIFY2(!testsupport::fileBytes(saved).contains("59.9 N"), qPrintable(format));
        }
    }

    // EXIF tags that all point at the same bytes: left out (said in the
    // log), the rest of the metadata kept, and the save never takes the
    // memory the copies would (with the address space capped, it would fail).
    void hostileMetadataIsBounded_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("shared");
        QTest::newRow("png, 1.6 MB shared by 4000 tags") << "png" << 4000 << 1600000;
        QTest::newRow("jpeg, 60 KB shared by 400 tags") << "jpeg" << 400 << 60000;
    }

    void hostileMetadataIsBounded()
    {
        QFETCH(QString, kind);
        QFETCH(int, entries);
        QFETCH(int, shared);
        const QString original =
            originalWithExif("hostile." + kind, kind.toLatin1().constData(), sharedValueExif(entries, shared));
        const QString working = testsupport::writePicture(documentRoot() + "plain.png", quarters(QSize(40, 30)));
        rlimit old{};
        getrlimit(RLIMIT_AS, &old);
        rlimit capped = old;
        capped.rlim_cur = rlim_t(4) << 30;
        setrlimit(RLIMIT_AS, &capped);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("over the metadata budget.*EXIF"));
        const QString saved = tools.exportImageAs(working, original, "png", 90, 0, true);
        setrlimit(RLIMIT_AS, &old);
        QVERIFY2(!saved.isEmpty(), qPrintable(tools.lastError()));
        auto image = readMetadata(saved);
        QVERIFY(hasKey(*image, "Xmp.dc.creator"));
        QVERIFY(image->exifData().count() < 20);
    }

    // A photo whose name takes 245 bytes saves under a shortened name (each
    // save its own); a reason that is not the disk's is said as it is.
    void longNamesAndRealReasons()
    {
        const QString stem = QString(120, QChar(0xe9)) + "abcde";  // 245 UTF-8 bytes
        QCOMPARE(stem.toUtf8().size(), 245);
        const QString original = documentRoot() + stem + ".jpg";
        QVERIFY(QFile::copy(cameraPhoto(), original));
        const QString working = facade.qualityImage(original, 1.0);
        const QString first = tools.exportImageAs(working, original, "jpeg", 90, 0, true);
        const QString second = tools.exportImageAs(working, original, "jpeg", 90, 0, true);
        QVERIFY2(!first.isEmpty() && !second.isEmpty(), qPrintable(tools.lastError()));
        QVERIFY(first != second);
        for (const QString &saved : {first, second}) {
            const QString name = QFileInfo(saved).fileName();
            QVERIFY(name.toUtf8().size() <= 255);
            QVERIFY2(name.startsWith(QString(60, QChar(0xe9))), qPrintable(name));
        }
        QVERIFY(QFileInfo(second).fileName().endsWith("_edited-2.jpg"));
        QFile::remove(original);

        // XMP beyond what a JPEG holds: a PNG takes it, a JPEG says why not.
        const QString wordy = documentRoot() + "wordy.png";
        testsupport::writePicture(wordy, quarters(QSize(20, 20)));
        editMetadata(wordy, [](Exiv2::Image &image) {
            Exiv2::XmpData xmp;
            xmp["Xmp.dc.description"] = std::string(70000, 'w');
            image.setXmpData(xmp);
        });
        QCOMPARE(tools.exportImageAs(working, wordy, "jpeg", 90, 0, true), QString());
        QVERIFY2(tools.lastError().contains("too large for a JPEG"), qPrintable(tools.lastError()));
        QVERIFY(!tools.exportImageAs(working, wordy, "png", 90, 0, true).isEmpty());
        QCOMPARE(tools.exportImageAs(working, wordy, "png", 90, -5, true), QString());
        QVERIFY(tools.lastError().contains("-5"));
    }

    // Saved pictures are made as the user's umask says.
    void followsTheUmask()
    {
        const QString working = testsupport::writePicture(documentRoot() + "plain.png", quarters(QSize(40, 30)));
        for (const mode_t mask : {mode_t(027), mode_t(002)}) {
            const mode_t old = ::umask(mask);
            const QString jpeg = tools.exportImageAs(working, QString(), "jpeg", 90, 0, true);
            const QString png = tools.exportImageAs(working, QString(), "png", 90, 0, true);
            ::umask(old);
            for (const QString &saved : {jpeg, png}) {
                struct stat info {};
                QCOMPARE(::stat(QFile::encodeName(saved).constData(), &info), 0);
                QCOMPARE(info.st_mode & 0777, 0666 & ~mask);
            }
        }
    }

    // Working files hold pixels (and the colour profile) only: not the
    // original's text, which can say where it was taken.
    void workingFilesCarryNoText()
    {
        QImage photo = quarters(QSize(30, 20));
        photo.setText("Location", "59.9 N, 10.7 E");
        photo.setText("XML:com.adobe.xmp", "<x:xmpmeta><exif:GPSLatitude>59,54N</exif:GPSLatitude></x:xmpmeta>");
        const QString original = testsupport::writePicture(documentRoot() + "placed.png", photo);
        QVERIFY(QImage(original).textKeys().contains("Location"));
        const QString working = facade.qualityImage(original, 1.0);
        QVERIFY(!working.isEmpty());
        QCOMPARE(QImage(working).textKeys(), QStringList());
        QVERIFY(!testsupport::fileBytes(working).contains("59"));
    }
};

ZN_PROGRAM_TEST_MAIN(ExportTest)
#include "tst_export.moc"
