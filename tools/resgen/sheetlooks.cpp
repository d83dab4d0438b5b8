// The looks' page (each look's masks and textures, and a close preview of
// its blends on the test photo) and the colourful frames' page.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QPainterPath>
#include <QXmlStreamReader>
#include <algorithm>
#include <atomic>
#include <thread>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "art.h"
#include "glyphs.h"
#include "jobs.h"

#include "sheetkit.h"

namespace resgen::sheets {
namespace {

// ---- per-pixel blends on 0..255, for the previews.
int scr(int a, int b) { return std::min(255, a + b - ((a * b) >> 8)); }
int soft(int a, int b)
{
    const int m = (a * b) >> 8, s = 255 - (((255 - a) * (255 - b)) >> 8);
    return m + ((a * (s - m)) >> 8);
}
int composite(int a, int b, double o)
{
    const int as = static_cast<int>(a * o) & 255;
    const int m = (b * as) >> 8, s = 255 - (((255 - b) * (255 - as)) >> 8);
    return std::min(255, m + ((as * (s - m)) >> 8));
}

using PixelOp = std::function<void(int *c, const std::vector<const int *> &masks, int alpha0)>;

QImage applyPreview(const QImage &photo, const std::vector<QImage> &masks, const PixelOp &op)
{
    QImage out = photo.convertToFormat(QImage::Format_RGB32);
    std::vector<QImage> scaled;
    for (const QImage &m : masks)
        scaled.push_back(m.scaled(out.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                             .convertToFormat(QImage::Format_ARGB32));
    for (int y = 0; y < out.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            int c[3] = {qRed(line[x]), qGreen(line[x]), qBlue(line[x])};
            std::vector<int> values;
            values.reserve(scaled.size() * 3);
            int alpha0 = 255;
            for (std::size_t i = 0; i < scaled.size(); ++i) {
                const QRgb m = scaled[i].pixel(x, y);
                values.push_back(qRed(m));
                values.push_back(qGreen(m));
                values.push_back(qBlue(m));
                if (i == 0)
                    alpha0 = qAlpha(m);
            }
            std::vector<const int *> ms;
            for (std::size_t i = 0; i < scaled.size(); ++i)
                ms.push_back(&values[i * 3]);
            op(c, ms, alpha0);
            line[x] = qRgb(std::clamp(c[0], 0, 255), std::clamp(c[1], 0, 255), std::clamp(c[2], 0, 255));
        }
    }
    return out;
}

void desaturate(int *c, double amount)
{
    const double grey = 0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2];
    for (int i = 0; i < 3; ++i)
        c[i] = static_cast<int>(c[i] + (grey - c[i]) * amount);
}

const uint8_t *table(const Bundle &bundle, const std::string &path, int k)
{
    const Bytes *b = bundle.find(path);
    static const uint8_t zero[65536] = {};
    if (!b || b->size() != 196618)
        return zero;
    return b->data() + 4 + k * 65539;
}

// The three tables of a blend file in a chain: v blends with a through the
// first, the result with b through the second, that with c through the third.
struct TableChain {
    const uint8_t *t[3];

    TableChain(const Bundle &bundle, const std::string &path)
        : t{table(bundle, path, 0), table(bundle, path, 1), table(bundle, path, 2)}
    {
    }
    int operator()(int v, int a, int b, int c) const
    {
        v = t[0][v * 256 + a];
        v = t[1][v * 256 + b];
        return t[2][v * 256 + c];
    }
};

QImage previewLook(const Bundle &bundle, int id, const QImage &photo, const std::vector<QImage> &m)
{
    switch (id) {
    case 1018:
        return applyPreview(photo, m, [](int *c, auto &ms, int) {
            for (int i = 0; i < 3; ++i) {
                c[i] = composite(c[i], c[i], 1.0);
                c[i] = composite(c[i], ms[0][i], 0.8);
                c[i] = composite(c[i], ms[1][i], 0.6);
            }
        });
    case 1026:
        return applyPreview(photo, m, [](int *c, auto &ms, int) {
            desaturate(c, 0.85);
            c[0] = std::min(255, c[0] + 20);
            c[2] = std::max(0, c[2] - 25);
            for (int i = 0; i < 3; ++i)
                c[i] = static_cast<int>(scr(c[i], ms[0][i]) * 0.8 + c[i] * 0.2);
        });
    case 1031:
        return applyPreview(photo, m, [chain = TableChain(bundle, "eb/effect6.eb")](int *c, auto &ms, int) {
            desaturate(c, 0.35);
            const int k[3] = {14, 10, 100};  // R, G, B
            for (int i = 0; i < 3; ++i)
                c[i] = chain(c[i], k[i], ms[0][i], ms[1][i]);
        });
    case 1032:
        return applyPreview(photo, m, [chain = TableChain(bundle, "eb/effect034.eb")](int *c, auto &ms, int) {
            for (int i = 0; i < 3; ++i)
                c[i] = chain(c[i], c[i], ms[0][i], ms[1][i]);
        });
    case 1038:
        return applyPreview(photo, m, [chain = TableChain(bundle, "eb/effect5.eb")](int *c, auto &ms, int) {
            desaturate(c, 0.3);
            const int k[3] = {48, 8, 8};
            for (int i = 0; i < 3; ++i)
                c[i] = chain(c[i], ms[0][i], ms[1][i], k[i]);
        });
    case 1041:
        return applyPreview(photo, m, [](int *c, auto &ms, int) {
            for (int i = 0; i < 3; ++i) {
                c[i] = static_cast<int>(c[i] * ms[0][i] * 0.00392156);
                c[i] = soft(c[i], ms[1][i]);
            }
        });
    case 1046:
        return applyPreview(photo, m, [](int *c, auto &ms, int) {
            for (int i = 0; i < 3; ++i)
                c[i] = soft(c[i], ms[0][i]);
        });
    case 1047:
        return applyPreview(photo, m, [](int *c, auto &ms, int a) {
            const double o = a * 0.7 / 255;
            for (int i = 0; i < 3; ++i)
                c[i] = static_cast<int>(soft(c[i], ms[0][i]) * o + c[i] * (1 - o));
        });
    case 1048:
        return applyPreview(photo, m, [](int *c, auto &ms, int) {
            for (int i = 0; i < 3; ++i)
                for (int k = 0; k < 3; ++k)
                    c[i] = composite(c[i], ms[k][i], 1.0);
        });
    case 1104: {
        const Bytes *masks = bundle.find("eb/qvrk_lomo_16.eb");
        if (!masks)
            return photo;
        QImage blurred = photo.scaled(photo.width() / 8, photo.height() / 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .scaled(photo.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QImage out = photo.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const int mx = x * 640 / out.width(), my = y * 640 / out.height();
                const double a = (*masks)[my * 640 + mx] / 255.0, b = (*masks)[640 * 640 + my * 640 + mx] / 255.0;
                const QRgb s = out.pixel(x, y), bl = blurred.pixel(x, y);
                auto ch = [&](int sv, int bv) { return static_cast<int>((sv * a + bv * (1 - a)) * b); };
                out.setPixel(x, y, qRgb(ch(qRed(s), qRed(bl)), ch(qGreen(s), qGreen(bl)), ch(qBlue(s), qBlue(bl))));
            }
        return out;
    }
    default:  // the screen-blended ones
        if (m.empty())
            return QImage();
        return applyPreview(photo, m, [](int *c, auto &ms, int) {
            for (int i = 0; i < 3; ++i)
                c[i] = scr(c[i], ms[0][i]);
        });
    }
}

}  // namespace

QImage looksPage(const Bundle &bundle, const QJsonObject &index)
{
    Page page(1800, "LOOKS: MASKS AND TEXTURES, AND A PREVIEW OF EACH");
    const QImage photo = testPhoto(320, 240);
    for (const QJsonValue &v : index.value("effects").toArray()) {
        const QJsonObject e = v.toObject();
        const QJsonArray masks = e.value("masks").toArray();
        if (masks.isEmpty() && !e.contains("table"))
            continue;
        std::vector<QImage> ms;
        for (const QJsonValue &m : masks) {
            const QImage img = picture(bundle, bundlePath(m.toString()));
            ms.push_back(img);
            page.add(overChecker(fit(img, 180, 180)), QFileInfo(m.toString()).fileName());
        }
        const QImage preview = previewLook(bundle, e.value("id").toInt(), photo, ms);
        if (!preview.isNull())
            page.add(preview, QString::number(e.value("id").toInt()) + " " + e.value("name").toString());
    }
    return page.render();
}

QImage colourfulPage(const Bundle &bundle, const QJsonObject &index)
{
    Page page(1800, "COLOURFUL FRAMES, SCREENED OVER A PHOTO");
    const QImage portrait = testPhoto(240, 320), landscape = testPhoto(320, 240);
    for (const QJsonValue &v : index.value("colorfulFrames").toArray()) {
        const QJsonObject e = v.toObject();
        const QImage mask = picture(bundle, bundlePath(e.value("mask").toString()));
        const QString label = QString::number(e.value("id").toInt()) + " " + e.value("name").toString();
        page.add(fit(mask, 180, 240), label);
        page.add(previewLook(bundle, 0, portrait, {mask}), label);
        page.add(previewLook(bundle, 0, landscape, {mask}), label);
    }
    return page.render();
}

}  // namespace resgen::sheets
