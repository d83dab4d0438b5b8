// The kept steps: what one run keeps for a photo, the next run reads back;
// what is read back is distrusted (damaged, another photo's, too large, the
// photo gone) and then removed, never offered.
#include "keptsteps.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrl>

using namespace testsupport;

namespace {

const QString kSteps = QStringLiteral(
    "{\"format\":\"zeltanorvik-steps\",\"version\":1,\"steps\":[{\"object\":\"tools\",\"call\":\"toneImage\",\"args\":[30,0,0,10,0,0]}]}");

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

}  // namespace

class KeptStepsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir photos;
    QString photo;

private slots:
    void init()
    {
        QDir(documentRoot() + ".qvrkSteps").removeRecursively();
        photo = photos.filePath("photo.jpg");
        writeFile(photo, "not looked at");
    }

    // Kept by one instance, read by another (a new run), under any name of
    // the same photo; forgotten on request.
    void keptStepsOutliveTheirKeeper()
    {
        {
            KeptSteps keeper(documentRoot());
            QVERIFY2(keeper.keep(photo, kSteps), qPrintable(keeper.lastError()));
        }
        KeptSteps next(documentRoot());
        const QJsonObject read = QJsonDocument::fromJson(next.kept(photo).toUtf8()).object();
        QCOMPARE(read, QJsonDocument::fromJson(kSteps.toUtf8()).object());
        QCOMPARE(next.kept(QUrl::fromLocalFile(photo).toString()), next.kept(photo));
        QCOMPARE(next.kept(photos.path() + "/./photo.jpg"), next.kept(photo));
        QVERIFY(next.kept(photos.filePath("other.jpg")).isEmpty());

        // Kept again: replaced whole, nothing left beside it.
        const QString two = QString(kSteps).replace("[30,", "[40,");
        QVERIFY(next.keep(photo, two));
        QVERIFY(next.kept(photo).contains("[40,"));
        QCOMPARE(QDir(next.folder()).entryList(QDir::Files).size(), 1);

        next.forget(photo);
        QVERIFY(next.kept(photo).isEmpty());
        QVERIFY(!QFileInfo::exists(next.fileFor(photo)));
    }

    // Damaged, another photo's, oversized: read as nothing, the file removed,
    // the reason given. Text that is no JSON object is not kept.
    void distrustsWhatItReadsBack_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("cut short") << QByteArray("{\"format\":\"zeltanorvik-kept-steps\",\"photo\":\"");
        QTest::newRow("not JSON") << QByteArray("\x00\xff garbage", 10);
        QTest::newRow("another format") << QByteArray("{\"format\":\"x\",\"photo\":\"PHOTO\",\"steps\":{}}");
        QTest::newRow("another photo")
            << QByteArray("{\"format\":\"zeltanorvik-kept-steps\",\"photo\":\"/elsewhere.jpg\",\"steps\":{}}");
        QTest::newRow("steps not an object")
            << QByteArray("{\"format\":\"zeltanorvik-kept-steps\",\"photo\":\"PHOTO\",\"steps\":\"[]\"}");
        QTest::newRow("too large") << QByteArray(KeptSteps::kMaxBytes + 1, ' ');
    }

    void distrustsWhatItReadsBack()
    {
        QFETCH(QByteArray, content);
        KeptSteps keeper(documentRoot());
        QVERIFY(keeper.keep(photo, kSteps));
        const QString file = keeper.fileFor(photo);
        writeFile(file, content.replace("PHOTO", QFileInfo(photo).canonicalFilePath().toUtf8()));
        QVERIFY(keeper.kept(photo).isEmpty());
        QVERIFY(!keeper.lastError().isEmpty());
        QVERIFY(!QFileInfo::exists(file));

        QVERIFY(!keeper.keep(photo, "[1, 2]"));
        QVERIFY(!keeper.keep(photo, "not json"));
        QVERIFY(!QFileInfo::exists(file));
    }

    // A photo that no longer exists has its steps forgotten.
    void photoGoneForgetsItsSteps()
    {
        KeptSteps keeper(documentRoot());
        QVERIFY(keeper.keep(photo, kSteps));
        const QString file = keeper.fileFor(photo);
        QVERIFY(QFile::remove(photo));
        QVERIFY(keeper.kept(photo).isEmpty());
        QVERIFY(!QFileInfo::exists(file));
    }

    // Only the most recently kept photos stay.
    void keepsABoundedNumberOfPhotos()
    {
        KeptSteps keeper(documentRoot());
        for (int i = 0; i < KeptSteps::kMaxKept + 5; ++i) {
            const QString other = photos.filePath(QStringLiteral("p%1.jpg").arg(i));
            writeFile(other, "x");
            QVERIFY(keeper.keep(other, kSteps));
        }
        QCOMPARE(QDir(keeper.folder()).entryList(QDir::Files).size(), KeptSteps::kMaxKept);
        QVERIFY(!keeper.kept(photos.filePath(QStringLiteral("p%1.jpg").arg(KeptSteps::kMaxKept + 4))).isEmpty());
    }

    // Without a document root nothing is kept, and it says why.
    void noRootKeepsNothing()
    {
        KeptSteps keeper(QString{});
        QVERIFY(!keeper.keep(photo, kSteps));
        QVERIFY(!keeper.lastError().isEmpty());
        QVERIFY(keeper.kept(photo).isEmpty());
    }

    // Which photo a saved picture came from: read back for that picture only.
    void remembersWhereASavedPictureCameFrom()
    {
        KeptSteps keeper(documentRoot());
        const QString saved = photos.filePath("photo_edited.jpg");
        QVERIFY(keeper.rememberOriginal(saved, QUrl::fromLocalFile(photo).toString()));
        QCOMPARE(KeptSteps(documentRoot()).originalOf(saved), QFileInfo(photo).canonicalFilePath());
        QVERIFY(keeper.originalOf(photo).isEmpty());
        // Kept steps and these records do not count against each other.
        QVERIFY(keeper.keep(photo, kSteps));
        QVERIFY(!keeper.originalOf(saved).isEmpty());
        // Another picture's record under this name is not believed.
        writeFile(keeper.fileFor(saved, ".original"),
                  "{\"format\":\"zeltanorvik-saved-from\",\"picture\":\"/x.jpg\",\"original\":\"/y.jpg\"}");
        QVERIFY(keeper.originalOf(saved).isEmpty());
        QVERIFY(!QFileInfo::exists(keeper.fileFor(saved, ".original")));
    }

    // A steps file the user picked: read whole up to the bound, with reasons.
    void readsAChosenStepsFile()
    {
        KeptSteps keeper(documentRoot());
        const QString file = photos.filePath("look.json");
        writeFile(file, kSteps.toUtf8());
        QCOMPARE(keeper.readStepsFile(QUrl::fromLocalFile(file).toString()), kSteps);
        writeFile(file, QByteArray(KeptSteps::kMaxBytes + 1, ' '));
        QVERIFY(keeper.readStepsFile(file).isEmpty());
        QVERIFY(keeper.lastError().contains("too large"));
        QVERIFY(keeper.readStepsFile(photos.filePath("none.json")).isEmpty());
        QVERIFY(keeper.lastError().contains("none.json"));
    }
};

ZN_PROGRAM_TEST_MAIN(KeptStepsTest)
#include "tst_keptsteps.moc"
