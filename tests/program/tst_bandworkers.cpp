// The one parallel helper: a replaced job stops within one band on each
// thread, and the tools' bands and the working-file writer give the same
// bytes on one, two and eight threads.
#include "EditorTools.h"
#include "autoenhance.h"
#include "bandworkers.h"
#include "straighten.h"
#include "testsupport.h"
#include "workingpngwriter.h"

#include <atomic>
#include <thread>
#include <vector>

using namespace testsupport;

class BandWorkersTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { bandworkers::setThreadLimit(0); }

    void replacedJobStopsWithinOneBand()
    {
        constexpr int kBands = 200, kReplacedAt = 20;
        for (int threads : {1, 2, 8}) {
            bandworkers::setThreadLimit(threads);
            std::atomic<bool> replaced{false};
            std::atomic<int> ran{0};
            const bandworkers::CancelScope job(&replaced);
            // The runner replaces the job while its twentieth band runs (the
            // bands after it wait for that): each thread ends the band it
            // holds and takes no other.
            const bool whole = bandworkers::forEach(kBands, bandworkers::threadsFor(kBands), [&](std::size_t, int) {
                const int band = ++ran;
                if (band == kReplacedAt)
                    replaced = true;
                while (band > kReplacedAt && !replaced)
                    std::this_thread::yield();
                return true;
            });
            QVERIFY(!whole);
            QVERIFY2(ran >= kReplacedAt && ran < kReplacedAt + threads,
                     qPrintable(QStringLiteral("%1 bands ran on %2 threads").arg(ran.load()).arg(threads)));
        }
        // Outside a job, and after it, nothing stops the fan-out.
        std::atomic<int> ran{0};
        QVERIFY(bandworkers::forEach(kBands, 2, [&](std::size_t, int) { return ++ran > 0; }));
        QCOMPARE(ran.load(), kBands);
    }

    void replacedJobGivesNoPicture()
    {
        // A tool's result is never written half done.
        const QImage photo = noisePicture(1600, 1000, 5);
        std::atomic<bool> replaced{true};
        const bandworkers::CancelScope job(&replaced);
        QVERIFY(EditorTools::toned(photo, 20, -10, 10, 5, -5, 40).isNull());
        QVERIFY(straighten::apply(photo, 3).isNull());
        replaced = false;
        QVERIFY(!EditorTools::toned(photo, 20, -10, 10, 5, -5, 40).isNull());
    }

    void sameBytesOnOneTwoAndEightThreads()
    {
        // Large enough to be split (over half a megapixel), with a last band
        // shorter than the others.
        const QImage photo = noisePicture(1531, 977, 11);
        const QImage edited = noisePicture(1531, 977, 12);
        QTemporaryDir dir;
        auto results = [&](int threads) {
            bandworkers::setThreadLimit(threads);
            const QString file = dir.filePath(QStringLiteral("w%1.png").arg(threads));
            return std::vector<QByteArray>{
                zntest::argbDigest(EditorTools::toned(photo, 30, -20, 15, 10, -10, -60)),
                zntest::argbDigest(EditorTools::blended(photo, edited, 0.37)),
                zntest::argbDigest(straighten::apply(photo, -7.5)),
                zntest::argbDigest(autoenhance::apply(photo)),
                saveWorkingPng(photo, file) ? fileBytes(file) : QByteArray(),
            };
        };
        const std::vector<QByteArray> one = results(1);
        QVERIFY(!one.back().isEmpty());
        QVERIFY(results(2) == one);
        QVERIFY(results(8) == one);
    }
};

ZN_PROGRAM_TEST_MAIN(BandWorkersTest)
#include "tst_bandworkers.moc"
