#include "onceuploaddevice.h"

#include <cstring>

OnceUploadDevice::OnceUploadDevice(const QByteArray &body, QObject *parent)
    : QIODevice(parent), body(body)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool OnceUploadDevice::seek(qint64 position)
{
    // Moving back over bytes already handed out is how a re-send starts.
    if (started && position < pos())
        return false;
    return QIODevice::seek(position);
}

bool OnceUploadDevice::reset()
{
    return seek(0);
}

qint64 OnceUploadDevice::readData(char *data, qint64 maxSize)
{
    const qint64 at = pos();
    const qint64 n = qMin(maxSize, qint64(body.size()) - at);
    if (n <= 0)
        return 0;
    std::memcpy(data, body.constData() + at, size_t(n));
    started = true;
    return n;
}

qint64 OnceUploadDevice::writeData(const char *, qint64)
{
    return -1;
}
