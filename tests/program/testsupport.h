// What the program's tests share: a private document folder per test program,
// and deterministic pictures written to files.
#pragma once

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace testsupport {

// A picture whose every pixel tells where it came from: red rises to the
// right, green downwards, blue is fixed.
inline QImage positionPicture(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb(width > 1 ? x * 255 / (width - 1) : 0, height > 1 ? y * 255 / (height - 1) : 0, 90);
    }
    return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
}

inline QString writePicture(const QString &path, const QImage &image, const char *format = "PNG")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, format))
        qFatal("cannot write the test picture %s", qPrintable(path));
    return path;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The document folder every test of this program uses.
inline QString &documentRoot()
{
    static QString root;
    return root;
}

}  // namespace testsupport

// Runs a test class with its own document folder and runtime folder, both
// removed afterwards; the document folder is fixed before anything reads it.
#define ZN_PROGRAM_TEST_MAIN(TestClass)                                                                    \
    int main(int argc, char **argv)                                                                        \
    {                                                                                                      \
        QTemporaryDir work;                                                                                \
        testsupport::documentRoot() = work.path() + QStringLiteral("/MyDocs/");                            \
        qputenv("ZELTANORVIK_ROOT", testsupport::documentRoot().toUtf8());                                 \
        QDir().mkpath(work.path() + QStringLiteral("/runtime"));                                           \
        QFile::setPermissions(work.path() + QStringLiteral("/runtime"), QFileDevice::ReadOwner            \
                                  | QFileDevice::WriteOwner | QFileDevice::ExeOwner);                      \
        qputenv("XDG_RUNTIME_DIR", (work.path() + QStringLiteral("/runtime")).toUtf8());                   \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                                \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                       \
        QApplication app(argc, argv);                                                                      \
        TestClass tc;                                                                                      \
        QTEST_SET_MAIN_SOURCE_PATH                                                                         \
        return QTest::qExec(&tc, argc, argv);                                                              \
    }
