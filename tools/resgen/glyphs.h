// A small stroke font for the few words the generator draws (the frames'
// "REC" and frame numbers, the contact sheets' labels), so no file of the
// bundle depends on the fonts installed on the build machine.
#pragma once

#include <QPainterPath>
#include <QString>

namespace resgen {

// The outline of text as strokes' centre lines, cap height `height`, left end
// of the baseline at (x, y). Lower-case letters are drawn as capitals.
QPainterPath strokeText(const QString &text, double x, double y, double height);
// The advance width of text at that height.
double strokeTextWidth(const QString &text, double height);

}  // namespace resgen
