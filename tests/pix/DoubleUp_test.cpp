// The pixel-doubled copy of an image for high-density screens.

#include "gdi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(DoubleUp, EverySourcePixelFillsATwoByTwoBlockUnchanged) {
    // Odd sizes and spans wider than the rows, with the pixels between rows left alone.
    for (const int w : {1, 2, 3, 5, 8}) {
        for (const int h : {1, 2, 3}) {
            SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
            const int srcSpan = w + 3, destSpan = 2 * w + 5;
            std::vector<uint32_t> src(size_t(srcSpan) * h);
            for (size_t i = 0; i < src.size(); ++i)
                src[i] = 0x01020304u * uint32_t(i + 1) ^ 0x80000000u;
            std::vector<uint32_t> dest(size_t(destSpan) * 2 * h, 0xDEADBEEFu);
            GDI_fastDoubleUpImage(dest.data(), src.data(), w, h, srcSpan, destSpan);
            for (int y = 0; y < 2 * h; ++y) {
                for (int x = 0; x < destSpan; ++x) {
                    const uint32_t got = dest[size_t(y) * destSpan + x];
                    const uint32_t want =
                        x < 2 * w ? src[size_t(y / 2) * srcSpan + x / 2] : 0xDEADBEEFu;
                    ASSERT_EQ(got, want) << x << ", " << y;
                }
            }
        }
    }
}

TEST(DoubleUp, NothingForAnEmptyOrMissingImage) {
    uint32_t src[4] = {1, 2, 3, 4}, dest[16] = {};
    GDI_fastDoubleUpImage(dest, src, 0, 2, 2, 4);
    GDI_fastDoubleUpImage(dest, src, 2, 0, 2, 4);
    GDI_fastDoubleUpImage(nullptr, src, 2, 2, 2, 4);
    GDI_fastDoubleUpImage(dest, nullptr, 2, 2, 2, 4);
    for (const uint32_t pixel : dest)
        EXPECT_EQ(pixel, 0u);
}

} // namespace
