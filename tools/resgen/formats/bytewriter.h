// Little-endian byte writer shared by the data-file writers.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace resgen {

using Bytes = std::vector<uint8_t>;

class ByteWriter {
public:
    void u8(uint8_t v) { m_bytes.push_back(v); }
    void fill(uint8_t v, std::size_t count) { m_bytes.insert(m_bytes.end(), count, v); }
    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void i32s(std::initializer_list<int32_t> values)
    {
        for (int32_t v : values)
            i32(v);
    }
    void f32(float v)
    {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        u32(u);
    }
    void raw(const uint8_t *data, std::size_t size) { m_bytes.insert(m_bytes.end(), data, data + size); }
    void raw(const Bytes &data) { raw(data.data(), data.size()); }
    // The text's bytes, then zeros up to size bytes (the text is cut to size).
    void fixedText(std::string_view text, std::size_t size)
    {
        const std::size_t n = text.size() < size ? text.size() : size;
        raw(reinterpret_cast<const uint8_t *>(text.data()), n);
        fill(0, size - n);
    }
    // The header shared by frame, cell-layout, border and free-layout files:
    // twelve 0x01 bytes, the five-byte magic, fifteen 0x01 bytes.
    void layoutHeader(std::string_view magic)
    {
        fill(0x01, 12);
        fixedText(magic, 5);
        fill(0x01, 15);
    }
    // The start shared by cell-layout and free-layout files: the layout header,
    // the int 1, the cell count, the canvas size and eight 0x01 bytes.
    void cellLayoutStart(std::string_view magic, std::size_t cells, int canvasWidth, int canvasHeight)
    {
        layoutHeader(magic);
        i32s({1, static_cast<int32_t>(cells), canvasWidth, canvasHeight});
        fill(0x01, 8);
    }

    std::size_t size() const { return m_bytes.size(); }
    const Bytes &bytes() const { return m_bytes; }
    Bytes take() { return std::move(m_bytes); }

private:
    Bytes m_bytes;
};

}  // namespace resgen
