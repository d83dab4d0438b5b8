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
    MainView mainView;
    return app.exec();
}
