// The photo the program benchmarks work on, 8 megapixels (3264 x 2448) unless
// asked for another size: the desktop wallpaper when it is installed, scaled
// to cover the size and cut to it,
// else a generated picture of smooth shading; both with sensor-like grain of
// -3..+3 on every pixel (the same on the three channels), drawn from `seed`.
#pragma once

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

inline QImage benchPhoto(quint32 seed, int width = 3264, int height = 2448)
{
    const QString folder = QStringLiteral("/usr/share/wallpapers/Path/contents/images/");
    const QStringList found = QDir(folder).entryList({"*.jpg"}, QDir::Files, QDir::Size);  // largest first
    QImage img;
    if (!found.isEmpty())
        img.load(folder + found.first());
    if (!img.isNull()) {
        img = img.scaled(width, height, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        img = img.copy((img.width() - width) / 2, (img.height() - height) / 2, width, height);
    } else {
        img = QImage(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const double u = double(x) / width, v = double(y) / height;
                line[x] = qRgb(int(120 + 100 * std::sin(6 * u + 2 * v)), int(110 + 90 * std::cos(4 * v - 3 * u * v)),
                               int(90 + 80 * std::sin(9 * u * v + 1)));
            }
        }
    }
    img = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int((seed >> 24) % 7) - 3;
            auto c = [n](int v) { return std::clamp(v + n, 0, 255); };
            line[x] = qRgb(c(qRed(line[x])), c(qGreen(line[x])), c(qBlue(line[x])));
        }
    }
    return img;
}

// Makes `work`'s "MyDocs/" the document folder of the facade (ZELTANORVIK_ROOT,
// read once, so before any facade exists) and picks the offscreen platform
// unless one is set; returns the folder, ending with "/". Call it before the
// application object is made.
inline QString prepareBenchRoot(const QTemporaryDir &work)
{
    const QString root = work.path() + QStringLiteral("/MyDocs/");
    QDir().mkpath(root);
    qputenv("ZELTANORVIK_ROOT", root.toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return root;
}
