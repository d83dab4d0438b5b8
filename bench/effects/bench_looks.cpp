// Every effect id through Qtqveffect::effect on an 8-megapixel picture
// (3264 x 2448) with masks of the picture's size, single thread, beside a plain
// memcpy of the picture's buffer as the yardstick: a look made of table and
// blend steps should cost about one to two memcpy's a pass.
//
// Run briefly, e.g.: bench_looks --benchmark_min_time=0.2
#include "blendmodes.h"
#include "gaussianblur.h"
#include "levels.h"
#include "qtqveffect.h"
#include "sharpen.h"
#include "stylefilters.h"
#include "testpictures.h"
#include "tonesteps.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kW = 3264, kH = 2448;
constexpr std::size_t kBytes = static_cast<std::size_t>(kW) * kH * 4;

// A 600 x 600 texture (a gradient with some noise) stretched to the picture,
// as the engine stretches its resource textures.
testpic::Picture StretchedTexture(uint32_t seed)
{
    testpic::Picture small = testpic::gradient(600, 600);
    const testpic::Picture grain = testpic::noise(600, 600, seed, false);
    for (std::size_t i = 0; i < small.bytes.size(); ++i)
        small.bytes[i] = static_cast<unsigned char>(small.bytes[i] ^ (grain.bytes[i] >> 4));
    testpic::Picture big = testpic::uniform(kW, kH, 0, 0, 0);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            std::memcpy(big.at(x, y), small.at(x * 600 / kW, y * 600 / kH), 4);
    return big;
}

// The picture: smooth gradients with a little per-pixel noise (so that nearly
// every colour is different, as in a photograph).
testpic::Picture Photo()
{
    testpic::Picture p = testpic::gradient(kW, kH);
    const testpic::Picture grain = testpic::noise(kW, kH, 77);
    for (std::size_t i = 0; i < p.bytes.size(); ++i)
        if (i % 4 != 3)
            p.bytes[i] = static_cast<unsigned char>(std::min(255, p.bytes[i] + (grain.bytes[i] >> 5)));
    return p;
}

struct Fixture {
    testpic::Picture source = Photo();
    testpic::Picture work = source;
    testpic::Picture m1 = StretchedTexture(1);
    testpic::Picture m2 = StretchedTexture(2);
    testpic::Picture m3 = StretchedTexture(3);
    std::vector<unsigned char> table = std::vector<unsigned char>(196618);
    std::vector<unsigned char> tilt = std::vector<unsigned char>(819200);
    Fixture()
    {
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = static_cast<unsigned char>((i * 2654435761u) >> 24);
        for (std::size_t i = 0; i < tilt.size(); ++i)
            tilt[i] = static_cast<unsigned char>(i / 640 % 256);
    }
};

Fixture &F()
{
    static Fixture f;
    return f;
}

enum Overload { kOne = 1, kTwo, kThree, kFour, kFive };

void BM_Look(benchmark::State &state, int id, Overload overload)
{
    Fixture &f = F();
    Qtqveffect fx;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(f.work.data(), f.source.data(), kBytes);
        state.ResumeTiming();
        unsigned char *img = f.work.data();
        switch (overload) {
        case kOne: fx.effect(id, img, kW, kH); break;
        case kTwo: fx.effect(id, img, id == 1104 ? f.tilt.data() : f.m1.data(), kW, kH); break;
        case kThree: fx.effect(id, img, f.m1.data(), f.m2.data(), kW, kH); break;
        case kFour: fx.effect(id, img, f.m1.data(), f.m2.data(), f.m3.data(), kW, kH); break;
        case kFive: fx.effect(id, img, f.m1.data(), f.m2.data(), kW, kH, f.table.data(), 196618); break;
        }
        benchmark::DoNotOptimize(img);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

void BM_Memcpy(benchmark::State &state)
{
    Fixture &f = F();
    for (auto _ : state) {
        std::memcpy(f.work.data(), f.source.data(), kBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

void BM_TimeTunnel(benchmark::State &state)
{
    Fixture &f = F();
    Qtqveffect fx;
    testpic::Picture texture = testpic::noise(240, 240, 5, false);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(f.work.data(), f.source.data(), kBytes);
        state.ResumeTiming();
        std::unique_ptr<unsigned char[]> out(fx.effectShiGuangSuiDao(f.work.data(), texture.data(), kW, kH));
        benchmark::DoNotOptimize(out.get());
    }
}

void BM_WeakProcess(benchmark::State &state)
{
    Fixture &f = F();
    Qtqveffect fx;
    for (auto _ : state) {
        fx.WeakProcess(f.work.data(), f.m1.data(), f.m2.data(), kW, kH);
        benchmark::ClobberMemory();
    }
}

void BM_ColorfulFrame(benchmark::State &state)
{
    Fixture &f = F();
    Qtqveffect fx;
    for (auto _ : state) {
        fx.ColorfulFrame(f.work.data(), f.m1.data(), kW, kH, static_cast<int>(state.range(0)));
        benchmark::ClobberMemory();
    }
}

// The lower-floor steps the slow looks are made of, one whole-picture pass each.
void BM_Step(benchmark::State &state, int step)
{
    Fixture &f = F();
    unsigned char colour[4] = {56, 47, 47, 0};
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(f.work.data(), f.source.data(), kBytes);
        state.ResumeTiming();
        unsigned char *img = f.work.data();
        const std::size_t n = static_cast<std::size_t>(kW) * kH;
        switch (step) {
        case 0: Saturateconst(img, kW, kH, -35, 1); break;
        case 1: GaussianBlurFilterUtil::GetInst()->CreateBlurEffect(img, kW, kH, 7, 3.0, 3.0); break;
        case 2: { CSharp s; s.useEffect(img, kW, kH, 3, 0.5f); } break;
        case 3: for (std::size_t i = 0; i < n; ++i) NoiseEx(img + 4 * i, 20); break;
        case 4: for (std::size_t i = 0; i < n; ++i) ColorEx(img + 4 * i, colour, 0.8); break;
        case 5: for (std::size_t i = 0; i < n; ++i) ColorHSBEx(img + 4 * i, f.m1.data() + 4 * i, 0.6); break;
        case 6: AutoColorLevel(img, kW, kH, true); break;
        case 7: for (std::size_t i = 0; i < n; ++i) SoftLightEx(img + 4 * i, f.m1.data() + 4 * i, 0.5); break;
        }
        benchmark::ClobberMemory();
    }
}

const struct {
    const char *name;
    int id;
    Overload overload;
} kLooks[] = {
    {"1018_JinDian", 1018, kThree},        {"1019_Elegant", 1019, kOne},        {"1020_Film", 1020, kOne},
    {"1021_Retro", 1021, kOne},            {"1022_Cinnamon", 1022, kOne},       {"1023_Japanese", 1023, kOne},
    {"1026_OldPhoto", 1026, kTwo},         {"1027_Impression", 1027, kOne},     {"1028_BaoColor", 1028, kOne},
    {"1030_BrightRed", 1030, kTwo},        {"1031_NiuPiZhi", 1031, kFive},      {"1032_XuanCai", 1032, kFive},
    {"1033_LomoHDRJinDian", 1033, kOne},   {"1034_HeiBai", 1034, kOne},         {"1035_LomoHDR", 1035, kOne},
    {"1038_FanHuang", 1038, kFive},        {"1039_LiuJin", 1039, kOne},         {"1040_XiaoQingXin", 1040, kOne},
    {"1041_Warm", 1041, kThree},           {"1042_LomoChristmas", 1042, kTwo},  {"1043_LomoSnow", 1043, kTwo},
    {"1044_LomoNight", 1044, kTwo},        {"1045_LomoHalo", 1045, kTwo},       {"1046_LomoStar", 1046, kTwo},
    {"1047_Reverse", 1047, kTwo},          {"1048_FenHongJiaRen", 1048, kFour}, {"1101_Gray", 1101, kOne},
    {"1102_Riguanghaian", 1102, kTwo},     {"1104_YiZhou", 1104, kTwo},
};

const int kRegistered = [] {
    benchmark::RegisterBenchmark("memcpy_8MP", BM_Memcpy)->Unit(benchmark::kMillisecond);
    for (const auto &look : kLooks)
        benchmark::RegisterBenchmark((std::string("look_") + look.name).c_str(), BM_Look, look.id, look.overload)
            ->Unit(benchmark::kMillisecond);
    const char *steps[] = {"step_Saturateconst_HSL",  "step_RecursiveGaussian_3", "step_UnsharpMask_3",
                           "step_NoiseEx_per_pixel",  "step_ColorEx_per_pixel",   "step_ColorHSBEx_per_pixel",
                           "step_AutoColorLevel_analyse", "step_SoftLightEx_per_pixel"};
    for (int i = 0; i < 8; ++i)
        benchmark::RegisterBenchmark(steps[i], BM_Step, i)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("TimeTunnel", BM_TimeTunnel)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("WeakProcess", BM_WeakProcess)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ColorfulFrame", BM_ColorfulFrame)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
