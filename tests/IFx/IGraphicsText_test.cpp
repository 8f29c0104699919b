#include "TestGraphics.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
struct Text : ::testing::Test {
    Text() {
        editor.PrepDraw();
        editor.FillIRect(COLOR_WHITE, IRECT(0, 0, 256, 128));
    }
    // Pixels of the area that are no longer white.
    int Inked(const IRECT& area) {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                count += PIX_GetPixel(editor.Surface(), x, y) != PixColor(COLOR_WHITE);
        return count;
    }

    TestPlug plug;
    TestGraphics editor{&plug, 256, 128};
};
} // namespace

TEST_F(Text, EmptyStringsNeitherDrawNorMeasure) {
    IText text;
    IRECT rect(1, 2, 3, 4);
    EXPECT_TRUE(editor.DrawIText(&text, "", &rect, true));
    EXPECT_TRUE(editor.MeasureIText(&text, nullptr, &rect));
    EXPECT_EQ(rect, IRECT(1, 2, 3, 4));
    EXPECT_EQ(text.cachedFont, nullptr); // not even a font was made
}

TEST_F(Text, MeasuringPlacesTheExtentAsAligned) {
    IText left(12, nullptr, nullptr, IText::kStyleNormal, IText::kAlignLeft);
    IRECT measured(100, 50, 200, 80);
    ASSERT_TRUE(editor.MeasureIText(&left, "Level", &measured));
    const int w = measured.W(), h = measured.H();
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);
    EXPECT_EQ(measured, IRECT(100, 50, 100 + w, 50 + h));

    IText centred = left, right = left;
    centred.align = IText::kAlignCenter;
    right.align = IText::kAlignRight;
    IRECT c(100, 50, 200, 80), r(100, 50, 200, 80);
    editor.MeasureIText(&centred, "Level", &c);
    editor.MeasureIText(&right, "Level", &r);
    EXPECT_EQ(c, IRECT(150 - w / 2, 50, 150 - w / 2 + w, 50 + h));
    EXPECT_EQ(r, IRECT(200 - w, 50, 200, 50 + h));
    EXPECT_EQ(Inked(IRECT(0, 0, 256, 128)), 0); // measuring draws nothing
}

TEST_F(Text, DrawingInksTheRectangle) {
    IText text(16, &COLOR_BLACK, nullptr, IText::kStyleNormal, IText::kAlignLeft);
    IRECT rect(10, 10, 200, 40);
    EXPECT_TRUE(editor.DrawIText(&text, "Brindlex", &rect));
    EXPECT_EQ(rect, IRECT(10, 10, 200, 40));
    EXPECT_GT(Inked(IRECT(10, 10, 120, 40)), 20);
    EXPECT_EQ(Inked(IRECT(0, 60, 256, 128)), 0);

    ITextControl label(&plug, IRECT(10, 70, 200, 100), &text, "Output");
    label.Draw(&editor);
    EXPECT_GT(Inked(IRECT(10, 70, 200, 100)), 20);
}

TEST_F(Text, FontsAreSharedByStylesThatDifferOnlyInColourOrQuality) {
    const IColor red = COLOR_RED;
    IText black(13), coloured(13, &red), smooth(13);
    smooth.quality = IText::kQualityAntialiased;
    IText larger(14), bold(13, nullptr, nullptr, IText::kStyleBold), turned(13);
    turned.orientation = 90;
    IText otherFace(13, nullptr, "Courier");

    PIX_IFont* font = editor.CacheFont(&black);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(black.cachedFont, font);
    EXPECT_EQ(editor.CacheFont(&coloured), font);
    EXPECT_EQ(coloured.cachedFont, font);
    EXPECT_EQ(editor.CacheFont(&smooth), font);
    for (IText* different : {&larger, &bold, &turned, &otherFace}) {
        PIX_IFont* other = editor.CacheFont(different);
        ASSERT_NE(other, nullptr);
        EXPECT_NE(other, font);
    }
    EXPECT_EQ(s_fontCache.Find(&black), font);

    TestGraphics another(&plug);
    IText again(13);
    EXPECT_EQ(another.CacheFont(&again), font); // one cache for the whole process
}

TEST_F(Text, FontsAreSizedToTheirLineHeight) {
    for (int size : {9, 12, 20, 31}) {
        IText text(size);
        PIX_IFont* font = editor.CacheFont(&text);
        ASSERT_NE(font, nullptr);
        EXPECT_NEAR(font->GetLineHeight(), size, 1) << size;
    }
    IText tiny(0);
    ASSERT_NE(editor.CacheFont(&tiny), nullptr); // raised to a font that can be made
}

TEST_F(Text, AFontThePlatformCannotMakeDrawsNothing) {
    IText huge(1 << 20);
    IRECT rect(0, 0, 100, 20);
    EXPECT_EQ(editor.CacheFont(&huge), nullptr);
    EXPECT_FALSE(editor.DrawIText(&huge, "x", &rect));
    EXPECT_FALSE(editor.MeasureIText(&huge, "x", &rect));
    EXPECT_EQ(rect, IRECT(0, 0, 100, 20));
    EXPECT_EQ(huge.cachedFont, nullptr);
    EXPECT_EQ(s_fontCache.Find(&huge), nullptr);
    EXPECT_EQ(Inked(IRECT(0, 0, 256, 128)), 0);
}
