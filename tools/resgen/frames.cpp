// The fourteen simple frames (ini/*.qvrbk).
//
// A frame file holds four corners and four edge tiles; the frame compositor
// lays the corners at the photo's corners, repeats the tiles between them and
// lets every piece overlap the photo by its inset. Each frame here is drawn
// whole on a canvas of two corners and a run of tiles a side, with every
// repeating element placed at a whole number of tiles from the corners, and
// then cut into its eight pieces, so the pieces join without seams however
// many tiles a photo needs. The designs and their drawing kit are in
// frameart.h and framedesigns_*.cpp.
#include <QJsonArray>

#include "art.h"
#include "formats/framefile.h"
#include "frameart.h"
#include "jobs.h"

namespace resgen {
namespace {

using namespace frames;

struct FrameDesign {
    int id;
    const char *file;
    const char *label;
    Geometry geometry;
    void (*draw)(QImage &, const Geometry &);
};

const std::vector<FrameDesign> &designs()
{
    static const std::vector<FrameDesign> list = {
        {1701, "baikuang", "White", make(56, 56, 56, 20, 20, 20, 8, 8), drawWhite},
        {1702, "bodian", "Polka dots", make(72, 72, 72, 18, 18, 18, 54, 54), drawPolkaDots},
        {1703, "dianyingjiaopian", "Film strip", make(80, 72, 72, 66, 8, 8, 40, 12), drawFilmStrip},
        {1704, "feilin", "Negative", make(80, 72, 72, 66, 8, 8, 40, 12), drawNegative},
        {1705, "fenhongxinqing", "Pink mood", make(70, 70, 70, 22, 22, 22, 44, 44), drawPinkMood},
        {1706, "fuguxiangkuang", "Vintage", make(84, 84, 84, 24, 24, 24, 12, 12), drawVintage},
        {1707, "heikuang", "Black", make(296, 296, 296, 278, 278, 278, 1, 1), drawBlack},
        {1708, "jiaodai", "Tape", make(120, 120, 120, 90, 90, 90, 6, 6), drawTape},
        {1709, "jingdianbiankuang", "Classic", make(56, 56, 56, 12, 12, 12, 4, 4), drawClassic},
        {1710, "keaibanyuan", "Scallops", make(52, 52, 52, 16, 16, 16, 24, 24), drawScallops},
        {1711, "leisibian", "Lace", make(64, 64, 64, 36, 36, 36, 24, 24), drawLace},
        {1712, "luxiangji", "Camcorder", make(170, 170, 170, 160, 160, 160, 2, 2), drawCamcorder},
        {1713, "xiangzhi", "Instant photo", make(48, 48, 144, 14, 14, 14, 16, 16), drawInstant},
        {1714, "youpiao", "Stamp", make(110, 110, 110, 70, 70, 70, 16, 16), drawStamp},
    };
    return list;
}

Bytes piecePng(const QImage &canvas, const QRect &r)
{
    return encodePng(canvas.copy(r).convertToFormat(QImage::Format_ARGB32));
}

void makeFrame(Bundle &bundle, const FrameDesign &d, int order)
{
    const Geometry &g = d.geometry;
    QImage canvas(g.width(), g.height(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    d.draw(canvas, g);
    const int W = g.width(), H = g.height();
    const int k = g.nT / 2, j = g.nS / 2;
    FrameFile file;
    // Insets: every corner overlaps the photo by insetX across and by its
    // own vertical inset.
    file.cutWidth = {g.insetX, g.insetX, g.insetX, g.insetX};
    file.cutHeight = {g.insetTop, g.insetBottom, g.insetTop, g.insetBottom};
    file.pieces[0] = piecePng(canvas, QRect(0, 0, g.cw, g.ch));                       // top-left
    file.pieces[1] = piecePng(canvas, QRect(0, H - g.bh, g.cw, g.bh));                // bottom-left
    file.pieces[2] = piecePng(canvas, QRect(W - g.cw, 0, g.cw, g.ch));                // top-right
    file.pieces[3] = piecePng(canvas, QRect(W - g.cw, H - g.bh, g.cw, g.bh));         // bottom-right
    file.pieces[4] = piecePng(canvas, QRect(g.cw + k * g.t, 0, g.t, g.ch));           // top
    file.pieces[5] = piecePng(canvas, QRect(g.cw + k * g.t, H - g.bh, g.t, g.bh));    // bottom
    file.pieces[6] = piecePng(canvas, QRect(0, g.ch + j * g.s, g.cw, g.s));           // left
    file.pieces[7] = piecePng(canvas, QRect(W - g.cw, g.ch + j * g.s, g.cw, g.s));    // right
    const std::string path = std::string("ini/") + d.file + ".qvrbk";
    bundle.add(path, writeFrameFile(file));

    QJsonObject e;
    e.insert("id", d.id);
    e.insert("name", d.label);
    e.insert("file", QString::fromStdString(":/" + path));
    e.insert("corner", QJsonArray{g.cw, g.ch});
    e.insert("inset", QJsonArray{g.insetX, g.insetTop});
    bundle.addIndexEntry("frames", order, e);
}

}  // namespace

void addFrameJobs(std::vector<Job> &jobs)
{
    addDesignJobs(jobs, "ini/", designs(), makeFrame);
}

}  // namespace resgen
