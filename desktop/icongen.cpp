// Writes the theme icons at build time: icongen OUTDIR makes
// OUTDIR/hicolor/scalable/apps/<id>.svg and OUTDIR/hicolor/<n>x<n>/apps/<id>.png
// for 48, 128 and 256.
#include "appicon.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString id = QString::fromLatin1(AppIcon::kId);
    const QString scalable = out + QStringLiteral("/hicolor/scalable/apps");
    QFile svg(scalable + QLatin1Char('/') + id + QStringLiteral(".svg"));
    if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly) || svg.write(AppIcon::svg().toUtf8()) < 0) {
        std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    for (int side : {48, 128, 256}) {
        const QString folder = out + QStringLiteral("/hicolor/%1x%1/apps").arg(side);
        const QString file = folder + QLatin1Char('/') + id + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !AppIcon::draw(side).save(file, "PNG")) {
            std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
