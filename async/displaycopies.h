// Screen-size copies of the pictures the editor shows, kept in memory by the
// path of their file: the asynchronous runner puts the copy of each picture it
// has just made, the picture provider serves them. A copy is only served
// while its file is unchanged (same modification time and size), so a file
// rewritten by anyone else is decoded afresh. Safe to use from any thread.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QSize>
#include <QString>

class DisplayCopies
{
public:
    explicit DisplayCopies(int capacity = 12);

    // Keeps `copy` for the file at `path` whose full picture is `fullSize`.
    void put(const QString &path, const QImage &copy, QSize fullSize);
    // The copy of the file at `path` when one is kept, the file has not
    // changed since and the copy is at least `atLeast` (fitted, aspect kept;
    // an empty size asks for nothing); else a null image. `fullSize` receives
    // the full picture's size.
    QImage find(const QString &path, QSize atLeast, QSize *fullSize = nullptr) const;
    void remove(const QString &path);
    void clear();

    // The live previews' pictures, in memory only: the latest of each lane,
    // replaced by the next (no file behind them).
    void putLive(const QString &lane, const QImage &picture);
    QImage live(const QString &lane) const;

    // The largest size inside `box` with the aspect of `size`, never larger
    // than `size` itself; `size` when the box is empty.
    static QSize fitted(QSize size, QSize box);

private:
    struct Entry {
        QImage copy;
        QSize fullSize;
        QDateTime modified;
        qint64 bytes = 0;
        quint64 used = 0;
    };
    const int capacity;
    mutable QMutex mutex;
    QHash<QString, Entry> entries;
    QHash<QString, QImage> livePictures;
    mutable quint64 clock = 0;
};
