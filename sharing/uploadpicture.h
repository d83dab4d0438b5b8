// The picture an upload sends: a regular file, readable, not empty and at
// most kMaxUploadPictureBytes long. Anything else (a folder, a named pipe, a
// device such as /dev/zero, a missing file) is refused at once: the file is
// opened without waiting and checked before a byte is read.
//
// What is sent carries no metadata: a JPEG, PNG or WebP goes without its
// EXIF, XMP, IPTC, comments and text (where the photo was taken among
// them), its pixels and colour profile untouched; kinds of picture whose
// metadata cannot be taken out so (TIFF, HEIF and the raw files built like
// them) are refused.
#pragma once

#include <QByteArray>
#include <QString>

constexpr qint64 kMaxUploadPictureBytes = 50 * 1024 * 1024;

enum class PictureRefusal {
    None,       // read whole
    Missing,    // no such file
    Unreadable, // no permission, or reading failed
    NotAFile,   // a folder, a pipe, a device, a socket
    Empty,
    TooLarge,   // over the limit (also when it grew while being read)
    Kind        // a kind of picture whose metadata cannot be left out
};

// Reads the picture at `path` into `bytes`; `bytes` is left empty when refused.
PictureRefusal readUploadPicture(const QString &path, QByteArray *bytes,
                                 qint64 maxBytes = kMaxUploadPictureBytes);

// The picture in `bytes` without its metadata (as described above); other
// bytes as they are. False for a kind whose metadata cannot be left out.
bool withoutMetadata(QByteArray *bytes);

// A short word for the refusal, as the controller's lastFailure() gives it.
QString refusalWord(PictureRefusal refusal);
