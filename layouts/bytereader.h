// Bounds-checked reading of little-endian data files, shared by the layout
// readers (internal to the library, not exported).
//
// Every read states an offset and a size and succeeds only when the whole
// range lies inside [data, data + length); a failed read changes nothing.
// Also here: overflow-checked pixel-buffer sizes and float-to-int conversion
// that saturates instead of overflowing.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace layoutio {

class ByteReader {
public:
    // A null pointer or a non-positive length gives an empty reader.
    ByteReader(const unsigned char *data, int length)
        : m_data(data), m_size(data != nullptr && length > 0 ? static_cast<std::size_t>(length) : 0)
    {
    }

    std::size_t size() const { return m_size; }
    std::size_t pos() const { return m_pos; }
    std::size_t remaining() const { return m_size - m_pos; }

    // True when count bytes from offset lie inside the data (no overflow).
    bool has(std::size_t offset, std::size_t count) const
    {
        return offset <= m_size && count <= m_size - offset;
    }

    bool seek(std::size_t offset)
    {
        if (offset > m_size)
            return false;
        m_pos = offset;
        return true;
    }
    bool skip(std::size_t count)
    {
        if (!has(m_pos, count))
            return false;
        m_pos += count;
        return true;
    }

    // The count bytes at the cursor, advancing past them; null when they do
    // not fit (count 0 gives the cursor's address, never dereferenced).
    const unsigned char *take(std::size_t count)
    {
        if (!has(m_pos, count))
            return nullptr;
        const unsigned char *p = m_data + m_pos;
        m_pos += count;
        return p;
    }

    bool readByte(uint8_t &out)
    {
        const unsigned char *p = take(1);
        if (!p)
            return false;
        out = p[0];
        return true;
    }
    bool readUInt32(uint32_t &out)
    {
        const unsigned char *p = take(4);
        if (!p)
            return false;
        out = decodeUInt32(p);
        return true;
    }
    bool readInt32(int32_t &out)
    {
        uint32_t u;
        if (!readUInt32(u))
            return false;
        out = static_cast<int32_t>(u);  // two's complement, defined since C++20
        return true;
    }
    bool readFloat(float &out)
    {
        uint32_t u;
        if (!readUInt32(u))
            return false;
        std::memcpy(&out, &u, sizeof out);
        return true;
    }

    // Positioned reads: the cursor is left where it was.
    bool uint32At(std::size_t offset, uint32_t &out) const
    {
        if (!has(offset, 4))
            return false;
        out = decodeUInt32(m_data + offset);
        return true;
    }
    bool int32At(std::size_t offset, int32_t &out) const
    {
        uint32_t u;
        if (!uint32At(offset, u))
            return false;
        out = static_cast<int32_t>(u);
        return true;
    }
    bool byteAt(std::size_t offset, uint8_t &out) const
    {
        if (!has(offset, 1))
            return false;
        out = m_data[offset];
        return true;
    }
    // True when the n bytes at offset equal magic.
    bool matchesAt(std::size_t offset, const char *magic, std::size_t n) const
    {
        return has(offset, n) && std::memcmp(m_data + offset, magic, n) == 0;
    }

private:
    static uint32_t decodeUInt32(const unsigned char *p)
    {
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }

    const unsigned char *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// Byte size of a width x height 32-bit picture when both sides lie in
// 0..maxSide; false for a negative side, one above maxSide, or a product that
// does not fit in size_t.
inline bool PixelBytes(long long width, long long height, long long maxSide, std::size_t &bytes)
{
    if (width < 0 || height < 0 || width > maxSide || height > maxSide)
        return false;
    const unsigned long long w = static_cast<unsigned long long>(width);
    const unsigned long long h = static_cast<unsigned long long>(height);
    const unsigned long long limit = std::numeric_limits<std::size_t>::max();
    if (w != 0 && h > limit / w / 4)
        return false;
    bytes = static_cast<std::size_t>(w * h * 4);
    return true;
}

// (int)v for values inside the int range (truncation toward zero); values
// beyond it saturate, NaN gives 0. Converting an out-of-range float to int is
// undefined, and these values can come straight from a file.
inline int SaturateToInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return std::numeric_limits<int>::max();
    if (v <= -2147483648.0)
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// A 64-bit value clamped into the int range.
inline int ClampToInt(long long v)
{
    if (v > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

}  // namespace layoutio
