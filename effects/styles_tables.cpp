// Looks driven by a blend table file (three precomputed 256 x 256 two-operand
// blends): NiuPiZhi, XuanCai, FanHuang, Rouguang. The file is indexed where it
// lies; nothing is copied.
#include "stylefilters.h"

#include "styles_shared.h"
#include "tonesteps.h"

using styles::ApplyTone;
using styles::BlendTables;
using styles::PixelCount;

namespace {

// The frame of the three-layer table looks: the picture desaturated by
// `desaturate` (HSL mode) unless that is 0, then pixel(px, s, t, tables) for
// each pixel with its pixels of the second and third layers.
template <typename Pixel>
void TableLook(unsigned char *image, const unsigned char *second, const unsigned char *third, int width, int height,
               const unsigned char *table, int desaturate, Pixel pixel)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    if (desaturate != 0)
        Saturateconst(image, width, height, desaturate, 1);
    const BlendTables T(table);
    for (std::size_t i = 0; i < n; ++i)
        pixel(image + 4 * i, second + 4 * i, third + 4 * i, T);
}

}  // namespace

void StyleNiuPiZhi(unsigned char *image, unsigned char *second, unsigned char *third, int width, int height,
                   const unsigned char *table)
{
    static constexpr unsigned kColumn[3] = {100, 10, 14};  // the first table's column for B, G, R
    TableLook(image, second, third, width, height, table, -35,
              [](unsigned char *px, const unsigned char *s, const unsigned char *t, const BlendTables &T) {
                  for (int c = 0; c < 3; ++c) {
                      unsigned v = T.at(0, px[c], kColumn[c]);
                      v = T.at(1, v, s[c]);
                      px[c] = T.at(2, v, t[c]);
                  }
              });
}

void StyleXuanCai(unsigned char *image, unsigned char *second, unsigned char *third, int width, int height,
                  const unsigned char *table)
{
    const ToneTables tone = GetToneTables(ToneLook::JinDian);
    TableLook(image, second, third, width, height, table, 0,
              [&tone](unsigned char *px, const unsigned char *s, const unsigned char *t, const BlendTables &T) {
                  for (int c = 0; c < 3; ++c) {
                      unsigned v = T.at(0, px[c], px[c]);
                      v = T.at(1, v, s[c]);
                      v = T.at(2, v, t[c]);
                      px[c] = tone.red[v];  // the single table
                  }
              });
}

void StyleFanHuang(unsigned char *image, unsigned char *second, unsigned char *third, int width, int height,
                   const unsigned char *table)
{
    const ToneTables tone = GetToneTables(ToneLook::FanHuang);
    static constexpr unsigned kLastColumn[3] = {8, 8, 48};  // B, G, R
    TableLook(image, second, third, width, height, table, -30,
              [&tone](unsigned char *px, const unsigned char *s, const unsigned char *t, const BlendTables &T) {
                  ApplyTone(px, tone);
                  for (int c = 0; c < 3; ++c) {
                      unsigned v = T.at(0, px[c], s[c]);
                      v = T.at(1, v, t[c]);
                      px[c] = T.at(2, v, kLastColumn[c]);
                  }
              });
}

void StyleRouguang(unsigned char *image, unsigned char *second, int width, int height, const unsigned char *table)
{
    const std::size_t n = PixelCount(width, height);
    const BlendTables T(table);
    const ToneTables tone = GetToneTables(ToneLook::Rouguang);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        unsigned char *s = second + 4 * i;
        ApplyTone(s, tone);  // second is toned in place
        px[2] = T.at(0, s[2], px[2]);
        px[1] = T.at(1, s[1], px[1]);
        px[0] = T.at(2, s[0], px[0]);
    }
}
