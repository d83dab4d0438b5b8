#include "picturememory.h"

#include "bandworkers.h"
#include "workingpngwriter.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <mutex>

#include <sys/stat.h>

namespace imageio {

namespace {

// The writer renames a new file into place, so the inode changes with every
// write even within one tick of the clock.
using Identity = PictureMemory::Stamp;

Identity identityOf(const QString &path)
{
    if (path.startsWith(QLatin1Char(':'))) {
        // A resource never changes while the program runs.
        const QFileInfo resource(path);
        return {resource.exists() ? resource.size() : -1, 0, 0, 0};
    }
    struct stat s {};
    if (::stat(QFile::encodeName(path).constData(), &s) != 0 || !S_ISREG(s.st_mode))
        return {};
    return {qint64(s.st_size), qint64(s.st_mtim.tv_sec) * 1'000'000'000 + s.st_mtim.tv_nsec, quint64(s.st_ino),
            quint64(s.st_dev)};
}

struct Entry {
    QImage picture;  // null: only the record of a write (too large to keep)
    bool premultiplied = false;  // converted to straight alpha when first found
    Identity identity;
    quint64 sequence = 0;
    quint64 used = 0;
};

// A record of a write without its pixels costs nothing worth counting; a few
// dozen are kept at most.
constexpr int kMaxEntries = 32;

struct State {
    std::mutex mutex;
    QHash<QString, Entry> entries;
    qint64 bytes = 0;
    quint64 sequence = 1;
    quint64 clock = 0;

    void drop(QHash<QString, Entry>::iterator it)
    {
        bytes -= it->picture.sizeInBytes();
        entries.erase(it);
    }

    // Drops the least recently used until within the budget (mutex held).
    void trim()
    {
        while (bytes > PictureMemory::kBudgetBytes || entries.size() > kMaxEntries) {
            auto oldest = entries.end();
            for (auto it = entries.begin(); it != entries.end(); ++it) {
                const bool heavier = bytes > PictureMemory::kBudgetBytes;
                if (heavier && it->picture.isNull())
                    continue;
                if (oldest == entries.end() || it->used < oldest->used)
                    oldest = it;
            }
            if (oldest == entries.end())
                return;
            drop(oldest);
        }
    }
};

State &state()
{
    static State s;
    return s;
}

// Whether the file of `picture` decodes to exactly it (with `premultiplied`
// set when only after the conversion to straight alpha): the writer stores
// these formats as 8-bit RGB or RGBA, which decode as RGB32 and ARGB32.
bool decodesBack(const QImage &picture, bool *premultiplied)
{
    *premultiplied = picture.format() == QImage::Format_ARGB32_Premultiplied;
    return picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
           || *premultiplied;
}

}  // namespace

PictureMemory &PictureMemory::shared()
{
    static PictureMemory memory;
    return memory;
}

quint64 PictureMemory::put(const QString &path, const QImage &picture)
{
    return keep(path, picture, true);
}

quint64 PictureMemory::keep(const QString &path, const QImage &picture, bool written)
{
    const Identity identity = identityOf(path);
    State &s = state();
    std::lock_guard lock(s.mutex);
    const quint64 sequence = written ? s.sequence++ : 0;
    auto it = s.entries.find(path);
    if (it != s.entries.end())
        s.drop(it);
    if (identity.bytes < 0)
        return sequence;
    Entry entry;
    entry.identity = identity;
    entry.sequence = sequence;
    entry.used = ++s.clock;
    if (!picture.isNull() && picture.sizeInBytes() <= kBudgetBytes)
        entry.picture = picture;
    s.bytes += entry.picture.sizeInBytes();
    s.entries.insert(path, std::move(entry));
    s.trim();
    return sequence;
}

namespace {

// Premultiplied to straight alpha on the band workers, with the toolkit's own
// conversion (the one the PNG writer uses, whose vector form rounds some
// pixels otherwise than qUnpremultiply), so the picture kept is the file's
// to the bit. The toolkit converts a large picture on its shared threads,
// where the window's frames would wait behind it: each band is converted in
// pieces too small for that.
QImage straightAlpha(const QImage &premultiplied)
{
    if (premultiplied.format() != QImage::Format_ARGB32_Premultiplied)
        return premultiplied.convertToFormat(QImage::Format_ARGB32);
    QImage straight(premultiplied.size(), QImage::Format_ARGB32);
    if (straight.isNull())
        return {};
    straight.setColorSpace(premultiplied.colorSpace());
    const int width = straight.width();
    const int piece = std::max(1, 0xffff / std::max(1, width));
    const qsizetype rowBytes = qsizetype(width) * 4;
    // Null when the job was cancelled halfway (a half-converted picture is
    // never kept).
    const bool whole = bandworkers::forRows(straight.height(), width, [&](int first, int end) {
        for (int y = first; y < end; y += piece) {
            const int rows = std::min(piece, end - y);
            const QImage from(premultiplied.constScanLine(y), width, rows, premultiplied.bytesPerLine(),
                              QImage::Format_ARGB32_Premultiplied);
            const QImage to = from.convertToFormat(QImage::Format_ARGB32);
            for (int r = 0; r < rows; ++r)
                std::memcpy(straight.scanLine(y + r), to.constScanLine(r), std::size_t(rowBytes));
        }
    });
    return whole ? straight : QImage();
}

}  // namespace

QImage PictureMemory::find(const QString &path, quint64 *since)
{
    const Identity identity = identityOf(path);
    State &s = state();
    std::unique_lock lock(s.mutex);
    auto it = s.entries.find(path);
    if (it == s.entries.end())
        return {};
    if (it->identity != identity) {
        s.drop(it);
        return {};
    }
    it->used = ++s.clock;
    if (since)
        *since = it->sequence;
    if (!it->premultiplied)
        return it->picture;
    // Converted outside the lock; whoever converts first keeps the result.
    const QImage premultiplied = it->picture;
    lock.unlock();
    const QImage straight = straightAlpha(premultiplied);
    lock.lock();
    it = s.entries.find(path);
    if (!straight.isNull() && it != s.entries.end() && it->premultiplied
        && it->picture.constBits() == premultiplied.constBits()) {
        s.bytes += straight.sizeInBytes() - it->picture.sizeInBytes();
        it->picture = straight;
        it->premultiplied = false;
    }
    return straight;
}

PictureMemory::Stamp PictureMemory::stamp(const QString &path)
{
    return identityOf(path);
}

void PictureMemory::keepDecoded(const QString &path, const QImage &picture, const Stamp &before)
{
    if (picture.isNull() || before.bytes < 0 || identityOf(path) != before)
        return;
    keep(path, picture, false);
}

quint64 PictureMemory::next() const
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    return s.sequence;
}

void PictureMemory::remove(const QString &path)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    auto it = s.entries.find(path);
    if (it != s.entries.end())
        s.drop(it);
}

void PictureMemory::clear()
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.entries.clear();
    s.bytes = 0;
}

qint64 PictureMemory::keptBytes() const
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    return s.bytes;
}

bool saveWorkingPicture(const QImage &picture, const QString &path)
{
    if (!saveWorkingPng(picture, path))
        return false;
    bool premultiplied = false;
    const bool keep = decodesBack(picture, &premultiplied);
    PictureMemory &memory = PictureMemory::shared();
    memory.put(path, keep ? picture : QImage());
    if (keep && premultiplied) {
        // Marked for the conversion on first use.
        State &s = state();
        std::lock_guard lock(s.mutex);
        auto it = s.entries.find(path);
        if (it != s.entries.end() && !it->picture.isNull())
            it->premultiplied = true;
    }
    return true;
}

QImage asWorkingFileDecodes(const QImage &picture)
{
    bool premultiplied = false;
    if (picture.isNull() || !decodesBack(picture, &premultiplied))
        return {};
    return premultiplied ? straightAlpha(picture) : picture;
}

}  // namespace imageio
