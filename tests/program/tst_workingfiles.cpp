// Working folders, working-file names, the saved-picture copy, emptying the
// temporary folder, and cropping a file by a screen box.
#include "ImageDispose.h"
#include "testsupport.h"

#include <QDateTime>
#include <QFileInfo>

using namespace testsupport;

class WorkingFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ImageDispose files;
        files.clearTemporaryPic();
    }

    void rootComesFromTheEnvironment()
    {
        ImageDispose files;
        QCOMPARE(files.getMeeGoRootDir(), documentRoot());
        QVERIFY(files.getMeeGoRootDir().endsWith('/'));
    }

    void outputNames_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain path") << "/home/user/MyDocs/a.jpg" << "a_norvik.png";
        QTest::newRow("file URL") << "file:///home/user/MyDocs/a.jpg" << "a_norvik.png";
        QTest::newRow("working file again") << "/x/.qvrkTemp/a_norvik.png" << "a_norvik_norvik.png";
        QTest::newRow("third step") << "file:///x/.qvrkTemp/a_norvik_norvik.png" << "a_norvik_norvik_norvik.png";
        QTest::newRow("two dots") << "/p/archive.tar.gz" << "archive.tar_norvik.png";
        QTest::newRow("no folder") << "photo.png" << "photo_norvik.png";
        QTest::newRow("no extension") << "/p/q/photo" << "photo_norvik.png";
        // The cut works on the whole path: a dotted folder above a name
        // without extension takes the name with it.
        QTest::newRow("no extension under a dotted folder") << "/p/my.pictures/photo" << "my_norvik.png";
    }

    void outputNames()
    {
        QFETCH(QString, source);
        QFETCH(QString, name);
        ImageDispose files;
        QCOMPARE(files.setTemporaryPic(source), workingFolder() + name);
        QVERIFY(QFileInfo(workingFolder()).isDir());
        QString cacheName = name;
        cacheName.replace("_norvik.png", "_cache.png");
        QCOMPARE(files.setTemporaryCachePic(source), documentRoot() + ".qvrkCache/" + cacheName);
    }

    void timeStamps()
    {
        QCOMPARE(timeStampDigits(QDateTime(QDate(2012, 2, 3), QTime(9, 5, 7))), QString("20120203090507"));
        QCOMPARE(timeStampDigits(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58))), QString("19991231235958"));

        ImageDispose files;
        const QString before = timeStampDigits(QDateTime::currentDateTime());
        const QString now = files.getCurrentTimeString();
        const QString after = timeStampDigits(QDateTime::currentDateTime());
        QCOMPARE(now.size(), 14);
        QVERIFY(std::all_of(now.begin(), now.end(), [](QChar c) { return c.isDigit(); }));
        QVERIFY(before <= now && now <= after);
    }

    // A save is a byte copy named by the second it happens in; a second save
    // in the same second fails and leaves the first one as it was.
    void copyTwiceInOneSecond()
    {
        ImageDispose files;
        const QString first = documentRoot() + "first.png";
        const QString second = documentRoot() + "second.png";
        writePicture(first, positionPicture(30, 20));
        writePicture(second, positionPicture(50, 10));
        const QByteArray firstBytes = testsupport::fileBytes(first);

        for (int attempt = 0; attempt < 5; ++attempt) {
            QDir(documentRoot() + "zeltanorvik").removeRecursively();
            const QString stamp = files.getCurrentTimeString();
            QVERIFY(files.copyImage("file://" + first, QString()));
            const bool again = files.copyImage(second, QString());
            if (files.getCurrentTimeString() != stamp)
                continue;  // the second ticked over in between; try again
            QVERIFY(!again);
            const QString saved = documentRoot() + "zeltanorvik/" + stamp + ".png";
            QCOMPARE(testsupport::fileBytes(saved), firstBytes);
            QCOMPARE(QDir(documentRoot() + "zeltanorvik").entryList(QDir::Files).size(), 1);
            return;
        }
        QFAIL("no two copies fell into one second");
    }

    void copyOfAMissingFileFails()
    {
        ImageDispose files;
        QVERIFY(!files.copyImage(documentRoot() + "nothing-here.png", QString()));
    }

    // Emptying the temporary folder removes everything in it, nested folders
    // and read-only files too, but never what a link in it points at.
    void clearWithNestedFolderAndLinks()
    {
        ImageDispose files;
        const QString temp = workingFolder();
        const QString outside = documentRoot() + "outside/";
        QDir().mkpath(temp + "nested/deeper");
        QDir().mkpath(outside + "folder");
        writePicture(temp + "a_norvik.png", positionPicture(4, 4));
        writePicture(temp + "nested/deeper/b.png", positionPicture(4, 4));
        writePicture(temp + ".hidden.png", positionPicture(4, 4));
        QFile::setPermissions(temp + "a_norvik.png", QFileDevice::ReadOwner);
        writePicture(outside + "target.png", positionPicture(6, 6));
        writePicture(outside + "folder/kept.png", positionPicture(6, 6));
        const QFileDevice::Permissions targetPermissions = QFileDevice::ReadOwner | QFileDevice::ReadGroup;
        QFile::setPermissions(outside + "target.png", targetPermissions);
        QVERIFY(QFile::link(outside + "target.png", temp + "link-to-file.png"));
        QVERIFY(QFile::link(outside + "folder", temp + "nested/link-to-folder"));
        QVERIFY(QFile::link(outside + "gone.png", temp + "dangling.png"));

        QVERIFY(files.clearTemporaryPic());
        QVERIFY(!QFileInfo::exists(temp));
        QVERIFY(!QFileInfo(temp + "dangling.png").isSymLink());
        QVERIFY(QFileInfo::exists(outside + "target.png"));
        // Owner, group and other bits (the "user" bits describe whoever runs the test).
        QCOMPARE(QFile::permissions(outside + "target.png") & 0xf0ff, targetPermissions);
        QVERIFY(QFileInfo::exists(outside + "folder/kept.png"));

        // An empty or missing folder is nothing to fail on.
        QVERIFY(files.clearTemporaryPic());
        QVERIFY(files.deleteDir(documentRoot() + "never-made/"));
    }

    void clearWhenTheFolderIsALink()
    {
        ImageDispose files;
        const QString elsewhere = documentRoot() + "elsewhere/";
        QDir().mkpath(elsewhere);
        writePicture(elsewhere + "keep.png", positionPicture(4, 4));
        QDir(documentRoot() + ".qvrkTemp").removeRecursively();
        QVERIFY(QFile::link(documentRoot() + "elsewhere", documentRoot() + ".qvrkTemp"));

        QVERIFY(files.clearTemporaryPic());
        QVERIFY(!QFileInfo(documentRoot() + ".qvrkTemp").isSymLink());
        QVERIFY(QFileInfo::exists(elsewhere + "keep.png"));
    }

    // A picture larger than the screen is brought to the screen size (height
    // first, then width, which decides) and the box is used as it is.
    void cropOfALargerPicture()
    {
        ImageDispose files;
        const QString source = writePicture(documentRoot() + "large.png", positionPicture(1000, 2000));
        const QString out = files.cropPic("file://" + source, 480, 854, 100, 50, 10, 20);
        QCOMPARE(out, workingFolder() + "large_norvik.png");
        const QImage cropped(out);
        QCOMPARE(cropped.size(), QSize(100, 50));
        // 1000 x 2000 -> 427 x 854 -> 480 x 960: screen pixel (10, 20) is
        // picture pixel (20.8, 41.7), give or take the fast scaling.
        const QColor c = cropped.pixelColor(0, 0);
        QVERIFY2(qAbs(c.red() - 21 * 255 / 999) <= 2, qPrintable(QString::number(c.red())));
        QVERIFY2(qAbs(c.green() - 41 * 255 / 1999) <= 2, qPrintable(QString::number(c.green())));
    }

    // A picture that fits the screen maps every box value, the horizontal ones
    // too, by the height ratio.
    void cropOfASmallerPicture()
    {
        ImageDispose files;
        const QImage picture = positionPicture(200, 100);
        const QString source = writePicture(documentRoot() + "small.png", picture);
        // Box 100 x 100 at (854, 427) on a 480 x 854 screen, ratio 100 / 854:
        // 11 x 11 at (100, 50). The width ratio would have given 41 x 41 at (355, ...).
        const QString out = files.cropPic(source, 480, 854, 100, 100, 854, 427);
        const QImage cropped(out);
        QCOMPARE(cropped.size(), QSize(11, 11));
        QCOMPARE(cropped.pixel(0, 0), picture.pixel(100, 50));
        QCOMPARE(cropped.pixel(10, 10), picture.pixel(110, 60));
    }

    void cropBeyondThePictureGivesBlack()
    {
        ImageDispose files;
        const QImage picture = positionPicture(40, 30);
        const QString source = writePicture(documentRoot() + "edge.png", picture);
        // Screen = picture size: the box is in picture pixels.
        const QImage cropped(files.cropPic(source, 40, 30, 20, 10, 30, 25));
        QCOMPARE(cropped.size(), QSize(20, 10));
        QCOMPARE(cropped.pixel(0, 0), picture.pixel(30, 25));
        QCOMPARE(qRed(cropped.pixel(15, 8)) + qGreen(cropped.pixel(15, 8)) + qBlue(cropped.pixel(15, 8)), 0);
    }

    // Every crop cuts anew, whatever file an earlier crop or step left under
    // the output name.
    void cropAlwaysCrops()
    {
        ImageDispose files;
        const QImage picture = positionPicture(300, 200);
        const QString source = writePicture(documentRoot() + "again.png", picture);
        const QString first = files.cropPic(source, 300, 200, 50, 40, 0, 0);
        QCOMPARE(QImage(first).size(), QSize(50, 40));
        QCOMPARE(files.cropPic(source, 300, 200, 120, 90, 10, 10), first);
        const QImage second(first);
        QCOMPARE(second.size(), QSize(120, 90));
        QCOMPARE(second.pixel(0, 0), picture.pixel(10, 10));
    }

    void cropRefusals()
    {
        ImageDispose files;
        QCOMPARE(files.cropPic(documentRoot() + "missing.png", 480, 854, 10, 10, 0, 0), QString());
        QFile junk(documentRoot() + "junk.png");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a picture at all");
        junk.close();
        QCOMPARE(files.cropPic(junk.fileName(), 480, 854, 10, 10, 0, 0), QString());
        // No screen size, no ratio: refused rather than divided by.
        const QString source = writePicture(documentRoot() + "zero.png", positionPicture(20, 20));
        QCOMPARE(files.cropPic(source, 480, 0, 10, 10, 0, 0), QString());
        QCOMPARE(files.cropPic(source, 0, 854, 10, 10, 0, 0), QString());
        QVERIFY(!QFileInfo::exists(workingFolder() + "zero_norvik.png"));
        // An empty box writes nothing.
        QCOMPARE(files.cropPic(source, 20, 20, 0, 10, 0, 0), QString());
    }

    void renderOfAnythingButAnItem()
    {
        ImageDispose files;
        const QString source = writePicture(documentRoot() + "item.png", positionPicture(20, 20));
        QObject notAnItem;
        QCOMPARE(files.turnPic(&notAnItem, source, 10, 10), QString());
        QCOMPARE(files.turnPic(nullptr, source, 10, 10), QString());
        QVERIFY(!QFileInfo::exists(workingFolder() + "item_norvik.png"));
    }
};

ZN_PROGRAM_TEST_MAIN(WorkingFilesTest)
#include "tst_workingfiles.moc"
