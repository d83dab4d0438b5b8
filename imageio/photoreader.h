// The one way the program decodes a picture file: upright, within the photo
// budget, at full size or at a size the caller works out from the upright one.
//
// Formats. The content decides which decoder reads a file (pictureformat.h):
// JPEG, PNG, WebP, TIFF, BMP, GIF and the other formats of the toolkit's
// readers; HEIF, HEIC and AVIF through libheif (heifreader.h); camera raw
// files and DNG through LibRaw (rawreader.h).
//
// Orientation. Phones store a portrait photo lying on its side and note how
// to turn it: JPEG and TIFF in their EXIF orientation, HEIF in its container
// (irot, imir), raw files in their own header. Every decode here applies the
// format's note once (an EXIF orientation stored inside a HEIF file describes
// the same turn and is not applied again), so every operation, the working
// files it writes and the sizes it computes see the picture as the user does;
// working files are then written upright with no orientation of their own.
//
// Budget. A photo may have up to kPhotoPixelBudget pixels (268 megapixels,
// 2^28): one 32-bit copy is then 1 GiB, so byte counts stay within an int
// everywhere in the toolkit and the effects library, and an operation that
// holds four copies at once takes 4 GiB, a sixth of the 24 GiB machine the
// editor is built on. Larger photos are refused from their header, in every
// format, before anything is allocated. The toolkit's own reader limit (which
// also serves the interface's pictures) is set to match at start-up: the
// budget at eight bytes a pixel, so that a photo within it decodes even with
// 16 bits a channel.
//
// Refusals. A file that cannot be opened is refused with the reason in words
// for the user, recorded in OperationError: not a picture; a kind of file or
// picture the editor does not read (named); damaged (with how much of it
// could be read, when that is known); too large (its size and the limit).
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
// its size beforehand. Records no reason.
QSize uprightSize(const QString &path);

// Why the file at `path` cannot be opened as a photo, in words for the user;
// "" when it can. Reads the header (and, for a JPEG, looks for the end of its
// data, decoding a small copy only when the end is missing); the pixels
// themselves are not decoded, so a file this passes may still turn out
// damaged when it is. Records no reason.
QString openProblem(const QString &path);

// Whether a picture of `size` pixels fits the budget; when it does not, the
// reason ("The photo is W × H pixels …") is recorded for the user.
bool withinBudget(QSize size);

// Given a picture's upright size, the upright size to decode it at; an empty
// size when there is nothing to decode.
using SizeRule = std::function<QSize(QSize upright)>;

// The picture at `path` (a file or a ":/" resource; the content decides the
// format), turned upright, in the reader's own format (HEIF and raw files:
// RGB32, or ARGB32 for a HEIF picture with alpha). With a rule, at the
// size the rule asks for: the reader scales while decoding when the format
// tells its size beforehand, otherwise the whole picture is decoded and then
// scaled smoothly. Null when the file cannot be decoded (the reason
// recorded), the rule gives an empty size, or the picture is beyond the
// budget (the reason recorded).
QImage readPicture(const QString &path, const SizeRule &sizeFor = {});

// A decoded picture as a 32-bit buffer for drawing on: Format_RGB32 when it
// is opaque, premultiplied ARGB32 when it has an alpha channel, so that
// transparency survives the drawing.
QImage drawable(QImage picture);

}  // namespace imageio
