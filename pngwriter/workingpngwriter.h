// The one writer of working, cache and cropped pictures: a standard PNG
// (8-bit RGB for opaque pictures, 8-bit RGBA for pictures with alpha) with the
// same pixels that QImage::save(path, "png") writes, filtered and compressed
// for speed. The file is written under a temporary name in the same folder and
// renamed into place, so a failed save never leaves a half-written file under
// the final name.
//
// Pictures that Qt's writer stores otherwise are stored the same way: grey
// pictures as grey, palette pictures with their palette, 16-bit pictures with
// 16 bits a sample; premultiplied pictures are converted to straight alpha by
// Qt's own conversion. The resolution, offset and colour profile of the
// picture go into the same chunks as Qt writes them; its text (what the
// decoder found in the photo: comments, XMP with the place it was taken) is
// left out, as a working file holds pixels only. Reading the file back with
// QImage gives the picture Qt's own file gives, format included, without text.
#pragma once

class QImage;
class QString;
struct libdeflate_compressor;
namespace pngrows {
class RowFilter;
}

// The temporary file is named after the final one plus at most this many
// bytes, so a final name must leave that much room under the file system's
// 255-byte limit on a name.
constexpr int kWorkingPngTemporarySuffixMax = 32;

// Returns false when the picture is null or the file cannot be written
// completely. A file already under `path` stays as it was until the new one
// is complete and renamed over it, so on failure it is still there, intact.
// A failure to write the file records its reason (disk full, folder not
// writable) with OperationError.
bool saveWorkingPng(const QImage &image, const QString &path);

namespace workingpng {

// Whether the run coder packs these filtered rows about as tightly as
// deflate at level 1 (judged on a sample of bands), so the writer takes the
// faster coder; false for pictures too small to sample.
bool runCoderSuits(pngrows::RowFilter &rows, int height, libdeflate_compressor *compressor);

// Records why a file could not be written at `path` (an errno value), in
// words for the user: a full disk, a folder that cannot be written, a name
// too long, ...
void explainWriteFailure(int error, const QString &path);

}  // namespace workingpng
