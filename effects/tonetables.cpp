// The tone tables of the one-touch looks: nine points each, expanded once to
// 256 entries with the library's tone curve.
#include "tonetables.h"

#include "curves.h"

#include <array>

namespace {

// Outputs at 0, 32, 64, 96, 128, 160, 192, 224, 255 (red / green / blue).
#define ZN_SINGLE(...) {__VA_ARGS__}, {__VA_ARGS__}, {__VA_ARGS__}

constexpr TonePoints kPoints[kToneLookCount] = {
    {"JinDian", ZN_SINGLE(0, 44, 87, 126, 160, 189, 213, 235, 255)},
    {"Film",
     {19, 30, 59, 99, 144, 186, 221, 245, 255},
     {37, 47, 73, 111, 151, 190, 222, 245, 255},
     {51, 60, 81, 112, 149, 188, 220, 245, 255}},
    {"XiaoQingXin",
     {40, 49, 109, 157, 181, 197, 204, 204, 204},
     {61, 69, 136, 174, 196, 209, 215, 216, 216},
     {1, 2, 46, 109, 162, 192, 204, 209, 209}},
    {"Japanese",
     {22, 39, 71, 105, 131, 150, 165, 181, 196},
     {10, 36, 85, 118, 140, 159, 181, 203, 224},
     {0, 6, 54, 108, 141, 168, 201, 236, 246}},
    {"Rouguang", ZN_SINGLE(0, 4, 12, 25, 40, 58, 79, 102, 128)},
    {"LomoNight", ZN_SINGLE(0, 46, 88, 126, 160, 190, 216, 238, 255)},
    {"LomoSnow",
     {0, 37, 74, 109, 142, 173, 202, 230, 255},
     {0, 49, 94, 133, 168, 197, 222, 241, 255},
     {0, 56, 106, 148, 184, 212, 234, 248, 255}},
    {"LomoChristmas",
     {0, 37, 73, 108, 141, 172, 202, 229, 255},
     {0, 48, 93, 133, 167, 197, 222, 241, 255},
     {0, 56, 106, 148, 184, 212, 234, 248, 255}},
    {"BrightRed",
     {0, 36, 90, 137, 176, 205, 230, 252, 255},
     {0, 26, 73, 117, 156, 190, 219, 247, 255},
     {0, 26, 73, 117, 156, 190, 219, 247, 255}},
    {"Reverse",
     {0, 0, 20, 85, 164, 222, 250, 255, 255},
     {0, 0, 20, 85, 163, 222, 250, 255, 255},
     {24, 28, 74, 109, 142, 170, 200, 229, 229}},
    {"FanHuang", ZN_SINGLE(2, 22, 63, 105, 146, 183, 213, 239, 255)},
    {"Riguanghaian",
     {0, 36, 76, 114, 152, 178, 205, 230, 255},
     {0, 31, 61, 96, 134, 164, 195, 226, 255},
     {0, 22, 43, 66, 88, 120, 152, 197, 255}},
    {"LomoHDR",
     {0, 7, 56, 102, 144, 179, 209, 233, 255},
     {0, 6, 54, 99, 140, 175, 205, 232, 255},
     {0, 35, 70, 106, 139, 171, 200, 228, 255}},
    {"YiZhou", ZN_SINGLE(0, 4, 30, 102, 194, 235, 250, 254, 255)},
    {"Warm",
     {35, 65, 91, 118, 146, 172, 199, 228, 252},
     {0, 32, 59, 90, 120, 150, 179, 210, 238},
     {20, 43, 64, 86, 107, 129, 152, 172, 191}},
    {"HeiBai",
     {0, 0, 65, 129, 180, 216, 237, 249, 255},
     {0, 0, 65, 129, 180, 216, 237, 249, 255},
     {0, 0, 36, 100, 160, 206, 234, 248, 255}},
    {"Elegant",
     {7, 38, 68, 98, 128, 159, 189, 219, 249},
     {20, 47, 73, 99, 124, 151, 177, 198, 198},
     {42, 62, 81, 101, 121, 141, 160, 180, 199}},
    {"Impression",
     {24, 52, 85, 117, 158, 183, 195, 209, 224},
     {43, 73, 104, 140, 176, 197, 209, 220, 236},
     {66, 86, 106, 133, 164, 194, 210, 225, 236}},
    {"Retro",
     {0, 18, 55, 101, 149, 191, 225, 246, 254},
     {20, 46, 75, 107, 138, 167, 193, 216, 235},
     {63, 80, 96, 112, 129, 145, 161, 177, 192}},
};

#undef ZN_SINGLE

// One channel: the tone curve through the nine points.
void expand(SFCurve &curve, const unsigned char (&at)[9], unsigned char (&table)[256])
{
    _POINT points[9];
    for (int i = 0; i < 9; ++i) {
        points[i].x = kTonePointInputs[i];
        points[i].y = at[i];
    }
    curve.getBezierPoints(points, 9, table);
}

std::array<ToneTables, kToneLookCount> build()
{
    std::array<ToneTables, kToneLookCount> all{};
    SFCurve curve;
    for (int k = 0; k < kToneLookCount; ++k) {
        expand(curve, kPoints[k].red, all[k].red);
        expand(curve, kPoints[k].green, all[k].green);
        expand(curve, kPoints[k].blue, all[k].blue);
    }
    return all;
}

}  // namespace

const ToneTables &GetToneTables(ToneLook look)
{
    static const std::array<ToneTables, kToneLookCount> all = build();
    return all[static_cast<int>(look)];
}

const TonePoints &GetTonePoints(ToneLook look)
{
    return kPoints[static_cast<int>(look)];
}
