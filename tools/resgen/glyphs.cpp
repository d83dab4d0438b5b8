// The generator's stroke font (see glyphs.h).
#include "glyphs.h"

#include <QHash>
#include <QStringList>

namespace resgen {
namespace {

// Glyphs on a 4 x 6 grid (x right, y down, 6 at the baseline); each string
// is one polyline of "x,y" points, several polylines separated by "|".
const QHash<QChar, QString> &glyphTable()
{
    static const QHash<QChar, QString> table = {
        {'A', "0,6 0,2 2,0 4,2 4,6|0,3.5 4,3.5"},
        {'B', "0,6 0,0 3,0 4,1 4,2 3,3 0,3|3,3 4,4 4,5 3,6 0,6"},
        {'C', "4,1 3,0 1,0 0,1 0,5 1,6 3,6 4,5"},
        {'D', "0,0 0,6 2.5,6 4,4.5 4,1.5 2.5,0 0,0"},
        {'E', "4,0 0,0 0,6 4,6|0,3 3,3"},
        {'F', "4,0 0,0 0,6|0,3 3,3"},
        {'G', "4,1 3,0 1,0 0,1 0,5 1,6 3,6 4,5 4,3.5 2.5,3.5"},
        {'H', "0,0 0,6|4,0 4,6|0,3 4,3"},
        {'I', "1,0 3,0|2,0 2,6|1,6 3,6"},
        {'J', "4,0 4,5 3,6 1,6 0,5"},
        {'K', "0,0 0,6|4,0 0,3.5|1.3,2.7 4,6"},
        {'L', "0,0 0,6 4,6"},
        {'M', "0,6 0,0 2,3 4,0 4,6"},
        {'N', "0,6 0,0 4,6 4,0"},
        {'O', "1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,1 1,0"},
        {'P', "0,6 0,0 3,0 4,1 4,2 3,3 0,3"},
        {'Q', "1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,1 1,0|2.5,4.5 4,6.3"},
        {'R', "0,6 0,0 3,0 4,1 4,2 3,3 0,3|2,3 4,6"},
        {'S', "4,1 3,0 1,0 0,1 0,2 1,3 3,3 4,4 4,5 3,6 1,6 0,5"},
        {'T', "0,0 4,0|2,0 2,6"},
        {'U', "0,0 0,5 1,6 3,6 4,5 4,0"},
        {'V', "0,0 2,6 4,0"},
        {'W', "0,0 1,6 2,3 3,6 4,0"},
        {'X', "0,0 4,6|4,0 0,6"},
        {'Y', "0,0 2,3 4,0|2,3 2,6"},
        {'Z', "0,0 4,0 0,6 4,6"},
        {'0', "1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,1 1,0|0.5,5 3.5,1"},
        {'1', "1,1 2,0 2,6|1,6 3,6"},
        {'2', "0,1 1,0 3,0 4,1 4,2 0,6 4,6"},
        {'3', "0,1 1,0 3,0 4,1 4,2 3,3 1.5,3|3,3 4,4 4,5 3,6 1,6 0,5"},
        {'4', "3,6 3,0 0,4 4,4"},
        {'5', "4,0 0,0 0,3 3,3 4,4 4,5 3,6 1,6 0,5"},
        {'6', "3.5,0 1,0 0,1 0,5 1,6 3,6 4,5 4,4 3,3 0,3"},
        {'7', "0,0 4,0 1.5,6"},
        {'8', "1,0 3,0 4,1 4,2 3,3 1,3 0,2 0,1 1,0|1,3 0,4 0,5 1,6 3,6 4,5 4,4 3,3"},
        {'9', "4,3 1,3 0,2 0,1 1,0 3,0 4,1 4,5 3,6 0.5,6"},
        {':', "2,1.5 2,1.6|2,4.5 2,4.6"},
        {'.', "2,5.9 2,6"},
        {',', "2,5.5 1.5,7"},
        {'-', "0.5,3 3.5,3"},
        {'+', "0.5,3 3.5,3|2,1.5 2,4.5"},
        {'/', "0.5,6.5 3.5,-0.5"},
        {'\'', "2,0 2,1.5"},
        {'(', "3,-0.5 1.5,1 1.5,5 3,6.5"},
        {')', "1,-0.5 2.5,1 2.5,5 1,6.5"},
        {'&', "4,6 1,2.5 1,1 2,0 3,1 3,2 0,4.5 0,5 1,6 2.5,6 4,4"},
        {'#', "1.3,0.5 0.7,5.5|3.3,0.5 2.7,5.5|0,2 4,2|0,4 4,4"},
        {'!', "2,0 2,4|2,5.9 2,6"},
        {'>', "1,1 3.5,3 1,5"},
        {'_', "0,6.5 4,6.5"},
    };
    return table;
}

constexpr double kAdvance = 6;  // grid units per character, 4 for the glyph and 2 of space

}  // namespace

QPainterPath strokeText(const QString &text, double x, double y, double height)
{
    const double unit = height / 6;
    QPainterPath path;
    double pen = x;
    for (QChar ch : text) {
        const QString glyph = glyphTable().value(ch.toUpper());
        for (const QString &line : glyph.split('|', Qt::SkipEmptyParts)) {
            bool first = true;
            for (const QString &point : line.split(' ', Qt::SkipEmptyParts)) {
                const QStringList xy = point.split(',');
                const QPointF p(pen + xy[0].toDouble() * unit, y - height + xy[1].toDouble() * unit);
                if (first)
                    path.moveTo(p);
                else
                    path.lineTo(p);
                first = false;
            }
        }
        pen += kAdvance * unit;
    }
    return path;
}

double strokeTextWidth(const QString &text, double height)
{
    return text.isEmpty() ? 0 : (text.size() * kAdvance - 2) * height / 6;
}

}  // namespace resgen
