// Long editing sessions and bad disks: a chain of 200 edits, names that stay
// within the file system's limit, a crop after a look on the same photo, a
// full disk and a read-only folder that keep the previous working file, and
// the choice of the document root.
#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "operationerror.h"
#include "testsupport.h"

#include <QSet>

using namespace testsupport;

namespace {

QString tempFolder()
{
    return workingFolder();
}

QString nameOf(const QString &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// Files the writer left under a temporary name.
QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({"*.tmp-*"}, QDir::Files | QDir::Hidden);
}

// The working file of `photo` at `scale` made before the disk fails, and its
// bytes then, which a failed write must leave as they are.
struct EarlierFile {
    QString path;
    QByteArray bytes;
};

EarlierFile writeEarlierFile(ZQDCommunication &communication, const QString &photo, double scale)
{
    const QString path = communication.qualityImage(photo, scale);
    return {path, testsupport::fileBytes(path)};
}

}  // namespace

class SessionsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ZQDCommunication().clearTemporaryPic();
    }

    void longChainOfEdits_data()
    {
        QTest::addColumn<QString>("baseName");
        QTest::newRow("plain") << "walk";
        // Two-, three- and four-byte characters.
        QTest::newRow("multi-byte") << QString::fromUtf8("Прогулка_散歩_\xF0\x9F\x8C\xB2");
    }

    // Each edit works on the last one's file: every step writes a new file
    // with a name of at most 223 bytes that starts with the photo's name,
    // and every name is different.
    void longChainOfEdits()
    {
        QFETCH(QString, baseName);
        ZQDCommunication communication;
        const QImage picture = positionPicture(48, 32);
        QString current = writePicture(documentRoot() + baseName + ".png", picture);
        QSet<QString> names;
        for (int step = 0; step < 200; ++step) {
            QString next;
            switch (step % 4) {
            case 0: next = communication.qualityImage("file://" + current, 1.0); break;
            case 1: next = communication.mixingcolorImage(current, 48, 32, 1, 0, 0); break;
            case 2: next = communication.revolvingImage(current, 1.0, 0, true, false, false); break;
            case 3: next = communication.cropPic(current, 48, 32, 48, 32, 0, 0); break;
            }
            QVERIFY2(!next.isEmpty() && QFileInfo::exists(next), qPrintable(QString("step %1").arg(step)));
            const QString name = nameOf(next);
            QVERIFY2(name.toUtf8().size() <= kWorkingNameBytesMax, qPrintable(name));
            QVERIFY2(name.startsWith(baseName), qPrintable(name));
            QVERIFY2(!names.contains(name), qPrintable(name));
            names.insert(name);
            current = next;
        }
        QCOMPARE(QImage(current).size(), picture.size());
        QCOMPARE(QDir(tempFolder()).entryList(QDir::Files).size(), 200);
        QVERIFY(leftovers(tempFolder()).isEmpty());
    }

    // The shortened name: whole characters, the stem's beginning, "~" and
    // eight hexadecimal digits; the same stem always gives the same name.
    void longNamesAreShortened_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::newRow("ascii") << QString(240, 'a');
        QTest::newRow("two-byte") << QString(130, QChar(0x0416));
        QTest::newRow("three-byte") << QString(90, QChar(0x6563));
        QString emoji;
        for (int i = 0; i < 70; ++i)
            emoji += QString::fromUtf8("\xF0\x9F\x8C\xB2");
        QTest::newRow("four-byte") << emoji;
    }

    void longNamesAreShortened()
    {
        QFETCH(QString, stem);
        const QString name = workingFileName(stem, "_norvik.png");
        QVERIFY(name.toUtf8().size() <= kWorkingNameBytesMax);
        QVERIFY(name.toUtf8().size() > kWorkingNameBytesMax - 4);  // as long as whole characters allow
        QCOMPARE(QString::fromUtf8(name.toUtf8()), name);          // no character cut in half
        QVERIFY(name.contains(QRegularExpression("~[0-9a-f]{8}_norvik\\.png$")));
        const QString kept = name.left(name.lastIndexOf('~'));
        QVERIFY(stem.startsWith(kept));
        QCOMPARE(workingFileName(stem, "_norvik.png"), name);
        QVERIFY(workingFileName(stem + "b", "_norvik.png") != name);
        // Short names stay as they are.
        QCOMPARE(workingFileName(stem.left(20), "_norvik.png"), stem.left(20) + "_norvik.png");
    }

    // A crop of a photo after a look on it cuts the photo, not the look's
    // picture that the earlier step left under the same name.
    void cropAfterALookOnTheSamePhoto()
    {
        ZQDCommunication communication;
        const QImage picture = positionPicture(200, 100);
        const QString photo = writePicture(documentRoot() + "look.png", picture);
        const QString looked = communication.loadImage(photo, 1019);
        QVERIFY(QFileInfo::exists(looked));
        QVERIFY(QImage(looked).pixel(60, 30) != picture.pixel(60, 30));
        const QString cropped = communication.cropPic(photo, 200, 100, 50, 40, 60, 30);
        QCOMPARE(cropped, looked);  // the same name: the look's file is replaced
        const QImage cut(cropped);
        QCOMPARE(cut.size(), QSize(50, 40));
        QCOMPARE(cut.pixel(0, 0), picture.pixel(60, 30));
        QCOMPARE(cut.pixel(49, 39), picture.pixel(109, 69));
    }

    // The new picture does not fit: "", the reason, the previous file intact.
    void fullDiskKeepsThePreviousFile()
    {
        ScratchMount disk(tempFolder(), "256k");
        if (!disk.mounted())
            QSKIP("mounting a small file system needs root");
        ZQDCommunication communication;
        const QString photo = writePicture(documentRoot() + "big.png", noisePicture(400, 300));
        const EarlierFile first = writeEarlierFile(communication, photo, 0.1);
        QVERIFY(QFileInfo::exists(first.path));
        disk.fill();

        OperationError::clear();
        QCOMPARE(communication.qualityImage(photo, 1.0), QString());
        QVERIFY2(OperationError::take().contains("disk is full"), "no reason given");
        QCOMPARE(testsupport::fileBytes(first.path), first.bytes);
        QVERIFY(leftovers(tempFolder()).isEmpty());
        // A crop and a save of the same kind fail the same way.
        QCOMPARE(communication.cropPic(photo, 400, 300, 400, 300, 0, 0), QString());
        QCOMPARE(testsupport::fileBytes(first.path), first.bytes);
    }

    void readOnlyFolderKeepsThePreviousFile()
    {
        ScratchMount disk(tempFolder(), "1m");
        if (!disk.mounted() && ::geteuid() == 0)
            QSKIP("root writes through folder permissions, and no file system can be mounted here");
        ZQDCommunication communication;
        const QString photo = writePicture(documentRoot() + "kept.png", positionPicture(80, 60));
        const EarlierFile first = writeEarlierFile(communication, photo, 0.5);
        QVERIFY(QFileInfo::exists(first.path));
        // Root writes anywhere a file system lets it: only a read-only mount stops it.
        if (disk.mounted())
            QVERIFY(disk.makeReadOnly());
        else
            QVERIFY(QFile::setPermissions(tempFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        OperationError::clear();
        const QString second = communication.qualityImage(photo, 1.0);
        QFile::setPermissions(tempFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(second, QString());
        QVERIFY2(OperationError::take().contains("cannot be written"), "no reason given");
        QCOMPARE(testsupport::fileBytes(first.path), first.bytes);
        QCOMPARE(QImage(first.path).size(), QSize(40, 30));
    }

    // The environment's folder, made absolute; else the preferred folder;
    // else the documents folder; else none, never the current folder.
    void documentRootChoice()
    {
        QTemporaryDir scratch;
        const QString blocked = scratch.filePath("a-file");  // nothing can be made under a file
        writePicture(blocked, positionPicture(2, 2));
        const QString documents = scratch.filePath("Documents");
        const QString preferred = scratch.filePath("MyDocs");

        const QString previous = QDir::currentPath();
        QDir::setCurrent(scratch.path());
        const DocumentRootChoice relative = chooseDocumentRoot("relative/docs", preferred, documents);
        QDir::setCurrent(previous);
        QCOMPARE(relative.root, scratch.filePath("relative/docs") + "/");
        QVERIFY(QFileInfo(relative.root).isDir());

        QCOMPARE(chooseDocumentRoot({}, preferred, documents).root, preferred + "/");
        QCOMPARE(chooseDocumentRoot({}, blocked + "/MyDocs", documents).root, documents + "/");

        const DocumentRootChoice none = chooseDocumentRoot({}, blocked + "/MyDocs", blocked + "/Documents");
        QCOMPARE(none.root, QString());
        QVERIFY(none.problem.contains(blocked + "/MyDocs/"));
        // A folder the user named is that one or none.
        const DocumentRootChoice named = chooseDocumentRoot(blocked + "/x", preferred, documents);
        QCOMPARE(named.root, QString());
        QVERIFY(named.problem.contains("ZELTANORVIK_ROOT"));
    }
};

ZN_PROGRAM_TEST_MAIN(SessionsTest)
#include "tst_sessions.moc"
