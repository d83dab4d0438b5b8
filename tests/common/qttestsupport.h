// What every Qt test program of the program side shares: a private document
// folder (ZELTANORVIK_ROOT) and runtime folder per program, fixed before
// anything reads them; picture comparisons that say why two pictures differ;
// and the two pixel digests the recorded golden values use.
#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

namespace zntest {

// The document folder of this test program, ending with "/".
inline QString &documentRoot()
{
    static QString root;
    return root;
}

// The working folder of the first instance in the document root: this test
// program's own (its facades share it) or, when the program makes none, a
// command-line run's.
inline QString workingFolder()
{
    return documentRoot() + QStringLiteral(".qvrkTemp/1/");
}

// Makes `work` hold the program's folders: "MyDocs/" as the document root
// (made unless `makeRoot` is false, for tests of how the program makes it)
// and a private "runtime/" folder, both in the environment the program and
// its children read; the offscreen platform unless another is set. Call it
// before the application object is made.
inline void useTestFolders(const QTemporaryDir &work, bool makeRoot = true)
{
    documentRoot() = work.path() + QStringLiteral("/MyDocs/");
    if (makeRoot)
        QDir().mkpath(documentRoot());
    qputenv("ZELTANORVIK_ROOT", documentRoot().toUtf8());
    const QString runtime = work.path() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Why two pictures differ in their colour bytes, or "" when they are alike:
// the sizes, or the count of differing pixels, the first one and the largest
// difference of a channel.
inline QString difference(const QImage &expected, const QImage &actual)
{
    if (expected.isNull() || actual.isNull())
        return QStringLiteral("a picture is null (expected %1, actual %2)")
            .arg(expected.isNull() ? "null" : "not null", actual.isNull() ? "null" : "not null");
    if (expected.size() != actual.size())
        return QStringLiteral("sizes differ: expected %1x%2, actual %3x%4")
            .arg(expected.width()).arg(expected.height()).arg(actual.width()).arg(actual.height());
    const QImage a = expected.convertToFormat(QImage::Format_RGB32);
    const QImage b = actual.convertToFormat(QImage::Format_RGB32);
    qint64 count = 0;
    int firstX = -1, firstY = -1, largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if ((ra[x] & 0xffffff) == (rb[x] & 0xffffff))
                continue;
            if (count++ == 0) {
                firstX = x;
                firstY = y;
            }
            largest = std::max({largest, std::abs(qRed(ra[x]) - qRed(rb[x])), std::abs(qGreen(ra[x]) - qGreen(rb[x])),
                                std::abs(qBlue(ra[x]) - qBlue(rb[x]))});
        }
    }
    if (!count)
        return {};
    return QStringLiteral("%1 pixels differ, the first at (%2, %3), by up to %4")
        .arg(count).arg(firstX).arg(firstY).arg(largest);
}

// SHA-1 of the colour bytes (B, G, R) of an opaque picture, row by row, with
// its size in front, first 16 hex digits: the same digest whatever the
// picture's format. The looks' golden values are recorded with it.
inline QByteArray colourDigest(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(image.width()) + 'x' + QByteArray::number(image.height()));
    QByteArray row(image.width() * 3, '\0');
    for (int y = 0; y < image.height(); ++y) {
        const uchar *p = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            row[3 * x] = char(p[4 * x]);
            row[3 * x + 1] = char(p[4 * x + 1]);
            row[3 * x + 2] = char(p[4 * x + 2]);
        }
        hash.addData(row);
    }
    return hash.result().toHex().left(16);
}

// SHA-1 of the picture's pixels as non-premultiplied ARGB, row by row, with
// its size in front: the same for the same picture whatever its format,
// transparency included. The collages' golden values are recorded with it.
inline QByteArray argbDigest(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(argb.width()) + 'x' + QByteArray::number(argb.height()));
    for (int y = 0; y < argb.height(); ++y)
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(argb.constScanLine(y)), argb.width() * 4));
    return hash.result().toHex();
}

}  // namespace zntest

// Fails the test with the reason when two pictures differ in their colours.
#define ZN_COMPARE_PICTURES(expected, actual)                                                            \
    do {                                                                                                 \
        const QString why_ = zntest::difference((expected), (actual));                                   \
        QVERIFY2(why_.isEmpty(), qPrintable(why_));                                                      \
    } while (false)

// Runs a test class under an application of class AppClass (QGuiApplication,
// or QApplication where widgets are shown) with the folders of
// useTestFolders (the root made when makeRoot is true).
#define ZN_QT_TEST_MAIN(AppClass, TestClass, makeRoot)                                                   \
    int main(int argc, char **argv)                                                                      \
    {                                                                                                    \
        QTemporaryDir work;                                                                              \
        zntest::useTestFolders(work, (makeRoot));                                                        \
        AppClass app(argc, argv);                                                                        \
        TestClass tc;                                                                                    \
        QTEST_SET_MAIN_SOURCE_PATH                                                                       \
        return QTest::qExec(&tc, argc, argv);                                                            \
    }
