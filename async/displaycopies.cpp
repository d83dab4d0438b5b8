#include "displaycopies.h"

#include <QFileInfo>
#include <QMutexLocker>

#include <algorithm>

DisplayCopies::DisplayCopies(int capacity)
    : capacity(std::max(1, capacity))
{
}

QSize DisplayCopies::fitted(QSize size, QSize box)
{
    if (size.isEmpty() || box.width() <= 0 || box.height() <= 0)
        return size;
    if (size.width() <= box.width() && size.height() <= box.height())
        return size;
    return size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

void DisplayCopies::put(const QString &path, const QImage &copy, QSize fullSize)
{
    const QFileInfo file(path);
    if (copy.isNull() || !file.exists())
        return;
    QMutexLocker lock(&mutex);
    Entry &entry = entries[path];
    entry = {copy, fullSize, file.lastModified(), file.size(), ++clock};
    while (entries.size() > capacity) {
        auto oldest = std::min_element(entries.begin(), entries.end(),
                                       [](const Entry &a, const Entry &b) { return a.used < b.used; });
        entries.erase(oldest);
    }
}

QImage DisplayCopies::find(const QString &path, QSize atLeast, QSize *fullSize) const
{
    QMutexLocker lock(&mutex);
    auto it = entries.find(path);
    if (it == entries.end())
        return {};
    const QFileInfo file(path);
    if (!file.exists() || file.lastModified() != it->modified || file.size() != it->bytes)
        return {};
    const QSize wanted = fitted(it->fullSize, atLeast);
    if (it->copy.width() < wanted.width() && it->copy.height() < wanted.height())
        return {};
    const_cast<Entry &>(*it).used = ++clock;
    if (fullSize)
        *fullSize = it->fullSize;
    return it->copy;
}

void DisplayCopies::remove(const QString &path)
{
    QMutexLocker lock(&mutex);
    entries.remove(path);
}

void DisplayCopies::clear()
{
    QMutexLocker lock(&mutex);
    entries.clear();
    livePictures.clear();
}

void DisplayCopies::putLive(const QString &lane, const QImage &picture)
{
    QMutexLocker lock(&mutex);
    livePictures.insert(lane, picture);
}

QImage DisplayCopies::live(const QString &lane) const
{
    QMutexLocker lock(&mutex);
    return livePictures.value(lane);
}
