// Instances of the editor sharing one document root: each keeps its working
// files in a slot of its own, clearing removes only its own and what no live
// instance owns, and what ended processes left behind goes.
#include "ImageDispose.h"
#include "quietremoval.h"
#include "testsupport.h"

#include <QLockFile>

#include <unistd.h>

using namespace testsupport;

namespace {

// The id of a process that has ended (and was reaped).
QString endedProcessId()
{
    QProcess process;
    process.start("true", QStringList{});
    process.waitForStarted();
    const qint64 pid = process.processId();
    process.waitForFinished();
    return QString::number(pid);
}

QString touch(const QString &path)
{
    return writePicture(path, positionPicture(2, 2));
}

}  // namespace

class InstancesTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ImageDispose().clearTemporaryPic();
    }

    // The same photo edited in two instances: a file each, and each one's
    // clearing leaves the other's.
    void twoInstancesKeepTheirOwnFiles()
    {
        ImageDispose first;
        ImageDispose second;
        second.setWorkingArea(WorkingArea::claim(documentRoot()));
        const QString mine = touch(first.setTemporaryPic("/p/a.jpg"));
        const QString theirs = touch(second.setTemporaryPic("/p/a.jpg"));
        QCOMPARE(mine, workingFolder() + "a_norvik.png");
        QCOMPARE(theirs, documentRoot() + ".qvrkTemp/2/a_norvik.png");

        QVERIFY(second.clearTemporaryPic());
        QVERIFY(QFileInfo::exists(mine));
        QVERIFY(!QFileInfo::exists(theirs));
        touch(second.setTemporaryPic("/p/a.jpg"));
        QVERIFY(first.clearTemporaryPic());
        QVERIFY(!QFileInfo::exists(mine));
        QVERIFY(QFileInfo::exists(theirs));
    }

    // The command-line front is an instance of its own: its clearing keeps
    // this one's files, its results outlive it, and they go at this one's
    // next clearing since no live instance owns them.
    void aSecondProcessIsAnotherInstance()
    {
        ImageDispose files;
        const QString mine = touch(files.setTemporaryPic("/p/a.jpg"));
        QCOMPARE(runCli({"clearTemporaryPic"}).status, 0);
        QVERIFY(QFileInfo::exists(mine));

        const QString photo = writePicture(documentRoot() + "walk.png", positionPicture(30, 20));
        const CliRun run = runCli({"qualityImage", photo, "0.5"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringList{documentRoot() + ".qvrkTemp/2/walk_norvik.png"});
        QVERIFY(QFileInfo::exists(run.out.first()));
        QVERIFY(files.clearTemporaryPic());
        QVERIFY(!QFileInfo::exists(run.out.first()));
        QVERIFY(!QFileInfo::exists(mine));
    }

    // A crash leaves a slot whose lock names an ended process, the writer's
    // temporary files and a save's temporary file: they go; what a live
    // process writes stays.
    void litterOfEndedProcessesGoes()
    {
        ImageDispose files;
        const QString ended = endedProcessId();
        const QString alive = QString::number(::getpid());
        const QString folder = files.temporaryFolder();
        const QString saved = files.savedFolder();
        const QString temp = documentRoot() + ".qvrkTemp/";
        QByteArray lockText;
        {
            QLockFile lock(temp + "5.lock");
            QVERIFY(lock.tryLock(0));
            QFile f(temp + "5.lock");
            QVERIFY(f.open(QIODevice::ReadOnly));
            lockText = f.readAll();
        }
        lockText = ended.toUtf8() + lockText.mid(lockText.indexOf('\n'));
        QFile crashed(temp + "5.lock");
        QVERIFY(crashed.open(QIODevice::WriteOnly));
        crashed.write(lockText);
        crashed.close();
        const QStringList litter{
            touch(temp + "5/b_norvik.png"),
            touch(folder + "a_norvik.png.tmp-" + ended + "-1"),
            touch(documentRoot() + ".qvrkCache/b_cache.png.tmp-" + ended + "-3"),
            touch(saved + ".saving-AbC123.jpg.tmp-" + ended + "-2"),
            touch(temp + "from-an-older-version_norvik.png"),
        };
        const QString writing = touch(folder + "c_norvik.png.tmp-" + alive + "-9");
        const QString saving = touch(saved + ".saving-XyZ789.jpg");
        const QString photo = touch(saved + "20240101.jpg");

        QVERIFY(workingarea::sweepOrphans(documentRoot()));
        for (const QString &path : litter)
            QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
        QVERIFY(!QFileInfo::exists(temp + "5.lock"));
        QVERIFY(QFileInfo::exists(writing));
        QVERIFY(QFileInfo::exists(photo));
        // A young save may be another instance's, running now; at the
        // program's start with no other instance running it is litter.
        QVERIFY(QFileInfo::exists(saving));
        QVERIFY(workingarea::sweepOrphans(documentRoot(), true));
        QVERIFY(!QFileInfo::exists(saving));
        QVERIFY(QFileInfo::exists(photo));
    }

    // What the undo history lets go: a working file of this instance with its
    // screen and thumbnail copies; nothing outside the instance's folder.
    void forgettingAWorkingFile()
    {
        ImageDispose files;
        const QString photo = touch(documentRoot() + "a.png");
        const QString step = touch(files.setTemporaryPic(photo));
        const QStringList copies{touch(workingFolder() + "a_norvik.screen.png"),
                                 touch(workingFolder() + "a_norvik.screen_norvik.png"),
                                 touch(workingFolder() + "a_norvik.thumbs.png")};
        const QString next = touch(workingFolder() + "a_norvik_norvik.png");
        const QString photoCopy = touch(workingFolder() + "a.screen.png");

        QCOMPARE(files.forgetWorkingFile("file://" + step).size(), 4);
        QVERIFY(!QFileInfo::exists(step));
        for (const QString &copy : copies)
            QVERIFY(!QFileInfo::exists(copy));
        QVERIFY(QFileInfo::exists(next));
        // The name is free at once: a step made again under it keeps its
        // file when the space of the one let go is freed (in the background).
        QFile again(step);
        QVERIFY(again.open(QIODevice::WriteOnly) && again.write("again") == 5);
        again.close();
        quietremoval::settle();
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), QByteArray("again"));
        // A photo outside the folder stays; its copies in the folder go.
        QCOMPARE(files.forgetWorkingFile(photo), QStringList{photoCopy});
        QVERIFY(QFileInfo::exists(photo));
    }
};

ZN_PROGRAM_TEST_MAIN(InstancesTest)
#include "tst_instances.moc"
