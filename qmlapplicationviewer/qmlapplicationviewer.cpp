#include "qmlapplicationviewer.h"

#include "datapaths.h"
#include "logging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QQmlEngine>

class QmlApplicationViewerPrivate
{
public:
    QString mainQmlFile;
    QmlApplicationViewer::ScreenOrientation orientation = QmlApplicationViewer::ScreenOrientationAuto;
};

namespace {

bool fullScreenRequested = false;

bool embeddedPlatform()
{
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("eglfs") || name == QLatin1String("linuxfb") || name == QLatin1String("vnc")
        || name == QLatin1String("vkkhrdisplay");
}

}  // namespace

QmlApplicationViewer::QmlApplicationViewer(QWindow *parent)
    : QQuickView(parent)
    , d(new QmlApplicationViewerPrivate)
{
    connect(engine(), &QQmlEngine::quit, this, &QWindow::close);
    setResizeMode(QQuickView::SizeRootObjectToView);
}

QmlApplicationViewer::~QmlApplicationViewer()
{
    delete d;
}

QString QmlApplicationViewer::adjustPath(const QString &path)
{
    // An installed program reads its own documents and nothing else.
    const QString installed = DataPaths::installedFile(path);
    if (!installed.isEmpty())
        return installed;
    const QString candidate = QCoreApplication::applicationDirPath() + QStringLiteral("/../") + path;
    if (candidate.contains(QLatin1String("opt")) && candidate.contains(QLatin1String("bin"))
        && QFileInfo::exists(candidate))
        return candidate;
    if (!QFileInfo::exists(path)) {
        const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + path;
        if (QFileInfo::exists(beside))
            return beside;
    }
    return path;
}

void QmlApplicationViewer::setMainQmlFile(const QString &file)
{
    d->mainQmlFile = adjustPath(file);
    qCDebug(lcShell) << "loading" << d->mainQmlFile;
    setSource(QUrl::fromLocalFile(d->mainQmlFile));
}

QString QmlApplicationViewer::mainQmlFile() const
{
    return d->mainQmlFile;
}

void QmlApplicationViewer::setOrientation(ScreenOrientation orientation)
{
    switch (orientation) {
    case ScreenOrientationLockPortrait:
        d->orientation = ScreenOrientationLockPortrait;
        reportContentOrientationChange(Qt::PortraitOrientation);
        break;
    case ScreenOrientationLockLandscape:
        d->orientation = ScreenOrientationLockLandscape;
        reportContentOrientationChange(Qt::LandscapeOrientation);
        break;
    default:
        d->orientation = ScreenOrientationAuto;
        reportContentOrientationChange(Qt::PrimaryOrientation);
        break;
    }
}

QmlApplicationViewer::ScreenOrientation QmlApplicationViewer::orientation() const
{
    return d->orientation;
}

void QmlApplicationViewer::setFullScreenRequested(bool on)
{
    fullScreenRequested = on;
}

void QmlApplicationViewer::showExpanded()
{
    if (fullScreenRequested || embeddedPlatform())
        showFullScreen();
    else
        show();
}
