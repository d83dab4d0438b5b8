// The one way the program decodes a picture file: upright, within the photo
// budget, at full size or at a size the caller works out from the upright one.
//
// Orientation. Phones store a portrait photo lying on its side and note in
// its EXIF data how to turn it. Every decode here applies that note (all
// eight orientations), so every operation, the working files it writes and
// the sizes it computes see the picture as the user does; working files are
// then written upright with no orientation of their own.
//
// Budget. A photo may have up to kPhotoPixelBudget pixels (268 megapixels,
// 2^28): one 32-bit copy is then 1 GiB, so byte counts stay within an int
// everywhere in the toolkit and the effects library, and an operation that
// holds four copies at once takes 4 GiB, a sixth of the 24 GiB machine the
// editor is built on. Larger photos are refused before anything is
// allocated, with a reason for the user recorded in OperationError. The
// toolkit's own reader limit (which also serves the interface's pictures) is
// set to match at start-up: the budget at eight bytes a pixel, so that a
// photo within it decodes even with 16 bits a channel.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

namespace imageio {

constexpr qint64 kPhotoPixelBudget = qint64(1) << 28;
// In megabytes, as the toolkit's reader takes it.
constexpr int kReaderAllocationLimitMB = int((kPhotoPixelBudget * 8) >> 20);

// The size the picture at `path` has upright, read from its header without
// decoding; invalid when the file cannot be read or its format does not tell
// its size beforehand.
QSize uprightSize(const QString &path);

// Whether a picture of `size` pixels fits the budget; when it does not, the
// reason ("The photo is W × H pixels …") is recorded for the user.
bool withinBudget(QSize size);

// Given a picture's upright size, the upright size to decode it at; an empty
// size when there is nothing to decode.
using SizeRule = std::function<QSize(QSize upright)>;

// The picture at `path` (a file or a ":/" resource; the content decides the
// format), turned upright, in the reader's own format. With a rule, at the
// size the rule asks for: the reader scales while decoding when the format
// tells its size beforehand, otherwise the whole picture is decoded and then
// scaled smoothly. Null when the file cannot be decoded, the rule gives an
// empty size, or the picture is beyond the budget (the reason recorded).
QImage readPicture(const QString &path, const SizeRule &sizeFor = {});

// A decoded picture as a 32-bit buffer for drawing on: Format_RGB32 when it
// is opaque, premultiplied ARGB32 when it has an alpha channel, so that
// transparency survives the drawing.
QImage drawable(QImage picture);

}  // namespace imageio
