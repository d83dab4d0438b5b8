// Deterministic test pictures in the library's pixel layout (B, G, R, A; rows
// top to bottom, no padding). Never random: every picture is a function of its
// size and a seed, so a failing test fails the same way every time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testpic {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bytes;  // width * height * 4
    unsigned char *data() { return bytes.data(); }
    const unsigned char *data() const { return bytes.data(); }
    unsigned char *at(int x, int y) { return bytes.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
};

// A horizontal red ramp, a vertical green ramp and a diagonal blue ramp; alpha 255.
Picture gradient(int width, int height);
// Every pixel the same colour.
Picture uniform(int width, int height, unsigned char b, unsigned char g, unsigned char r, unsigned char a = 255);
// A sample of the RGB cube: steps^3 pixels in one row-major picture of width steps*steps.
Picture rgbCube(int steps);
// Pseudo-random bytes from a fixed-seed generator (alpha random too unless opaque).
Picture noise(int width, int height, uint32_t seed, bool opaque = true);
// A gradient whose alpha falls from 255 on the left to 0 on the right.
Picture withAlphaRamp(int width, int height);

// A grey ramp: B = G = R = x * 255 / (width - 1) on every row; alpha 255.
Picture greyRamp(int width, int height);
// A 256-entry byte table from a fixed-seed generator (a stand-in for any tone curve).
std::vector<unsigned char> byteTable(uint32_t seed);

// Why two pictures differ, or "" when they are byte for byte the same: a size
// mismatch, or the count of differing bytes, the first differing pixel and the
// largest difference.
std::string describeDifference(const Picture &expected, const Picture &actual);

// 64-bit FNV-1a digest of a byte range, for golden values.
uint64_t digest(const unsigned char *data, std::size_t size);
inline uint64_t digest(const Picture &p) { return digest(p.bytes.data(), p.bytes.size()); }

}  // namespace testpic
