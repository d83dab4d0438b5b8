// The contact sheets' kit (see sheetkit.h).
#include "sheetkit.h"

#include <QJsonDocument>
#include <QPainterPath>
#include <cmath>

namespace resgen::sheets {

int32_t le32(const Bytes &b, std::size_t at)
{
    return static_cast<int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24));
}

// A landscape: sky, sun, hills, a lake, a red house and a tree.
QImage testPhoto(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    TileNoise n(777, 8);
    const double horizon = h * 0.55;
    for (int y = 0; y < h; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double u = (x + 0.5) / w, v = (y + 0.5) / h;
            RGB c;
            if (y < horizon) {
                const double t = y / horizon;
                c = mix(RGB(0.25, 0.5, 0.85), RGB(0.98, 0.8, 0.62), std::pow(t, 1.6));
                const double sun = std::hypot(u - 0.72, (v - 0.3) * h / w);
                c = c + RGB(1, 0.85, 0.5) * (0.5 * std::exp(-sun * sun / 0.004));
                if (sun < 0.045)
                    c = RGB(1, 0.97, 0.85);
                const double cloud = smoothstep(0.55, 0.75, n.fbm(u * 4, v * 10, 5));
                c = mix(c, RGB(1, 1, 1), cloud * 0.7 * (1 - t));
            } else {
                const double t = (y - horizon) / (h - horizon);
                c = mix(RGB(0.2, 0.45, 0.6), RGB(0.1, 0.25, 0.4), t);  // lake
                const double shimmer = n.fbm(u * 30, v * 6, 3);
                c = c * (0.85 + 0.3 * shimmer);
            }
            // Hills: two ridges.
            const double ridge1 = horizon - h * (0.12 + 0.08 * n.fbm(u * 3, 0.3, 4));
            const double ridge2 = horizon - h * (0.03 + 0.05 * n.fbm(u * 5 + 9, 0.7, 4)) + h * 0.02;
            if (y > ridge1 && y < horizon + h * 0.02)
                c = mix(RGB(0.45, 0.55, 0.7), RGB(0.35, 0.45, 0.55), (y - ridge1) / (h * 0.2));
            if (y > ridge2 && y < horizon + h * 0.08)
                c = mix(RGB(0.3, 0.55, 0.25), RGB(0.2, 0.42, 0.18), n.fbm(u * 20, v * 20, 3));
            // Meadow at the bottom left.
            const double meadow = h - h * 0.25 * (1 - u) - h * 0.05 * n.fbm(u * 8, 0.2, 3);
            if (y > meadow) {
                c = mix(RGB(0.35, 0.6, 0.2), RGB(0.5, 0.7, 0.25), n.fbm(u * 40, v * 40, 3));
                if (n.fbm(u * 90, v * 90, 2) > 0.72)
                    c = n.at(u * 50, v * 50) > 0.5 ? RGB(0.95, 0.3, 0.4) : RGB(1, 0.9, 0.3);
            }
            line[x] = qRgb(static_cast<int>(clamp01(c.r) * 255), static_cast<int>(clamp01(c.g) * 255),
                           static_cast<int>(clamp01(c.b) * 255));
        }
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = std::min(w, h) / 480.0;
    // House.
    const QPointF base(w * 0.2, h * 0.6);
    p.fillRect(QRectF(base.x(), base.y() - 60 * s, 80 * s, 60 * s), QColor(0xE8, 0xD9, 0xC0));
    QPolygonF roof;
    roof << QPointF(base.x() - 8 * s, base.y() - 60 * s) << QPointF(base.x() + 40 * s, base.y() - 100 * s)
         << QPointF(base.x() + 88 * s, base.y() - 60 * s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xC0, 0x30, 0x28));
    p.drawPolygon(roof);
    p.fillRect(QRectF(base.x() + 30 * s, base.y() - 35 * s, 20 * s, 35 * s), QColor(0x6B, 0x3E, 0x1E));
    p.fillRect(QRectF(base.x() + 8 * s, base.y() - 50 * s, 15 * s, 14 * s), QColor(0x7F, 0xB8, 0xE8));
    p.fillRect(QRectF(base.x() + 57 * s, base.y() - 50 * s, 15 * s, 14 * s), QColor(0x7F, 0xB8, 0xE8));
    // Tree.
    p.fillRect(QRectF(w * 0.82, h * 0.55, 14 * s, 90 * s), QColor(0x5A, 0x3A, 0x20));
    p.setBrush(QColor(0x2E, 0x7D, 0x32));
    p.drawEllipse(QPointF(w * 0.82 + 7 * s, h * 0.5), 55 * s, 65 * s);
    p.setBrush(QColor(0x43, 0x9A, 0x46));
    p.drawEllipse(QPointF(w * 0.82 - 10 * s, h * 0.46), 30 * s, 32 * s);
    return img;
}

QImage fit(const QImage &img, int w, int h)
{
    return img.scaled(w, h, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Shows transparency over a checker board.
QImage overChecker(const QImage &img)
{
    QImage out(img.size(), QImage::Format_RGB32);
    QPainter p(&out);
    for (int y = 0; y < img.height(); y += 8)
        for (int x = 0; x < img.width(); x += 8)
            p.fillRect(x, y, 8, 8, ((x + y) / 8) % 2 ? QColor(0x99, 0x99, 0x99) : QColor(0xCC, 0xCC, 0xCC));
    p.drawImage(0, 0, img);
    return out;
}

QImage picture(const Bundle &bundle, const std::string &path)
{
    const Bytes *b = bundle.find(path);
    return b ? decode(*b) : QImage();
}

QJsonObject indexOf(const Bundle &bundle)
{
    const Bytes *b = bundle.find("index.json");
    return b ? QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char *>(b->data()), static_cast<qsizetype>(b->size())))
                   .object()
             : QJsonObject();
}

std::string bundlePath(const QString &resource) { return resource.mid(2).toStdString(); }

}  // namespace resgen::sheets
