// The run coder on its own: every stream it writes must inflate (with the
// deflate library's decoder, which shares no code with it) to the input, for
// inputs that reach each of its paths: runs of every length around the copy
// limits, stored blocks, codes that must be cut to 15 bits, many blocks.

#include "rundeflate.h"

#include <libdeflate.h>

#include <QtTest>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rng {
    std::uint32_t s;
    std::uint32_t next() { return (s = s * 1664525u + 1013904223u) >> 8; }
};

// Encodes `input` in blocks of the given sizes (cycled), returns the stream or empty on failure.
Bytes encode(const Bytes &input, const std::vector<std::size_t> &blockSizes)
{
    std::size_t blocks = 0;
    for (std::size_t at = 0, k = 0; at < input.size(); at += blockSizes[k++ % blockSizes.size()])
        ++blocks;
    Bytes out(RunDeflate::bound(input.size(), blocks));
    RunDeflate coder;
    coder.begin(out.data(), out.size());
    for (std::size_t at = 0, k = 0; at < input.size();) {
        const std::size_t n = std::min(blockSizes[k++ % blockSizes.size()], input.size() - at);
        if (!coder.add(input.data() + at, n, at + n == input.size()))
            return {};
        at += n;
    }
    out.resize(coder.finish());
    return out;
}

// The same, each block coded apart (in reverse order, as another thread might)
// and then appended in order.
Bytes encodeApart(const Bytes &input, const std::vector<std::size_t> &blockSizes)
{
    std::vector<std::size_t> starts;
    for (std::size_t at = 0, k = 0; at < input.size(); at += blockSizes[k++ % blockSizes.size()])
        starts.push_back(at);
    starts.push_back(input.size());
    const std::size_t count = starts.size() - 1;
    std::vector<RunDeflate::CodedBlock> blocks(count);
    for (std::size_t k = count; k-- > 0;) {
        const std::size_t n = std::min(starts[k + 1], input.size()) - starts[k];
        if (!RunDeflate::codeBlock(input.data() + starts[k], n, k + 1 == count, &blocks[k]))
            return {};
    }
    Bytes out(RunDeflate::bound(input.size(), blocks.size()));
    RunDeflate coder;
    coder.begin(out.data(), out.size());
    for (const RunDeflate::CodedBlock &b : blocks) {
        if (!coder.append(b))
            return {};
    }
    out.resize(coder.finish());
    return out;
}

// Inflates a zlib stream of known output size; checks it ends exactly at the trailer.
bool inflatesTo(const Bytes &stream, const Bytes &want)
{
    libdeflate_decompressor *d = libdeflate_alloc_decompressor();
    Bytes got(want.size() + 1);
    std::size_t inUsed = 0, outSize = 0;
    const libdeflate_result r = libdeflate_zlib_decompress_ex(d, stream.data(), stream.size(), got.data(), got.size(),
                                                              &inUsed, &outSize);
    libdeflate_free_decompressor(d);
    got.resize(outSize);
    return r == LIBDEFLATE_SUCCESS && inUsed == stream.size() && got == want;
}

Bytes runsOfEveryLength(std::size_t upTo)
{
    Bytes b;
    for (std::size_t len = 1; len <= upTo; ++len)
        b.insert(b.end(), len, std::uint8_t(len % 2 ? 0 : 0x80 + len % 7));
    return b;
}

Bytes noise(std::size_t n, std::uint32_t seed, int spread)
{
    Rng r{seed};
    Bytes b(n);
    for (auto &v : b)
        v = std::uint8_t(r.next() % unsigned(spread));
    return b;
}

// Symbol k appears about fib(k) times: an optimal code would be 30 bits deep.
Bytes fibonacciSkew()
{
    Bytes b;
    std::size_t f0 = 1, f1 = 1;
    for (int k = 0; k < 30; ++k) {
        b.insert(b.end(), f0, std::uint8_t(k * 7));
        const std::size_t f2 = f0 + f1;
        f0 = f1;
        f1 = f2;
    }
    // Interleave, so that the runs do not turn it all into copies.
    Rng r{9};
    for (std::size_t i = b.size() - 1; i > 0; --i)
        std::swap(b[i], b[r.next() % (i + 1)]);
    return b;
}

}  // namespace

class TestRunDeflate : public QObject {
    Q_OBJECT
private slots:
    void roundTrips_data();
    void roundTrips();
    void sizeMatchesTheMeasure();
    void refusesMisuse();
    void blocksCodedApartGiveTheSameStream();
};

void TestRunDeflate::roundTrips_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("block");
    auto add = [](const char *name, const Bytes &b, int block) {
        QTest::newRow(name) << QByteArray(reinterpret_cast<const char *>(b.data()), qsizetype(b.size())) << block;
    };
    add("one byte", Bytes{42}, 1 << 18);
    add("two bytes", Bytes{0, 255}, 1 << 18);
    add("one value, 1 MiB", Bytes(1 << 20, 7), 1 << 18);
    add("runs of every length to 600", runsOfEveryLength(600), 1 << 18);
    add("runs around the copy limit", [] {
        Bytes b;
        for (int len : {258, 259, 260, 261, 262, 516, 517, 518, 519, 520})
            b.insert(b.end(), std::size_t(len), std::uint8_t(len)), b.push_back(1);
        return b;
    }(), 1 << 18);
    add("random bytes: stored", noise(300000, 1, 256), 1 << 18);
    add("random bytes in 1-byte blocks", noise(500, 2, 256), 1);
    add("small alphabet", noise(400000, 3, 9), 1 << 16);
    add("code cut to 15 bits", fibonacciSkew(), 1 << 24);
    add("odd block sizes", noise(777777, 4, 5), 65537);
}

void TestRunDeflate::roundTrips()
{
    QFETCH(QByteArray, input);
    QFETCH(int, block);
    const Bytes in(input.begin(), input.end());
    const Bytes stream = encode(in, {std::size_t(block)});
    QVERIFY(!stream.empty());
    QVERIFY(inflatesTo(stream, in));
    QVERIFY(encodeApart(in, {std::size_t(block)}) == stream);
    if (QByteArray(QTest::currentDataTag()) == "code cut to 15 bits")
        QVERIFY(stream.size() < in.size() / 2);  // coded, not stored
    // Never larger than storing the input.
    QVERIFY(stream.size() <= in.size() + 5 * (in.size() / 65535 + in.size() / std::size_t(block) + 2) + 6);
}

// One dynamic block takes exactly the bits the measure says.
void TestRunDeflate::sizeMatchesTheMeasure()
{
    for (const Bytes &in : {noise(200000, 5, 13), runsOfEveryLength(300), fibonacciSkew()}) {
        const Bytes stream = encode(in, {in.size()});
        QVERIFY(inflatesTo(stream, in));
        QCOMPARE(stream.size(), 2 + (RunDeflate::blockBits(in.data(), in.size()) + 7) / 8 + 4);
    }
}

void TestRunDeflate::refusesMisuse()
{
    const Bytes in = noise(1000, 6, 256);
    Bytes out(RunDeflate::bound(in.size(), 1));
    RunDeflate coder;
    coder.begin(out.data(), out.size());
    QVERIFY(!coder.add(in.data(), 0, true));  // an empty block
    QCOMPARE(coder.finish(), std::size_t(0));

    coder.begin(out.data(), out.size());
    QVERIFY(coder.add(in.data(), in.size(), false));
    QCOMPARE(coder.finish(), std::size_t(0));  // no last block yet

    coder.begin(out.data(), out.size());
    QVERIFY(coder.add(in.data(), in.size(), true));
    QVERIFY(!coder.add(in.data(), in.size(), true));  // after the last block
    QCOMPARE(coder.finish(), std::size_t(0));

    Bytes tiny(200);  // far less than random bytes need
    coder.begin(tiny.data(), tiny.size());
    QVERIFY(!coder.add(in.data(), in.size(), true));
    QCOMPARE(coder.finish(), std::size_t(0));
}

// Blocks of every kind one after the other, so that each starts at many bit
// positions: stored (random bytes), coded, and tiny blocks where stored and
// coded are so close that the position decides.
void TestRunDeflate::blocksCodedApartGiveTheSameStream()
{
    Bytes in;
    for (int k = 0; k < 12; ++k) {
        const Bytes part = k % 3 == 0 ? noise(70001 + 13 * std::size_t(k), std::uint32_t(k), 256)
                           : k % 3 == 1 ? noise(5003, std::uint32_t(k), 7)
                                        : runsOfEveryLength(40);
        in.insert(in.end(), part.begin(), part.end());
    }
    for (const std::vector<std::size_t> &sizes :
         std::vector<std::vector<std::size_t>>{{1, 2, 3, 5, 70001}, {65537}, {4099, 1, 1, 300}, {7}}) {
        const Bytes plain = encode(in, sizes);
        QVERIFY(!plain.empty());
        QVERIFY(inflatesTo(plain, in));
        QVERIFY(encodeApart(in, sizes) == plain);
    }
    // A block with neither code nor input cannot be appended.
    Bytes out(64);
    RunDeflate coder;
    coder.begin(out.data(), out.size());
    RunDeflate::CodedBlock empty;
    empty.size = 10;
    QVERIFY(!coder.append(empty));
}

QTEST_APPLESS_MAIN(TestRunDeflate)
#include "test_rundeflate.moc"
