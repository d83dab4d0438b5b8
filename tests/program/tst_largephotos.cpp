// Photos of every size a phone or camera makes: 48 and 108 megapixels edit at
// full size; a picture beyond the budget is refused from its header, before
// anything is allocated, with the reason for the user and no working file.
#include "ZQDCommunication.h"
#include "operationerror.h"
#include "photoreader.h"
#include "testsupport.h"

#include <QImageReader>
#include <QtEndian>

#include <sys/resource.h>

#include <libdeflate.h>

using namespace testsupport;

namespace {

qint64 peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    const QByteArray body = QByteArray(type, 4) + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(quint32(libdeflate_crc32(0, body.constData(), size_t(body.size()))),
                          crc.data());
    return chunk + body + crc;
}

// A PNG that says it is width x height (8-bit RGB) and holds a few rows of
// black: a few hundred bytes that would take gigabytes to decode.
QString hugePng(int width, int height)
{
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(width), header.data());
    qToBigEndian<quint32>(quint32(height), header.data() + 4);
    header[8] = 8;  // bits per sample
    header[9] = 2;  // RGB
    const QByteArray rows(4 * (1 + 3 * width), '\0');
    const QByteArray data = qCompress(rows).mid(4);  // a zlib stream, without Qt's length
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", data)
                         + pngChunk("IEND", {});
    QDir().mkpath(documentRoot());
    const QString path = documentRoot() + QStringLiteral("huge.png");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size())
        qFatal("cannot write the huge PNG");
    return path;
}

QStringList workingFiles()
{
    return QDir(workingFolder()).entryList(QDir::Files);
}

}  // namespace

class LargePhotosTest : public QObject
{
    Q_OBJECT

private slots:
    // First, while the process is still small, so that its peak memory
    // shows any allocation.
    void refusesBeyondTheBudgetFromTheHeader()
    {
        QCOMPARE(QImageReader::allocationLimit(), imageio::kReaderAllocationLimitMB);
        const QString huge = hugePng(30000, 30000);
        QVERIFY(QFileInfo(huge).size() < 4096);
        ZQDCommunication facade;
        const qint64 before = peakResidentKiB();

        const QStringList results = {
            facade.loadImage(huge, 1018),
            facade.framesimpleImage(huge, 1701),
            facade.framecolorfulImage(huge, 1501),
            facade.revolvingImage(huge, 1.0, 90, false, false, false),
            facade.qualityImage(huge, 0.1),
            facade.cropPic(huge, 480, 480, 100, 100, 0, 0),
        };
        for (const QString &result : results)
            QCOMPARE(result, QString());
        const QString reason = OperationError::take();
        QVERIFY2(reason.contains("30000 × 30000") && reason.contains("900 megapixels") && reason.contains("268"),
                 qPrintable(reason));
        QVERIFY(workingFiles().isEmpty());
        QVERIFY2(peakResidentKiB() - before < 64 * 1024, "the refused picture was allocated");

        // Within the budget but above the toolkit's default limit (128 MB):
        // the header alone is read, and the size is the one reported.
        QCOMPARE(imageio::uprightSize(hugePng(12000, 9000)), QSize(12000, 9000));
    }

    void editsFullSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("48 MP") << QSize(8000, 6000);
        QTest::newRow("108 MP") << QSize(12000, 9000);
    }

    // A look, a frame and a crop on the whole photo.
    void editsFullSize()
    {
        QFETCH(QSize, size);
        const QString photo = documentRoot() + QStringLiteral("big%1.jpg").arg(size.width());
        testsupport::writePicture(photo, testsupport::positionPicture(size.width(), size.height()), "JPEG");
        ZQDCommunication facade;
        facade.clearTemporaryPic();

        const QString look = facade.loadImage(photo, 1018);
        QCOMPARE(QImageReader(look).size(), size);
        const QString frame = facade.framesimpleImage(photo, 1701);
        const QSize framed = QImageReader(frame).size();
        QVERIFY2(framed.width() > size.width() && framed.height() > size.height(), qPrintable(frame));

        // The crop's box in photo pixels (screen and photo of one size): the
        // corner shows where it came from.
        facade.clearTemporaryPic();
        const QImage crop(facade.cropPic(photo, size.width(), size.height(), 1000, 800, 4000, 3000));
        QCOMPARE(crop.size(), QSize(1000, 800));
        const QRgb corner = crop.pixel(0, 0);
        QVERIFY(qAbs(qRed(corner) - 4000 * 255 / (size.width() - 1)) <= 4);
        QVERIFY(qAbs(qGreen(corner) - 3000 * 255 / (size.height() - 1)) <= 4);
        QVERIFY(OperationError::peek().isEmpty());
        QFile::remove(photo);
    }
};

ZN_PROGRAM_TEST_MAIN(LargePhotosTest)
#include "tst_largephotos.moc"
