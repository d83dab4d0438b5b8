// Bubble text in any script the installed fonts cover (Chinese and Japanese
// included), and text on a photo with transparency keeping it.
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "testsupport.h"

#include <QGlyphRun>
#include <QTextLayout>

using namespace testsupport;

class BubbleTextTest : public QObject
{
    Q_OBJECT

private slots:
    // Every character of the text is drawn with a real glyph of some family
    // (glyph 0 is the empty box a font shows for what it lacks).
    void everyCharacterHasAGlyph_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("Chinese") << QString::fromUtf8("今天的照片：山上有一座灯塔。");
        QTest::newRow("Japanese") << QString::fromUtf8("きょうの写真、カメラで撮った。");
        QTest::newRow("Latin") << QStringLiteral("Hello, lighthouse!");
    }

    void everyCharacterHasAGlyph()
    {
        QFETCH(QString, text);
        for (bool bold : {false, true}) {
            QTextLayout layout(text, ZQDImageEngine::bubbleFont(24, bold));
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            int glyphs = 0;
            for (const QGlyphRun &run : layout.glyphRuns()) {
                for (quint32 index : run.glyphIndexes()) {
                    QVERIFY2(index != 0, qPrintable(run.rawFont().familyName() + " lacks a glyph"));
                    ++glyphs;
                }
            }
            QCOMPARE(glyphs, text.size());
        }
    }

    // Chinese text on a white bubble leaves red ink inside the text area.
    void chineseTextDrawsInk()
    {
        QImage photo(200, 160, QImage::Format_RGB32);
        photo.fill(Qt::black);
        QImage bubble(120, 100, QImage::Format_ARGB32);
        bubble.fill(Qt::white);
        ZQDImageEngine engine;
        const QImage result = engine
                                  .drawTextOnImage(QString(), writePicture(documentRoot() + "night.png", photo), 1, 10,
                                                   10, writePicture(documentRoot() + "bubble.png", bubble), 1,
                                                   QString::fromUtf8("灯塔"), 0, 20, "#ff0000", 0, 0, 100, 80, 10, 10)
                                  .toImage();
        int red = 0;
        for (int y = 20; y < 100; ++y) {
            for (int x = 20; x < 120; ++x) {
                const QRgb p = result.pixel(x, y);
                red += qRed(p) > 200 && qGreen(p) < 120;
            }
        }
        QVERIFY2(red > 40, qPrintable(QString::number(red)));
    }

    // The working file keeps the photo's transparent pixels around the bubble.
    void transparentPhotoStaysTransparent()
    {
        QImage photo(80, 60, QImage::Format_ARGB32);
        photo.fill(Qt::transparent);
        for (int y = 40; y < 60; ++y) {
            for (int x = 60; x < 80; ++x)
                photo.setPixel(x, y, qRgba(0, 0, 255, 128));
        }
        QImage bubble(20, 20, QImage::Format_ARGB32);
        bubble.fill(Qt::white);
        ZQDCommunication facade;
        const QString working =
            facade.writingFontImage(QString(), writePicture(documentRoot() + "cutout.png", photo), 1, 0, 0,
                                    writePicture(documentRoot() + "small-bubble.png", bubble), 1, "A", 0, 8,
                                    "#000000", 0, 0, 20, 20, 0, 0);
        const QImage result = QImage(working).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(result.size(), photo.size());
        QCOMPARE(qAlpha(result.pixel(40, 30)), 0);
        QCOMPARE(qAlpha(result.pixel(10, 10)), 255);
        const QRgb half = result.pixel(70, 50);
        QVERIFY(qAbs(qAlpha(half) - 128) <= 1 && qAbs(qBlue(half) - 255) <= 2);
    }
};

ZN_PROGRAM_TEST_MAIN(BubbleTextTest)
#include "tst_bubbletext.moc"
