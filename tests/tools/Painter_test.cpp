// The image tool's drawing: layers with straight alpha, compositing, shadows and glows, text
// placement, strips, and the composed editor.

#include "Images.h"
#include "Painter.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

namespace b = brindlex;

void ExpectColour(PIX_pixel actual, int r, int g, int b, int a, int tolerance = 2) {
    EXPECT_NEAR(PIX_GETR(actual), r, tolerance);
    EXPECT_NEAR(PIX_GETG(actual), g, tolerance);
    EXPECT_NEAR(PIX_GETB(actual), b, tolerance);
    EXPECT_NEAR(PIX_GETA(actual), a, tolerance);
}

// Bounding box of the pixels with any alpha: left, top, right, bottom (exclusive).
PIX_Rect Ink(PIX_IBitmap* bm) {
    PIX_Rect box = {bm->getWidth(), bm->getHeight(), 0, 0};
    for (int y = 0; y < bm->getHeight(); ++y)
        for (int x = 0; x < bm->getWidth(); ++x)
            if (PIX_GETA(PIX_GetPixel(bm, x, y)) > 0) {
                box.left = std::min(box.left, x), box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1), box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

TEST(Layer, UntouchedPixelsAreTransparentAndOpaquePaintExact) {
    const Bitmap layer =
        RenderLayer(20, 10, [](Painter& p) { p.Rect(5, 0, 10, 10, Rgb(200, 40, 10)); });
    ASSERT_EQ(layer->getWidth(), 20);
    ASSERT_EQ(layer->getHeight(), 10);
    EXPECT_EQ(PIX_GETA(PIX_GetPixel(layer.get(), 2, 5)), 0);
    EXPECT_EQ(PIX_GETA(PIX_GetPixel(layer.get(), 17, 5)), 0);
    EXPECT_EQ(PIX_GetPixel(layer.get(), 10, 5), Rgb(200, 40, 10));
}

TEST(Layer, TranslucentPaintKeepsItsColourAndOpacity) {
    const Bitmap layer = RenderLayer(8, 8, [](Painter& p) {
        p.Rect(0, 0, 8, 8, Rgb(200, 40, 10, 128));
        p.Rect(0, 0, 4, 8, Rgb(0, 0, 255, 128));
    });
    ExpectColour(PIX_GetPixel(layer.get(), 6, 4), 200, 40, 10, 128);
    // Half blue over half red: three quarters covered, two thirds of it blue.
    ExpectColour(PIX_GetPixel(layer.get(), 1, 4), 67, 13, 173, 191);
}

// A disc's rim is partly transparent but keeps the disc's colour: no dark fringe from the
// background it was painted over.
TEST(Layer, AntialiasedEdgesCarryTheShapeColour) {
    const Bitmap layer = RenderLayer(30, 30, [](Painter& p) {
        p.Disc({15, 15}, 9.5f, Rgb(230, 180, 40));
    });
    EXPECT_EQ(PIX_GetPixel(layer.get(), 15, 15), Rgb(230, 180, 40));
    int rim = 0;
    for (int x = 0; x < 30; ++x) {
        const PIX_pixel p = PIX_GetPixel(layer.get(), x, 15);
        if (PIX_GETA(p) == 0 || PIX_GETA(p) == 255) continue;
        ++rim;
        ExpectColour(p | 0xff, 230, 180, 40, 255, 3);
    }
    EXPECT_EQ(rim, 2);
}

TEST(Compositing, OverFollowsStraightAlpha) {
    Bitmap dest = MakeBitmap(3, 1, 0);
    PIX_PutPixel(dest.get(), 0, 0, Rgb(0, 0, 255), 1.0f, PIX_COMBINE_COPY);
    PIX_PutPixel(dest.get(), 2, 0, Rgb(0, 0, 255, 128), 1.0f, PIX_COMBINE_COPY);
    const Bitmap src = MakeBitmap(3, 1, Rgb(255, 0, 0, 128));
    Over(dest.get(), src.get());
    ExpectColour(PIX_GetPixel(dest.get(), 0, 0), 128, 0, 127, 255);
    ExpectColour(PIX_GetPixel(dest.get(), 1, 0), 255, 0, 0, 128);
    ExpectColour(PIX_GetPixel(dest.get(), 2, 0), 170, 0, 85, 192);
}

TEST(Compositing, ShadowFallsBelowRightAndLeavesTheObject) {
    Bitmap layer = RenderLayer(40, 40, [](Painter& p) { p.Rect(10, 10, 16, 16, Rgb(90, 90, 90)); });
    AddShadow(layer.get(), 3, 4, 1.5f, 0.6f);
    EXPECT_EQ(PIX_GetPixel(layer.get(), 18, 18), Rgb(90, 90, 90));
    const PIX_pixel below = PIX_GetPixel(layer.get(), 18, 28);
    EXPECT_GT(PIX_GETA(below), 60);
    EXPECT_LT(PIX_GETR(below), 10);
    EXPECT_EQ(PIX_GETA(PIX_GetPixel(layer.get(), 6, 6)), 0);
}

TEST(Compositing, GlowFadesWithDistance) {
    const Bitmap light = RenderLayer(60, 60, [](Painter& p) {
        p.Disc({30, 30}, 8.0f, Rgb(255, 255, 255));
    });
    const Bitmap glow = Glow(light.get(), Rgb(255, 160, 40), 4.0f, 2.0f);
    int previous = 256;
    for (int x = 39; x <= 43; x += 2) {
        const PIX_pixel p = PIX_GetPixel(glow.get(), x, 30);
        EXPECT_LT(PIX_GETA(p), previous) << "at " << x;
        previous = PIX_GETA(p);
        if (PIX_GETA(p) > 0) ExpectColour(p | 0xff, 255, 160, 40, 255);
    }
    EXPECT_GT(previous, 0);
    EXPECT_EQ(PIX_GETA(PIX_GetPixel(glow.get(), 0, 0)), 0);
}

TEST(Text, CentredOnItsCapitals) {
    const Bitmap across = RenderLayer(100, 40, [](Painter& p) {
        p.Text("HHHH", 50, 20, {12.0f, 700}, Rgb(255, 255, 255));
    });
    const PIX_Rect a = Ink(across.get());
    EXPECT_NEAR((a.left + a.right) / 2.0, 50.0, 1.0);
    EXPECT_NEAR((a.top + a.bottom) / 2.0, 20.0, 1.0);
    EXPECT_GT(a.right - a.left, a.bottom - a.top);

    const Bitmap upward = RenderLayer(40, 100, [](Painter& p) {
        p.Text("HHHH", 20, 50, {12.0f, 700, false, 0.0f, true}, Rgb(255, 255, 255));
    });
    const PIX_Rect u = Ink(upward.get());
    EXPECT_NEAR((u.left + u.right) / 2.0, 20.0, 1.0);
    EXPECT_NEAR((u.top + u.bottom) / 2.0, 50.0, 1.0);
    EXPECT_GT(u.bottom - u.top, u.right - u.left);
}

TEST(Text, AlignsToEitherSide) {
    const Bitmap layer = RenderLayer(100, 40, [](Painter& p) {
        p.Text("ON", 50, 10, {10.0f, 700}, Rgb(255, 255, 255), Align::Left);
        p.Text("OFF", 50, 30, {10.0f, 700}, Rgb(255, 255, 255), Align::Right);
    });
    PIX_MemBitmap top(100, 20), bottom(100, 20);
    PIX_Blit(&top, layer.get(), 0, 0, 0, 0, 100, 20, 1.0f, PIX_COMBINE_COPY);
    PIX_Blit(&bottom, layer.get(), 0, 0, 0, 20, 100, 20, 1.0f, PIX_COMBINE_COPY);
    EXPECT_NEAR(Ink(&top).left, 50, 2);
    EXPECT_NEAR(Ink(&bottom).right, 50, 2);
}

TEST(Strip, StacksFramesTopToBottom) {
    const Bitmap strip =
        MakeStrip(4, 3, 5, [](int i) { return MakeBitmap(4, 3, Rgb(i * 50, 0, 0, 200)); });
    ASSERT_EQ(strip->getWidth(), 4);
    ASSERT_EQ(strip->getHeight(), 15);
    for (int i = 0; i < 5; ++i)
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(PIX_GetPixel(strip.get(), 3, i * 3 + y), Rgb(i * 50, 0, 0, 200));
}

// Each image replaced by flat frames of colours of its own, so that what lands where shows which
// image and frame it came from.
TEST(Editor, ControlsLandOnTheirPlacesWithTheChosenFrame) {
    std::vector<Bitmap> images;
    for (int i = 0; i < b::kNumImages; ++i) {
        const b::ImageResource& image = *b::kImages[i];
        images.push_back(MakeStrip(image.width, image.height, image.frames, [&](int frame) {
            return MakeBitmap(image.width, image.height, Rgb(i * 20, frame, 100));
        }));
    }
    const Bitmap editor = ComposeEditor(images, [](int control) { return control % 2 + 1; });
    ASSERT_EQ(editor->getWidth(), b::kEditorWidth);
    ASSERT_EQ(editor->getHeight(), b::kEditorHeight);
    for (int c = 0; c < b::kNumControls; ++c) {
        const b::ControlPlacement& control = *b::kControls[c];
        int index = 0;
        while (b::kImages[index] != control.image)
            ++index;
        for (const auto& [dx, dy] :
             {std::pair{0, 0}, {control.image->width - 1, control.image->height - 1}})
            EXPECT_EQ(PIX_GetPixel(editor.get(), control.x + dx, control.y + dy),
                      Rgb(index * 20, c % 2, 100))
                << "control " << c + 1;
    }
    EXPECT_EQ(PIX_GetPixel(editor.get(), 5, 5), Rgb(0, 0, 100));
}

} // namespace
