// Curves (curvesImage): the channel and points read from their text, the
// library's curve table and its application in bands.
#include "curvestool.h"

#include "EditorTools.h"
#include "operationerror.h"
#include "bandworkers.h"
#include "toolpicture.h"

#include <QStringList>

#include <algorithm>

namespace curvestool {

int channelNamed(const QString &name)
{
    if (name == QLatin1String("rgb"))
        return CHANNEL_COMPOSITE;
    if (name == QLatin1String("red"))
        return CHANNEL_RED;
    if (name == QLatin1String("green"))
        return CHANNEL_GREEN;
    if (name == QLatin1String("blue"))
        return CHANNEL_BLUE;
    return 0;
}

std::vector<_POINT> pointsOf(const QString &text, QString *why)
{
    const QStringList pairs = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (pairs.size() < 2 || pairs.size() > kMostPoints) {
        *why = QStringLiteral("a curve needs 2 to %1 points, \u201cx,y x,y \u2026\u201d.").arg(kMostPoints);
        return {};
    }
    std::vector<_POINT> points;
    for (const QString &pair : pairs) {
        const QStringList xy = pair.split(QLatin1Char(','));
        bool xOk = false, yOk = false;
        const int x = xy.size() == 2 ? xy[0].toInt(&xOk) : 0, y = xy.size() == 2 ? xy[1].toInt(&yOk) : 0;
        if (!xOk || !yOk) {
            *why = QStringLiteral("\u201c%1\u201d is not a point \u201cx,y\u201d.").arg(pair);
            return {};
        }
        if (x < 0 || x > 255 || y < 0 || y > 255) {
            *why = QStringLiteral("the point %1 lies outside 0..255.").arg(pair);
            return {};
        }
        if (!points.empty() && x <= points.back().x) {
            *why = QStringLiteral("the points must go from left to right (x increasing), but %1 follows %2,%3.")
                       .arg(pair).arg(points.back().x).arg(points.back().y);
            return {};
        }
        points.push_back({x, y});
    }
    return points;
}

std::array<unsigned char, 256> tableOf(std::vector<_POINT> points)
{
    std::array<unsigned char, 256> table{};
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<unsigned char>(v);
    if (std::all_of(points.begin(), points.end(), [](const _POINT &p) { return p.x == p.y; }))
        return table;
    SFCurve curve;
    curve.getBezierPoints(points.data(), int(points.size()), table.data());
    return table;
}

QImage apply(const QImage &picture, int channel, const std::vector<_POINT> &points)
{
    if (picture.isNull() || picture.depth() != 32 || channel < CHANNEL_RED || channel > CHANNEL_COMPOSITE || points.size() < 2)
        return {};
    const auto table = tableOf(points);
    bool identity = true;
    for (int v = 0; v < 256; ++v)
        identity = identity && table[v] == v;
    if (identity)
        return picture;
    QImage out = picture.copy();
    if (out.isNull())
        return {};
    // The library's curve object with the same table on the channel; the
    // bands only read it.
    SFCurve curve;
    curve.GetCurveByPoints(const_cast<_POINT *>(points.data()), int(points.size()), channel);
    uchar *bits = out.bits();  // detached once, before the bands share it
    const int width = out.width();
    // 32-bit rows have no padding: a band of rows is a picture of its own.
    const bool whole = bandworkers::forRows(out.height(), width, [&](int first, int end) {
        curve.ApplyCurve(channel, bits + qsizetype(first) * out.bytesPerLine(), width, end - first);
    });
    return whole ? out : QImage();  // null when the job was replaced
}

}  // namespace curvestool

namespace {

// The channel and points, or a reason recorded.
bool curvable(const QString &channel, const QString &text, int *libraryChannel, std::vector<_POINT> *points)
{
    *libraryChannel = curvestool::channelNamed(channel);
    if (*libraryChannel == 0) {
        OperationError::set(QStringLiteral("Curves: \u201c%1\u201d is not a channel (rgb, red, green or blue).").arg(channel));
        return false;
    }
    QString why;
    *points = curvestool::pointsOf(text, &why);
    if (points->empty()) {
        OperationError::set(QStringLiteral("Curves: ") + why);
        return false;
    }
    return true;
}

}  // namespace

QImage EditorTools::curved(const QImage &picture, const QString &channel, const QString &text)
{
    int libraryChannel = 0;
    std::vector<_POINT> points;
    if (picture.isNull() || !curvable(channel, text, &libraryChannel, &points))
        return {};
    return curvestool::apply(toolpicture::prepared(picture), libraryChannel, points);
}

QString EditorTools::curvesImage(QString path, QString channel, QString text)
{
    OperationError::clear();
    int libraryChannel = 0;
    std::vector<_POINT> points;
    if (!curvable(channel, text, &libraryChannel, &points))
        return {};
    const QImage picture = toolpicture::load(path);
    if (picture.isNull())
        return {};
    return toolpicture::write(communication(), curved(picture, channel, text), path, QStringLiteral("Curves"));
}

QVariantList EditorTools::curveLevels(QString text)
{
    QString why;
    const std::vector<_POINT> points = curvestool::pointsOf(text, &why);
    QVariantList levels;
    if (points.empty())
        return levels;
    for (unsigned char v : curvestool::tableOf(points))
        levels.append(int(v));
    return levels;
}
