// The program's window with the real documents: files dropped on it (real
// drag-and-drop events with a text/uri-list) open in the editor or, several,
// in the collage picker; files from the command line open at start, and a
// file that cannot be opened is said on the first screen; the window has
// the icon.
#include "MainView.h"
#include "testsupport.h"
#include "touchapplicationviewer.h"

#include <QMimeData>
#include <QQuickItem>

using namespace testsupport;

namespace {

// A drag over the middle of the window, then a drop, as the platform delivers them.
void dropOn(QWindow *window, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPointF middle(window->width() / 2.0, window->height() / 2.0);
    QDragEnterEvent enter(middle.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDragMoveEvent move(middle.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &move);
    QVERIFY(move.isAccepted());
    QDropEvent drop(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    QVERIFY(drop.isAccepted());
}

QObject *currentPage(QQuickItem *root)
{
    QObject *stack = root->property("pages").value<QObject *>();
    return stack ? stack->property("currentItem").value<QObject *>() : nullptr;
}

}  // namespace

class DesktopWindowTest : public QObject
{
    Q_OBJECT

    QString previousDir;
    QString photoA;
    QString photoB;

    // A window over the real documents, shown and past its splash.
    std::unique_ptr<MainView> start(const QStringList &files = {}, const QStringList &problems = {})
    {
        auto view = std::make_unique<MainView>();
        view->setStartFiles(files, problems);
        view->ShowMain();
        return view;
    }

private slots:
    void initTestCase()
    {
        previousDir = QDir::currentPath();
        QDir::setCurrent(ZN_SOURCE_DIR);
        photoA = writePicture(documentRoot() + "drop a.png", positionPicture(320, 200));
        photoB = writePicture(documentRoot() + "drop b.png", positionPicture(200, 320));
    }

    void cleanupTestCase()
    {
        QDir::setCurrent(previousDir);
    }

    void dropOneOpensTheEditor()
    {
        auto view = start();
        QQuickItem *root = view->view()->rootObject();
        QVERIFY(root);
        dropOn(view->view(), {QUrl::fromLocalFile(photoA)});
        QTRY_VERIFY(root->property("editorPage").value<QObject *>());
        QObject *editor = root->property("editorPage").value<QObject *>();
        QTRY_COMPARE(editor->property("history").value<QObject *>()->property("original").toString(), photoA);
        QTRY_COMPARE(currentPage(root), editor);
    }

    void dropSeveralOpensTheCollagePicker()
    {
        auto view = start();
        QQuickItem *root = view->view()->rootObject();
        dropOn(view->view(), {QUrl::fromLocalFile(photoA), QUrl::fromLocalFile(photoB)});
        QTRY_VERIFY(currentPage(root) && currentPage(root)->findChild<QObject *>("collagePicker"));
        QObject *picker = currentPage(root)->findChild<QObject *>("collagePicker");
        QCOMPARE(picker->property("chosen").toStringList(), (QStringList{photoA, photoB}));
    }

    void startFilesAndProblems()
    {
        auto view = start({photoA}, {"gone.jpg cannot be opened: there is no such file."});
        QQuickItem *root = view->view()->rootObject();
        QTRY_VERIFY(root->property("editorPage").value<QObject *>());
        QObject *messages = root->property("messages").value<QObject *>();
        QVERIFY(messages->property("text").toString().contains("gone.jpg cannot be opened: there is no such file."));
        QVERIFY(!view->view()->icon().isNull());
        QCOMPARE(view->view()->icon().pixmap(48, 48).size(), QSize(48, 48));
    }
};

ZN_PROGRAM_TEST_MAIN(DesktopWindowTest)
#include "tst_desktopwindow.moc"
