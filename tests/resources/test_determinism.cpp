// The generator makes the bundle's bytes again, exactly: fixed seeds, no
// clock, no machine-dependent order.
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "bundle.h"

using namespace bundletest;

namespace {

TEST(Generator, MakesTheSameBytesAgain)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess gen;
    gen.start(ZN_RESGEN_PATH, {"--out", dir.path(), "--jobs", "2"});
    ASSERT_TRUE(gen.waitForFinished(300000));
    ASSERT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();

    QStringList made;
    QDirIterator it(dir.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = QDir(dir.path()).relativeFilePath(it.next());
        if (rel.endsWith(".qrc"))
            continue;
        made << ":/" + rel;
    }
    made.sort();
    EXPECT_EQ(made, bundleFiles());
    for (const QString &path : made) {
        QFile f(dir.path() + "/" + path.mid(2));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll() == readResource(path)) << path.toStdString() << " differs from the bundle";
    }
}

}  // namespace
