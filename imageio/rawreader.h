// Camera raw files and DNG through LibRaw (its thread-safe build): developed
// with the camera's white balance into 8-bit sRGB, highlights clipped, turned
// upright by the raw file's own orientation.
//
// A picture wanted at half the size or less is developed at half size (each
// 2 × 2 block of the sensor one pixel, no demosaicing), four times less work;
// the photo itself is always developed whole.
#pragma once

#include "photoreader.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace imageio::raw {

// The raw format's name ("DNG", "camera raw (Nikon)") when LibRaw takes the
// file; "" when it does not. Reads the header only.
QString formatName(const QString &path);

// The developed picture's upright size, from the header; invalid when LibRaw
// cannot read it (the reason in `problem`).
QSize uprightSize(const QString &path, QString *problem);

// The developed picture, upright, RGB32, at the size `sizeFor` asks for (the
// whole photo without a rule). Null when it cannot be read, with the reason
// recorded in OperationError.
QImage read(const QString &path, const SizeRule &sizeFor);

}  // namespace imageio::raw
