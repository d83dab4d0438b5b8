// What the program's tests share: a private document folder per test program,
// and deterministic pictures written to files.
#pragma once

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include "../common/qtpictures.h"
#include "../common/qttestsupport.h"

namespace testsupport {

using zntest::positionPicture;
using zntest::writePicture;

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A small file system of its own (tmpfs) mounted over a folder for the
// lifetime of the object, to fill up or to make read-only. Mounting needs
// root: `mounted()` is false otherwise, and the test skips.
class ScratchMount
{
public:
    ScratchMount(const QString &folder, const QString &size)
        : folder(folder)
    {
        QDir().mkpath(folder);
        if (::geteuid() == 0)
            ok = QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", folder}) == 0;
    }
    ~ScratchMount()
    {
        if (ok)
            QProcess::execute("umount", {folder});
    }
    ScratchMount(const ScratchMount &) = delete;
    ScratchMount &operator=(const ScratchMount &) = delete;

    bool mounted() const { return ok; }
    bool makeReadOnly() { return QProcess::execute("mount", {"-o", "remount,ro", folder}) == 0; }
    // Fills the file system to the last byte with one file.
    void fill()
    {
        QFile filler(folder + "/filler");
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        const QByteArray byte(1, 'x');
        while (filler.write(byte) == 1) {
        }
    }

private:
    QString folder;
    bool ok = false;
};

// Pixels no compressor can shrink: the working file is about as large as the picture.
inline QImage noisePicture(int width, int height, quint32 seed = 1)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = 0xff000000u | (seed >> 8);
        }
    }
    return image;
}

using zntest::documentRoot;
using zntest::workingFolder;

// The command-line front run over a document folder (`root`), from `folder`
// when given: its exit status and its output lines.
struct CliRun {
    int status = -1;
    QStringList out;
    QStringList err;
};

inline CliRun runCli(const QStringList &arguments, const QString &root = documentRoot(), const QString &folder = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZELTANORVIK_ROOT", root);
    process.setProcessEnvironment(env);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(QStringLiteral(ZN_CLI_PROGRAM), arguments);
    CliRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return run;
}

}  // namespace testsupport

// Runs a test class with its own document folder and runtime folder, both
// removed afterwards; the document folder is fixed before anything reads it
// and left for the program to make.
#define ZN_PROGRAM_TEST_MAIN(TestClass) ZN_QT_TEST_MAIN(QApplication, TestClass, false)
