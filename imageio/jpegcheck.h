// Whether a JPEG file holds all of its picture. A file cut short (a copy
// that did not finish, a download that broke off) still decodes: the
// decoder fills what is missing with flat grey and only warns. The check
// walks the file's segments and scans to its end-of-image marker, and, when
// that is missing, measures how much of the picture the data covers.
#pragma once

#include <QImage>
#include <QString>

namespace imageio::jpeg {

// Whether the JPEG data at `path` runs to its end-of-image marker. Reads the
// file, decodes nothing.
bool complete(const QString &path);

// The share of a decoded picture (as stored, not turned) that carries data, in
// whole percent: the rows above the decoder's uniform grey fill at the bottom.
// 100 when nothing is filled.
int percentWithData(const QImage &stored);

// Why the JPEG at `path` cannot be opened ("The photo is damaged: only the top
// 31 % could be read."), or "" when it is whole or only its end marker is
// lost. Decodes a small copy when the end is missing.
QString damage(const QString &path);

}  // namespace imageio::jpeg
