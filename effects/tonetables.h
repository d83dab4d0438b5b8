// The tone tables of the one-touch looks.
//
// Each look's table is given by nine points, its outputs at the inputs 0, 32,
// 64, 96, 128, 160, 192, 224 and 255; the 256 entries between them follow the
// library's own tone curve through those points (SFCurve::getBezierPoints, a
// cubic spline through every point), so each table passes exactly through its
// nine values, the small dips of some tables included. The tables are built
// once, on first use, and are constant afterwards (safe to read from any
// thread once built; building is guarded by the static initialiser).
//
// Looks with one table for all three channels have the same entries in red,
// green and blue; looks that share tables share one ToneLook.
#pragma once

#include "qtqveffect_export.h"

enum class ToneLook : int {
    JinDian,        // single; StyleJinDian and StyleXuanCai
    Film,           // R / G / B
    XiaoQingXin,    // R / G / B
    Japanese,       // R / G / B
    Rouguang,       // single
    LomoNight,      // single; StyleLomoNight and StyleLomoHalo
    LomoSnow,       // R / G / B
    LomoChristmas,  // R / G / B
    BrightRed,      // R / G = B
    Reverse,        // R / G / B
    FanHuang,       // single
    Riguanghaian,   // R / G / B
    LomoHDR,        // R / G / B; StyleLomoHDR and StyleLomoHDRJinDian
    YiZhou,         // single
    Warm,           // R / G / B
    HeiBai,         // R = G / B
    Elegant,        // R / G / B
    Impression,     // R / G / B
    Retro,          // R / G / B
};

inline constexpr int kToneLookCount = static_cast<int>(ToneLook::Retro) + 1;

// The inputs of the nine points.
inline constexpr int kTonePointInputs[9] = {0, 32, 64, 96, 128, 160, 192, 224, 255};

struct ToneTables {
    unsigned char red[256];
    unsigned char green[256];
    unsigned char blue[256];
};

struct TonePoints {
    const char *name;
    unsigned char red[9];
    unsigned char green[9];
    unsigned char blue[9];
};

// The 256-entry tables of a look (built on the first call).
QTQVEFFECT_EXPORT const ToneTables &GetToneTables(ToneLook look);
// The nine points a look's tables were built from.
QTQVEFFECT_EXPORT const TonePoints &GetTonePoints(ToneLook look);
