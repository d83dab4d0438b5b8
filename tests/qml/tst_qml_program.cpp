// Runs the tst_*.qml files here with the program's objects published: the
// facade ("communication", over a document folder of its own), the touch
// tracker and the cookie clearer; "testFolder" names a folder with pictures.
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
        // 640 x 400: a wide photo; red rises to the right, green downwards.
        QImage photo(640, 400, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgb(x * 255 / 639, y * 255 / 399, 60));
        photo.save(pictures + "wide.jpg", "JPEG", 95);
        photo.save(pictures + "wide.png", "PNG");

        publishProgramObjects(engine, pictures);
    }

private:
    QuickTestFolder folder;
};

QUICK_TEST_MAIN_WITH_SETUP(program_qml, Setup)
#include "tst_qml_program.moc"
