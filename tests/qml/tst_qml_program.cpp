// Runs the tst_*.qml files here with the program's objects published: the
// facade ("communication", over a document folder of its own), the touch
// tracker and the cookie clearer; "testFolder" names a folder with pictures.
#include "ZQDCommunication.h"
#include "multitouch.h"
#include "networkaccessmanagerinteractor.h"

#include <QDir>
#include <QImage>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQuickTest>

class Setup : public QObject
{
    Q_OBJECT

public:
    Setup()
    {
        qputenv("ZELTANORVIK_ROOT", (work.path() + "/MyDocs/").toUtf8());
        qputenv("XDG_RUNTIME_DIR", work.path().toUtf8());
    }

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        const QString pictures = work.path() + "/pictures/";
        QDir().mkpath(pictures);
        // 640 x 400: a wide photo; red rises to the right, green downwards.
        QImage photo(640, 400, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgb(x * 255 / 639, y * 255 / 399, 60));
        photo.save(pictures + "wide.jpg", "JPEG", 95);
        photo.save(pictures + "wide.png", "PNG");

        communication = new ZQDCommunication(engine);
        touch = new MultiTouch(engine);
        nami = new NetworkAccessManagerInteractor(engine, engine);
        QQmlContext *context = engine->rootContext();
        context->setContextProperty("communication", communication);
        context->setContextProperty("multitouch", touch);
        context->setContextProperty("nami", nami);
        context->setContextProperty("testFolder", pictures);
    }

private:
    QTemporaryDir work;
    ZQDCommunication *communication = nullptr;
    MultiTouch *touch = nullptr;
    NetworkAccessManagerInteractor *nami = nullptr;
};

QUICK_TEST_MAIN_WITH_SETUP(program_qml, Setup)
#include "tst_qml_program.moc"
