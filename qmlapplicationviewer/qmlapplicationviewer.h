// The QML view the program shows: a QQuickView that sizes its root object to
// the window, closes on Qt.quit(), resolves document paths for installed and
// development runs, and keeps the screen orientation the documents are laid
// out for.
#pragma once

#include <QQuickView>
#include <QString>

class QmlApplicationViewerPrivate;

class QmlApplicationViewer : public QQuickView
{
    Q_OBJECT
public:
    enum ScreenOrientation {
        ScreenOrientationLockPortrait = 0,
        ScreenOrientationLockLandscape = 1,
        ScreenOrientationAuto = 2
    };

    explicit QmlApplicationViewer(QWindow *parent = nullptr);
    ~QmlApplicationViewer() override;

    // Resolves `file` (adjustPath) and loads it; local files load at once, so
    // the root object exists when this returns (if the document loaded).
    void setMainQmlFile(const QString &file);
    QString mainQmlFile() const;

    // Keeps the orientation: 0 portrait, 1 landscape, anything else automatic.
    void setOrientation(ScreenOrientation orientation);
    ScreenOrientation orientation() const;

    // Full screen on embedded platforms or when asked for; on a desktop a
    // window of the view's size (a portrait layout stretched over a landscape
    // monitor would be plainly wrong).
    void showExpanded();
    static void setFullScreenRequested(bool on);

    // Where a document path leads: for a program installed by cmake --install
    // or its package, the data folder found from its own folder (DataPaths)
    // and nothing else; else beside an installed program (a folder path
    // holding both "opt" and "bin") its sibling "qml" folder, else the working
    // directory; a development run whose working directory lacks the document
    // finds the copy in the program's own folder.
    static QString adjustPath(const QString &path);

private:
    QmlApplicationViewerPrivate *d;
};
