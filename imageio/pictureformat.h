// What kind of picture a file holds, from its first bytes: which of the
// decoders reads it, or, when none does, what the file is in words for the
// user. The content decides, never the file name: a photo renamed ".png" or a
// document named ".jpg" is still told apart.
#pragma once

#include <QString>

namespace imageio {

enum class Decoder {
    Missing,  // no such file, or it cannot be opened
    Toolkit,  // a format the toolkit's readers know (JPEG, PNG, WebP, TIFF, ...)
    Heif,     // HEIF, HEIC or AVIF, through libheif
    Raw,      // a camera raw file or DNG, through LibRaw
    Foreign,  // a known kind of file that is not a picture the editor reads
    Unknown,  // not recognised as a picture at all
};

struct PictureFormat {
    Decoder decoder = Decoder::Unknown;
    // For the toolkit, its format name ("jpeg", "png", "tiff", ...); for the
    // others, the name a user knows the format by ("HEIC", "AVIF", "DNG",
    // "camera raw"); for a foreign file, what it is ("a Photoshop document
    // (PSD)").
    QString name;
};

// The kind of the file at `path` (a file or a ":/" resource).
PictureFormat identify(const QString &path);

}  // namespace imageio
