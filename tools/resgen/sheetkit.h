// The contact sheets' kit: the test photo, the labelled page, fitting and
// the bundle's pictures and index (sheets.cpp lists the pages).
#pragma once

#include <QImage>
#include <QJsonObject>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "art.h"
#include "bundle.h"
#include "glyphs.h"

namespace resgen::sheets {

// A little-endian 32-bit field of a data file.
int32_t le32(const Bytes &b, std::size_t at);

// A landscape: sky, sun, hills, a lake, a red house and a tree.
QImage testPhoto(int w, int h);

// Pages are laid out in rows of labelled cells.
class Page {
public:
    Page(int width, const QString &title) : m_width(width)
    {
        m_items.push_back({QImage(), title, true});
    }
    void add(const QImage &img, const QString &label) { m_items.push_back({img, label, false}); }
    void heading(const QString &text) { m_items.push_back({QImage(), text, true}); }

    QImage render() const
    {
        // First pass measures, second draws.
        int x = kGap, y = kGap, rowH = 0;
        struct Placed {
            int x, y;
        };
        std::vector<Placed> at;
        for (const Item &it : m_items) {
            if (it.heading) {
                if (rowH)
                    y += rowH + kGap;
                at.push_back({kGap, y});
                y += 30;
                x = kGap;
                rowH = 0;
                continue;
            }
            const int w = it.img.width(), h = it.img.height() + kLabel;
            if (x + w > m_width - kGap && x > kGap) {
                x = kGap;
                y += rowH + kGap;
                rowH = 0;
            }
            at.push_back({x, y});
            x += w + kGap;
            rowH = std::max(rowH, h);
        }
        const int height = y + rowH + kGap;
        QImage page(m_width, height, QImage::Format_RGB32);
        page.fill(QColor(0x3A, 0x3A, 0x3E));
        QPainter p(&page);
        p.setRenderHint(QPainter::Antialiasing);
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            const Item &it = m_items[i];
            if (it.heading) {
                p.setPen(QPen(QColor(0xFF, 0xD8, 0x70), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.drawPath(strokeText(it.label, at[i].x, at[i].y + 20, 16));
                continue;
            }
            p.drawImage(at[i].x, at[i].y, it.img);
            p.setPen(QPen(QColor(0xEE, 0xEE, 0xEE), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(strokeText(it.label, at[i].x, at[i].y + it.img.height() + 15, 9));
        }
        return page;
    }

private:
    static constexpr int kGap = 12, kLabel = 22;
    struct Item {
        QImage img;
        QString label;
        bool heading;
    };
    int m_width;
    std::vector<Item> m_items;
};

// Scaled smoothly to fit w x h, aspect kept.
QImage fit(const QImage &img, int w, int h);
// Shows transparency over a checker board.
QImage overChecker(const QImage &img);
// A picture of the bundle by path, or a null picture.
QImage picture(const Bundle &bundle, const std::string &path);

// The bundle's index.json.
QJsonObject indexOf(const Bundle &bundle);
// ":/style/x.png" -> "style/x.png".
std::string bundlePath(const QString &resource);

// The looks' and colourful frames' pages (sheetlooks.cpp).
QImage looksPage(const Bundle &bundle, const QJsonObject &index);
QImage colourfulPage(const Bundle &bundle, const QJsonObject &index);

}  // namespace resgen::sheets
