// A fast zlib stream for filtered picture rows: each block of input gets its
// own Huffman code and is written as a dynamic block of literal bytes and
// runs (a byte repeated four or more times becomes the byte and a copy of
// distance 1), or stored when coding would not make it smaller. There is no
// search for other repeated strings. On filtered photo rows, where those are
// rare, this is nearly as small as a full deflate and several times faster;
// the working-file writer measures a sample of the rows to decide which of the
// two to use.
//
// Usage: begin(), then add() each block of input in order (the last one with
// `last` set), then finish(). The blocks may be of any size from 1 byte to
// kMaxBlock; the caller keeps the output buffer at least bound() bytes long.
//
// Blocks may also be coded apart, on any thread and in any order, by
// codeBlock(), and put into the stream in order by append() in place of add():
// the stream is then the same, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class RunDeflate
{
public:
    static constexpr std::size_t kMaxBlock = std::size_t(1) << 24;

    // Output bytes needed at most for `inputBytes` of input in `blocks` blocks.
    static std::size_t bound(std::size_t inputBytes, std::size_t blocks);

    // Bits that one block of these bytes takes (header, codes and end of
    // block included): the measure compared with a full deflate.
    static std::uint64_t blockBits(const std::uint8_t *data, std::size_t size);

    // One block coded on its own. A block is written stored or coded
    // depending on the bit position where it starts, so it keeps what both
    // need when both could win: its code as bits (the first bit lowest,
    // starting at bit 0 of `code`) and its input.
    struct CodedBlock {
        std::vector<std::uint8_t> code;
        std::uint64_t codeBits = 0;  // 0: no code, always stored
        std::vector<std::uint8_t> input;  // kept when stored could win
        std::size_t size = 0;
        std::uint32_t adler = 1;  // of this block's input alone
        bool last = false;
    };
    // False when the block is empty or too long.
    static bool codeBlock(const std::uint8_t *data, std::size_t size, bool last, CodedBlock *out);

    void begin(std::uint8_t *out, std::size_t capacity);
    // False when the output would pass the capacity or the block is empty or too long.
    bool add(const std::uint8_t *data, std::size_t size, bool last);
    // The block as add() would write it here; false as add().
    bool append(const CodedBlock &block);
    // Writes the Adler-32 trailer; returns the stream's length, or 0 after a failure.
    std::size_t finish();

private:
    struct Plan;
    void putStored(const std::uint8_t *data, std::size_t size, bool last);
    void putDynamic(const Plan &plan, const std::uint8_t *data, std::size_t size, bool last);
    void putBitString(const std::uint8_t *bits, std::uint64_t count);
    void putBits(std::uint64_t bits, unsigned count);
    void emitLiterals(const std::uint32_t *table, const std::uint8_t *data, std::size_t size);
    void alignToByte();
    bool room(std::size_t bytes) const;

    std::uint8_t *m_begin = nullptr;
    std::uint8_t *m_out = nullptr;
    std::uint8_t *m_end = nullptr;
    std::uint64_t m_acc = 0;  // pending bits, the first one lowest
    unsigned m_bits = 0;
    std::uint32_t m_adler = 1;
    bool m_failed = true;
    bool m_closed = false;
};
