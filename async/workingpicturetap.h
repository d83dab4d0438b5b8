// The picture a thread last wrote as a working file, kept in memory for the
// display: the asynchronous runner arms the tap on its worker thread before an
// operation, the working-file writer offers every picture it compresses, and
// the runner takes the last one afterwards, so the interface never has to
// decode the file it has just written. Threads that never arm it keep nothing.
// Header-only, so that the writer's own tests need nothing else.
#pragma once

#include <QImage>

namespace WorkingPictureTap {

namespace detail {
inline thread_local bool armed = false;
inline thread_local QImage kept;
}  // namespace detail

// From now on this thread keeps the last picture offered (forgetting any earlier one).
inline void arm()
{
    detail::armed = true;
    detail::kept = QImage();
}

// Keeps `picture` (shared, not copied) when this thread armed the tap.
inline void offer(const QImage &picture)
{
    if (detail::armed)
        detail::kept = picture;
}

// The last picture offered since arm(), or a null image; disarms the tap.
inline QImage take()
{
    detail::armed = false;
    QImage picture;
    picture.swap(detail::kept);
    return picture;
}

}  // namespace WorkingPictureTap
