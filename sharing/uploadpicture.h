// The picture an upload sends: a regular file, readable, not empty and at
// most kMaxUploadPictureBytes long. Anything else (a folder, a named pipe, a
// device such as /dev/zero, a missing file) is refused at once: the file is
// opened without waiting and checked before a byte is read.
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
    TooLarge    // over the limit (also when it grew while being read)
};

// Reads the picture at `path` into `bytes`; `bytes` is left empty when refused.
PictureRefusal readUploadPicture(const QString &path, QByteArray *bytes,
                                 qint64 maxBytes = kMaxUploadPictureBytes);

// A short word for the refusal, as the controller's lastFailure() gives it.
QString refusalWord(PictureRefusal refusal);
