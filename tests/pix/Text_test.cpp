#include "ShapeTestUtil.h"

#include "gdi.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <memory>
#include <string>

namespace {

GDI_Font* MakeFont(int height, int weight = 400, int quality = 4, bool italic = false,
                   int escapement = 0, int width = 0, bool underline = false) {
    return GDI_CreateFont(height, width, escapement, escapement, weight, italic, underline, false,
                          0, 0, 0, quality, 0, "Arial");
}

// A cached font owning its GDI font, white text.
std::unique_ptr<PIX_CachedFont> MakeCachedFont(GDI_Font* font) {
    auto f = std::make_unique<PIX_CachedFont>();
    f->SetFromHFont(font, PIX_FONT_FLAG_OWNS_HFONT | PIX_FONT_FLAG_CACHE_GLYPHS);
    f->SetTextColor(kWhite);
    return f;
}

PIX_Rect Measure(PIX_IFont& font, const char* text, unsigned flags = 0) {
    PIX_Rect r{0, 0, 0, 0};
    font.DrawText(nullptr, text, -1, &r, flags | PIX_DT_CALCRECT);
    return r;
}

// Bounding box of the drawn pixels; left > right when nothing was drawn.
PIX_Rect InkBox(PIX_IBitmap* bm) {
    PIX_Rect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (auto [x, y] : InkedPixels(bm)) {
        box.left = std::min(box.left, x), box.right = std::max(box.right, x + 1);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y + 1);
    }
    return box;
}

} // namespace

TEST(GdiFont, RequestsAndLineHeights) {
    for (int bad : {0, -1, -20, 1025, INT_MIN})
        EXPECT_EQ(MakeFont(bad), nullptr) << bad;
    EXPECT_EQ(MakeFont(12, 400, 4, false, 0, -3), nullptr);
    GDI_DeleteFont(nullptr);

    // The line height is the height asked for, so the editor's correcting second pass never
    // runs.
    for (int h = 1; h <= 200; h += 7) {
        auto font = MakeCachedFont(MakeFont(h));
        EXPECT_EQ(font->GetLineHeight(), h);
        GDI_TextMetrics m;
        ASSERT_TRUE(GDI_GetTextMetrics(font->GetHFont(), &m));
        EXPECT_EQ(m.ascent + m.descent, h);
        EXPECT_GT(m.ascent, m.descent);
    }
    GDI_TextMetrics m;
    EXPECT_FALSE(GDI_GetTextMetrics(nullptr, &m));
    // A width asks for the average character width.
    GDI_Font* wide = MakeFont(20, 400, 4, false, 0, 17);
    ASSERT_TRUE(GDI_GetTextMetrics(wide, &m));
    EXPECT_NEAR(m.aveCharWidth, 17, 1);
    GDI_DeleteFont(wide);
}

TEST(CachedFont, Measuring) {
    auto font = MakeCachedFont(MakeFont(16));
    const PIX_Rect one = Measure(*font, "GAIN");
    const PIX_Rect two = Measure(*font, "GAIN TONE");
    EXPECT_EQ(one.left, 0);
    EXPECT_EQ(one.top, 0);
    EXPECT_EQ(one.bottom, 16);
    EXPECT_GT(one.right, 4 * 5);
    EXPECT_GT(two.right, one.right);
    // Alignment places drawn text; measuring keeps the rectangle's left and top.
    for (unsigned flags : {0u, PIX_DT_CENTER, PIX_DT_RIGHT, PIX_DT_CENTER | PIX_DT_NOCLIP}) {
        PIX_Rect r{100, 50, 200, 80};
        EXPECT_EQ(font->DrawText(nullptr, "GAIN", -1, &r, flags | PIX_DT_CALCRECT), 16);
        EXPECT_EQ(r.left, 100);
        EXPECT_EQ(r.top, 50);
        EXPECT_EQ(r.right, 100 + one.right);
        EXPECT_EQ(r.bottom, 66);
    }
    // Lines break at newlines: the widest line and one line height each.
    const PIX_Rect lines = Measure(*font, "GAIN\nGAIN TONE\n");
    EXPECT_EQ(lines.right, two.right);
    EXPECT_EQ(lines.bottom, 3 * 16);
    // strcnt counts bytes; control characters take no room; unknown characters show a box.
    PIX_Rect part{0, 0, 0, 0};
    font->DrawText(nullptr, "GAIN TONE", 4, &part, PIX_DT_CALCRECT);
    EXPECT_EQ(part.right, one.right);
    EXPECT_EQ(Measure(*font, "GA\rIN\x01").right, one.right);
    EXPECT_EQ(Measure(*font, "\xc3\xa9").right, Measure(*font, "\xe2\x82\xac").right);
    EXPECT_GT(Measure(*font, "\xc3\xa9").right, 0);
    EXPECT_EQ(Measure(*font, "\xff\xfe").right, 2 * Measure(*font, "\xc3\xa9").right);
    // Bold is wider than regular.
    auto bold = MakeCachedFont(MakeFont(16, 700));
    EXPECT_GT(Measure(*bold, "EQUALIZER").right, Measure(*font, "EQUALIZER").right);
}

TEST(CachedFont, FailuresAndEmptyText) {
    auto font = MakeCachedFont(MakeFont(12));
    PIX_MemBitmap bm(20, 20);
    PIX_Rect r{1, 2, 3, 4};
    EXPECT_EQ(font->DrawText(&bm, "", -1, &r, 0), 0);
    EXPECT_EQ(font->DrawText(&bm, "", -1, &r, PIX_DT_CALCRECT), 0);
    EXPECT_EQ(font->DrawText(&bm, "abc", 0, &r, PIX_DT_CALCRECT), 0);
    EXPECT_EQ(font->DrawText(&bm, "abc", -2, &r, PIX_DT_CALCRECT), 0);
    EXPECT_EQ(font->DrawText(&bm, nullptr, -1, &r, 0), 0);
    EXPECT_EQ(font->DrawText(&bm, "abc", -1, nullptr, 0), 0);
    EXPECT_EQ(font->DrawText(nullptr, "abc", -1, &r, 0), 0);
    PIX_MemBitmap empty;
    EXPECT_EQ(font->DrawText(&empty, "abc", -1, &r, 0), 0);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.right, 3);
    EXPECT_EQ(r.bottom, 4);

    PIX_CachedFont none;
    EXPECT_EQ(none.GetLineHeight(), 0);
    EXPECT_EQ(none.DrawText(&bm, "abc", -1, &r, PIX_DT_CALCRECT), 0);
    EXPECT_EQ(none.SetTextColor(0x12345678), PIX_RGBA(0, 0, 0, 255));
    EXPECT_EQ(none.SetTextColor(0), 0x12345678u);

    // Without the ownership flag the caller keeps the font; replacing an owned font frees it.
    GDI_Font* kept = MakeFont(12);
    {
        PIX_CachedFont borrower;
        borrower.SetFromHFont(kept, PIX_FONT_FLAG_CACHE_GLYPHS);
        borrower.SetFromHFont(kept, 0);
        PIX_Rect m{0, 0, 0, 0};
        EXPECT_EQ(borrower.DrawText(&bm, "x", -1, &m, PIX_DT_CALCRECT), 12);
    }
    GDI_TextMetrics metrics;
    EXPECT_TRUE(GDI_GetTextMetrics(kept, &metrics));
    font->SetFromHFont(kept, PIX_FONT_FLAG_OWNS_HFONT);
    font->SetFromHFont(MakeFont(14), PIX_FONT_FLAG_OWNS_HFONT);
    EXPECT_EQ(font->GetLineHeight(), 14);
}

TEST(CachedFont, DrawsInsideTheRectangleUnlessToldNotTo) {
    auto font = MakeCachedFont(MakeFont(20));
    const PIX_Rect extent = Measure(*font, "LIMITER");
    PIX_MemBitmap bm(120, 60), whole(120, 60);
    // A rectangle smaller than the text clips it; without clipping the whole text shows, from
    // the rectangle's corner.
    PIX_Clear(&bm, kBlack);
    PIX_Clear(&whole, kBlack);
    PIX_Rect small{10, 12, 40, 25};
    EXPECT_EQ(font->DrawText(&bm, "LIMITER", -1, &small, 0), 20);
    EXPECT_EQ(font->DrawText(&whole, "LIMITER", -1, &small, PIX_DT_NOCLIP), 20);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool inside =
                x >= small.left && x < small.right && y >= small.top && y < small.bottom;
            ASSERT_EQ(PIX_GetPixel(&bm, x, y), inside ? PIX_GetPixel(&whole, x, y) : kBlack);
        }
    PIX_Rect ink = InkBox(&whole);
    EXPECT_GT(ink.right, small.right);
    EXPECT_GT(ink.bottom, small.bottom);
    EXPECT_LE(ink.right, small.left + extent.right);
    EXPECT_LE(ink.bottom, small.top + extent.bottom);
    EXPECT_GE(ink.left, small.left);
    EXPECT_GE(ink.top, small.top);
    // Centred and right-aligned text keeps to its side of the rectangle.
    PIX_Rect wide{0, 0, 120, 30};
    PIX_Clear(&bm, kBlack);
    font->DrawText(&bm, "LIMITER", -1, &wide, PIX_DT_CENTER);
    ink = InkBox(&bm);
    EXPECT_NEAR(ink.left - wide.left, wide.right - ink.right, 3);
    PIX_Clear(&bm, kBlack);
    font->DrawText(&bm, "LIMITER", -1, &wide, PIX_DT_RIGHT);
    EXPECT_NEAR(InkBox(&bm).right, 120, 3);
    EXPECT_GT(InkBox(&bm).left, 120 - extent.right - 1);
    // Off the bitmap entirely: nothing drawn, no harm done.
    PIX_Clear(&bm, kBlack);
    PIX_Rect far{INT_MAX - 10, INT_MIN, INT_MAX, INT_MIN + 20};
    font->DrawText(&bm, "LIMITER\nLIMITER", -1, &far, PIX_DT_NOCLIP | PIX_DT_RIGHT);
    PIX_Rect before{-500, -30, -400, -10};
    font->DrawText(&bm, "LIMITER", -1, &before, PIX_DT_NOCLIP);
    EXPECT_TRUE(InkedPixels(&bm).empty());
}

TEST(CachedFont, ColourAndAlpha) {
    auto font = MakeCachedFont(MakeFont(24));
    PIX_MemBitmap bm(80, 30);
    PIX_Rect r{2, 2, 80, 30};
    const PIX_pixel grey = PIX_RGBA(100, 100, 100, 255);
    font->SetTextColor(PIX_RGBA(250, 20, 0, 64));
    PIX_Clear(&bm, grey);
    font->DrawText(&bm, "TONE", -1, &r, 0);
    // The colour's alpha is ignored, so fully covered pixels take the colour, opaque.
    std::map<PIX_pixel, int> counts;
    for (PIX_pixel p : Pixels(&bm))
        ++counts[p];
    EXPECT_GT(counts[PIX_RGBA(250, 20, 0, 255)], 20);
    // With the flag the text blends at the colour's alpha: a quarter of the way.
    PIX_Clear(&bm, grey);
    font->DrawText(&bm, "TONE", -1, &r, PIX_DT_USEFGALPHA);
    counts.clear();
    for (PIX_pixel p : Pixels(&bm)) {
        ++counts[p];
        EXPECT_LE(PIX_GETR(p), 100 + (250 - 100) / 4 + 1);
    }
    const auto mix = [](int d, int s) { return s + (d - s) * (256 - 64) / 256; };
    EXPECT_GT(counts[PIX_RGBA(mix(100, 250), mix(100, 20), mix(100, 0), 255)], 20);
    // A transparent colour with the flag draws nothing.
    font->SetTextColor(PIX_RGBA(250, 20, 0, 0));
    PIX_Clear(&bm, grey);
    font->DrawText(&bm, "TONE", -1, &r, PIX_DT_USEFGALPHA);
    for (PIX_pixel p : Pixels(&bm))
        ASSERT_EQ(p, grey);
}

TEST(CachedFont, EveryPrintableGlyphDrawsWithinItsAdvanceAndLine) {
    for (auto [size, weight, quality] : {std::tuple{30, 400, 4},
                                         {30, 400, 3},
                                         {8, 400, 4},
                                         {12, 400, 4},
                                         {17, 700, 4},
                                         {48, 700, 3}}) {
        GDI_Font* gdi = MakeFont(size, weight, quality);
        auto font = MakeCachedFont(gdi);
        std::map<std::vector<PIX_pixel>, char> seen;
        for (int c = 33; c <= 126; ++c) {
            const int advance = GDI_GetGlyphAdvance(gdi, GDI_GetGlyphIndex(gdi, c));
            const char text[2] = {char(c), 0};
            ASSERT_EQ(Measure(*font, text).right, advance);
            PIX_MemBitmap bm(advance + 20, size + 20);
            PIX_Clear(&bm, kBlack);
            PIX_Rect r{10, 10, 10 + advance, 10 + size};
            font->DrawText(&bm, text, -1, &r, PIX_DT_NOCLIP);
            const PIX_Rect ink = InkBox(&bm);
            ASSERT_LT(ink.left, ink.right) << "nothing drawn for " << text;
            EXPECT_GE(ink.left, r.left) << text << " at " << size;
            EXPECT_LE(ink.right, r.right) << text << " at " << size;
            EXPECT_GE(ink.top, r.top) << text << " at " << size;
            EXPECT_LE(ink.bottom, r.bottom) << text << " at " << size;
            if (quality == 3) {
                for (auto [x, y] : InkedPixels(&bm))
                    ASSERT_EQ(PIX_GetPixel(&bm, x, y), kWhite) << text; // aliased: all or nothing
            }
            if (size == 30) { // no two glyphs alike
                const auto [it, fresh] = seen.emplace(Pixels(&bm), char(c));
                EXPECT_TRUE(fresh) << text << " looks like " << it->second;
            }
        }
        PIX_MemBitmap bm(40, 40);
        PIX_Clear(&bm, kBlack);
        PIX_Rect r{0, 0, 40, 40};
        font->DrawText(&bm, "  \t ", -1, &r, 0);
        EXPECT_TRUE(InkedPixels(&bm).empty());
    }
}

TEST(CachedFont, StylesRotationAndCaching) {
    PIX_MemBitmap a(200, 200), b(200, 200);
    PIX_Rect r{10, 10, 190, 190};
    const char* text = "EQUALIZER\nGain 3 dB";
    const auto draw = [&](PIX_IBitmap* bm, GDI_Font* gdi, int flags) {
        PIX_CachedFont font;
        font.SetFromHFont(gdi, flags | PIX_FONT_FLAG_OWNS_HFONT);
        font.SetTextColor(kWhite);
        PIX_Clear(bm, kBlack);
        font.DrawText(bm, text, -1, &r, 0);
        font.DrawText(bm, text, -1, &r, 0); // the second time from the cache, if any
    };
    draw(&a, MakeFont(18), PIX_FONT_FLAG_CACHE_GLYPHS);
    draw(&b, MakeFont(18), 0);
    EXPECT_EQ(Pixels(&a), Pixels(&b));
    FlippedBitmap flipped(200, 200);
    draw(&flipped, MakeFont(18), PIX_FONT_FLAG_CACHE_GLYPHS);
    EXPECT_EQ(Pixels(&a), Pixels(&flipped));

    // Italics lean over the same advances; bold inks more.
    draw(&b, MakeFont(18, 400, 4, true), 0);
    EXPECT_NE(Pixels(&a), Pixels(&b));
    EXPECT_NEAR(InkBox(&b).right - InkBox(&b).left, InkBox(&a).right - InkBox(&a).left, 4);
    draw(&b, MakeFont(18, 700), 0);
    EXPECT_GT(TotalInk(&b), TotalInk(&a) * 5 / 4);

    // An underline runs unbroken under the whole line.
    draw(&b, MakeFont(18, 400, 4, false, 0, 0, true), 0);
    auto font = MakeCachedFont(MakeFont(18));
    const int width = Measure(*font, "EQUALIZER").right;
    int longest = 0;
    for (int y = 0; y < 200; ++y) {
        int run = 0;
        for (int x = 0; x < 200; ++x) {
            run = Ink(&b, x, y) > 128 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_GE(longest, width - 1);

    // Turned a quarter: measured and drawn standing up, from the rectangle's corner.
    auto turned = MakeCachedFont(MakeFont(18, 400, 4, false, 900));
    const PIX_Rect upright = Measure(*font, "EQUALIZER");
    const PIX_Rect standing = Measure(*turned, "EQUALIZER");
    EXPECT_NEAR(standing.right, upright.bottom, 1);
    EXPECT_NEAR(standing.bottom, upright.right, 1);
    PIX_Clear(&a, kBlack);
    turned->DrawText(&a, "EQUALIZER", -1, &r, 0);
    const PIX_Rect ink = InkBox(&a);
    EXPECT_GT(ink.bottom - ink.top, 3 * (ink.right - ink.left));
    EXPECT_GE(ink.left, r.left);
    EXPECT_GE(ink.top, r.top);
    EXPECT_LE(ink.bottom, r.top + standing.bottom);
}
