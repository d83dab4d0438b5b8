// Runs the Qt Quick tests of the editor's picture tools (qml/tst_*.qml) with
// the facade published as the program publishes it, over a document folder
// of its own; "testFolder" names a folder with a wide test photo.
#include "../common/quicktestobjects.h"

#include <QImage>
#include <QtQuickTest>

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        const QString pictures = folder.pictures();
        // 640 x 400 with detail everywhere: ramps crossed by a checker, so
        // every look, blur and sharpening changes it.
        QImage photo(640, 400, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgb(x * 255 / 639, y * 255 / 399, ((x / 10 + y / 10) % 2) ? 200 : 40));
        photo.save(pictures + "wide.png", "PNG");
        photo.save(pictures + "other.png", "PNG");

        publishProgramObjects(engine, pictures);
    }

private:
    QuickTestFolder folder;
};

QUICK_TEST_MAIN_WITH_SETUP(engine_panels, Setup)
#include "quick_panels.moc"
