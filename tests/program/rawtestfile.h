// A small Bayer DNG written by the tests themselves: an uncompressed 16-bit
// TIFF with the CFA tags (RGGB), an identity colour matrix, a neutral white
// balance and D65 as its illuminant. `light(x, y)` gives the light falling on
// each photosite as red, green and blue (0 to 65535 each).
#pragma once

#include <QByteArray>
#include <QFile>
#include <QSize>
#include <QString>

#include <algorithm>
#include <functional>
#include <vector>

namespace rawtest {

struct Light {
    quint16 red, green, blue;
};

class TiffWriter
{
public:
    enum Type : quint16 { Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, SRational = 10 };

    void add(quint16 tag, Type type, quint32 count, const QByteArray &value)
    {
        entries.push_back({tag, type, count, value});
    }
    void addShort(quint16 tag, std::initializer_list<quint16> values)
    {
        QByteArray v;
        for (quint16 s : values)
            v += le16(s);
        add(tag, Short, quint32(values.size()), v);
    }
    void addLong(quint16 tag, quint32 value) { add(tag, Long, 1, le32(value)); }
    void addBytes(quint16 tag, std::initializer_list<quint8> values)
    {
        QByteArray v;
        for (quint8 b : values)
            v += char(b);
        add(tag, Byte, quint32(values.size()), v);
    }
    void addAscii(quint16 tag, const QByteArray &text) { add(tag, Ascii, quint32(text.size() + 1), text + '\0'); }
    // Rationals as numerator / denominator pairs.
    void addRationals(quint16 tag, Type type, std::initializer_list<std::pair<qint32, qint32>> values)
    {
        QByteArray v;
        for (auto [n, d] : values)
            v += le32(quint32(n)) + le32(quint32(d));
        add(tag, type, quint32(values.size()), v);
    }

    // The file: header, the one IFD (tags in ascending order), the values
    // that do not fit in an entry, then `data`, which tag 273 points at.
    QByteArray file(const QByteArray &data) const
    {
        std::vector<Entry> sorted = entries;
        std::sort(sorted.begin(), sorted.end(), [](const Entry &a, const Entry &b) { return a.tag < b.tag; });
        const quint32 ifdAt = 8;
        const quint32 valuesAt = ifdAt + 2 + 12 * quint32(sorted.size()) + 4;
        QByteArray values;
        quint32 dataAt = 0;
        for (int pass = 0; pass < 2; ++pass) {
            QByteArray ifd = le16(quint16(sorted.size()));
            values.clear();
            for (const Entry &e : sorted) {
                QByteArray field = e.value;
                if (e.tag == 273)
                    field = le32(dataAt);
                ifd += le16(e.tag) + le16(e.type) + le32(e.count);
                if (field.size() <= 4) {
                    ifd += field.leftJustified(4, '\0');
                } else {
                    if (values.size() % 2)
                        values += '\0';
                    ifd += le32(valuesAt + quint32(values.size()));
                    values += field;
                }
            }
            ifd += le32(0);
            dataAt = valuesAt + quint32(values.size());
            if (pass == 1)
                return QByteArray("II*\0", 4) + le32(ifdAt) + ifd + values + data;
        }
        return {};
    }

    static QByteArray le16(quint16 v)
    {
        const char bytes[2] = {char(v & 0xff), char(v >> 8)};
        return QByteArray(bytes, 2);
    }
    static QByteArray le32(quint32 v) { return le16(quint16(v & 0xffff)) + le16(quint16(v >> 16)); }

private:
    struct Entry {
        quint16 tag;
        Type type;
        quint32 count;
        QByteArray value;
    };
    std::vector<Entry> entries;
};

// Writes the DNG; `orientation` is its TIFF orientation (1 upright, 6 turned
// a quarter clockwise for showing). `claimed` puts another size in the header
// than the data holds (a damaged or hostile file).
inline bool writeDng(const QString &path, QSize size, const std::function<Light(int x, int y)> &light,
                     int orientation = 1, QSize claimed = {})
{
    QByteArray data;
    data.reserve(size.width() * size.height() * 2);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const Light l = light(x, y);
            // RGGB: red at even row and column, blue at odd ones, green between.
            const quint16 v = (y % 2 == 0) ? (x % 2 == 0 ? l.red : l.green) : (x % 2 == 0 ? l.green : l.blue);
            data += TiffWriter::le16(v);
        }
    }
    const QSize header = claimed.isValid() ? claimed : size;
    TiffWriter t;
    t.addLong(254, 0);
    t.addLong(256, quint32(header.width()));
    t.addLong(257, quint32(header.height()));
    t.addShort(258, {16});
    t.addShort(259, {1});
    t.addShort(262, {32803});  // colour filter array
    t.addAscii(271, "Test");
    t.addAscii(272, "Bayer");
    t.addLong(273, 0);
    t.addShort(274, {quint16(orientation)});
    t.addShort(277, {1});
    t.addLong(278, quint32(header.height()));
    t.addLong(279, quint32(data.size()));
    t.addShort(284, {1});
    t.addShort(33421, {2, 2});
    t.addBytes(33422, {0, 1, 1, 2});
    t.addBytes(50706, {1, 4, 0, 0});
    t.addBytes(50707, {1, 1, 0, 0});
    t.addAscii(50708, "Test Bayer");
    t.addLong(50714, 0);
    t.addLong(50717, 65535);
    t.addRationals(50721, TiffWriter::SRational,
                   {{1, 1}, {0, 1}, {0, 1}, {0, 1}, {1, 1}, {0, 1}, {0, 1}, {0, 1}, {1, 1}});
    t.addRationals(50728, TiffWriter::Rational, {{1, 1}, {1, 1}, {1, 1}});
    t.addShort(50778, {21});  // D65
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(t.file(data)) > 0;
}

}  // namespace rawtest
