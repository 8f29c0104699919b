#include "TestGraphics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;

struct Shapes : ::testing::Test {
    Shapes() { editor.PrepDraw(); }
    bool Lit(int x, int y) { return PIX_GetPixel(editor.Surface(), x, y) == PixColor(COLOR_RED); }

    TestPlug plug;
    TestGraphics editor{&plug, 128, 128};
};
} // namespace

TEST_F(Shapes, RectangleOutlinesReachOnePixelBeyond) {
    editor.DrawRect(COLOR_RED, IRECT(10, 10, 20, 20));
    EXPECT_TRUE(Lit(10, 10));
    EXPECT_TRUE(Lit(20, 15));
    EXPECT_TRUE(Lit(15, 20));
    EXPECT_TRUE(Lit(20, 20));
    EXPECT_FALSE(Lit(15, 15));
    EXPECT_FALSE(Lit(21, 15));
}

TEST_F(Shapes, LinesAcrossARectangleMeasureFromItsEdges) {
    const IRECT r(0, 0, 100, 100);
    editor.DrawHorizontalLine(COLOR_RED, r, 0.0f); // 0 is the bottom edge, outside the rectangle
    EXPECT_TRUE(Lit(50, 100));
    editor.DrawHorizontalLine(COLOR_RED, r, 1.5f); // held at the top
    EXPECT_TRUE(Lit(50, 0));
    EXPECT_FALSE(Lit(50, 1));
    editor.DrawVerticalLine(COLOR_RED, r, 0.25f);
    EXPECT_TRUE(Lit(25, 40));
    EXPECT_FALSE(Lit(24, 40));
    editor.DrawVerticalLine(COLOR_RED, r, -1.0f);
    EXPECT_TRUE(Lit(0, 40));
}

TEST_F(Shapes, LineEndsAreTruncatedNotRounded) {
    editor.DrawLine(COLOR_RED, 1.9f, 2.9f, 5.9f, 2.9f);
    EXPECT_TRUE(Lit(1, 2));
    EXPECT_TRUE(Lit(5, 2));
    EXPECT_FALSE(Lit(6, 2));
    EXPECT_FALSE(Lit(1, 3));
}

TEST_F(Shapes, RadialLinesPointUpAtZeroAndTurnClockwise) {
    editor.DrawRadialLine(COLOR_RED, 60.0f, 60.0f, 0.0f, 5.0f, 10.0f);
    EXPECT_TRUE(Lit(60, 50));
    EXPECT_TRUE(Lit(60, 55));
    EXPECT_FALSE(Lit(60, 57));
    editor.DrawRadialLine(COLOR_RED, 60.0f, 60.0f, float(kPi / 2), 5.0f, 10.0f);
    EXPECT_TRUE(Lit(70, 60));
    EXPECT_FALSE(Lit(50, 60));
}

TEST_F(Shapes, FilledShapesCoverTheirInsides) {
    editor.FillRoundRect(COLOR_RED, IRECT(0, 0, 30, 20), nullptr, 5, false);
    EXPECT_TRUE(Lit(15, 10));
    EXPECT_TRUE(Lit(15, 0));
    EXPECT_TRUE(Lit(0, 10));
    EXPECT_TRUE(Lit(29, 10));
    EXPECT_FALSE(Lit(0, 0)); // the corners are rounded off
    EXPECT_FALSE(Lit(29, 19));

    editor.FillCircle(COLOR_RED, 60, 20, 5.0f);
    EXPECT_TRUE(Lit(60, 20));
    EXPECT_FALSE(Lit(60, 27));
    editor.FillTriangle(COLOR_RED, 0, 40, 20, 40, 0, 60);
    EXPECT_TRUE(Lit(3, 43));
    EXPECT_FALSE(Lit(18, 58));
    const int xs[] = {40, 60, 60, 40}, ys[] = {40, 40, 60, 60};
    editor.FillIConvexPolygon(COLOR_RED, xs, ys, 4);
    EXPECT_TRUE(Lit(50, 50));
    editor.DrawCircle(COLOR_RED, 100.0f, 100.0f, 10.0f);
    EXPECT_TRUE(Lit(100, 90) || Lit(100, 89) || Lit(100, 91));
    EXPECT_FALSE(Lit(100, 100));
}

TEST_F(Shapes, BoundsOverlayOutlinesEveryControlButTheBackground) {
    editor.AttachControl(new ProbeControl(&plug, IRECT(0, 0, 128, 128)));
    editor.AttachControl(new ProbeControl(&plug, IRECT(10, 10, 20, 20)));
    editor.ShowControlBounds(true);
    editor.Draw(IRECT(0, 0, 128, 128));
    const PIX_pixel green = PixColor(COLOR_GREEN);
    EXPECT_EQ(PIX_GetPixel(editor.Surface(), 20, 15), green);
    EXPECT_NE(PIX_GetPixel(editor.Surface(), 127, 64), green);
    EXPECT_NE(PIX_GetPixel(editor.Surface(), 0, 64), green);
}

TEST_F(Shapes, KnobLinesFollowTheValue) {
    IKnobLineControl knob(&plug, IRECT(40, 40, 60, 60), -1, COLOR_RED, 2.0);
    knob.SetValueFromPlug(0.5); // halfway between -135 and 135 degrees: straight up
    knob.Draw(&editor);
    EXPECT_TRUE(Lit(50, 42));
    EXPECT_FALSE(Lit(50, 58));
}
