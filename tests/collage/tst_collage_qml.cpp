// Runs the Qt Quick tests in qml/ (the collage screen, the text tool and their
// arithmetic) with the program's objects published as the program publishes
// them, over a document folder of their own; "testFolder" names a folder of
// generated photos.
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
        // Three photos of different shapes; red rises to the right, green downwards.
        const QSize sizes[3] = {{900, 600}, {500, 800}, {700, 700}};
        for (int i = 0; i < 3; ++i) {
            QImage photo(sizes[i], QImage::Format_RGB32);
            for (int y = 0; y < photo.height(); ++y)
                for (int x = 0; x < photo.width(); ++x)
                    photo.setPixel(x, y, qRgb(x * 255 / photo.width(), y * 255 / photo.height(), 60 + 60 * i));
            photo.save(pictures + QStringLiteral("photo%1.png").arg(i), "PNG");
        }

        publishProgramObjects(engine, pictures);
    }

private:
    QuickTestFolder folder;
};

QUICK_TEST_MAIN_WITH_SETUP(collage_qml, Setup)
#include "tst_collage_qml.moc"
