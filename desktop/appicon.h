// The program's icon: a dark tile with a sun over two hills in the accent
// colour. One description of the shapes, drawn two ways: as pixels (the
// window's icon and the theme's PNG sizes) and as SVG (the scalable icon), so
// every size shows the same picture.
#pragma once

#include <QImage>
#include <QString>

namespace AppIcon {

// The reverse-DNS name of the desktop entry, the metainfo and the icons.
inline constexpr const char *kId = "org.zeltanorvik.Zeltanorvik";

// The icon drawn on a transparent square of `side` pixels.
QImage draw(int side);

// The same icon as an SVG document on a 256-unit square.
QString svg();

}  // namespace AppIcon
