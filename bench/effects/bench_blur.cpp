// Blurs, sharpening and the adjustment tools on an 8-megapixel picture
// (3264 x 2448, 4 bytes a pixel), one thread. The *Straightforward benchmarks
// run the tests' reference forms of the two blurs for comparison.

#include "colorbalance.h"
#include "curves.h"
#include "gaussianblur.h"
#include "levels.h"
#include "sharpen.h"

#include "../../tests/effects/test_gaussianblur_reference.h"
#include "../../tests/effects/test_sharpen_reference.h"
#include "testpictures.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kWidth = 3264;
constexpr int kHeight = 2448;

const testpic::Picture &photo()
{
    static const testpic::Picture p = [] {
        // Smooth content with some noise, like a photograph.
        testpic::Picture g = testpic::gradient(kWidth, kHeight);
        const testpic::Picture n = testpic::noise(kWidth, kHeight, 2024);
        for (std::size_t i = 0; i < g.bytes.size(); ++i)
            g.bytes[i] = static_cast<unsigned char>((3 * g.bytes[i] + n.bytes[i]) / 4);
        return g;
    }();
    return p;
}

void SetPixels(benchmark::State &state)
{
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// The recursion's cost does not depend on the picture, so it runs in place.
void BM_CreateBlurEffect(benchmark::State &state)
{
    const double sigma = static_cast<double>(state.range(0));
    testpic::Picture p = photo();
    for (auto _ : state) {
        GaussianBlurFilterUtil::GetInst()->CreateBlurEffect(p.data(), kWidth, kHeight, 7, sigma, sigma);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_CreateBlurEffect)->Arg(9)->Arg(3)->Arg(30)->Unit(benchmark::kMillisecond);

void BM_CreateBlurEffectStraightforward(benchmark::State &state)
{
    testpic::Picture p = photo();
    for (auto _ : state) {
        gaussref::CreateBlurEffect(p.data(), kWidth, kHeight, 9, 9);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_CreateBlurEffectStraightforward)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_GetBlur(benchmark::State &state)
{
    const int radius = static_cast<int>(state.range(0));
    std::vector<unsigned char> out(photo().bytes.size());
    for (auto _ : state) {
        CSharp sharp;
        sharp.GetBlur(photo().data(), out.data(), kWidth, kHeight, radius, 7, false);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_GetBlur)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_GetBlurStraightforward(benchmark::State &state)
{
    std::vector<unsigned char> out(photo().bytes.size());
    for (auto _ : state) {
        sharpref::Blur(photo().data(), out.data(), kWidth, kHeight, 1);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_GetBlurStraightforward)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_UseEffect(benchmark::State &state)
{
    testpic::Picture p = photo();
    for (auto _ : state) {
        CSharp sharp;
        sharp.useEffect(p.data(), kWidth, kHeight, 3, 0.5f);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_UseEffect)->Unit(benchmark::kMillisecond);

void BM_AutoColorLevel(benchmark::State &state)
{
    testpic::Picture p = photo();
    for (auto _ : state) {
        AutoColorLevel(p.data(), kWidth, kHeight, true);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_AutoColorLevel)->Unit(benchmark::kMillisecond);

void BM_CColorBalance(benchmark::State &state)
{
    const bool preserve = state.range(0) != 0;
    testpic::Picture p = photo();
    for (auto _ : state) {
        CColorBalance(preserve, TONE_MIDTONES, 14, 26, 41, p.data(), kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_CColorBalance)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ApplyCurve(benchmark::State &state)
{
    testpic::Picture p = photo();
    SFCurve curve;
    _POINT points[4] = {{0, 0}, {83, 72}, {163, 184}, {255, 255}};
    curve.GetCurveByPoints(points, 4, CHANNEL_COMPOSITE);
    for (auto _ : state) {
        curve.ApplyCurve(CHANNEL_COMPOSITE, p.data(), kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}
BENCHMARK(BM_ApplyCurve)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
