// Operations hand their pictures on in memory: what a working-file write keeps
// is exactly what its file decodes to (opaque, straight and premultiplied
// alpha), the decoder gives it back without decoding while the file is
// unchanged and decodes afresh once anyone rewrites it, and the memory stays
// within its budget.
#include "ZQDCommunication.h"
#include "photoreader.h"
#include "picturememory.h"
#include "testsupport.h"

#include <QImageReader>

using testsupport::documentRoot;
using testsupport::positionPicture;

namespace {

// The file decoded by the toolkit itself, past the memory.
QImage decodedFile(const QString &path)
{
    QImageReader reader(path);
    return reader.read();
}

QImage translucent(int width, int height, QImage::Format format)
{
    QImage picture = positionPicture(width, height).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgba(x * 7 % 256, y * 5 % 256, 90, (x + 3 * y) % 256));
    return picture.convertToFormat(format);
}

}  // namespace

class PictureMemoryTest : public QObject
{
    Q_OBJECT

    imageio::PictureMemory &memory = imageio::PictureMemory::shared();

private slots:
    void init()
    {
        QDir().mkpath(documentRoot());
        memory.clear();
    }

    void keptPictureIsTheDecodedFile_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("opaque") << positionPicture(61, 37);
        QTest::newRow("straight alpha") << translucent(61, 37, QImage::Format_ARGB32);
        QTest::newRow("premultiplied") << translucent(61, 37, QImage::Format_ARGB32_Premultiplied);
    }

    void keptPictureIsTheDecodedFile()
    {
        QFETCH(QImage, picture);
        const QString path = documentRoot() + "kept.png";
        quint64 before = memory.next();
        QVERIFY(imageio::saveWorkingPicture(picture, path));
        quint64 since = 0;
        const QImage kept = memory.find(path, &since);
        QVERIFY(since >= before);
        const QImage file = decodedFile(path);
        QCOMPARE(kept.format(), file.format());
        QCOMPARE(kept, file);
        // The decoder takes it from memory: the very same pixels, not a decode.
        QCOMPARE(imageio::readPicture(path).constBits(), memory.find(path).constBits());
        // At a smaller size the file is decoded as asked.
        QCOMPARE(imageio::readPicture(path, [](QSize s) { return s / 2; }).size(), QSize(61, 37) / 2);
    }

    void aRewrittenFileIsDecodedAfresh()
    {
        const QString path = documentRoot() + "rewritten.png";
        QVERIFY(imageio::saveWorkingPicture(positionPicture(40, 30), path));
        // Same size and format, other pixels, written by someone else.
        QImage other = positionPicture(40, 30).mirrored(true, false);
        QVERIFY(other.save(path, "PNG"));
        QVERIFY(memory.find(path).isNull());
        QCOMPARE(imageio::readPicture(path), decodedFile(path));
        // What was decoded is kept, but as a decode, not as a write.
        quint64 since = 1;
        QVERIFY(!memory.find(path, &since).isNull());
        QCOMPARE(since, quint64(0));
        QFile::remove(path);
        QVERIFY(memory.find(path).isNull());
        QVERIFY(imageio::readPicture(path).isNull());
    }

    void theFacadesResultsAreKept()
    {
        const QString photo = testsupport::writePicture(documentRoot() + "facade.jpg", positionPicture(90, 60));
        ZQDCommunication facade;
        const QString look = facade.loadImage(photo, 1019);
        QVERIFY(!look.isEmpty());
        QCOMPARE(memory.find(look), decodedFile(look));
        // The next operation on the result reads it from memory and gives
        // what it gives from the file.
        const QString again = facade.loadImage(look, 1101);
        const QImage fromMemory = decodedFile(again);
        memory.clear();
        QCOMPARE(decodedFile(facade.loadImage(look, 1101)), fromMemory);
    }

    void staysWithinItsBudget()
    {
        // Three pictures of 96 MB: the least recently used is dropped.
        const QSize size(6000, 4000);
        QStringList paths;
        for (int i = 0; i < 3; ++i) {
            QImage picture(size, QImage::Format_RGB32);
            picture.fill(qRgb(i * 40, 20, 30));
            paths << documentRoot() + QString("large%1.png").arg(i);
            QVERIFY(imageio::saveWorkingPicture(picture, paths.last()));
            QVERIFY(memory.keptBytes() <= imageio::PictureMemory::kBudgetBytes);
        }
        QVERIFY(memory.find(paths[0]).isNull());
        QVERIFY(!memory.find(paths[2]).isNull());
        // A picture beyond the budget is not kept, but its write is recorded.
        QImage huge(9000, 8000, QImage::Format_RGB32);
        huge.fill(qRgb(1, 2, 3));
        const QString hugePath = documentRoot() + "huge.png";
        const quint64 before = memory.next();
        QVERIFY(imageio::saveWorkingPicture(huge, hugePath));
        quint64 since = 0;
        QVERIFY(memory.find(hugePath, &since).isNull());
        QVERIFY(since >= before);
        QVERIFY(memory.keptBytes() <= imageio::PictureMemory::kBudgetBytes);
    }
};

ZN_PROGRAM_TEST_MAIN(PictureMemoryTest)
#include "tst_picturememory.moc"
