// Helpers for the bundle checks: reading resources and little-endian fields.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>

namespace bundletest {

// The whole of a resource, or an empty array.
inline QByteArray readResource(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline QImage readImage(const QString &path)
{
    QImage img;
    img.loadFromData(readResource(path));
    return img;
}

inline int32_t le32(const QByteArray &b, qsizetype at)
{
    uint32_t v = 0;
    std::memcpy(&v, b.constData() + at, 4);
    return static_cast<int32_t>(v);
}

inline float lef32(const QByteArray &b, qsizetype at)
{
    float v = 0;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}

inline bool allBytes(const QByteArray &b, qsizetype at, qsizetype count, char value)
{
    for (qsizetype i = 0; i < count; ++i)
        if (b[at + i] != value)
            return false;
    return true;
}

// The 32-byte header shared by the layout files: twelve 0x01, the magic,
// fifteen 0x01.
inline bool hasLayoutHeader(const QByteArray &b, const char *magic)
{
    return b.size() >= 32 && allBytes(b, 0, 12, 1) && std::memcmp(b.constData() + 12, magic, 5) == 0 &&
           allBytes(b, 17, 15, 1);
}

// Every file of our bundle (Qt's own resources left out), as ":/..." paths.
QStringList bundleFiles();
// The files in one folder of the bundle, for example files(":/ini").
QStringList files(const QString &folder);

// Calls check(path, data) with every file of a folder of the bundle, under a
// trace of its path (an ASSERT in check ends that file's check only).
template <typename Check>
void forEachFile(const QString &folder, Check check)
{
    for (const QString &path : files(folder)) {
        SCOPED_TRACE(path.toStdString());
        QByteArray data = readResource(path);
        check(path, data);
    }
}

// Mean of a rectangle's luma (0..255).
double meanLuma(const QImage &img, const QRect &r);

}  // namespace bundletest
