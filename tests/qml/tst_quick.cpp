// Runs the Qt Quick tests of the interface (every tst_*.qml here, one file a
// screen) with the program's objects published as the program publishes them:
// the facade "communication", "tools", "runner" and its picture provider,
// "multitouch", "nami", and the sharing controller "http" and signer "oauth".
// The process has a document folder of its own; the tests add "testFolder"
// (the photos below, written once), "testServer" (the local HTTP server) and
// "testFiles" (empties the document folder between tests).
#include "../common/qttestsupport.h"
#include "../program/rawtestfile.h"
#include "../sharing/sharingtesttools.h"

#include "EditorTools.h"
#include "OAuthSigner.h"
#include "ZQCHttpController.h"
#include "ZQDCommunication.h"
#include "multitouch.h"
#include "networkaccessmanagerinteractor.h"
#include "operationrunner.h"
#include "photoprovider.h"
#include "pictureprovider.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQuickTest>

// Lets a test start with an empty document folder: no working files, no
// saved pictures.
class QuickTestFiles : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE bool emptyDocumentRoot() const
    {
        const QString root = zntest::documentRoot();
        QDir dir(root);
        return !root.isEmpty() && dir.removeRecursively() && QDir().mkpath(root);
    }

    // Writes a Bayer DNG of `width` x `height` at `path` (red light on the
    // left half, blue on the right); false when it cannot be written.
    Q_INVOKABLE bool writeRaw(const QString &path, int width, int height) const
    {
        return rawtest::writeDng(path, QSize(width, height), [width](int x, int) {
            return x < width / 2 ? rawtest::Light{40000, 1000, 1000} : rawtest::Light{1000, 1000, 40000};
        });
    }

    // Makes `path` the current folder; returns the one before.
    Q_INVOKABLE QString setCurrentFolder(const QString &path) const
    {
        const QString before = QDir::currentPath();
        QDir::setCurrent(path);
        return before;
    }
};

namespace {

// A photo with detail everywhere: red rises to the right, green downwards,
// crossed by a checker in blue, so every look, blur and sharpening changes it.
QImage detailedPhoto(int width, int height)
{
    QImage photo(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            photo.setPixel(x, y, qRgb(x * 255 / (width - 1), y * 255 / (height - 1), ((x / 10 + y / 10) % 2) ? 200 : 40));
    return photo;
}

void writePhoto(const QImage &photo, const QString &path, const char *format = "PNG")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!photo.save(path, format, qstrcmp(format, "JPEG") == 0 ? 95 : -1))
        qFatal("cannot write the test photo %s", qPrintable(path));
}

}  // namespace

class Setup : public QObject
{
    Q_OBJECT

public:
    // Before the application: the facade reads its document folder once, the
    // sharing state and settings go to folders of this run.
    Setup()
    {
        zntest::useTestFolders(work);
        qputenv("XDG_DATA_HOME", QFile::encodeName(work.filePath("data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.filePath("config")));
    }

public slots:
    void applicationAvailable()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("zn-test"));
        // 640 x 400, wide; as JPEG, and under a name of two-, three- and
        // four-byte characters.
        const QImage wide = detailedPhoto(640, 400);
        writePhoto(wide, pictures + "wide.png");
        writePhoto(wide, pictures + "wide.jpg", "JPEG");
        writePhoto(wide, pictures + QString::fromUtf8("Прогулка_散歩_\xF0\x9F\x8C\xB2.png"));
        // Three photos of different shapes for the collages; red rises to the
        // right, green downwards.
        const QSize sizes[3] = {{900, 600}, {500, 800}, {700, 700}};
        for (int i = 0; i < 3; ++i) {
            QImage photo(sizes[i], QImage::Format_RGB32);
            for (int y = 0; y < photo.height(); ++y)
                for (int x = 0; x < photo.width(); ++x)
                    photo.setPixel(x, y, qRgb(x * 255 / photo.width(), y * 255 / photo.height(), 60 + 60 * i));
            writePhoto(photo, pictures + QStringLiteral("photo%1.png").arg(i));
        }
        // Two plain photos of one name in two folders: red and blue.
        for (const auto &[folder, colour] : {std::pair{"red", Qt::red}, std::pair{"blue", Qt::blue}}) {
            QImage plain(320, 240, QImage::Format_RGB32);
            plain.fill(colour);
            writePhoto(plain, pictures + folder + "/same.png");
        }
        // A transparent picture: a translucent circle and black text on nothing.
        QImage sticker(320, 240, QImage::Format_ARGB32);
        sticker.fill(Qt::transparent);
        {
            QPainter painter(&sticker);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(220, 60, 30, 128));
            painter.drawEllipse(60, 20, 200, 200);
            painter.setPen(Qt::black);
            QFont font;
            font.setPixelSize(48);
            font.setBold(true);
            painter.setFont(font);
            painter.drawText(sticker.rect(), Qt::AlignCenter, QStringLiteral("Hello"));
        }
        writePhoto(sticker, pictures + "sticker.png");
        // A small picture to share.
        QImage share(64, 48, QImage::Format_RGB32);
        share.fill(QColor(40, 120, 200));
        writePhoto(share, pictures + "share.png");
        serverUp = server.start();
    }

    // Each test file has an engine of its own; the objects belong to it.
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        QQmlContext *context = engine->rootContext();
        auto *communication = new ZQDCommunication(engine);
        context->setContextProperty("communication", communication);
        context->setContextProperty("tools", new EditorTools(communication, engine));
        context->setContextProperty("multitouch", new MultiTouch(engine));
        context->setContextProperty("nami", new NetworkAccessManagerInteractor(engine, engine));
        auto *runner = new OperationRunner(engine);
        context->setContextProperty("runner", runner);
        engine->addImageProvider(PictureProvider::kName, new PictureProvider(runner->displayCopies()));
        engine->addImageProvider(PhotoProvider::kName, new PhotoProvider);
        auto *http = new ZQCHttpController(engine);
        http->accounts()->setKeyringAllowed(false);
        http->setStallLimit(1500);
        context->setContextProperty("http", http);
        context->setContextProperty("oauth", new OAuthSigner(engine));

        context->setContextProperty("testFolder", pictures);
        context->setContextProperty("testServer", serverUp ? server.url(QString()) : QString());
        context->setContextProperty("testFiles", new QuickTestFiles(engine));
    }

private:
    QTemporaryDir work;
    const QString pictures = work.filePath("pictures") + "/";
    TestServer server;
    bool serverUp = false;
};

QUICK_TEST_MAIN_WITH_SETUP(quick, Setup)
#include "tst_quick.moc"
