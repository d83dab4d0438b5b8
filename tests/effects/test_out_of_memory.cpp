// Without memory the library says so by its result and leaves nothing behind
// that a caller could mistake for the finished work. The allocations are made
// to fail by asking for more than any machine has, or by capping the address
// space; under AddressSanitizer (which stops the process instead of failing an
// allocation) these tests are skipped.
#include "qtqveffect.h"
#include "stylefilters.h"
#include "tonesteps.h"

#include "testpictures.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// A size whose 4-byte picture (4 PiB) no allocation can give.
constexpr int kHugeWidth = 1 << 30, kHugeHeight = 1 << 20;

// Caps the address space at what the process uses now plus headroom, for the
// lifetime of the object.
class AddressSpaceCap
{
public:
    explicit AddressSpaceCap(std::size_t headroom)
    {
        getrlimit(RLIMIT_AS, &saved_);
        std::size_t pages = 0;
        if (FILE *f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%zu", &pages) != 1)
                pages = 0;
            std::fclose(f);
        }
        if (pages == 0)
            return;
        rlimit capped = saved_;
        capped.rlim_cur = pages * 4096 + headroom;
        active_ = setrlimit(RLIMIT_AS, &capped) == 0;
    }
    ~AddressSpaceCap() { setrlimit(RLIMIT_AS, &saved_); }
    bool active() const { return active_; }

private:
    rlimit saved_{};
    bool active_ = false;
};

}  // namespace

TEST(OutOfMemory, ResampleReleasesTheOldBufferAndGivesNull)
{
    if (kSanitized)
        GTEST_SKIP() << "AddressSanitizer stops on a failed allocation";
    unsigned char *buffer = new unsigned char[2 * 2 * 4]();
    Resample(kHugeWidth, kHugeHeight, &buffer, 2, 2);
    EXPECT_EQ(buffer, nullptr) << "the buffer was left at its old size";
    unsigned char *bytes = new unsigned char[2 * 2]();
    RampleBit(kHugeWidth, kHugeHeight, &bytes, 2, 2, 1);
    EXPECT_EQ(bytes, nullptr);
}

TEST(OutOfMemory, TunnelGivesNoResultAndLeavesThePicture)
{
    if (kSanitized)
        GTEST_SKIP() << "AddressSanitizer stops on a failed allocation";
    // The texture cannot be stretched to the (claimed) size: no result, and
    // the picture (far smaller than claimed) is not touched.
    testpic::Picture texture = testpic::noise(240, 240, 3);
    testpic::Picture image = testpic::noise(4, 4, 4);
    const testpic::Picture before = image;
    EXPECT_EQ(StyleChuanYue1(image.data(), texture.data(), kHugeWidth, kHugeHeight), nullptr);
    EXPECT_EQ(image.bytes, before.bytes);
}

TEST(OutOfMemory, SharpInitGivesNullWhenItsBlurCannotBeMade)
{
    if (kSanitized)
        GTEST_SKIP() << "AddressSanitizer stops on a failed allocation";
    // One row of 8M pixels: the copy (32 MiB) fits under the cap, the blur's
    // seven rows (224 MiB) do not.
    constexpr int width = 8 << 20;
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 4, 77);
    Qtqveffect fx;
    unsigned char *blurred = nullptr;
    {
        AddressSpaceCap cap(96u << 20);
        if (!cap.active())
            GTEST_SKIP() << "the address space cannot be capped here";
        blurred = fx.SharpInit(row.data(), width, 1);
    }
    EXPECT_EQ(blurred, nullptr) << "an unblurred copy was handed back as if it were blurred";
    delete[] blurred;
    // With memory the same call works.
    std::unique_ptr<unsigned char[]> fine(fx.SharpInit(row.data(), 64, 1));
    EXPECT_NE(fine, nullptr);
}
