// The progress bar's line, and its silence for short work.

#include "Progress.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressLine, FillsInProportion) {
    EXPECT_EQ(FormatProgressLine("Work", 0, 100, 25), "Work [............]  0%");
    EXPECT_EQ(FormatProgressLine("Work", 50, 100, 25), "Work [######......]  50%");
    EXPECT_EQ(FormatProgressLine("Work", 100, 100, 25), "Work [############]  100%");
    EXPECT_EQ(FormatProgressLine("Work", 100, 100, 25).size(), 25u);
}

TEST(ProgressLine, ClampsAndCopesWithAnUnknownTotal) {
    EXPECT_EQ(FormatProgressLine("Work", 150, 100, 25), "Work [############]  100%");
    EXPECT_EQ(FormatProgressLine("Work", -5, 100, 25), "Work [............]  0%");
    EXPECT_EQ(FormatProgressLine("Work", 5, 0, 25), "Work [............]  ...");
}

TEST(ProgressLine, NarrowWidthsKeepTheNumber) {
    EXPECT_EQ(FormatProgressLine("Rendering", 1, 2, 12), "Rendering 50");
    EXPECT_EQ(FormatProgressLine("Rendering", 1, 2, 0), "");
}

TEST(ProgressBar, StaysQuietDuringTheFirstSecond) {
    testing::internal::CaptureStderr();
    {
        ProgressBar bar("Work", 10, true);
        for (int i = 0; i <= 10; ++i)
            bar.Update(i);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
