// Frame files: blending, the compositor's geometry on worked frames, and the
// reader on well-formed, truncated and lying files.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "cframe.h"
#include "layoutwriters.h"
#include "testpictures.h"

using layoutwriters::FrameSpec;
using layoutwriters::LayoutFile;
using testpic::Picture;

namespace {

enum { LU, LD, RU, RD, UPT, DOWNT, LEFTT, RIGHTT };

// The one-by-one form of drawRect: every source pixel of the rectangle, each
// skipped when it falls outside the source or the destination.
void ReferenceDrawRect(Picture &dst, const Picture &src, int x, int y, QV2DRect r)
{
    for (int sy = r.top; sy < r.bottom; ++sy) {
        for (int sx = r.left; sx < r.right; ++sx) {
            const int dx = x + sx - r.left, dy = y + sy - r.top;
            if (sx < 0 || sy < 0 || sx >= src.width || sy >= src.height)
                continue;
            if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height)
                continue;
            const unsigned char *s = src.data() + (sy * src.width + sx) * 4;
            unsigned char *d = dst.at(dx, dy);
            const unsigned a = s[3];
            if (a == 0)
                continue;
            for (int c = 0; c < 3; ++c)
                d[c] = a == 255 ? s[c] : static_cast<unsigned char>((s[c] * a + d[c] * (255 - a)) >> 8);
            d[3] = 255;
        }
    }
}

const unsigned char *Px(const unsigned char *img, int width, int x, int y)
{
    return img + (static_cast<std::size_t>(y) * width + x) * 4;
}

bool SameColour(const unsigned char *p, const unsigned char *q)
{
    return p[0] == q[0] && p[1] == q[1] && p[2] == q[2];
}

bool IsWhite(const unsigned char *p) { return p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 255; }

// Reads the frame file plan describes into f.
int ReadPlan(cframe &f, const FrameSpec &plan)
{
    LayoutFile file = layoutwriters::WriteFrame(plan);
    return f.ReadFrameFile(file.data(), file.length());
}

// f refuses to frame a side x side photo: no buffer, and a size of 0 x 0.
::testing::AssertionResult RefusesComposite(cframe &f, int side)
{
    Picture photo = testpic::gradient(side, side);
    int w = -1, h = -1;
    if (f.GetCompositeImage(photo.data(), side, side, 1.0f, &w, &h) != nullptr)
        return ::testing::AssertionFailure() << "a buffer came back";
    if (w != 0 || h != 0)
        return ::testing::AssertionFailure() << "reported " << w << " x " << h;
    return ::testing::AssertionSuccess();
}

// A frame whose pieces are transparent except an opaque marker at their
// top-left pixel, so the photo shows everywhere it was drawn and each
// piece's placement is visible through its marker.
struct MarkedFrame {
    cframe frame;
    Picture piece[8];

    MarkedFrame(int corner, int tileLength, int inset)
    {
        FrameSpec plan = layoutwriters::SampleFrame();
        for (int32_t &v : plan.insets)
            v = inset;
        EXPECT_EQ(ReadPlan(frame, plan), 1);
        for (int i = 0; i < 8; ++i) {
            const int w = i < 4 ? corner : i < 6 ? tileLength : corner;
            const int h = i < 4 ? corner : i < 6 ? corner : tileLength;
            setPiece(i, testpic::uniform(w, h, 0, 0, 0, 0));
        }
    }
    void setPiece(int i, Picture p)
    {
        piece[i] = std::move(p);
        if (!piece[i].bytes.empty()) {
            unsigned char *m = piece[i].at(0, 0);
            m[0] = static_cast<unsigned char>(i);
            m[1] = 1;
            m[2] = 2;
            m[3] = 255;
        }
        frame.SetFrameImageData(i, piece[i].bytes.empty() ? nullptr : piece[i].data(), piece[i].width,
                                piece[i].height);
    }
    // The frame around a photo at scale 1: the composite (null when refused) and its size.
    struct Composite {
        uchar *out = nullptr;
        int w = 0, h = 0;
    };
    Composite compose(Picture &photo)
    {
        Composite c;
        c.out = frame.GetCompositeImage(photo.data(), photo.width, photo.height, 1.0f, &c.w, &c.h);
        return c;
    }
    bool markerAt(const unsigned char *img, int width, int i, int x, int y) const
    {
        const unsigned char *p = Px(img, width, x, y);
        return p[0] == i && p[1] == 1 && p[2] == 2;
    }
};

// Everything a caller can see of a frame's stored content.
struct FrameState {
    std::vector<std::vector<unsigned char>> bytes;
    std::vector<int> lengths;
    int insetW = 0, insetH = 0;

    bool operator==(const FrameState &) const = default;
};

FrameState Snapshot(cframe &f)
{
    FrameState s;
    for (int i = 0; i < 8; ++i) {
        int len = -1;
        uchar *p = f.GetFrameImage(i, len);
        s.lengths.push_back(len);
        s.bytes.push_back(p ? std::vector<unsigned char>(p, p + len) : std::vector<unsigned char>{});
    }
    // With PNG-only pieces (no decoded size) the composite of a 200 x 200
    // photo is 200 - a0 - a2 by 200 - b0 - b1: it shows the insets.
    Picture photo = testpic::gradient(200, 200);
    int w = 0, h = 0;
    f.GetCompositeImage(photo.data(), 200, 200, 1.0f, &w, &h);
    s.insetW = w;
    s.insetH = h;
    return s;
}

FrameSpec OtherFrame()
{
    FrameSpec s = layoutwriters::SampleFrame();
    for (int i = 0; i < 8; ++i) {
        s.insets[i] = 10 + i;
        s.piece[i].data.assign(11 + i, static_cast<unsigned char>(0x30 + i));
    }
    s.piece[5].flag = 0;
    return s;
}

}  // namespace

TEST(FrameBlend, OpaqueCopiesTransparentKeepsAndBetweenMixesByShiftOfEight)
{
    for (unsigned a : {0u, 1u, 127u, 128u, 200u, 254u, 255u}) {
        for (unsigned s = 0; s < 256; s += 5) {
            for (unsigned d = 0; d < 256; d += 3) {
                unsigned char src[4] = {static_cast<unsigned char>(s), static_cast<unsigned char>(255 - s), 7,
                                        static_cast<unsigned char>(a)};
                unsigned char dst[4] = {static_cast<unsigned char>(d), 9, static_cast<unsigned char>(255 - d), 40};
                const unsigned char before[4] = {dst[0], dst[1], dst[2], dst[3]};
                draw(dst, 1, 1, 0, 0, src, 1, 1);
                if (a == 0) {
                    EXPECT_EQ(0, std::memcmp(dst, before, 4));
                    continue;
                }
                for (int c = 0; c < 3; ++c) {
                    const unsigned expect = a == 255 ? src[c] : (src[c] * a + before[c] * (255 - a)) >> 8;
                    ASSERT_EQ(dst[c], expect) << "a=" << a << " s=" << s << " d=" << d << " c=" << c;
                }
                EXPECT_EQ(dst[3], 255);
            }
        }
    }
    // Division by 256: white half over white is not white.
    unsigned char src[4] = {255, 255, 255, 128}, dst[4] = {255, 255, 255, 255};
    draw(dst, 1, 1, 0, 0, src, 1, 1);
    EXPECT_EQ(dst[0], 254);
}

TEST(FrameBlend, ClippedPlacementsMatchThePixelByPixelForm)
{
    const Picture src = testpic::noise(13, 9, 7, /*opaque=*/false);
    const Picture base = testpic::gradient(20, 16);
    const QV2DRect rects[] = {{0, 0, 13, 9}, {2, 1, 11, 8}, {-4, -3, 20, 15}, {5, 5, 5, 9}, {8, 2, 3, 7}, {-30, -30, -10, -10}};
    for (const QV2DRect &r : rects) {
        for (int y = -12; y <= 18; y += 3) {
            for (int x = -15; x <= 22; x += 4) {
                Picture expect = base, got = base;
                ReferenceDrawRect(expect, src, x, y, r);
                drawRect(got.data(), got.width, got.height, const_cast<uchar *>(src.data()), src.width, src.height, x, y, r);
                ASSERT_EQ(got.bytes, expect.bytes) << "rect " << r.left << "," << r.top << " at " << x << "," << y;
                Picture whole = base, wholeRef = base;
                ReferenceDrawRect(wholeRef, src, x, y, QV2DRect{0, 0, src.width, src.height});
                draw(whole.data(), whole.width, whole.height, x, y, const_cast<uchar *>(src.data()), src.width, src.height);
                ASSERT_EQ(whole.bytes, wholeRef.bytes);
            }
        }
    }
    // Null buffers and empty sizes are no-ops.
    Picture d = base;
    draw(nullptr, 4, 4, 0, 0, const_cast<uchar *>(src.data()), 13, 9);
    draw(d.data(), d.width, d.height, 0, 0, nullptr, 13, 9);
    draw(d.data(), d.width, d.height, 0, 0, const_cast<uchar *>(src.data()), -3, 9);
    drawRect(d.data(), d.width, d.height, const_cast<uchar *>(src.data()), 13, 9, 0, 0, QV2DRect{0, 5, 13, 5});
    EXPECT_EQ(d.bytes, base.bytes);
}

TEST(FrameCompose, HundredPixelPhotoInFiftyPixelCornerFrame)
{
    MarkedFrame m(50, 10, 29);
    Picture photo = testpic::gradient(100, 100);
    const auto [out, w, h] = m.compose(photo);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(w, 140);
    ASSERT_EQ(h, 140);
    // rx = ry = 2: the photo loses one column and row each side and its
    // pixel (1, 1) lands at (50 - 29, 50 - 29).
    EXPECT_TRUE(SameColour(Px(out, w, 21, 21), photo.at(1, 1)));
    EXPECT_TRUE(SameColour(Px(out, w, 118, 118), photo.at(98, 98)));
    EXPECT_TRUE(SameColour(Px(out, w, 118, 21), photo.at(98, 1)));
    EXPECT_TRUE(IsWhite(Px(out, w, 20, 60)));
    EXPECT_TRUE(IsWhite(Px(out, w, 119, 60)));
    EXPECT_TRUE(IsWhite(Px(out, w, 60, 119)));
    // Corners at the four corners; four tiles along each side.
    EXPECT_TRUE(m.markerAt(out, w, LU, 0, 0));
    EXPECT_TRUE(m.markerAt(out, w, LD, 0, 90));
    EXPECT_TRUE(m.markerAt(out, w, RU, 90, 0));
    EXPECT_TRUE(m.markerAt(out, w, RD, 90, 90));
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(m.markerAt(out, w, UPT, 50 + 10 * k, 0)) << k;
        EXPECT_TRUE(m.markerAt(out, w, DOWNT, 50 + 10 * k, 90)) << k;
        EXPECT_TRUE(m.markerAt(out, w, LEFTT, 0, 50 + 10 * k)) << k;
        EXPECT_TRUE(m.markerAt(out, w, RIGHTT, 90, 50 + 10 * k)) << k;
    }
    EXPECT_FALSE(m.markerAt(out, w, UPT, 90, 0));
    EXPECT_FALSE(m.markerAt(out, w, LEFTT, 0, 90));
}

TEST(FrameCompose, PhotoThatFitsExactlyIsNotTrimmed)
{
    MarkedFrame m(50, 10, 29);
    Picture photo = testpic::gradient(98, 108);  // 98 - 58 = 40, 108 - 58 = 50
    const auto [out, w, h] = m.compose(photo);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(w, 98 + 100 - 58);
    EXPECT_EQ(h, 108 + 100 - 58);
    EXPECT_TRUE(SameColour(Px(out, w, 21, 21), photo.at(0, 0)));
    EXPECT_TRUE(SameColour(Px(out, w, 21 + 97, 21 + 107), photo.at(97, 107)));
}

TEST(FrameCompose, PhotoSmallerThanTheInsetsGetsNoTiles)
{
    MarkedFrame m(50, 10, 29);
    Picture photo = testpic::gradient(40, 40);  // 40 - 58 < 0: rx = -8
    const auto [out, w, h] = m.compose(photo);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(w, 90);
    EXPECT_EQ(h, 90);
    // The rectangle starts at column -4: photo column 0 lands 4 to the right.
    EXPECT_TRUE(SameColour(Px(out, w, 25, 25), photo.at(0, 0)));
    for (int x = 0; x < w; ++x)
        EXPECT_FALSE(m.markerAt(out, w, UPT, x, 0) || m.markerAt(out, w, DOWNT, x, 40)) << x;
}

TEST(FrameCompose, BottomRowStepsByTheTopTileWidth)
{
    MarkedFrame m(50, 10, 29);
    m.setPiece(DOWNT, testpic::uniform(6, 50, 200, 0, 0, 255));
    Picture photo = testpic::gradient(100, 100);
    const auto [out, w, h] = m.compose(photo);
    ASSERT_NE(out, nullptr);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(Px(out, w, 50 + 10 * k + 5, 139)[0], 200) << k;
        EXPECT_TRUE(IsWhite(Px(out, w, 50 + 10 * k + 6, 139))) << k;  // the gap
    }
}

TEST(FrameCompose, ScaleOtherThanOneRescalesTheStoredInsetsEachTime)
{
    MarkedFrame m(50, 10, 29);
    Picture photo = testpic::gradient(100, 100);
    int w = 0, h = 0;
    m.frame.GetCompositeImage(photo.data(), 100, 100, 1.0f, &w, &h);
    m.frame.GetCompositeImage(photo.data(), 100, 100, 1.0f, &w, &h);
    EXPECT_EQ(w, 140);  // 1.0 leaves the insets alone
    m.frame.GetCompositeImage(photo.data(), 100, 100, 0.5f, &w, &h);
    EXPECT_EQ(w, 170);  // insets (int)(0.5 + 14.5) = 15: 100 - 30 fits
    m.frame.GetCompositeImage(photo.data(), 100, 100, 0.5f, &w, &h);
    EXPECT_EQ(w, 180);  // 8 now: 100 - 16 = 84, rx = 4
    EXPECT_EQ(h, 180);
}

TEST(FrameCompose, EveryOutputPixelIsOpaque)
{
    MarkedFrame m(50, 10, 29);
    for (int i = 0; i < 8; ++i) {
        Picture p = testpic::withAlphaRamp(m.piece[i].width, m.piece[i].height);
        m.setPiece(i, std::move(p));
    }
    Picture photo = testpic::withAlphaRamp(123, 77);
    for (float scale : {1.0f, 0.7f}) {
        int w = 0, h = 0;
        uchar *out = m.frame.GetCompositeImage(photo.data(), photo.width, photo.height, scale, &w, &h);
        ASSERT_NE(out, nullptr);
        for (long i = 0; i < static_cast<long>(w) * h; ++i)
            ASSERT_EQ(out[i * 4 + 3], 255) << i;
    }
}

TEST(FrameCompose, MissingTilesComposeWithoutTilesAndBadPhotosAreRefused)
{
    MarkedFrame m(50, 10, 29);
    m.setPiece(UPT, Picture{});    // zero-width top tile
    m.setPiece(LEFTT, Picture{});  // zero-height side tile
    Picture photo = testpic::gradient(100, 100);
    int w = 0, h = 0;
    uchar *out = m.frame.GetCompositeImage(photo.data(), 100, 100, 1.0f, &w, &h);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(w, 142);  // no trim
    EXPECT_EQ(h, 142);
    EXPECT_TRUE(SameColour(Px(out, w, 21, 21), photo.at(0, 0)));
    for (int x = 0; x < w; ++x)
        EXPECT_FALSE(m.markerAt(out, w, DOWNT, x, 92)) << x;

    EXPECT_EQ(m.frame.GetCompositeImage(nullptr, 100, 100, 1.0f, &w, &h), nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(m.frame.GetCompositeImage(photo.data(), 0, 100, 1.0f, &w, &h), nullptr);
    EXPECT_EQ(m.frame.GetCompositeImage(photo.data(), 100, -1, 1.0f, &w, &h), nullptr);
    EXPECT_EQ(m.frame.GetCompositeImage(photo.data(), kFrameMaxSide + 1, 1, 1.0f, &w, &h), nullptr);
}

TEST(FrameCompose, AbsurdInsetsGiveNoBufferInsteadOfOverflow)
{
    FrameSpec plan = layoutwriters::SampleFrame();
    plan.insets[0] = -2147483647;  // top-left width inset
    plan.insets[1] = 2147483647;
    cframe f;
    ASSERT_EQ(ReadPlan(f, plan), 1);
    EXPECT_TRUE(RefusesComposite(f, 10));
    Picture photo = testpic::gradient(10, 10);
    int w = -1, h = -1;
    // Scaling saturates instead of overflowing the conversion; whatever the
    // insets become, a buffer that comes back has the size reported.
    for (float scale : {1e30f, -1e30f, 3.0f}) {
        uchar *out = f.GetCompositeImage(photo.data(), 10, 10, scale, &w, &h);
        if (out) {
            ASSERT_GE(w, 1);
            ASSERT_GE(h, 1);
            EXPECT_LE(static_cast<long long>(w) * h, kFrameMaxPixels);
            EXPECT_EQ(out[(static_cast<std::size_t>(w) * h - 1) * 4 + 3], 255);
        } else {
            EXPECT_EQ(w, 0);
        }
    }
}

TEST(FramePieces, SetFrameImageDataCopiesAndTreatsBadInputAsAnEmptyPiece)
{
    cframe f;
    Picture p = testpic::gradient(3, 2);
    f.SetFrameImageData(UPT, p.data(), 3, 2);
    int len = -1;
    uchar *stored = f.GetFrameImage(UPT, len);
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, p.data());
    EXPECT_EQ(0, std::memcmp(stored, p.data(), p.bytes.size()));

    f.SetFrameImageData(UPT, nullptr, 0, 0);  // what a failed decode hands over
    EXPECT_EQ(f.GetFrameImage(UPT, len), nullptr);
    f.SetFrameImageData(UPT, p.data(), -3, 2);
    EXPECT_EQ(f.GetFrameImage(UPT, len), nullptr);
    f.SetFrameImageData(UPT, nullptr, 3, 2);
    EXPECT_EQ(f.GetFrameImage(UPT, len), nullptr);
    f.SetFrameImageData(UPT, p.data(), kFrameMaxPieceSide + 1, 1);
    EXPECT_EQ(f.GetFrameImage(UPT, len), nullptr);
    f.SetFrameImageData(8, p.data(), 3, 2);  // out of range: ignored
    f.SetFrameImageData(-1, p.data(), 3, 2);
    EXPECT_EQ(f.GetFrameImage(8, len), nullptr);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(f.GetFrameImage(-1, len), nullptr);
}

TEST(FrameFile, WellFormedFileGivesEachPiecesPngBytes)
{
    FrameSpec plan = layoutwriters::SampleFrame();
    plan.piece[3].flag = 0;                 // absent
    plan.piece[6].flag = 2;                 // not 1: absent too
    plan.piece[7].declaredLength = -5;      // non-positive length: absent, no data
    plan.piece[7].data.clear();
    LayoutFile file = layoutwriters::WriteFrame(plan);
    cframe f;
    ASSERT_EQ(f.ReadFrameFile(file.data(), file.length()), 1);
    for (int i = 0; i < 8; ++i) {
        int len = -1;
        uchar *p = f.GetFrameImage(i, len);
        if (i == 3 || i == 6 || i == 7) {
            EXPECT_EQ(p, nullptr) << i;
            continue;
        }
        ASSERT_NE(p, nullptr) << i;
        ASSERT_EQ(len, static_cast<int>(plan.piece[i].data.size()));
        EXPECT_EQ(std::vector<unsigned char>(p, p + len), plan.piece[i].data) << i;
    }
    // Trailing bytes after the eighth record are ignored.
    file.bytes.insert(file.bytes.end(), 10, 0xEE);
    EXPECT_EQ(f.ReadFrameFile(file.data(), file.length()), 1);
}

TEST(FrameFile, AbsentPieceOfANewFileIsReleased)
{
    cframe f;
    LayoutFile a = layoutwriters::WriteFrame(layoutwriters::SampleFrame());
    ASSERT_EQ(f.ReadFrameFile(a.data(), a.length()), 1);
    LayoutFile b = layoutwriters::WriteFrame(OtherFrame());
    ASSERT_EQ(f.ReadFrameFile(b.data(), b.length()), 1);
    int len = 0;
    EXPECT_EQ(f.GetFrameImage(5, len), nullptr);
    ASSERT_NE(f.GetFrameImage(4, len), nullptr);
    EXPECT_EQ(len, 15);
}

TEST(FrameFile, EveryTruncationIsRefusedByReadAndStopsDecode)
{
    const FrameSpec first = layoutwriters::SampleFrame();
    LayoutFile a = layoutwriters::WriteFrame(first);
    const LayoutFile b = layoutwriters::WriteFrame(OtherFrame());

    std::vector<std::size_t> cuts = b.boundaries;
    cuts.insert(cuts.end(), b.middles.begin(), b.middles.end());
    for (std::size_t cut = 0; cut < 80; cut += 7)
        cuts.push_back(cut);
    cuts.push_back(1);
    cuts.push_back(79);
    for (std::size_t cut : cuts) {
        if (cut >= b.bytes.size())
            continue;
        SCOPED_TRACE(cut);
        std::vector<unsigned char> part = b.prefix(cut);
        cframe f;
        ASSERT_EQ(f.ReadFrameFile(a.data(), a.length()), 1);
        const FrameState before = Snapshot(f);
        EXPECT_EQ(f.ReadFrameFile(part.data(), static_cast<int>(part.size())), 0);
        EXPECT_TRUE(Snapshot(f) == before);

        // Decode takes the complete records before the cut and keeps the rest.
        EXPECT_EQ(f.DecodeFrameFile(part.data(), static_cast<int>(part.size())), 1);
        int complete = 0;
        while (complete < 8 && b.boundaries[complete + 1] <= cut)
            ++complete;
        if (cut < 80)
            complete = 0;
        const FrameSpec other = OtherFrame();
        for (int i = 0; i < 8; ++i) {
            int len = 0;
            uchar *p = f.GetFrameImage(i, len);
            const layoutwriters::FramePiece &want = i < complete ? other.piece[i] : first.piece[i];
            if (want.flag != 1) {
                EXPECT_EQ(p, nullptr) << i;
                continue;
            }
            ASSERT_NE(p, nullptr) << i;
            EXPECT_EQ(std::vector<unsigned char>(p, p + len), want.data) << i;
        }
    }
}

TEST(FrameFile, LengthsPastTheEndAndHugeLengthsAreRefused)
{
    const FrameSpec good = layoutwriters::SampleFrame();
    LayoutFile goodFile = layoutwriters::WriteFrame(good);
    for (int32_t lie : {1000, 0x7fffffff, kFrameMaxPieceBytes + 1}) {
        for (int piece : {0, 4, 7}) {
            SCOPED_TRACE(testing::Message() << lie << " at piece " << piece);
            FrameSpec plan = OtherFrame();
            plan.piece[5].flag = 1;
            plan.piece[piece].declaredLength = lie;
            LayoutFile bad = layoutwriters::WriteFrame(plan);
            cframe f;
            ASSERT_EQ(f.ReadFrameFile(goodFile.data(), goodFile.length()), 1);
            const FrameState before = Snapshot(f);
            EXPECT_EQ(f.ReadFrameFile(bad.data(), bad.length()), 0);
            EXPECT_TRUE(Snapshot(f) == before);
            // Decode stops at the lying record: it and the pieces after it stay.
            EXPECT_EQ(f.DecodeFrameFile(bad.data(), bad.length()), 1);
            for (int i = 0; i < 8; ++i) {
                int len = 0;
                uchar *p = f.GetFrameImage(i, len);
                ASSERT_NE(p, nullptr);
                const auto &want = i < piece ? plan.piece[i].data : good.piece[i].data;
                EXPECT_EQ(std::vector<unsigned char>(p, p + len), want) << i;
            }
        }
    }
    cframe f;
    EXPECT_EQ(f.ReadFrameFile(goodFile.data(), 0), 0);
    EXPECT_EQ(f.ReadFrameFile(nullptr, 100), 0);
    EXPECT_EQ(f.ReadFrameFile(goodFile.data(), -4), 0);
    EXPECT_EQ(f.DecodeFrameFile(nullptr, 100), 1);
    int len = 0;
    EXPECT_EQ(f.GetFrameImage(0, len), nullptr);
}

TEST(FrameCompose, CompositeSidesFarBeyondTheCapAreRefusedBeforeTheirProduct)
{
    // Insets of -1.8e9 on each side make both sides about 3.6e9 pixels: their
    // product does not even fit 64 bits.
    FrameSpec plan = layoutwriters::SampleFrame();
    for (int32_t &v : plan.insets)
        v = -1800000000;
    cframe f;
    ASSERT_EQ(ReadPlan(f, plan), 1);
    EXPECT_TRUE(RefusesComposite(f, 8));
}
