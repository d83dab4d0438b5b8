// The pictures the program has just written or decoded, kept in memory by the
// file they belong to, so that the next operation on that file takes the
// picture instead of decoding it again (a chain of edits decodes the photo
// once). An entry is given only while its file is the one it was kept for:
// the same size, modification time and inode, so a file rewritten by anyone
// is decoded afresh. Bounded: at most kBudgetBytes of pixels (at 48
// megapixels that is one photo, so an operation holds at most its source and
// its result besides what it works on), the least recently used dropped
// first; a picture larger than the budget is not kept. Safe on any thread.
//
// imageio::readPicture consults it and keeps what it decodes; the working-file
// writes keep what they wrote (saveWorkingPicture), in the form the file
// decodes to.
#pragma once

#include <QImage>
#include <QString>

namespace imageio {

class PictureMemory
{
public:
    static constexpr qint64 kBudgetBytes = qint64(256) << 20;

    // The one memory of the process.
    static PictureMemory &shared();

    // Keeps `picture` as what the file at `path`, just written from it,
    // decodes to; returns the sequence number of the write (increasing
    // across the process). A null picture records the write alone.
    quint64 put(const QString &path, const QImage &picture);
    // The picture kept for `path` while its file is unchanged, else null.
    // `since`, when given, receives the sequence number of the write it was
    // kept with (0 for a picture kept when it was decoded).
    QImage find(const QString &path, quint64 *since = nullptr);
    // The next sequence number put() will give: what was kept after a call
    // began has at least the number read before it.
    quint64 next() const;
    void remove(const QString &path);
    void clear();
    // Bytes of pixels kept now.
    qint64 keptBytes() const;

    // What tells the file at a path from the next one written under the same
    // name, read before a decode: the decoded picture is kept only when the
    // file still has the same stamp afterwards.
    struct Stamp {
        qint64 bytes = -1;  // -1: no such file
        qint64 modifiedNs = 0;
        quint64 inode = 0;
        quint64 device = 0;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stamp(const QString &path);
    // Keeps a picture decoded from `path` while it had `before`.
    void keepDecoded(const QString &path, const QImage &picture, const Stamp &before);

private:
    PictureMemory() = default;
    quint64 keep(const QString &path, const QImage &picture, bool written);
};

// Writes `picture` as a working PNG at `path` (saveWorkingPng) and keeps it
// in memory as the file decodes to; false, as saveWorkingPng, when nothing
// was written.
bool saveWorkingPicture(const QImage &picture, const QString &path);

// The picture the next operation takes from the working file that
// saveWorkingPicture would write from `picture`, with nothing written (a
// chain of edits kept in memory gives the pixels of the same chain through
// files); null when only decoding the file would tell (a picture that is not
// 32-bit RGB or ARGB), or when the job was cancelled.
QImage asWorkingFileDecodes(const QImage &picture);

}  // namespace imageio
