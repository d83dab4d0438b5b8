// Runs the tst_*.qml files here with the program's objects published: the
// facade ("communication", over a document folder of its own), the touch
// tracker and the cookie clearer; "testFolder" names a folder with pictures.
#include "../common/quicktestobjects.h"

#include <QDir>
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
        photo.save(pictures + QString::fromUtf8("Прогулка_散歩_\xF0\x9F\x8C\xB2.png"), "PNG");
        // Two photos of one name in two folders: red and blue.
        for (const auto &[folder, colour] : {std::pair{"red", Qt::red}, std::pair{"blue", Qt::blue}}) {
            QDir().mkpath(pictures + folder);
            QImage plain(320, 240, QImage::Format_RGB32);
            plain.fill(colour);
            plain.save(pictures + folder + "/same.png", "PNG");
        }

        publishProgramObjects(engine, pictures);
    }

private:
    QuickTestFolder folder;
};

QUICK_TEST_MAIN_WITH_SETUP(program_qml, Setup)
#include "tst_qml_program.moc"
