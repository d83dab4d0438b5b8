#include "smoothscale.h"

#include "bandworkers.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace smoothscale {

namespace {

constexpr int kWeightBits = 14;
constexpr std::int64_t kOne = std::int64_t(1) << kWeightBits;
// Bits kept after the first (vertical) pass, so the second stays within 32 bits.
constexpr int kMidBits = 8;

// For each target position along one axis, the source positions it takes
// and their weights, which sum to exactly kOne.
struct Taps {
    std::vector<int> first, count, offset;
    std::vector<std::int32_t> weight;

    void add(int from, const std::vector<std::int64_t> &raw)
    {
        first.push_back(from);
        count.push_back(int(raw.size()));
        offset.push_back(int(weight.size()));
        // Rounded, the largest absorbing the remainder, so a flat area stays flat.
        std::int64_t sum = 0;
        std::size_t largest = 0;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            weight.push_back(std::int32_t(raw[i]));
            sum += raw[i];
            if (raw[i] > raw[largest])
                largest = i;
        }
        weight[offset.back() + largest] += std::int32_t(kOne - sum);
    }
};

Taps tapsFor(int from, int to)
{
    Taps taps;
    std::vector<std::int64_t> raw;
    for (int i = 0; i < to; ++i) {
        raw.clear();
        if (to < from) {
            // Target pixel i covers [i * from, (i + 1) * from) in units of
            // 1 / to; source pixel s covers [s * to, (s + 1) * to).
            const std::int64_t start = std::int64_t(i) * from, end = start + from;
            const int s0 = int(start / to), s1 = int((end - 1) / to);
            for (int s = s0; s <= s1; ++s) {
                const std::int64_t overlap =
                    std::min<std::int64_t>(end, std::int64_t(s + 1) * to) - std::max<std::int64_t>(start, std::int64_t(s) * to);
                raw.push_back((overlap * kOne + from / 2) / from);
            }
            taps.add(s0, raw);
        } else {
            // The target centre in source pixels, (2i + 1) from / 2to - 1/2,
            // in units of 1 / 2to; clamped to the edge pixels.
            const std::int64_t twoTo = 2 * std::int64_t(to);
            const std::int64_t at = (2 * std::int64_t(i) + 1) * from - to;
            if (at <= 0 || from == 1) {
                raw.push_back(kOne);
                taps.add(0, raw);
                continue;
            }
            const int s0 = int(at / twoTo);
            const std::int64_t frac = at - s0 * twoTo;
            if (s0 >= from - 1 || frac == 0) {
                raw.push_back(kOne);
                taps.add(std::min(s0, from - 1), raw);
                continue;
            }
            const std::int64_t w1 = (frac * kOne + twoTo / 2) / twoTo;
            raw.push_back(kOne - w1);
            raw.push_back(w1);
            taps.add(s0, raw);
        }
    }
    return taps;
}

}  // namespace

QImage scaled(const QImage &picture, QSize size)
{
    if (picture.isNull() || size.isEmpty())
        return {};
    // Straight alpha is premultiplied row by row below: the toolkit's own
    // conversion of a large picture runs on its shared threads too.
    const QImage::Format format = picture.format();
    const bool straight = format == QImage::Format_ARGB32;
    const QImage source = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied || straight
                              ? picture
                              : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (source.size() == size)
        return source;
    QImage out(size, source.format());
    if (out.isNull())
        return {};
    const int sw = source.width();
    const Taps across = tapsFor(sw, size.width());
    const Taps down = tapsFor(source.height(), size.height());

    const bool whole = bandworkers::forRows(size.height(), size.width(), [&](int firstRow, int endRow) {
        std::vector<std::int32_t> mid(std::size_t(sw) * 4);
        std::vector<QRgb> premultiplied(straight ? std::size_t(sw) : 0);
        for (int y = firstRow; y < endRow; ++y) {
            // Down the contributing source rows, for every source column.
            std::fill(mid.begin(), mid.end(), 0);
            for (int k = 0; k < down.count[y]; ++k) {
                const std::int32_t w = down.weight[down.offset[y] + k];
                const uchar *row = source.constScanLine(down.first[y] + k);
                if (straight) {
                    const QRgb *pixels = reinterpret_cast<const QRgb *>(row);
                    for (int x = 0; x < sw; ++x)
                        premultiplied[x] = qPremultiply(pixels[x]);
                    row = reinterpret_cast<const uchar *>(premultiplied.data());
                }
                for (int j = 0; j < sw * 4; ++j)
                    mid[j] += row[j] * w;
            }
            for (std::int32_t &v : mid)
                v = (v + (1 << (kWeightBits - kMidBits - 1))) >> (kWeightBits - kMidBits);
            // Across the contributing columns.
            uchar *target = out.scanLine(y);
            for (int x = 0; x < size.width(); ++x) {
                std::int32_t sum[4] = {0, 0, 0, 0};
                const std::int32_t *at = mid.data() + std::size_t(across.first[x]) * 4;
                const std::int32_t *w = across.weight.data() + across.offset[x];
                for (int k = 0; k < across.count[x]; ++k, at += 4)
                    for (int c = 0; c < 4; ++c)
                        sum[c] += at[c] * w[k];
                for (int c = 0; c < 4; ++c) {
                    const std::int32_t v = (sum[c] + (1 << (kWeightBits + kMidBits - 1))) >> (kWeightBits + kMidBits);
                    target[x * 4 + c] = uchar(std::clamp(v, 0, 255));
                }
            }
            if (straight) {
                QRgb *pixels = reinterpret_cast<QRgb *>(target);
                for (int x = 0; x < size.width(); ++x)
                    pixels[x] = qUnpremultiply(pixels[x]);
            }
        }
    });
    return whole ? out : QImage();
}

}  // namespace smoothscale
