// Contact sheets: PNG pages that show every picture of the bundle at a
// glance, for people checking the art (not part of the bundle).
//
//   looks.png      each look's masks and textures, and a test photo with the
//                  look's blends applied (a close preview: the tone tables,
//                  levels and sharpening of the looks are left out);
//   colourful.png  the six colourful-frame masks screened over test photos;
//   frames.png     every simple frame around a landscape and a portrait
//                  test photo, composed the way the frame compositor does;
//   collage.png    every cell layout, every border cut out of a patterned
//                  background around layout 002-001, every pattern;
//   free.png       every free layout over a background, and the backgrounds;
//   bubbles.png    every bubble with its text area outlined.
//
// The pages' kit is in sheetkit.h; the looks' pages in sheetlooks.cpp.
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

#include "jobs.h"
#include "sheetkit.h"

namespace resgen {
namespace {

using namespace sheets;

// Composes a frame file around a photo as the frame compositor does.
QImage composeFrame(const Bytes &file, const QImage &photoIn)
{
    const QImage photo = photoIn.convertToFormat(QImage::Format_ARGB32);
    int cutW[4], cutH[4];
    for (int c = 0; c < 4; ++c) {
        cutW[c] = le32(file, 44 + c * 8);
        cutH[c] = le32(file, 48 + c * 8);
    }
    QImage piece[8];
    std::size_t at = 80;
    for (int i = 0; i < 8 && at + 4 <= file.size(); ++i) {
        const bool present = file[at] == 1;
        at += 4;
        if (!present)
            continue;
        const int n = le32(file, at + 4);
        at += 8;
        piece[i] = decode(Bytes(file.begin() + at, file.begin() + at + n)).convertToFormat(QImage::Format_ARGB32);
        at += n;
    }
    const int W = photo.width(), H = photo.height();
    const int a0 = cutW[0], a2 = cutW[2], b0 = cutH[0], b1 = cutH[1];
    const int tw = piece[4].width(), sh = piece[6].height();
    if (tw <= 0 || sh <= 0)
        return QImage();
    const int rx = (W - a0 - a2) % tw, ry = (H - b0 - b1) % sh;
    const int ow = std::max(1, piece[0].width() + piece[2].width() - a0 - a2 + W - rx);
    const int oh = std::max(1, piece[0].height() + piece[1].height() - b0 - b1 + H - ry);
    QImage out(ow, oh, QImage::Format_ARGB32);
    out.fill(Qt::white);
    auto draw = [&](const QImage &src, int x, int y, QRect r) {
        for (int sy = r.top(); sy <= r.bottom(); ++sy)
            for (int sx = r.left(); sx <= r.right(); ++sx) {
                const int dx = x + sx - r.left(), dy = y + sy - r.top();
                if (dx < 0 || dy < 0 || dx >= ow || dy >= oh || sx < 0 || sy < 0 || sx >= src.width() || sy >= src.height())
                    continue;
                const QRgb s = src.pixel(sx, sy), d = out.pixel(dx, dy);
                const int a = qAlpha(s);
                if (a == 255)
                    out.setPixel(dx, dy, s | 0xFF000000u);
                else if (a)
                    out.setPixel(dx, dy, qRgb((qRed(s) * a + qRed(d) * (255 - a)) >> 8, (qGreen(s) * a + qGreen(d) * (255 - a)) >> 8,
                                              (qBlue(s) * a + qBlue(d) * (255 - a)) >> 8));
            }
    };
    draw(photo, piece[0].width() - a0, piece[0].height() - b0, QRect(QPoint(rx / 2, ry / 2), QPoint(W - rx / 2 - 1, H - ry / 2 - 1)));
    draw(piece[0], 0, 0, piece[0].rect());
    draw(piece[1], 0, oh - piece[1].height(), piece[1].rect());
    draw(piece[2], ow - piece[2].width(), 0, piece[2].rect());
    draw(piece[3], ow - piece[3].width(), oh - piece[3].height(), piece[3].rect());
    const int nT = (W - a0 - a2 - rx) / tw;
    for (int k = 0, x = piece[0].width(); k < nT; ++k, x += tw) {
        draw(piece[4], x, 0, piece[4].rect());
        draw(piece[5], x, oh - piece[1].height(), piece[5].rect());
    }
    const int nS = (H - b0 - b1 - ry) / sh;
    for (int k = 0, y = piece[0].height(); k < nS; ++k, y += sh) {
        draw(piece[6], 0, y, piece[6].rect());
        draw(piece[7], ow - piece[2].width(), y, piece[7].rect());
    }
    return out;
}

QImage framesPage(const Bundle &bundle, const QJsonObject &index)
{
    Page page(1900, "SIMPLE FRAMES AROUND A 640 X 480 AND A 360 X 480 PHOTO (HALF SIZE)");
    const QImage land = testPhoto(640, 480), port = testPhoto(360, 480);
    for (const QJsonValue &v : index.value("frames").toArray()) {
        const QJsonObject e = v.toObject();
        const Bytes *file = bundle.find(bundlePath(e.value("file").toString()));
        if (!file)
            continue;
        const QString label = QString::number(e.value("id").toInt()) + " " + e.value("name").toString();
        const QImage a = composeFrame(*file, land), b = composeFrame(*file, port);
        page.add(a.scaled(a.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                 label + QString(" %1X%2").arg(a.width()).arg(a.height()));
        page.add(b.scaled(b.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), label);
    }
    page.heading("DETAIL AT FULL SIZE: TOP LEFT CORNERS");
    for (const QJsonValue &v : index.value("frames").toArray()) {
        const QJsonObject e = v.toObject();
        const Bytes *file = bundle.find(bundlePath(e.value("file").toString()));
        if (file)
            page.add(composeFrame(*file, land).copy(0, 0, 200, 160), e.value("name").toString());
    }
    return page.render();
}

// Reads the cells of a cell-layout or free-layout file.
std::vector<QRect> cellsOf(const Bytes &file, bool free, std::vector<double> *tilts = nullptr)
{
    std::vector<QRect> cells;
    const int n = le32(file, 36);
    for (int i = 0; i < n; ++i) {
        const std::size_t at = 56 + i * (free ? 56 : 16);
        cells.push_back(QRect(le32(file, at), le32(file, at + 4), le32(file, at + 8), le32(file, at + 12)));
        if (tilts)
            tilts->push_back((le32(file, at + 32) + le32(file, at + 36)) / 2.0);
    }
    return cells;
}

QColor cellColour(int i) { return QColor::fromHsvF(std::fmod(i * 0.13, 1.0), 0.45, 0.9); }

QImage layoutThumb(const std::vector<QRect> &cells, double scale)
{
    QImage img(static_cast<int>(640 * scale), static_cast<int>(896 * scale), QImage::Format_RGB32);
    img.fill(QColor(0x20, 0x20, 0x20));
    QPainter p(&img);
    p.scale(scale, scale);
    int i = 0;
    for (const QRect &c : cells)
        p.fillRect(c, cellColour(i++));
    return img;
}

QImage tiled(const QImage &pattern, int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.fillRect(QRect(0, 0, w, h), QBrush(pattern));
    return img;
}

// A border file applied to a patterned background around layout 002-001,
// with the cells filled by the test photo: what a template collage gives.
QImage borderPreview(const Bytes &border, const std::vector<QRect> &layout, const QImage &pattern, const QImage &photo)
{
    const int insetX = le32(border, 45), insetY = le32(border, 49);
    std::vector<QImage> pieces;
    std::vector<std::pair<int, int>> sizes;
    std::size_t at = 66;
    for (int i = 0; i < 8; ++i) {
        const int w = le32(border, at), h = le32(border, at + 4);
        at += 8;
        QImage img(w, h, QImage::Format_ARGB32);
        std::memcpy(img.bits(), border.data() + at, static_cast<std::size_t>(w) * h * 4);
        at += static_cast<std::size_t>(w) * h * 4;
        pieces.push_back(img);
    }
    const int w0 = pieces[0].width(), h0 = pieces[0].height(), t = pieces[4].width(), s = pieces[6].height();
    int extraW = (w0 - insetX) * 2, extraH = (h0 - insetY) * 2, growX = 0, growY = 0;
    const int rx = (640 - 2 * insetX) % t, ry = (896 - 2 * insetY) % s;
    if (rx) {
        extraW += t - rx;
        growX = t - rx;
    }
    if (ry) {
        extraH += s - ry;
        growY = s - ry;
    }
    growX /= 2;
    growY /= 2;
    const int W = 640 + extraW, H = 896 + extraH;
    QImage bg = tiled(pattern, W, H);
    auto apply = [&](const QImage &piece, int r, int c, int y, int x) {
        if (x < 0 || y < 0 || x >= W || y >= H)
            return;
        const QRgb src = piece.pixel(c, r);
        const int m = qRed(src), g = qGreen(src);
        QRgb d = bg.pixel(x, y);
        if (m >= 1 && m <= 254) {
            const double a = m / 255.0;
            auto mixc = [&](int v) { return static_cast<int>((1 - a) * g + v * a); };
            d = qRgba(mixc(qRed(d)), mixc(qGreen(d)), mixc(qBlue(d)), 255);
        } else {
            d = (g >= 1 && g <= 254) ? qRgba(0, 0, 0, g) : qRgba(qRed(d), qGreen(d), qBlue(d), g);
        }
        bg.setPixel(x, y, d);
    };
    const int ns = (H - 2 * h0) / s, nt = (W - 2 * w0) / t;
    for (int k = 0; k < ns; ++k)
        for (int r = 0; r < s; ++r)
            for (int c = 0; c < w0; ++c) {
                apply(pieces[6], r, c, h0 + k * s + r, c);
                apply(pieces[7], r, c, h0 + k * s + r, W - w0 + c);
            }
    for (int k = 0; k < nt; ++k)
        for (int r = 0; r < h0; ++r)
            for (int c = 0; c < t; ++c) {
                apply(pieces[4], r, c, r, w0 + k * t + c);
                apply(pieces[5], r, c, H - h0 + r, w0 + k * t + c);
            }
    for (int r = 0; r < h0; ++r)
        for (int c = 0; c < w0; ++c) {
            apply(pieces[0], r, c, r, c);
            apply(pieces[2], r, c, r, W - w0 + c);
            apply(pieces[1], r, c, H - h0 + r, c);
            apply(pieces[3], r, c, H - h0 + r, W - w0 + c);
        }
    QImage out = overChecker(bg);
    QPainter p(&out);
    for (QRect cell : layout) {
        if (cell.x() == 0) {
            cell.setWidth(cell.width() + growX);
            cell.moveLeft(-growX);
        }
        if (cell.right() + 1 == 640 - growX || cell.x() + cell.width() == 640)
            cell.setWidth(cell.width() + growX);
        if (cell.y() == 0) {
            cell.setHeight(cell.height() + growY);
            cell.moveTop(-growY);
        }
        if (cell.y() + cell.height() == 896)
            cell.setHeight(cell.height() + growY);
        cell.translate(extraW / 2, extraH / 2);
        p.drawImage(cell, photo.scaled(cell.size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation),
                    QRect(QPoint(0, 0), cell.size()));
    }
    p.end();
    return out;
}

QImage collagePage(const Bundle &bundle, const QJsonObject &index)
{
    Page page(1900, "TEMPLATE COLLAGES: CELL LAYOUTS");
    for (const QJsonValue &v : index.value("templateLayouts").toArray()) {
        const QJsonObject e = v.toObject();
        const Bytes *file = bundle.find(bundlePath(e.value("file").toString()));
        if (file)
            page.add(layoutThumb(cellsOf(*file, false), 0.13), QFileInfo(e.value("file").toString()).baseName());
    }
    page.heading("BORDERS ON A PATTERN AROUND LAYOUT 002-001 (QUARTER SIZE)");
    const Bytes *layout = bundle.find("puzzletemplate/002-001.zeltambpt");
    const QJsonArray patterns = index.value("patterns").toArray();
    const QImage photo = testPhoto(640, 480);
    int i = 0;
    for (const QJsonValue &v : index.value("borders").toArray()) {
        const QJsonObject e = v.toObject();
        const Bytes *file = bundle.find(bundlePath(e.value("file").toString()));
        const QImage pattern = picture(bundle, bundlePath(patterns[i++ % patterns.size()].toObject().value("file").toString()));
        if (!file || !layout)
            continue;
        const QImage full = borderPreview(*file, cellsOf(*layout, false), pattern, photo);
        page.add(full.scaled(full.size() / 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                 QFileInfo(e.value("file").toString()).baseName() + " " + e.value("name").toString() +
                     QString(" %1X%2").arg(full.width()).arg(full.height()));
    }
    page.heading("BORDER CORNERS AT FULL SIZE");
    i = 0;
    for (const QJsonValue &v : index.value("borders").toArray()) {
        const QJsonObject e = v.toObject();
        const Bytes *file = bundle.find(bundlePath(e.value("file").toString()));
        const QImage pattern = picture(bundle, bundlePath(patterns[i++ % patterns.size()].toObject().value("file").toString()));
        if (file && layout)
            page.add(borderPreview(*file, cellsOf(*layout, false), pattern, photo).copy(0, 0, 150, 150), e.value("name").toString());
    }
    page.heading("PATTERNS, TILED FROM THE TOP LEFT");
    for (const QJsonValue &v : patterns) {
        const QJsonObject e = v.toObject();
        page.add(tiled(picture(bundle, bundlePath(e.value("file").toString())), 220, 150), e.value("name").toString());
    }
    return page.render();
}

QImage freePage(const Bundle &bundle, const QJsonObject &index)
{
    Page page(1900, "FREE COLLAGES: EACH LAYOUT OVER A BACKGROUND, PHOTOS FITTED AND TILTED");
    const QJsonArray backgrounds = index.value("freeBackgrounds").toArray();
    const QImage land = testPhoto(640, 480), port = testPhoto(480, 640);
    int i = 0;
    for (const QJsonValue &v : index.value("freeLayouts").toArray()) {
        const QJsonObject e = v.toObject();
        const Bytes *file = bundle.find(bundlePath(e.value("file").toString()));
        if (!file)
            continue;
        const QImage bg = picture(bundle, bundlePath(backgrounds[i++ % backgrounds.size()].toObject().value("file").toString()));
        QImage canvas = bg.copy(0, 32, 640, 896).convertToFormat(QImage::Format_RGB32);
        QPainter p(&canvas);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setRenderHint(QPainter::Antialiasing);
        std::vector<double> tilts;
        int k = 0;
        for (const QRect &cell : cellsOf(*file, true, &tilts)) {
            const QImage &ph = (k % 2) ? port : land;
            const double scale = std::min(1.0, std::min(cell.width() / double(ph.width()), cell.height() / double(ph.height())));
            const QSizeF size(ph.width() * scale, ph.height() * scale);
            p.save();
            p.translate(cell.center());
            p.rotate(tilts[k]);
            const QRectF r(-size.width() / 2, -size.height() / 2, size.width(), size.height());
            p.fillRect(r.adjusted(-8, -8, 8, 8), Qt::white);
            p.drawImage(r, ph);
            p.setPen(QPen(cellColour(k), 3));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(-cell.width() / 2.0, -cell.height() / 2.0, cell.width(), cell.height()));
            p.restore();
            ++k;
        }
        p.end();
        page.add(canvas.scaled(canvas.size() / 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                 QFileInfo(e.value("file").toString()).baseName());
    }
    page.heading("FREE-COLLAGE BACKGROUNDS (640 X 960)");
    for (const QJsonValue &v : backgrounds) {
        const QJsonObject e = v.toObject();
        const QImage bg = picture(bundle, bundlePath(e.value("file").toString()));
        page.add(bg.scaled(bg.size() / 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), e.value("name").toString());
    }
    return page.render();
}

QImage bubblesPage(const Bundle &bundle, const QJsonObject &index)
{
    Page page(1900, "SPEECH BUBBLES WITH THEIR TEXT AREAS AND TEXT COLOUR");
    for (const QJsonValue &v : index.value("bubbles").toArray()) {
        const QJsonObject e = v.toObject();
        QImage img = overChecker(picture(bundle, bundlePath(e.value("picture").toString())));
        const QJsonArray r = e.value("textRect").toArray();
        const QRect text(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0xE5, 0x39, 0x35), 1, Qt::DashLine));
        p.drawRect(text.adjusted(0, 0, -1, -1));
        const QColor colour(e.value("textColor").toString());
        p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QString word = "HELLO!";
        const double h = std::min(text.height() * 0.3, text.width() / 7.0);
        p.drawPath(strokeText(word, text.center().x() - strokeTextWidth(word, h) / 2, text.center().y() + h / 2, h));
        p.end();
        page.add(img, QFileInfo(e.value("file").toString()).baseName() + " " + e.value("name").toString() +
                          QString(" %1X%2").arg(img.width()).arg(img.height()));
    }
    return page.render();
}

bool savePage(const QImage &page, const std::string &dir, const char *name)
{
    const Bytes png = encodePng(page);
    return writeIfChanged(dir + "/" + name, png);
}

}  // namespace

bool writeContactSheets(const Bundle &bundle, const std::string &dir)
{
    QDir().mkpath(QString::fromStdString(dir));
    const QJsonObject index = indexOf(bundle);
    using PageMaker = QImage (*)(const Bundle &, const QJsonObject &);
    const std::pair<const char *, PageMaker> pages[] = {{"frames.png", framesPage}, {"collage.png", collagePage},
                                                        {"looks.png", looksPage},   {"free.png", freePage},
                                                        {"colourful.png", colourfulPage}, {"bubbles.png", bubblesPage}};
    // Two pages at a time, each on its own thread.
    std::atomic<std::size_t> next{0};
    std::atomic<bool> ok{true};
    auto worker = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < std::size(pages);)
            if (!savePage(pages[i].second(bundle, index), dir, pages[i].first))
                ok = false;
    };
    std::thread other(worker);
    worker();
    other.join();
    return ok;
}

}  // namespace resgen
