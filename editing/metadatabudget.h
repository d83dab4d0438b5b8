// What a saved picture may take over from an untrusted original's metadata,
// weighed before the metadata library reads any of it.
//
// The library copies every EXIF value it reads, so a few megabytes of tags
// that all point at the same bytes become gigabytes. Here the original's
// metadata blocks are found and weighed first: for each EXIF block the bytes
// its entries declare (sub-directories and maker notes included, each value
// at most the block's size), for XMP, IPTC and colour profiles their own
// size (unpacked, when packed). Blocks are taken in the file's order while
// their total stays within kMetadataBudget; the others are left out, each
// with a line in the log.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace metadatabudget {

// The total of metadata a saved picture takes over from its original.
constexpr qint64 kMetadataBudget = 4 * 1024 * 1024;

// Where the metadata reader is to read the original's metadata from.
struct Source {
    enum Kind {
        Nothing,  // nothing to read (no file, or nothing within the budget)
        File,     // the original itself: everything in it is within the budget
        Copy      // `copy`: a small file of the original's kind holding only the blocks kept
    };
    Kind kind = Nothing;
    QByteArray copy;
    QStringList leftOut;  // what was left out, in words for the log
};

// JPEG and PNG originals give a copy of their metadata blocks within the
// budget; any other kind gives the file itself when every EXIF structure in
// it is within the budget, else nothing.
Source boundedSource(const QString &original, qint64 budget = kMetadataBudget);

// The bytes the EXIF (TIFF) structure in `data` declares, counted up to
// just past `limit` (enough to say it is over).
qint64 exifWeight(const QByteArray &data, qint64 limit);

}  // namespace metadatabudget
