// The engine core: picture, mask and byte loaders, the handover of pictures as
// pixel buffers, the time string, and the two collage lists.
#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "testsupport.h"

#include <QJSEngine>
#include <QPointer>

using namespace testsupport;

namespace {

// Every field of a placed photo, compared at once.
struct Placement {
    QString path;
    float posx, posy, copywidth, copyheight, copyx, copyy, degree;
    int horizontal, vertical;
    float scale;
    bool operator==(const Placement &) const = default;
};

Placement placementOf(ZQDPaintImage &p)
{
    return {p.getImagePath(), p.getposx(),   p.getposy(),      p.getcopywidth(), p.getcopyheight(), p.getcopyx(),
            p.getcopyy(),     p.getdegree(), p.gethorizontal(), p.getvertical(),  p.getscale()};
}

char *toString(const Placement &p)
{
    return QTest::toString(QStringLiteral("%1 at (%2, %3), copy %4 x %5 at (%6, %7), %8 degrees, mirrored %9 %10, "
                                          "scale %11")
                               .arg(p.path)
                               .arg(p.posx)
                               .arg(p.posy)
                               .arg(p.copywidth)
                               .arg(p.copyheight)
                               .arg(p.copyx)
                               .arg(p.copyy)
                               .arg(p.degree)
                               .arg(p.horizontal)
                               .arg(p.vertical)
                               .arg(p.scale));
}

}  // namespace

class EngineTest : public QObject
{
    Q_OBJECT

private:
    // Checks that `image` reached the library's layout: 32-bit opaque RGB, rows
    // of exactly width * 4 bytes, B, G, R, 255 in memory.
    static void checkBuffer(QImage image, QRgb expectedAt00)
    {
        QCOMPARE(image.format(), QImage::Format_RGB32);
        QCOMPARE(image.bytesPerLine(), qsizetype(image.width()) * 4);
        QCOMPARE(image.sizeInBytes(), qsizetype(image.width()) * image.height() * 4);
        const uchar *bytes = ZQDImageEngine::pixelBuffer(image);
        QVERIFY(bytes);
        QCOMPARE(int(bytes[0]), qBlue(expectedAt00));
        QCOMPARE(int(bytes[1]), qGreen(expectedAt00));
        QCOMPARE(int(bytes[2]), qRed(expectedAt00));
        QCOMPARE(int(bytes[3]), 255);
    }

private slots:
    void greyScaleAndPalettePicturesArriveAsRgb32()
    {
        ZQDImageEngine engine;

        QImage grey(13, 7, QImage::Format_Grayscale8);
        grey.fill(77);
        const QImage fromGreyPng = engine.loadPic(writePicture(documentRoot() + "grey.png", grey));
        QCOMPARE(fromGreyPng.size(), QSize(13, 7));
        checkBuffer(fromGreyPng, qRgb(77, 77, 77));

        const QImage fromGreyJpeg = engine.loadPic(writePicture(documentRoot() + "grey.jpg", grey, "JPEG"));
        QCOMPARE(fromGreyJpeg.size(), QSize(13, 7));
        QVERIFY(qAbs(qRed(fromGreyJpeg.pixel(3, 3)) - 77) <= 2);
        checkBuffer(fromGreyJpeg, fromGreyJpeg.pixel(0, 0));

        QImage palette(9, 5, QImage::Format_Indexed8);
        palette.setColorTable({qRgb(10, 20, 30), qRgb(200, 150, 100)});
        palette.fill(0);
        palette.setPixel(4, 2, 1);
        const QImage fromPalette = engine.loadPic(writePicture(documentRoot() + "palette.png", palette));
        QCOMPARE(fromPalette.pixel(4, 2), qRgb(200, 150, 100));
        checkBuffer(fromPalette, qRgb(10, 20, 30));

        QImage alpha(6, 6, QImage::Format_ARGB32);
        alpha.fill(qRgba(40, 80, 120, 128));
        const QImage fromAlpha = engine.loadPic(writePicture(documentRoot() + "alpha.png", alpha));
        QCOMPARE(fromAlpha.format(), QImage::Format_RGB32);
        QCOMPARE(qAlpha(fromAlpha.pixel(0, 0)), 255);
    }

    void contentDecidesTheFormat()
    {
        ZQDImageEngine engine;
        // A PNG under a misleading name still loads.
        const QString path = writePicture(documentRoot() + "really-a-png.jpg", positionPicture(8, 8), "PNG");
        QCOMPARE(engine.loadPic(path).size(), QSize(8, 8));
    }

    void unreadableSourcesGiveNull()
    {
        ZQDImageEngine engine;
        QVERIFY(engine.loadPic(documentRoot() + "missing.png").isNull());
        QFile junk(documentRoot() + "junk.jpg");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(64, 'x'));
        junk.close();
        QVERIFY(engine.loadPic(junk.fileName()).isNull());
        QVERIFY(engine.loadPic(junk.fileName(), 10, 10).isNull());
        QVERIFY(engine.loadMask(junk.fileName(), 10, 10).isNull());
    }

    // Masks and textures are stretched to exactly the picture's size,
    // whatever their own proportions.
    void masksStretchToThePictureSize()
    {
        ZQDImageEngine engine;
        const QString path = writePicture(documentRoot() + "mask.png", positionPicture(40, 10));
        const QPixmap stretched = engine.loadPic(path, 33, 77);
        QCOMPARE(stretched.size(), QSize(33, 77));
        const QImage mask = engine.loadMask(path, 321, 7);
        QCOMPARE(mask.size(), QSize(321, 7));
        checkBuffer(mask, positionPicture(40, 10).pixel(0, 0));
    }

    void bytes()
    {
        ZQDImageEngine engine;
        QVERIFY(engine.loadBytes(qPrintable(documentRoot() + "missing.bin")).isEmpty());
        QByteArray content;
        for (int i = 0; i < 70000; ++i)
            content.append(char(i * 7));
        QFile f(documentRoot() + "data.bin");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        QCOMPARE(engine.loadBytes(qPrintable(f.fileName())), content);
    }

    void bufferHandoverRefusesOtherLayouts()
    {
        QImage none;
        QVERIFY(!ZQDImageEngine::pixelBuffer(none));
        QImage grey(4, 4, QImage::Format_Grayscale8);
        QVERIFY(!ZQDImageEngine::pixelBuffer(grey));
        QImage premultiplied(4, 4, QImage::Format_ARGB32_Premultiplied);
        QVERIFY(!ZQDImageEngine::pixelBuffer(premultiplied));
        // The buffer is the picture's own: a change through it is the result.
        QImage picture(3, 2, QImage::Format_RGB32);
        picture.fill(qRgb(0, 0, 0));
        uchar *bytes = ZQDImageEngine::pixelBuffer(picture);
        bytes[(1 * 3 + 2) * 4 + 2] = 250;  // red of pixel (2, 1)
        QCOMPARE(ZQDImageEngine::resultPixmap(std::move(picture)).toImage().pixel(2, 1), qRgb(250, 0, 0));
    }

    void timeString()
    {
        ZQDImageEngine engine;
        const QString a = engine.getCurrentTimeString();
        QCOMPARE(a.size(), 14);
        QVERIFY(std::all_of(a.begin(), a.end(), [](QChar c) { return c.isDigit(); }));
        QCOMPARE(a.left(4).toInt(), QDate::currentDate().year());
        QVERIFY(engine.getCurrentTimeString() >= a);
    }

    void paintImageFromAPathAlone()
    {
        ZQDImageEngine engine;
        QVERIFY(!engine.getPaintImage(0));
        engine.addPaintImage("file:///home/user/MyDocs/a.jpg");
        QCOMPARE(engine.paintImageCount(), 1);
        ZQDPaintImage *p = engine.getPaintImage(0);
        QVERIFY(p);
        QCOMPARE(placementOf(*p), (Placement{"/home/user/MyDocs/a.jpg", 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    }

    // Objects handed to script stay the engine's: collecting the script's
    // reference must not delete what the lists still hold.
    void scriptNeverCollectsListEntries()
    {
        ZQDImageEngine engine;
        engine.addPaintImage("/tmp/a.jpg");
        engine.addImageRect(new ZQDImageRect(1, 2, 3, 4, 0.0f, nullptr));
        QPointer<ZQDPaintImage> photo = engine.getPaintImage(0);
        QPointer<ZQDImageRect> cell = engine.getImageRect(0);
        {
            QJSEngine js;
            QJSEngine::setObjectOwnership(&engine, QJSEngine::CppOwnership);
            js.globalObject().setProperty("engine", js.newQObject(&engine));
            QJSValue r = js.evaluate("engine.getPaintImage(0).getImagePath() + engine.getImageRect(0)");
            QVERIFY(!r.isError());
            js.collectGarbage();
        }
        QVERIFY(photo);
        QVERIFY(cell);
        QCOMPARE(engine.paintImageCount(), 1);
    }

    // Every argument lands in its own field; width and height are the copy size.
    void paintImageWithEveryArgument()
    {
        ZQDImageEngine engine;
        engine.addPaintImage("/p/b.png", 1.5f, 2.5f, 30.f, 40.f, 5.f, 6.f, 90.f, true, false, 0.75f);
        ZQDPaintImage *p = engine.getPaintImage(7);
        QVERIFY(p);
        QCOMPARE(placementOf(*p), (Placement{"/p/b.png", 1.5f, 2.5f, 30, 40, 5, 6, 90, 1, 0, 0.75f}));
    }

    // QML reaches every shorter form of addPaintImage by name.
    void everyFormIsCallableByName()
    {
        ZQDCommunication communication;
        ZQDImageEngine *engine = communication.engine();
        QVERIFY(QMetaObject::invokeMethod(&communication, "addPaintImage", Q_ARG(QString, "/a.png")));
        QVERIFY(QMetaObject::invokeMethod(&communication, "addPaintImage", Q_ARG(QString, "/b.png"), Q_ARG(float, 3.f),
                                          Q_ARG(float, 4.f), Q_ARG(float, 5.f)));
        QVERIFY(QMetaObject::invokeMethod(engine, "addPaintImage", Q_ARG(QString, "/c.png"), Q_ARG(float, 1.f),
                                          Q_ARG(float, 1.f), Q_ARG(float, 1.f), Q_ARG(float, 1.f), Q_ARG(float, 1.f),
                                          Q_ARG(float, 1.f), Q_ARG(float, 45.f), Q_ARG(bool, false),
                                          Q_ARG(bool, true)));
        QCOMPARE(engine->paintImageCount(), 3);
        QCOMPARE(engine->getPaintImage(1)->getcopywidth(), 5.f);
        QCOMPARE(engine->getPaintImage(1)->getscale(), 1.f);
        QCOMPARE(engine->getPaintImage(2)->getvertical(), 1);
        QCOMPARE(engine->getPaintImage(2)->getscale(), 1.f);
        int forms = 0;
        for (int i = 0; i < communication.metaObject()->methodCount(); ++i)
            forms += communication.metaObject()->method(i).name() == "addPaintImage";
        QCOMPARE(forms, 11);
        communication.clearPaintImageList();
        QCOMPARE(engine->paintImageCount(), 0);
    }

    void cellAccessIsClamped()
    {
        ZQDCommunication communication;
        ZQDImageEngine *engine = communication.engine();
        QVERIFY(!communication.getImageRect(0));
        QVERIFY(!communication.getImageRect(-1));
        auto *first = new ZQDImageRect(0, 0, 10, 10, 0.f);
        auto *second = new ZQDImageRect(10, 0, 20, 10, 15.f);
        auto *third = new ZQDImageRect(30, 0, 30, 10, -5.f);
        engine->addImageRect(first);
        engine->addImageRect(second);
        engine->addImageRect(third);
        QCOMPARE(communication.imageRectCount(), 3);
        QCOMPARE(communication.getImageRect(-5), first);
        QCOMPARE(communication.getImageRect(0), first);
        QCOMPARE(communication.getImageRect(1), second);
        QCOMPARE(communication.getImageRect(2), third);
        QCOMPARE(communication.getImageRect(7), third);
        QCOMPARE(second->getx(), 10);
        QCOMPARE(second->getwidth(), 20);
        QCOMPARE(second->getDegree(), 15.f);

        QPointer<ZQDImageRect> watched(second);
        engine->clearImageRectList();
        QVERIFY(watched.isNull());
        QCOMPARE(communication.imageRectCount(), 0);
    }

    // The engine owns what is still in its lists when it goes.
    void engineDeletesWhatItsListsHold()
    {
        QPointer<ZQDImageRect> cell;
        QPointer<ZQDPaintImage> photo;
        {
            ZQDImageEngine engine;
            cell = new ZQDImageRect;
            engine.addImageRect(cell);
            engine.addPaintImage("/x.png");
            photo = engine.getPaintImage(0);
            QVERIFY(cell && photo);
        }
        QVERIFY(cell.isNull());
        QVERIFY(photo.isNull());
    }

    void engineAndFilesAreTheFacadesChildren()
    {
        QPointer<ZQDImageEngine> engine;
        {
            ZQDCommunication communication;
            engine = communication.engine();
            QCOMPARE(engine->parent(), &communication);
            QCOMPARE(communication.files()->parent(), &communication);
        }
        QVERIFY(engine.isNull());
    }
};

ZN_PROGRAM_TEST_MAIN(EngineTest)
#include "tst_engine.moc"
