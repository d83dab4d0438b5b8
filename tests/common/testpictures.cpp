// The deterministic test pictures declared in testpictures.h.
#include "testpictures.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace testpic {

Picture gradient(int width, int height)
{
    Picture p{width, height, std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 4)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char *px = p.at(x, y);
            px[0] = static_cast<unsigned char>(width + height > 2 ? (x + y) * 255 / (width + height - 2) : 0);
            px[1] = static_cast<unsigned char>(height > 1 ? y * 255 / (height - 1) : 0);
            px[2] = static_cast<unsigned char>(width > 1 ? x * 255 / (width - 1) : 0);
            px[3] = 255;
        }
    }
    return p;
}

Picture uniform(int width, int height, unsigned char b, unsigned char g, unsigned char r, unsigned char a)
{
    Picture p{width, height, std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 4)};
    for (std::size_t i = 0; i < p.bytes.size(); i += 4) {
        p.bytes[i] = b;
        p.bytes[i + 1] = g;
        p.bytes[i + 2] = r;
        p.bytes[i + 3] = a;
    }
    return p;
}

Picture rgbCube(int steps)
{
    Picture p{steps * steps, steps, std::vector<unsigned char>(static_cast<std::size_t>(steps) * steps * steps * 4)};
    const int div = steps > 1 ? steps - 1 : 1;
    std::size_t i = 0;
    for (int r = 0; r < steps; ++r)
        for (int g = 0; g < steps; ++g)
            for (int b = 0; b < steps; ++b) {
                p.bytes[i++] = static_cast<unsigned char>(b * 255 / div);
                p.bytes[i++] = static_cast<unsigned char>(g * 255 / div);
                p.bytes[i++] = static_cast<unsigned char>(r * 255 / div);
                p.bytes[i++] = 255;
            }
    return p;
}

Picture noise(int width, int height, uint32_t seed, bool opaque)
{
    Picture p{width, height, std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 4)};
    uint32_t state = seed ? seed : 0x9e3779b9u;
    for (std::size_t i = 0; i < p.bytes.size(); ++i) {
        // xorshift32: small, fast and the same on every platform
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        p.bytes[i] = static_cast<unsigned char>(state >> 24);
        if (opaque && i % 4 == 3)
            p.bytes[i] = 255;
    }
    return p;
}

Picture withAlphaRamp(int width, int height)
{
    Picture p = gradient(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.at(x, y)[3] = static_cast<unsigned char>(width > 1 ? 255 - x * 255 / (width - 1) : 255);
    return p;
}

Picture greyRamp(int width, int height)
{
    Picture p{width, height, std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 4)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char *px = p.at(x, y);
            px[0] = px[1] = px[2] = static_cast<unsigned char>(width > 1 ? x * 255 / (width - 1) : 0);
            px[3] = 255;
        }
    return p;
}

std::vector<unsigned char> byteTable(uint32_t seed)
{
    const Picture bytes = noise(64, 1, seed, false);  // 64 pixels = 256 bytes
    return bytes.bytes;
}

std::string describeDifference(const Picture &expected, const Picture &actual)
{
    if (expected.width != actual.width || expected.height != actual.height ||
        expected.bytes.size() != actual.bytes.size())
        return "size " + std::to_string(actual.width) + " x " + std::to_string(actual.height) + ", expected " +
               std::to_string(expected.width) + " x " + std::to_string(expected.height);
    std::size_t differing = 0, first = 0;
    int largest = 0;
    for (std::size_t i = 0; i < expected.bytes.size(); ++i) {
        const int d = std::abs(static_cast<int>(expected.bytes[i]) - static_cast<int>(actual.bytes[i]));
        if (d == 0)
            continue;
        if (differing++ == 0)
            first = i;
        largest = std::max(largest, d);
    }
    if (differing == 0)
        return "";
    const std::size_t pixel = first / 4;
    const int w = expected.width > 0 ? expected.width : 1;
    return std::to_string(differing) + " bytes differ; first at pixel (" + std::to_string(pixel % w) + ", " +
           std::to_string(pixel / w) + ") byte " + std::to_string(first % 4) + ": " +
           std::to_string(actual.bytes[first]) + ", expected " + std::to_string(expected.bytes[first]) +
           "; largest difference " + std::to_string(largest);
}

uint64_t digest(const unsigned char *data, std::size_t size)
{
    uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace testpic
