// zeltanorvik: the photo editor. Options: --fullscreen (full screen even on a
// desktop); the documents read their own options (--open FILE, --tool NAME).
#include "ImageDispose.h"
#include "MainView.h"
#include "operationerror.h"
#include "qmlapplicationviewer/qmlapplicationviewer.h"

#include <QApplication>
#include <QQuickStyle>

#include <cstdio>

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
    // The document root and the saved-pictures folder are made now, so that
    // Home shows that folder from the start and a missing root is said at
    // once (the interface says it too; every operation then fails).
    if (ImageDispose().savedFolder().isEmpty())
        std::fprintf(stderr, "zeltanorvik: %s\n", qPrintable(OperationError::take()));
    MainView mainView;
    return app.exec();
}
