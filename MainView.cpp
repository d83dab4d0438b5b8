#include "MainView.h"

#include "OAuthSigner.h"
#include "ZQCHttpController.h"
#include "ZQDCommunication.h"
#include "EditorTools.h"
#include "ImageDispose.h"
#include "ZQDImageRect.h"
#include "ZQDPaintImage.h"
#include "logging.h"
#include "multitouch.h"
#include "networkaccessmanagerinteractor.h"
#include "operationrunner.h"
#include "photoprovider.h"
#include "pictureprovider.h"
#include "touchapplicationviewer.h"
#include "appicon.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QSettings>

#include <QFileInfo>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

MainView::MainView(QWidget *parent)
    : QWidget(parent)
{
    touch = new MultiTouch;
    viewer = new TouchApplicationViewer(touch);
    viewer->setGeometry(0, 0, 480, 854);
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(AppIcon::draw(side)));
    viewer->setIcon(icon);
    QGuiApplication::setWindowIcon(icon);
    const QString platform = QGuiApplication::platformName();
    keepsGeometry = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    if (keepsGeometry) {
        const QRect kept = QSettings().value(QStringLiteral("window/geometry")).toRect();
        if (kept.width() >= 200 && kept.height() >= 200)
            viewer->setGeometry(kept);
        // A window taller or wider than the screen would hide the tool bar:
        // it shrinks to what the screen offers, its proportions kept.
        const QRect screen = viewer->screen() ? viewer->screen()->availableGeometry() : QRect();
        if (screen.isValid() && (viewer->width() > screen.width() || viewer->height() > screen.height())) {
            const QSize fitted = viewer->size().scaled(screen.size(), Qt::KeepAspectRatio);
            viewer->setGeometry(QRect(screen.topLeft(), fitted.expandedTo(QSize(200, 200))));
        }
    }
    viewer->setOrientation(QmlApplicationViewer::ScreenOrientationLockPortrait);
    viewer->setMainQmlFile(QStringLiteral("qml/zeltanorvik/ShanpingImage.qml"));
    viewer->showExpanded();
    QTimer::singleShot(kSplashMs, Qt::PreciseTimer, this, &MainView::ShowMain);
    communication = new ZQDCommunication;
    // What an instance that ended without cleaning up (a crash, a kill) left.
    workingarea::sweepOrphans(meeGoRootDir(), true);
    tools = new EditorTools(communication);
    http = new ZQCHttpController;
    oauth = new OAuthSigner;
}

MainView::~MainView()
{
    if (keepsGeometry && viewer->visibility() == QWindow::Windowed)
        QSettings().setValue(QStringLiteral("window/geometry"), viewer->geometry());
    // The documents go first: their bindings read the objects below (the
    // facade's document folder, say) for as long as they live.
    delete viewer->rootObject();
    delete touch;
    delete tools;
    delete communication;
    delete http;
    delete oauth;
    // The view goes last, so that the toolkit shuts down with no window left;
    // it no longer has a tracker to hand touches to.
    delete viewer;
    // The runner went with the view: no one writes working files any more.
    ImageDispose().clearTemporaryPic();
}

void MainView::ShowMain()
{
    if (mainShown)
        return;
    mainShown = true;

    QQmlContext *context = viewer->rootContext();
    context->setContextProperty(QStringLiteral("multitouch"), touch);
    qmlRegisterType<ZQDImageRect>("ZQDImageRect", 1, 0, "ZQDImageRect");
    qmlRegisterType<ZQDPaintImage>("ZQDPaintImage", 1, 0, "ZQDPaintImage");
    context->setContextProperty(QStringLiteral("communication"), communication);
    context->setContextProperty(QStringLiteral("tools"), tools);
    // The picture operations off the GUI thread, and the display of their
    // results without decoding the files (goes with the view).
    auto *runner = new OperationRunner(viewer);
    context->setContextProperty(QStringLiteral("runner"), runner);
    viewer->engine()->addImageProvider(QLatin1String(PictureProvider::kName),
                                       new PictureProvider(runner->displayCopies()));
    // Photo files for the grids and pickers, in every format the editor opens.
    viewer->engine()->addImageProvider(QLatin1String(PhotoProvider::kName), new PhotoProvider);
    context->setContextProperty(QStringLiteral("http"), http);
    context->setContextProperty(QStringLiteral("oauth"), oauth);
    nami = new NetworkAccessManagerInteractor(viewer->engine(), viewer);
    context->setContextProperty(QStringLiteral("nami"), nami);

    loadMainDocument();
    QQuickItem *root = viewer->rootObject();
    context->setContextProperty(QStringLiteral("http"), http);

    if (!root) {
        qCWarning(lcShell) << "the main document did not load:" << viewer->source().toLocalFile();
        return;
    }
    connect(http, SIGNAL(sinaUpload(QVariant)), root, SLOT(sinaUpload(QVariant)));
    connect(http, SIGNAL(renrenUpload(QVariant)), root, SLOT(renrenUpload(QVariant)));
    connect(http, SIGNAL(s_httpError()), root, SLOT(httpError()));
    connect(http, SIGNAL(s_progress(QVariant, QVariant)), root, SLOT(httpProgress(QVariant, QVariant)));
    connect(touch, SIGNAL(scaleFactor(QVariant)), root, SLOT(scaleChanged(QVariant)));
    connect(touch, SIGNAL(touchPointsChanged()), root, SLOT(pointChanged()));
    connect(touch, SIGNAL(rotateDegree(QVariant)), root, SLOT(rotateDegree(QVariant)));
}

void MainView::setStartFiles(const QStringList &paths, const QStringList &problems)
{
    startPaths = paths;
    startProblems = problems;
}

void MainView::loadMainDocument()
{
    const QUrl url =
        QUrl::fromLocalFile(QmlApplicationViewer::adjustPath(QStringLiteral("qml/zeltanorvik/main.qml")));
    qCDebug(lcShell) << "loading" << url.toLocalFile();
    // A local document compiles at once; the view owns the component.
    auto *component = new QQmlComponent(viewer->engine(), url, viewer);
    QObject *main = component->isReady() ? component->beginCreate(viewer->rootContext()) : nullptr;
    if (main) {
        // The documents cannot ask the system where the user's pictures are:
        // a main document that declares "picturesFolder" gets it before it
        // completes (its start-up reads it); one that does not loads as well.
        QVariantMap initial;
        if (main->metaObject()->indexOfProperty("picturesFolder") >= 0) {
            // Only a folder that is there: "" says there is none.
            const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
            const QString folder = QFileInfo(pictures).isDir() ? QUrl::fromLocalFile(pictures).toString() : QString();
            initial.insert(QStringLiteral("picturesFolder"), folder);
        }
        if (main->metaObject()->indexOfProperty("startFiles") >= 0)
            initial.insert(QStringLiteral("startFiles"), startPaths);
        if (main->metaObject()->indexOfProperty("startProblems") >= 0)
            initial.insert(QStringLiteral("startProblems"), startProblems);
        if (!initial.isEmpty())
            component->setInitialProperties(main, initial);
        component->completeCreate();
    }
    // The splash goes; the main document (or, if it failed, its errors) takes its place.
    delete viewer->rootObject();
    viewer->setContent(url, component, main);
}
