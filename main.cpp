// zeltanorvik: the photo editor. Options: --fullscreen (full screen even on a
// desktop); the documents read their own options (--open FILE, --tool NAME).
#include "MainView.h"
#include "qmlapplicationviewer/qmlapplicationviewer.h"

#include <QApplication>
#include <QQuickStyle>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zeltanorvik"));
    QApplication::setOrganizationName(QStringLiteral("zeltanorvik"));
    if (QApplication::arguments().contains(QStringLiteral("--fullscreen")))
        QmlApplicationViewer::setFullScreenRequested(true);
    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        QQuickStyle::setStyle(QStringLiteral("Material"));
    // The looks and frames strips read their labels from the bundle's index
    // with an XMLHttpRequest, which Qt refuses for local files unless allowed.
    if (qEnvironmentVariableIsEmpty("QML_XHR_ALLOW_FILE_READ"))
        qputenv("QML_XHR_ALLOW_FILE_READ", "1");
    MainView mainView;
    return app.exec();
}
