// Literals and runs: one Huffman code per block, built from the block's own
// counts and limited to 15 bits, written as a dynamic block; or stored blocks
// when those are no larger.

#include "rundeflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kLiterals = 286;  // 256 byte values, the end of the block, 29 copy lengths
constexpr int kEndOfBlock = 256;
constexpr int kMaxCopy = 258;
constexpr int kMaxCodeBits = 15;
constexpr int kMaxLengthCodeBits = 7;
constexpr std::size_t kStoredMax = 65535;  // bytes in one stored block

// The order in which a dynamic block lists the code-length code's lengths.
constexpr std::array<std::uint8_t, 19> kLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Huffman code lengths of at most `maxBits` for `n` symbols of the given
// counts; symbols of count 0 get length 0. The code is always complete (a
// lone used symbol gets a partner of length 1), as decoders require. Returns
// false only if the lengths could not be made to fit, which does not happen
// for the alphabets used here.
bool buildLengths(const std::uint32_t *count, int n, int maxBits, std::uint8_t *lengths)
{
    std::fill(lengths, lengths + n, 0);
    int symbols[kLiterals];
    int used = 0;
    for (int s = 0; s < n; ++s) {
        if (count[s])
            symbols[used++] = s;
    }
    if (used == 0)
        return true;
    if (used == 1) {
        lengths[symbols[0]] = 1;
        lengths[symbols[0] == 0 ? 1 : 0] = 1;
        return true;
    }
    std::sort(symbols, symbols + used, [&](int a, int b) { return count[a] != count[b] ? count[a] < count[b] : a < b; });

    // Two-queue Huffman construction over the sorted leaves; node k < used is
    // leaf k, node used + j is the j-th merged node.
    std::uint64_t weight[2 * kLiterals];
    int parent[2 * kLiterals];
    for (int k = 0; k < used; ++k)
        weight[k] = count[symbols[k]];
    int leaf = 0, merged = used, next = used;
    auto take = [&]() {
        if (leaf < used && (merged >= next || weight[leaf] <= weight[merged]))
            return leaf++;
        return merged++;
    };
    while (next < 2 * used - 1) {
        const int a = take();
        const int b = take();
        weight[next] = weight[a] + weight[b];
        parent[a] = parent[b] = next;
        ++next;
    }
    const int root = next - 1;
    int depth[2 * kLiterals];
    depth[root] = 0;
    for (int k = root - 1; k >= 0; --k)
        depth[k] = depth[parent[k]] + 1;

    // Lengths per count, the deep ones clamped to maxBits, then the code made
    // complete again: each step takes one leaf off the deepest level and splits
    // a shallower leaf in two, which lowers the Kraft sum by one unit.
    int perLength[kMaxCodeBits + 2] = {};
    for (int k = 0; k < used; ++k)
        ++perLength[std::min(depth[k], maxBits)];
    std::uint32_t kraft = 0;
    for (int len = 1; len <= maxBits; ++len)
        kraft += std::uint32_t(perLength[len]) << (maxBits - len);
    const std::uint32_t full = std::uint32_t(1) << maxBits;
    while (kraft > full) {
        int len = maxBits - 1;
        while (len > 0 && perLength[len] == 0)
            --len;
        if (len == 0 || perLength[maxBits] == 0)
            return false;
        --perLength[maxBits];
        --perLength[len];
        perLength[len + 1] += 2;
        --kraft;
    }
    if (kraft != full)
        return false;

    // The most frequent symbols get the shortest codes.
    int k = used - 1;
    for (int len = 1; len <= maxBits; ++len) {
        for (int c = 0; c < perLength[len]; ++c)
            lengths[symbols[k--]] = std::uint8_t(len);
    }
    return true;
}

// Canonical codes for the lengths, bit-reversed for the LSB-first bit stream.
void buildCodes(const std::uint8_t *lengths, int n, std::uint16_t *codes)
{
    int perLength[kMaxCodeBits + 1] = {};
    for (int s = 0; s < n; ++s)
        ++perLength[lengths[s]];
    perLength[0] = 0;
    std::uint32_t nextCode[kMaxCodeBits + 2] = {};
    for (int len = 1; len <= kMaxCodeBits; ++len)
        nextCode[len + 1] = (nextCode[len] + std::uint32_t(perLength[len])) << 1;
    for (int s = 0; s < n; ++s) {
        const int len = lengths[s];
        if (!len) {
            codes[s] = 0;
            continue;
        }
        std::uint32_t code = nextCode[len]++;
        std::uint32_t reversed = 0;
        for (int b = 0; b < len; ++b, code >>= 1)
            reversed = reversed << 1 | (code & 1);
        codes[s] = std::uint16_t(reversed);
    }
}

// The dynamic block's description of its two codes: the lengths of the 257
// literal codes and of two distance codes (never used, but a complete distance
// code keeps every decoder content), run-length coded with symbols 16 to 18.
struct Token {
    std::uint8_t symbol;
    std::uint8_t extra;
};

// A copy of distance 1: `length` bytes from `at` on repeat the byte before.
struct Copy {
    std::uint32_t at;
    std::uint32_t length;  // 3 .. 258
};

// The length symbols: the first length of each symbol and its extra bits.
constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

struct LengthSymbols {
    std::uint8_t symbol[kMaxCopy + 1];  // 0 .. 28, for symbol 257 + that
    LengthSymbols()
    {
        int k = 0;
        for (int length = 3; length <= kMaxCopy; ++length) {
            while (k < 28 && kLengthBase[k + 1] <= length)
                ++k;
            symbol[length] = std::uint8_t(k);
        }
    }
};
const LengthSymbols kLengths;

// Whether data[q - 1 .. q + 2] are one byte repeated.
inline bool runAt(const std::uint8_t *d, std::size_t q)
{
    return d[q - 1] == d[q] && d[q] == d[q + 1] && d[q + 1] == d[q + 2];
}

// The first q >= from (from >= 1) where a run of at least four bytes starts
// at q - 1, or `size` when there is none.
std::size_t nextRun(const std::uint8_t *d, std::size_t from, std::size_t size)
{
    std::size_t q = from;
#if defined(__SSE2__)
    // Sixteen comparisons with the byte before at a time; bit j of `three`
    // says that positions j, j + 1 and j + 2 all equal their predecessors.
    for (; q + 16 <= size; q += 14) {
        const __m128i cur = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + q));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + q - 1));
        const unsigned eq = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(cur, before)));
        const unsigned three = eq & eq >> 1 & eq >> 2 & 0x3fffu;
        if (three)
            return q + unsigned(__builtin_ctz(three));
    }
#endif
    for (; q + 2 < size; ++q) {
        if (runAt(d, q))
            return q;
    }
    return size;
}

// Every run of equal bytes long enough to be worth a copy (`minRun[v]` bytes
// of value v, at least four), as the copies that code it.
void findCopies(const std::uint8_t *d, std::size_t size, const std::uint16_t *minRun, std::vector<Copy> *copies)
{
    copies->clear();
    std::size_t q = 1;
    while ((q = nextRun(d, q, size)) < size) {
        const std::uint8_t v = d[q];
        std::size_t end = q + 3;
        std::uint64_t word;
        std::memset(&word, v, 8);
        while (end + 8 <= size) {
            std::uint64_t next;
            std::memcpy(&next, d + end, 8);
            if (next != word)
                break;
            end += 8;
        }
        while (end < size && d[end] == v)
            ++end;
        if (end - (q - 1) < minRun[v]) {
            q = end + 1;
            continue;
        }
        // Copies of at most 258 bytes; the last one keeps at least 3.
        std::size_t length = end - q;
        std::size_t at = q;
        while (length > 0) {
            const std::size_t piece = length <= kMaxCopy ? length : length - kMaxCopy < 3 ? length - 3 : kMaxCopy;
            copies->push_back({std::uint32_t(at), std::uint32_t(piece)});
            at += piece;
            length -= piece;
        }
        q = end + 1;
    }
}

struct BlockPlan {
    std::uint8_t literalLengths[kLiterals];
    std::uint16_t literalCodes[kLiterals];
    std::vector<Copy> copies;
    std::uint8_t lengthLengths[19];
    std::uint16_t lengthCodes[19];
    Token tokens[kLiterals + 2];
    int tokenCount = 0;
    int listedLengths = 19;  // HCLEN + 4
    std::uint64_t bits = 0;  // the whole block
};

constexpr std::uint8_t kExtraBits[19] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};

void countBytes(const std::uint8_t *data, std::size_t size, std::uint32_t *count)
{
    // Eight bytes a load into four tables, so that runs of one value do not
    // wait on one counter.
    std::uint32_t t[4][256] = {};
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, data + i, 8);
        ++t[0][w & 255];
        ++t[1][(w >> 8) & 255];
        ++t[2][(w >> 16) & 255];
        ++t[3][(w >> 24) & 255];
        ++t[0][(w >> 32) & 255];
        ++t[1][(w >> 40) & 255];
        ++t[2][(w >> 48) & 255];
        ++t[3][w >> 56];
    }
    for (; i < size; ++i)
        ++t[0][data[i]];
    for (int v = 0; v < 256; ++v)
        count[v] = t[0][v] + t[1][v] + t[2][v] + t[3][v];
}

bool planBlock(const std::uint8_t *data, std::size_t size, BlockPlan *plan)
{
    std::uint32_t count[kLiterals] = {};
    countBytes(data, size, count);
    count[kEndOfBlock] = 1;
    // A run becomes a copy where that is shorter than its literals, judged by
    // the code of the literals alone: a copy costs about 7 bits (length code,
    // its extra bits, the distance bit), so a byte of a 1- or 2-bit code
    // needs a longer run than one of 6 bits.
    std::uint16_t minRun[256];
    {
        std::uint8_t lengths[kLiterals];
        if (!buildLengths(count, kEndOfBlock + 1, kMaxCodeBits, lengths))
            return false;
        for (int v = 0; v < 256; ++v) {
            int run = 4;
            while (run < kMaxCopy && (run - 1) * std::max<int>(lengths[v], 1) <= 7 + (run >= 12 ? 1 : 0))
                ++run;
            minRun[v] = std::uint16_t(run);
        }
    }
    findCopies(data, size, minRun, &plan->copies);
    std::uint64_t extraBits = 0;
    for (const Copy &c : plan->copies) {
        count[data[c.at - 1]] -= c.length;  // those bytes are copied, not coded
        const int k = kLengths.symbol[c.length];
        ++count[257 + k];
        extraBits += kLengthExtra[k] + 1;  // and one bit of distance code
    }
    if (!buildLengths(count, kLiterals, kMaxCodeBits, plan->literalLengths))
        return false;
    buildCodes(plan->literalLengths, kLiterals, plan->literalCodes);

    std::uint8_t all[kLiterals + 2];
    std::memcpy(all, plan->literalLengths, kLiterals);
    all[kLiterals] = all[kLiterals + 1] = 1;
    int n = 0;
    for (int i = 0; i < kLiterals + 2;) {
        const std::uint8_t v = all[i];
        int run = 1;
        while (i + run < kLiterals + 2 && all[i + run] == v)
            ++run;
        i += run;
        if (v == 0) {
            while (run >= 11) {
                const int r = std::min(run, 138);
                plan->tokens[n++] = {18, std::uint8_t(r - 11)};
                run -= r;
            }
            if (run >= 3) {
                plan->tokens[n++] = {17, std::uint8_t(run - 3)};
                run = 0;
            }
        } else {
            plan->tokens[n++] = {v, 0};
            --run;
            while (run >= 3) {
                const int r = std::min(run, 6);
                plan->tokens[n++] = {16, std::uint8_t(r - 3)};
                run -= r;
            }
        }
        for (; run > 0; --run)
            plan->tokens[n++] = {v, 0};
    }
    plan->tokenCount = n;

    std::uint32_t lengthCount[19] = {};
    for (int t = 0; t < n; ++t)
        ++lengthCount[plan->tokens[t].symbol];
    if (!buildLengths(lengthCount, 19, kMaxLengthCodeBits, plan->lengthLengths))
        return false;
    buildCodes(plan->lengthLengths, 19, plan->lengthCodes);
    plan->listedLengths = 19;
    while (plan->listedLengths > 4 && plan->lengthLengths[kLengthOrder[plan->listedLengths - 1]] == 0)
        --plan->listedLengths;

    std::uint64_t bits = 3 + 5 + 5 + 4 + 3 * std::uint64_t(plan->listedLengths);
    for (int t = 0; t < n; ++t)
        bits += plan->lengthLengths[plan->tokens[t].symbol] + kExtraBits[plan->tokens[t].symbol];
    for (int v = 0; v < kLiterals; ++v)
        bits += std::uint64_t(count[v]) * plan->literalLengths[v];
    plan->bits = bits + extraBits;
    return true;
}

// Bits of the block written as stored blocks, from a bit position of `at`
// within its byte.
std::uint64_t storedBits(std::size_t size, unsigned at)
{
    const std::uint64_t pieces = std::max<std::uint64_t>(1, (size + kStoredMax - 1) / kStoredMax);
    // The first piece's header pads to the byte; later pieces start on one and pad 5 bits.
    return (3 + (8 - (at + 3) % 8) % 8) + (pieces - 1) * 8 + pieces * 32 + std::uint64_t(size) * 8;
}

// zlib's combination of two Adler-32 sums: that of a then b from those of a
// and b, given b's length.
std::uint32_t adler32Combine(std::uint32_t a, std::uint32_t b, std::size_t lengthB)
{
    constexpr std::uint64_t kBase = 65521;
    const std::uint64_t rem = lengthB % kBase;
    std::uint64_t sum1 = a & 0xffff;
    std::uint64_t sum2 = (rem * sum1) % kBase;
    sum1 += (b & 0xffff) + kBase - 1;
    sum2 += ((a >> 16) & 0xffff) + ((b >> 16) & 0xffff) + kBase - rem;
    sum1 %= kBase;
    sum2 %= kBase;
    return std::uint32_t(sum1 | sum2 << 16);
}

}  // namespace

struct RunDeflate::Plan : BlockPlan {
};

std::size_t RunDeflate::bound(std::size_t inputBytes, std::size_t blocks)
{
    // Never larger than stored pieces; 2 zlib header bytes, 4 of trailer, and
    // slack for the 8-byte stores of the bit writer.
    const std::size_t pieces = inputBytes / kStoredMax + blocks + 1;
    return inputBytes + 5 * pieces + 2 + 4 + 64;
}

std::uint64_t RunDeflate::blockBits(const std::uint8_t *data, std::size_t size)
{
    BlockPlan plan;
    if (!data || size == 0 || size > kMaxBlock || !planBlock(data, size, &plan))
        return storedBits(size, 0);
    return plan.bits;
}

void RunDeflate::begin(std::uint8_t *out, std::size_t capacity)
{
    m_begin = m_out = out;
    m_end = out + capacity;
    m_acc = 0;
    m_bits = 0;
    m_adler = 1;
    m_closed = false;
    m_failed = !out || capacity < 2 + 4 + 16;
    if (!m_failed) {
        *m_out++ = 0x78;  // deflate, 32 KiB window
        *m_out++ = 0x01;  // fastest compression, no dictionary; 0x7801 is a multiple of 31
    }
}

bool RunDeflate::room(std::size_t bytes) const
{
    return std::size_t(m_end - m_out) >= bytes + 16;
}

void RunDeflate::putBits(std::uint64_t bits, unsigned count)
{
    // count <= 32; at most 7 bits are pending on entry, so nothing is lost.
    m_acc |= bits << m_bits;
    m_bits += count;
    std::memcpy(m_out, &m_acc, 8);
    m_out += m_bits >> 3;
    m_acc >>= m_bits & ~7u;
    m_bits &= 7;
}

void RunDeflate::alignToByte()
{
    if (m_bits)
        putBits(0, 8 - m_bits);
}

void RunDeflate::emitLiterals(const std::uint32_t *table, const std::uint8_t *data, std::size_t size)
{
    // Three at a time: at most 7 pending bits plus three codes of at most 15
    // bits stay within the 64-bit accumulator.
    std::uint64_t acc = m_acc;
    unsigned bits = m_bits;
    std::uint8_t *out = m_out;
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const std::uint32_t a = table[data[i]], b = table[data[i + 1]], c = table[data[i + 2]];
        acc |= std::uint64_t(a & 0xffff) << bits;
        bits += a >> 16;
        acc |= std::uint64_t(b & 0xffff) << bits;
        bits += b >> 16;
        acc |= std::uint64_t(c & 0xffff) << bits;
        bits += c >> 16;
        std::memcpy(out, &acc, 8);
        out += bits >> 3;
        acc >>= bits & ~7u;
        bits &= 7;
    }
    m_acc = acc;
    m_bits = bits;
    m_out = out;
    for (; i < size; ++i)
        putBits(table[data[i]] & 0xffff, table[data[i]] >> 16);
}

bool RunDeflate::add(const std::uint8_t *data, std::size_t size, bool last)
{
    if (m_failed || m_closed || !data || size == 0 || size > kMaxBlock) {
        m_failed = true;
        return false;
    }
    m_adler = std::uint32_t(libdeflate_adler32(m_adler, data, size));

    Plan plan;
    const bool planned = planBlock(data, size, &plan);
    if (!planned || plan.bits >= storedBits(size, m_bits)) {
        putStored(data, size, last);
        return !m_failed;
    }
    if (!room(std::size_t(plan.bits / 8) + 8)) {
        m_failed = true;
        return false;
    }
    putDynamic(plan, data, size, last);
    return true;
}

bool RunDeflate::codeBlock(const std::uint8_t *data, std::size_t size, bool last, CodedBlock *out)
{
    *out = CodedBlock();
    if (!data || size == 0 || size > kMaxBlock)
        return false;
    out->size = size;
    out->last = last;
    out->adler = std::uint32_t(libdeflate_adler32(1, data, size));
    Plan plan;
    const bool planned = planBlock(data, size, &plan);
    // The stored form's size depends on the bit where the block starts (its
    // padding to a byte): keep what each form needs if it can win somewhere.
    std::uint64_t fewest = storedBits(size, 0), most = fewest;
    for (unsigned at = 1; at < 8; ++at) {
        fewest = std::min(fewest, storedBits(size, at));
        most = std::max(most, storedBits(size, at));
    }
    if (!planned || plan.bits >= fewest)
        out->input.assign(data, data + size);
    if (planned && plan.bits < most) {
        // Coded from bit 0 of its own buffer; 8 spare bytes for the wide stores.
        out->code.resize(std::size_t(plan.bits / 8) + 16);
        RunDeflate writer;
        writer.m_begin = writer.m_out = out->code.data();
        writer.m_end = out->code.data() + out->code.size();
        writer.m_failed = false;
        writer.putDynamic(plan, data, size, last);
        out->codeBits = std::uint64_t(writer.m_out - writer.m_begin) * 8 + writer.m_bits;
        if (out->codeBits != plan.bits)
            return false;
    }
    return true;
}

bool RunDeflate::append(const CodedBlock &block)
{
    if (m_failed || m_closed || block.size == 0 || block.size > kMaxBlock
        || (block.codeBits == 0 && block.input.size() != block.size)) {
        m_failed = true;
        return false;
    }
    m_adler = adler32Combine(m_adler, block.adler, block.size);
    if (block.codeBits == 0 || block.codeBits >= storedBits(block.size, m_bits)) {
        if (block.input.size() != block.size) {
            m_failed = true;
            return false;
        }
        putStored(block.input.data(), block.size, block.last);
        return !m_failed;
    }
    if (!room(std::size_t(block.codeBits / 8) + 8)) {
        m_failed = true;
        return false;
    }
    putBitString(block.code.data(), block.codeBits);
    m_closed = block.last;
    return true;
}

void RunDeflate::putStored(const std::uint8_t *data, std::size_t size, bool last)
{
    if (!room(size + 5 * (size / kStoredMax + 1))) {
        m_failed = true;
        return;
    }
    for (std::size_t at = 0; at < size; at += kStoredMax) {
        const std::size_t n = std::min(kStoredMax, size - at);
        putBits((last && at + n == size) ? 1 : 0, 3);  // stored block type 0
        alignToByte();
        putBits(std::uint64_t(n) | std::uint64_t(~n & 0xffff) << 16, 32);
        std::memcpy(m_out, data + at, n);
        m_out += n;
    }
    m_closed = last;
}

void RunDeflate::putDynamic(const Plan &plan, const std::uint8_t *data, std::size_t size, bool last)
{
    putBits((last ? 1 : 0) | 2 << 1, 3);  // dynamic Huffman block
    putBits(kLiterals - 257, 5);
    putBits(2 - 1, 5);
    putBits(unsigned(plan.listedLengths - 4), 4);
    for (int i = 0; i < plan.listedLengths; ++i)
        putBits(plan.lengthLengths[kLengthOrder[i]], 3);
    for (int t = 0; t < plan.tokenCount; ++t) {
        const Token tok = plan.tokens[t];
        putBits(plan.lengthCodes[tok.symbol], plan.lengthLengths[tok.symbol]);
        if (kExtraBits[tok.symbol])
            putBits(tok.extra, kExtraBits[tok.symbol]);
    }

    std::uint32_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = plan.literalCodes[v] | std::uint32_t(plan.literalLengths[v]) << 16;
    std::size_t at = 0;
    for (const Copy &c : plan.copies) {
        emitLiterals(table, data + at, c.at - at);
        // Length code, its extra bits, then distance code 0 (distance 1), a single 0 bit.
        const int k = kLengths.symbol[c.length];
        const unsigned codeBits = plan.literalLengths[257 + k];
        putBits(plan.literalCodes[257 + k] | std::uint64_t(c.length - kLengthBase[k]) << codeBits,
                codeBits + kLengthExtra[k] + 1);
        at = c.at + c.length;
    }
    emitLiterals(table, data + at, size - at);
    putBits(plan.literalCodes[kEndOfBlock], plan.literalLengths[kEndOfBlock]);
    m_closed = last;
}

void RunDeflate::putBitString(const std::uint8_t *bits, std::uint64_t count)
{
    // 56 bits a store while at least 64 can be read (the code buffer has 8
    // spare bytes): with at most 7 pending, they fit the accumulator.
    std::uint64_t acc = m_acc;
    unsigned pending = m_bits;
    std::uint8_t *out = m_out;
    constexpr std::uint64_t kMask56 = (std::uint64_t(1) << 56) - 1;
    for (; count >= 56; count -= 56, bits += 7) {
        std::uint64_t v;
        std::memcpy(&v, bits, 8);
        acc |= (v & kMask56) << pending;
        std::memcpy(out, &acc, 8);
        out += 7;
        acc >>= 56;
    }
    m_acc = acc;
    m_bits = pending;
    m_out = out;
    for (; count >= 8; count -= 8)
        putBits(*bits++, 8);
    if (count)
        putBits(*bits & ((1u << count) - 1), unsigned(count));
}

std::size_t RunDeflate::finish()
{
    if (m_failed || !m_closed || !room(8))
        return 0;
    alignToByte();
    for (int shift = 24; shift >= 0; shift -= 8)
        *m_out++ = std::uint8_t(m_adler >> shift);
    m_failed = true;  // one stream per begin()
    return std::size_t(m_out - m_begin);
}
