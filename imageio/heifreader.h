// HEIF, HEIC and AVIF pictures through libheif: the file's primary picture,
// tiled grid pictures put together, the container's turn and mirror (irot,
// imir) applied once (an EXIF orientation inside the file is not applied
// again), more than 8 bits a channel brought to 8, alpha kept, and colours
// brought to sRGB from the file's colour profile (ICC or nclx primaries).
//
// A picture wanted at the size of the file's own thumbnail or smaller is
// taken from the thumbnail; the photo itself is always decoded whole.
#pragma once

#include "photoreader.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace imageio::heif {

// The primary picture's upright size, from the header; invalid when libheif
// cannot read it (the reason in `problem`). `format` is the name for the
// user ("HEIC", "AVIF").
QSize uprightSize(const QString &path, const QString &format, QString *problem);

// The primary picture, upright, RGB32 (ARGB32 with alpha), at the size
// `sizeFor` asks for (the whole picture without a rule). Null when it cannot
// be read, with the reason recorded in OperationError.
QImage read(const QString &path, const QString &format, const SizeRule &sizeFor);

}  // namespace imageio::heif
