// Speed of the pixel primitives over an 8-megapixel picture (3264 x 2448, the
// camera's full size), single-threaded. A plain memcpy of the same buffer is
// the floor; the table pass (Lut) should stay within twice that time.

#include "blendmodes.h"
#include "simd.h"
#include "tonesteps.h"

#include "testpictures.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 3264;
constexpr int kHeight = 2448;
constexpr std::size_t kBytes = static_cast<std::size_t>(kWidth) * kHeight * 4;

const testpic::Picture &photo()
{
    static const testpic::Picture p = testpic::noise(kWidth, kHeight, 2448, true);
    return p;
}

const testpic::Picture &texture()
{
    static const testpic::Picture p = testpic::gradient(kWidth, kHeight);
    return p;
}

// A permutation of 0..255, so repeated passes keep the picture as varied as it started.
std::vector<unsigned char> permutation()
{
    std::vector<unsigned char> t(256);
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>((i * 167 + 13) & 255);
    return t;
}

void report(benchmark::State &state)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

// Runs step on a fresh copy of the photo each time; the copy is not timed.
template <typename Step>
void runOnCopy(benchmark::State &state, Step step)
{
    std::vector<unsigned char> buf(photo().bytes);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(buf.data(), photo().bytes.data(), kBytes);
        state.ResumeTiming();
        step(buf.data());
        benchmark::ClobberMemory();
    }
    report(state);
}

void BM_Memcpy(benchmark::State &state)
{
    std::vector<unsigned char> dst(kBytes);
    const unsigned char *src = photo().bytes.data();
    for (auto _ : state) {
        std::memcpy(dst.data(), src, kBytes);
        benchmark::ClobberMemory();
    }
    report(state);
}

void BM_LutPlainBytes(benchmark::State &state)
{
    // the straightforward pass that Lut's fast form replaces, for comparison
    std::vector<unsigned char> buf(photo().bytes);
    const std::vector<unsigned char> table = permutation();
    for (auto _ : state) {
        unsigned char *p = buf.data();
        for (std::size_t i = 0; i < kBytes; i += 4) {
            p[i] = table[p[i]];
            p[i + 1] = table[p[i + 1]];
            p[i + 2] = table[p[i + 2]];
        }
        benchmark::ClobberMemory();
    }
    report(state);
}

void BM_Lut(benchmark::State &state)
{
    std::vector<unsigned char> buf(photo().bytes);
    std::vector<unsigned char> table = permutation();
    for (auto _ : state) {
        Lut(buf.data(), kWidth, kHeight, table.data());
        benchmark::ClobberMemory();
    }
    report(state);
}

// Lut in the plain form it takes where the byte permutes are not allowed
// (processors without AVX-512 VBMI, or QTQVEFFECT_SIMD below it).
void BM_LutPlainForm(benchmark::State &state)
{
    std::vector<unsigned char> buf(photo().bytes);
    std::vector<unsigned char> table = permutation();
    const qvfx::simd::Level before = qvfx::simd::setCap(qvfx::simd::kAvx2);
    for (auto _ : state) {
        Lut(buf.data(), kWidth, kHeight, table.data());
        benchmark::ClobberMemory();
    }
    qvfx::simd::setCap(before);
    report(state);
}

void BM_LutEx(benchmark::State &state)
{
    std::vector<unsigned char> buf(photo().bytes);
    std::vector<unsigned char> r = permutation(), g = permutation(), b = permutation();
    for (auto _ : state) {
        LutEx(buf.data(), kWidth, kHeight, r.data(), g.data(), b.data(), nullptr);
        benchmark::ClobberMemory();
    }
    report(state);
}

void BM_Light(benchmark::State &state)
{
    runOnCopy(state, [](unsigned char *p) { Light(p, kWidth, kHeight, 20, 30); });
}

void BM_SaturateconstMatrix(benchmark::State &state)
{
    runOnCopy(state, [](unsigned char *p) { Saturateconst(p, kWidth, kHeight, 30); });
}

void BM_SaturateconstHsl(benchmark::State &state)
{
    runOnCopy(state, [](unsigned char *p) { Saturateconst(p, kWidth, kHeight, 30, 1); });
}

void BM_SaturateconstYuv(benchmark::State &state)
{
    runOnCopy(state, [](unsigned char *p) { Saturateconst(p, kWidth, kHeight, 30, 2); });
}

template <void (*Blend)(unsigned char *, unsigned char *, double)>
void BM_BlendLoop(benchmark::State &state)
{
    const double opacity = static_cast<double>(state.range(0)) / 100.0;
    std::vector<unsigned char> layer(texture().bytes);
    runOnCopy(state, [&](unsigned char *p) {
        unsigned char *l = layer.data();
        for (std::size_t i = 0; i < kBytes; i += 4)
            Blend(p + i, l + i, opacity);
    });
}

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_LutPlainBytes)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Lut)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_LutPlainForm)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_LutEx)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Light)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_SaturateconstMatrix)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_SaturateconstHsl)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_SaturateconstYuv)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK_TEMPLATE(BM_BlendLoop, ScreenEx)->Arg(100)->Arg(80)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK_TEMPLATE(BM_BlendLoop, SoftLightEx)->Arg(100)->Unit(benchmark::kMillisecond)->MinTime(0.5);

BENCHMARK_MAIN();
