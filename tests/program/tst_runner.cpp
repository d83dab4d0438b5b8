// The asynchronous runner: its results are the facade's, kept in memory for
// the display; a second job in a lane replaces the first, cancel removes what
// a job wrote, chained calls and failures, the quick worker's limits, and the
// header-only checks.
#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "displaycopies.h"
#include "operationrunner.h"
#include "pictureprovider.h"
#include "testsupport.h"

#include <QSignalSpy>

using namespace testsupport;

namespace {

struct Ending {
    int ticket = 0;
    QString path;
    QString error;
    bool cancelled = false;
};

QVariantList call(std::initializer_list<QVariant> parts)
{
    return QVariantList(parts);
}

// A job: its calls, each one list.
QVariantList job(std::initializer_list<QVariantList> calls)
{
    QVariantList list;
    for (const QVariantList &c : calls)
        list.append(QVariant(c));
    return list;
}

QString tempFolder()
{
    return workingFolder();
}

QStringList workingFiles()
{
    return QDir(tempFolder()).entryList(QDir::Files | QDir::Hidden);
}

QImage rgb(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

// A runner that records every job it ends.
struct WatchedRunner : OperationRunner {
    QSignalSpy ended{this, &OperationRunner::finished};

    // Waits until `count` jobs have ended; their endings by ticket.
    QMap<int, Ending> endings(int count)
    {
        while (ended.size() < count && ended.wait(20000)) {
        }
        QMap<int, Ending> byTicket;
        for (const QList<QVariant> &args : std::as_const(ended))
            byTicket[args.at(0).toInt()] = {args.at(0).toInt(), args.at(2).toString(), args.at(3).toString(),
                                            args.at(4).toBool()};
        return byTicket;
    }
};

}  // namespace

class RunnerTest : public QObject
{
    Q_OBJECT

    QString photo;  // 900 x 600
    QString large;  // 2400 x 1800

    // The facade's own result for look `id`, made from a copy of the photo.
    QImage reference(const QString &source, int id)
    {
        const QString copy = documentRoot() + "reference-" + QFileInfo(source).fileName();
        QFile::remove(copy);
        QFile::copy(source, copy);
        ZQDCommunication facade;
        return rgb(facade.loadImage(copy, id));
    }

private slots:
    void initTestCase()
    {
        photo = writePicture(documentRoot() + "photo.png", positionPicture(900, 600));
        large = writePicture(documentRoot() + "large.png", positionPicture(2400, 1800));
    }

    void init()
    {
        ZQDCommunication().clearTemporaryPic();
    }

    void resultIsTheFacadesAndShownFromMemory()
    {
        WatchedRunner runner;
        runner.setDisplaySize(QSize(300, 300));
        const int ticket = runner.run("t", job({call({"loadImage", "file://" + photo, 1019})}));
        const Ending end = runner.endings(1).value(ticket);
        QVERIFY2(!end.cancelled && end.error.isEmpty(), qPrintable(end.error));
        QCOMPARE(end.path, tempFolder() + "photo_norvik.png");
        QCOMPARE(rgb(end.path), reference(photo, 1019));
        QVERIFY(!runner.busy());

        // The screen-size copy is served without the file being decoded...
        QSize full;
        const QImage kept = runner.displayCopies()->find(end.path, QSize(300, 300), &full);
        QCOMPARE(kept.size(), QSize(300, 200));
        QCOMPARE(full, QSize(900, 600));
        QCOMPARE(PictureProvider::picture(runner.displayCopies().get(), end.path, QSize(150, 150), nullptr).size(),
                 QSize(150, 100));
        // ...until someone else rewrites the file: then the file is decoded.
        QImage other(900, 600, QImage::Format_RGB32);
        other.fill(qRgb(10, 200, 30));
        QVERIFY(other.save(end.path, "PNG"));
        QVERIFY(runner.displayCopies()->find(end.path, QSize(300, 300)).isNull());
        const QImage shown = PictureProvider::picture(runner.displayCopies().get(), end.path, QSize(300, 300), nullptr);
        QCOMPARE(shown.size(), QSize(300, 200));
        QCOMPARE(shown.pixel(150, 100), qRgb(10, 200, 30));
        // A bigger copy than the one kept is decoded too.
        QCOMPARE(PictureProvider::picture(runner.displayCopies().get(), end.path, QSize(600, 600), nullptr).size(),
                 QSize(600, 400));
    }

    void aSecondJobReplacesTheFirst()
    {
        WatchedRunner runner;
        const int first = runner.run("look", job({call({"loadImage", large, 1019})}));
        const int second = runner.run("look", job({call({"loadImage", large, 1101})}));
        const QMap<int, Ending> ends = runner.endings(2);
        QCOMPARE(ends.size(), 2);
        QVERIFY(ends.value(first).cancelled);
        QVERIFY(ends.value(first).path.isEmpty());
        QVERIFY(!ends.value(second).cancelled);
        QCOMPARE(ends.value(second).path, tempFolder() + "large_norvik.png");
        // Nothing but the second result: no half-written or stray file.
        QCOMPARE(workingFiles(), QStringList{"large_norvik.png"});
        QCOMPARE(rgb(ends.value(second).path), reference(large, 1101));
        QVERIFY(!runner.busy());
    }

    void cancelRemovesWhatTheJobWrote()
    {
        WatchedRunner runner;
        // Running when cancelled (or not yet started): either way nothing stays.
        const int running = runner.run("c", job({call({"loadImage", large, 1019})}));
        runner.cancel("c");
        // Waiting behind another lane's job when cancelled.
        const int other = runner.run("other", job({call({"qualityImage", photo, 0.5})}));
        const int waiting = runner.run("w", job({call({"loadImage", photo, 1101})}));
        runner.cancel("w");
        const QMap<int, Ending> ends = runner.endings(3);
        QVERIFY(ends.value(running).cancelled);
        QVERIFY(ends.value(waiting).cancelled);
        QCOMPARE(ends.value(other).path, tempFolder() + "photo_norvik.png");
        runner.waitIdle();
        QVERIFY(!QFile::exists(tempFolder() + "large_norvik.png"));
        QVERIFY(runner.displayCopies()->find(tempFolder() + "large_norvik.png", QSize()).isNull());
        QCOMPARE(workingFiles(), QStringList{"photo_norvik.png"});
        // The copy made was not the cancelled look.
        QCOMPARE(QImage(tempFolder() + "photo_norvik.png").size(), QSize(450, 300));
    }

    void chainsAndFailures()
    {
        WatchedRunner runner;
        // "$previous": the look of the half-size copy.
        const int chained = runner.run("a", job({call({"qualityImage", photo, 0.5}), call({"loadImage", "$previous", 1019})}));
        const int missing = runner.run("b", job({call({"loadImage", documentRoot() + "missing.png", 1019})}));
        const int refused = runner.run("c", job({call({"compressImage", photo, 0.5})}));
        const int miscounted = runner.run("d", job({call({"loadImage", photo})}));
        const int broken = runner.run("e", job({call({"loadImage", documentRoot() + "missing.png", 1019}),
                                                call({"loadImage", "$previous", 1101})}));
        const QMap<int, Ending> ends = runner.endings(5);
        QCOMPARE(ends.value(chained).path, tempFolder() + "photo_norvik_norvik.png");
        QCOMPARE(QImage(ends.value(chained).path).size(), QSize(450, 300));
        for (int failed : {missing, refused, miscounted, broken}) {
            QVERIFY(!ends.value(failed).cancelled);
            QVERIFY(ends.value(failed).path.isEmpty());
        }
        QVERIFY(ends.value(refused).error.contains("compressImage"));
        QVERIFY(ends.value(miscounted).error.contains("loadImage"));
        QVERIFY(!QFile::exists(tempFolder() + "missing_norvik_norvik.png"));
    }

    void quickWorkerKeepsToCopies()
    {
        WatchedRunner runner;
        const int onPhoto = runner.runQuick("q", job({call({"loadImage", photo, 1019})}));
        const int copy = runner.runQuick("s", job({call({"screenCopy", photo, 300})}));
        const QMap<int, Ending> first = runner.endings(2);
        QVERIFY(first.value(onPhoto).path.isEmpty());
        QVERIFY(!first.value(onPhoto).error.isEmpty());
        QVERIFY(!QFile::exists(tempFolder() + "photo_norvik.png"));
        QCOMPARE(first.value(copy).path, tempFolder() + "photo.screen.png");
        QCOMPARE(QImage(first.value(copy).path).size(), QSize(300, 200));

        const int onCopy = runner.runQuick("q", job({call({"loadImage", first.value(copy).path, 1019})}));
        const int thumbs = runner.runQuick("t", job({call({"thumbnailCopy", photo, 90})}));
        const QMap<int, Ending> second = runner.endings(4);
        QCOMPARE(second.value(onCopy).path, tempFolder() + "photo.screen_norvik.png");
        QCOMPARE(second.value(thumbs).path, tempFolder() + "photo.thumbs.png");
        QCOMPARE(QImage(second.value(thumbs).path).size(), QSize(90, 60));
    }

    void headerChecks()
    {
        OperationRunner runner;
        QVERIFY(runner.readable(photo));
        QVERIFY(runner.readable("file://" + photo));
        QCOMPARE(runner.pictureSize(photo), QSize(900, 600));
        QFile text(documentRoot() + "notes.png");
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture at all");
        text.close();
        QVERIFY(!runner.readable(text.fileName()));
        QVERIFY(!runner.readable(""));
        QVERIFY(!runner.readable(documentRoot() + "missing.png"));
        QCOMPARE(runner.pictureSize(documentRoot() + "missing.png"), QSize(-1, -1));
    }
};

ZN_PROGRAM_TEST_MAIN(RunnerTest)
#include "tst_runner.moc"
