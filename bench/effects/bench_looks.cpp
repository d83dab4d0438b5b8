// Every effect id through Qtqveffect::effect on an 8-megapixel picture
// (3264 x 2448) with masks of the picture's size, single thread, beside a plain
// memcpy of the picture's buffer as the yardstick: a look made of table and
// blend steps should cost about one to two memcpy's a pass.
//
// Run briefly, e.g.: bench_looks --benchmark_min_time=0.2
#include "qtqveffect.h"
#include "stylefilters.h"
#include "testpictures.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kW = 3264, kH = 2448;
constexpr std::size_t kBytes = static_cast<std::size_t>(kW) * kH * 4;

struct Fixture {
    testpic::Picture source = testpic::gradient(kW, kH);
    testpic::Picture work = source;
    testpic::Picture m1 = testpic::noise(kW, kH, 1, false);
    testpic::Picture m2 = testpic::noise(kW, kH, 2, false);
    testpic::Picture m3 = testpic::noise(kW, kH, 3, false);
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
    benchmark::RegisterBenchmark("TimeTunnel", BM_TimeTunnel)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("WeakProcess", BM_WeakProcess)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ColorfulFrame", BM_ColorfulFrame)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
