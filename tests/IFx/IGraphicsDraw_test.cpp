#include "TestGraphics.h"
#include "Trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {
constexpr PIX_pixel kBlank = 0;

// An editor with its surface, clipping to the whole surface, and a plug-in to own nothing.
struct DrawFixture : ::testing::Test {
    DrawFixture() {
        editor.PrepDraw();
        editor.SetDrawClip(IRECT(0, 0, 64, 64));
    }
    // The image registered under a fresh id and loaded through the cache.
    IBitmap Load(PIX_IBitmap* image, int frames = 1, bool horizontal = false) {
        const int id = UniqueImageId();
        editor.AddImage(id, image);
        return editor.LoadIBitmap(id, "image.png", frames, horizontal);
    }
    PIX_pixel At(int x, int y) { return PIX_GetPixel(editor.Surface(), x, y); }

    TestPlug plug;
    TestGraphics editor{&plug, 64, 64};
};

struct DrawPrimitives : DrawFixture {};
struct BitmapCache : DrawFixture {};
} // namespace

TEST(PixConversions, ColoursWeightsAndModes) {
    EXPECT_EQ(PixColor(COLOR_ORANGE), 0x007FFFFFu);
    EXPECT_EQ(PixColor(IColor(0x1FF, 0x100, -1, 2)), 0x02FF00FFu); // channels masked to 8 bits
    EXPECT_EQ(PixWeight(nullptr), 1.0f);
    const IChannelBlend half(IChannelBlend::kBlendAdd, 0.5f);
    EXPECT_EQ(PixWeight(&half), 0.5f);

    EXPECT_EQ(PixBlendMode(nullptr), 0x10000);
    const IChannelBlend alpha(IChannelBlend::kBlendAlpha),
        overwrite(IChannelBlend::kBlendOverwrite), dodge(IChannelBlend::kBlendDodge),
        odd(static_cast<IChannelBlend::EBlendMethod>(7));
    EXPECT_EQ(PixBlendMode(&alpha), 0x10000);
    EXPECT_EQ(PixBlendMode(&overwrite), 0);
    EXPECT_EQ(PixBlendMode(&half), 0x10001);
    EXPECT_EQ(PixBlendMode(&dodge), 0x10002);
    EXPECT_EQ(PixBlendMode(&odd), 0x10000);
}

TEST_F(DrawPrimitives, FramesSelectTheirSourceRows) {
    // 60 frames of 4 x 4: frame f starts at row 4 (f - 1).
    const IBitmap strip = Load(MakeCoordinateImage(4, 240), 60);
    const IRECT dest(0, 0, 4, 4);
    const auto rowDrawnFor = [&](int frame) {
        editor.DrawBitmap(strip, dest, frame);
        return SourceOf(At(0, 0)).second;
    };
    EXPECT_EQ(rowDrawnFor(1), 0);
    EXPECT_EQ(rowDrawnFor(2), 4);
    EXPECT_EQ(rowDrawnFor(60), 236);
    EXPECT_EQ(rowDrawnFor(0), 0);
    EXPECT_EQ(rowDrawnFor(-3), 0);

    // An odd height rounds: frame 2 of a 41-row image of 2 frames starts at trunc(20.5 + 0.5).
    const IBitmap odd = Load(MakeCoordinateImage(3, 41), 2);
    editor.DrawBitmap(odd, IRECT(10, 10, 13, 30), 2);
    EXPECT_EQ(SourceOf(At(10, 10)), std::make_pair(0, 21));

    // Side by side frames move along x.
    const IBitmap across = Load(MakeCoordinateImage(30, 5), 3, true);
    editor.DrawBitmap(across, IRECT(20, 20, 30, 25), 3);
    EXPECT_EQ(SourceOf(At(20, 20)), std::make_pair(20, 0));

    // A one-frame image ignores the frame number.
    const IBitmap single = Load(MakeCoordinateImage(4, 8));
    editor.DrawBitmap(single, IRECT(40, 40, 44, 44), 5);
    EXPECT_EQ(SourceOf(At(40, 40)), std::make_pair(0, 0));
}

TEST_F(DrawPrimitives, BlitsAreClippedToTheDrawClip) {
    const IBitmap image = Load(MakeCoordinateImage(20, 20));
    editor.SetDrawClip(IRECT(10, 10, 15, 15));
    editor.DrawBitmap(image, IRECT(5, 5, 25, 25), 2, 3);
    EXPECT_EQ(At(9, 10), kBlank);
    EXPECT_EQ(At(15, 12), kBlank);
    // The first pixel copied is the one dest puts at the clip's corner.
    EXPECT_EQ(SourceOf(At(10, 10)), std::make_pair(2 + 5, 3 + 5));
    EXPECT_EQ(SourceOf(At(14, 14)), std::make_pair(2 + 9, 3 + 9));

    // A destination wholly outside the clip copies nothing.
    editor.DrawBitmap(image, IRECT(30, 30, 50, 50), 0, 0);
    EXPECT_EQ(At(30, 30), kBlank);
    EXPECT_EQ(At(40, 40), kBlank);
}

TEST_F(DrawPrimitives, BlendMethodsAndWeights) {
    auto* translucent = new PIX_MemBitmap(2, 1);
    PIX_Clear(translucent, PIX_RGBA(200, 100, 50, 0));
    const IBitmap image = Load(translucent);
    editor.FillIRect(COLOR_BLUE, IRECT(0, 0, 4, 1));

    editor.DrawBitmap(image, IRECT(0, 0, 2, 1), 1); // source alpha 0: nothing shows
    EXPECT_EQ(At(0, 0), PixColor(COLOR_BLUE));
    const IChannelBlend overwrite(IChannelBlend::kBlendOverwrite);
    editor.DrawBitmap(image, IRECT(2, 0, 4, 1), 1, &overwrite);
    EXPECT_EQ(At(2, 0), PIX_RGBA(200, 100, 50, 0));

    const IChannelBlend quarter(IChannelBlend::kBlendAlpha, 0.25f);
    editor.FillIRect(COLOR_WHITE, IRECT(0, 2, 1, 3));
    editor.FillIRect(COLOR_BLACK, IRECT(0, 2, 1, 3), &quarter);
    EXPECT_NEAR(PIX_GETR(At(0, 2)), 191, 1);
}

TEST_F(DrawPrimitives, PixelsAreWrittenOnlyOnTheSurface) {
    editor.ForcePixel(IColor(0, 1, 2, 3), 3, 4);
    EXPECT_EQ(editor.GetPoint(3, 4), IColor(0, 1, 2, 3)); // no blending, alpha kept
    editor.ForcePixel(COLOR_RED, 64, 0);
    editor.ForcePixel(COLOR_RED, -1, 5);
    editor.ForcePixel(COLOR_RED, 0, 64);
    editor.ForcePixel(COLOR_RED, 0, 1 << 30);
    EXPECT_EQ(At(0, 1), kBlank); // the next row's first pixel is untouched

    editor.DrawPoint(COLOR_GREEN, 5.4f, 6.6f);
    EXPECT_EQ(editor.GetPoint(5, 7), COLOR_GREEN);
    editor.DrawPoint(COLOR_GREEN, 1e30f, -1e30f); // far away: nothing, and no overflow
    EXPECT_EQ(static_cast<PIX_pixel*>(editor.GetBits())[4 * editor.Surface()->getRowSpan() + 3],
              PixColor(IColor(0, 1, 2, 3)));

    TestPlug plug2;
    TestGraphics unprepared(&plug2);
    EXPECT_EQ(unprepared.GetBits(), nullptr);
    EXPECT_TRUE(unprepared.ForcePixel(COLOR_RED, 0, 0));
    EXPECT_TRUE(unprepared.FillIRect(COLOR_RED, IRECT(0, 0, 5, 5)));
}

TEST_F(DrawPrimitives, RotatedMaskComposesItsImagesInTheScratchBitmap) {
    auto* base = new PIX_MemBitmap(5, 5);
    PIX_Clear(base, PIX_RGBA(10, 20, 30, 255));
    auto* clear = new PIX_MemBitmap(5, 5);
    PIX_Clear(clear, PIX_RGBA(0, 0, 0, 0));
    auto* top = new PIX_MemBitmap(5, 5);
    PIX_Clear(top, PIX_RGBA(90, 80, 70, 255));
    const IBitmap baseImage = Load(base), maskImage = Load(clear), topImage = Load(top);

    // An opaque top covers everything it turns over.
    editor.SetDrawClip(IRECT(0, 0, 12, 12));
    editor.DrawRotatedMask(baseImage, maskImage, topImage, 10, 10, 0.0);
    EXPECT_EQ(At(11, 11), PIX_RGBA(90, 80, 70, 255));
    EXPECT_EQ(At(12, 11), kBlank); // clipped
    EXPECT_EQ(editor.Scratch()->getWidth(), 5);
    PIX_MemBitmap* scratch = editor.Scratch();

    // A clear mask and top leave the base's colours without alpha: nothing shows over the
    // surface, but an overwrite puts them there.
    const IChannelBlend overwrite(IChannelBlend::kBlendOverwrite);
    editor.DrawRotatedMask(baseImage, maskImage, maskImage, 0, 0, 90.0, &overwrite);
    EXPECT_EQ(At(2, 2), PIX_RGBA(10, 20, 30, 0));
    EXPECT_EQ(editor.Scratch(), scratch); // kept between calls
}

TEST_F(DrawPrimitives, BitmapFontsDrawOneFramePerCharacter) {
    // 95 cells of 2 x 3, cell c painted with the character's code in red.
    auto* glyphs = new PIX_MemBitmap(2, 95 * 3);
    for (int c = ' '; c <= '~'; ++c)
        PIX_FillRect(glyphs, 0, (c - ' ') * 3, 2, 3, PIX_RGBA(c, 0, 0, 255), 1.0f,
                     PIX_COMBINE_COPY);
    const IBitmap font = Load(glyphs, 95);
    const IText left(10, nullptr, nullptr, IText::kStyleNormal, IText::kAlignLeft);
    editor.DrawBitmapText(font, IRECT(0, 0, 20, 3), left, nullptr, "Ab\x01", false, false, 2, 3, 1);
    EXPECT_EQ(PIX_GETR(At(0, 0)), 'A');
    EXPECT_EQ(PIX_GETR(At(3, 2)), 'b');
    EXPECT_EQ(At(2, 0), kBlank); // the spacing between cells
    EXPECT_EQ(At(6, 0), kBlank); // no frame for character 1
    const IText right(10, nullptr, nullptr, IText::kStyleNormal, IText::kAlignRight);
    editor.DrawBitmapText(font, IRECT(0, 10, 20, 13), right, nullptr, "Z", false, false, 2, 3);
    EXPECT_EQ(PIX_GETR(At(18, 10)), 'Z');
    // Two lines of two in a 5-pixel-wide box, centred vertically in 10 rows.
    editor.DrawBitmapText(font, IRECT(30, 20, 35, 30), left, nullptr, "wxyz", true, true, 2, 3, 1);
    EXPECT_EQ(PIX_GETR(At(30, 22)), 'w');
    EXPECT_EQ(PIX_GETR(At(33, 22)), 'x');
    EXPECT_EQ(PIX_GETR(At(30, 25)), 'y');
    EXPECT_EQ(PIX_GETR(At(33, 27)), 'z');
}

TEST_F(BitmapCache, ImagesAreLoadedOnceAndSharedByEveryEditor) {
    const int id = UniqueImageId();
    editor.AddImage(id, MakeCoordinateImage(8, 6));
    const IBitmap first = editor.LoadIBitmap(id, "first.png", 2);
    EXPECT_NE(first.image, nullptr);
    EXPECT_EQ(first.width, 8);
    EXPECT_EQ(first.height, 6);
    EXPECT_EQ(first.frameCount, 2);
    EXPECT_FALSE(first.framesAreHorizontal);

    TestGraphics other(&plug);
    const IBitmap again = other.LoadIBitmap(id, "second.png");
    EXPECT_EQ(again.image, first.image); // the id alone is the key
    EXPECT_TRUE(other.mImageLoads.empty());
    EXPECT_EQ(editor.mImageLoads.size(), 1u);
    EXPECT_EQ(s_bitmapCache.Find(id), first.image);
}

TEST_F(BitmapCache, AMissingImageIsReportedAndDrawsNothing) {
    const std::string tracePath = TempPath("missing_image_trace.txt");
    std::remove(tracePath.c_str());
    setenv("BRINDLEX_TRACE", tracePath.c_str(), 1);
    TraceReconfigure();
    const int id = UniqueImageId();
    ::testing::internal::CaptureStderr();
    const IBitmap missing = editor.LoadIBitmap(id, "resources/img/gone.png", 3);
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    unsetenv("BRINDLEX_TRACE");
    TraceReconfigure();

    EXPECT_EQ(missing.image, nullptr);
    EXPECT_EQ(missing.frameCount, 3);
    const std::string expected = "imgResourceFound";
    EXPECT_NE(stderrText.find(expected), std::string::npos);
    EXPECT_NE(stderrText.find(std::to_string(id)), std::string::npos);
    EXPECT_NE(stderrText.find("resources/img/gone.png"), std::string::npos);
    const std::string trace = ReadFile(tracePath);
    EXPECT_NE(trace.find("LoadIBitmap"), std::string::npos);
    EXPECT_NE(trace.find("imgResourceFound:" + std::to_string(id) + ":resources/img/gone.png"),
              std::string::npos);
    std::remove(tracePath.c_str());

    // The editor carries on: a control made from it draws nothing.
    IBitmapControl control(&plug, 5, 5, missing);
    EXPECT_EQ(control.GetRECT(), IRECT(5, 5, 5, 5));
    EXPECT_TRUE(control.Draw(&editor));
    editor.DrawBitmap(missing, IRECT(0, 0, 10, 10), 2);
    EXPECT_EQ(At(0, 0), kBlank);
    // Nothing was cached, so a later load tries again.
    ::testing::internal::CaptureStderr();
    editor.LoadIBitmap(id, "resources/img/gone.png");
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(editor.mImageLoads.size(), 2u);
}

TEST_F(BitmapCache, ScaledAndCroppedImagesAreRetainedUntilReleased) {
    auto* uniform = new PIX_MemBitmap(4, 4);
    PIX_Clear(uniform, PIX_RGBA(40, 50, 60, 255));
    const IBitmap image = Load(uniform, 2);
    const IBitmap scaled = editor.ScaleBitmap(image, 8, 6);
    ASSERT_NE(scaled.image, nullptr);
    EXPECT_EQ(scaled.image->getWidth(), 8);
    EXPECT_EQ(scaled.height, 6);
    EXPECT_EQ(scaled.frameCount, 2);
    EXPECT_EQ(PIX_GetPixel(scaled.image, 7, 5), PIX_RGBA(40, 50, 60, 255));

    const IBitmap coords = Load(MakeCoordinateImage(20, 20));
    const IBitmap cropped = editor.CropBitmap(coords, IRECT(5, 6, 15, 16));
    EXPECT_EQ(cropped.width, 10);
    EXPECT_EQ(SourceOf(PIX_GetPixel(cropped.image, 0, 0)), std::make_pair(5, 6));
    EXPECT_EQ(SourceOf(PIX_GetPixel(cropped.image, 9, 9)), std::make_pair(14, 15));

    // Both live in the cache under -1, out of reach of resource loads.
    EXPECT_NE(s_bitmapCache.Find(-1), nullptr);
    editor.ReleaseBitmap(scaled);
    editor.ReleaseBitmap(cropped);

    // An image the cache never held is left to its owner.
    PIX_MemBitmap own(2, 2);
    editor.ReleaseBitmap(IBitmap(&own, 2, 2));
    editor.ReleaseBitmap(IBitmap());
    EXPECT_EQ(own.getWidth(), 2);
}

TEST(BitmapStorage, FindAddRemove) {
    BitmapStorage storage;
    auto* a = new PIX_MemBitmap(1, 1);
    auto* b = new PIX_MemBitmap(2, 2);
    EXPECT_EQ(storage.Find(7), nullptr);
    storage.Add(a, 7);
    storage.Add(b, 7); // a duplicate id answers with the first
    EXPECT_EQ(storage.Find(7), a);
    storage.Remove(a);
    EXPECT_EQ(storage.Find(7), b);
    PIX_MemBitmap stranger;
    storage.Remove(&stranger);
    EXPECT_EQ(storage.Find(7), b); // b is deleted with the storage
}
