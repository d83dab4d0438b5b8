// The process's resident memory as the kernel counts it, for the benchmarks
// that report peak memory (Linux).
#pragma once

#include <QByteArray>
#include <QFile>

// A "/proc/self/status" field in KiB ("VmRSS:", "VmHWM:"); -1 when unknown.
inline qint64 memoryKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Sets the high-water mark of resident memory back to what is resident now.
inline bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}
