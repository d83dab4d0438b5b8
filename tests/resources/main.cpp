// The resource tests' main (a core application, then GoogleTest) and the
// helpers they share: the bundle's file lists and a picture's mean luma.
#include <QCoreApplication>
#include <QDirIterator>
#include <gtest/gtest.h>

#include "bundle.h"

namespace bundletest {

QStringList bundleFiles()
{
    QStringList out;
    QDirIterator it(":/", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(":/qt-project.org") && !path.startsWith(":/qpdf"))
            out << path;
    }
    out.sort();
    return out;
}

QStringList files(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext())
        out << it.next();
    out.sort();
    return out;
}

double meanLuma(const QImage &img, const QRect &r)
{
    double sum = 0;
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = img.pixel(x, y);
            sum += 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p);
            ++n;
        }
    return n ? sum / n : 0;
}

}  // namespace bundletest

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
