// The editor's images as the build leaves them, and the layout they are drawn for.

#include "pix.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

namespace b = brindlex;
namespace fs = std::filesystem;

fs::path BuildDir() {
    const char* dir = std::getenv("BRINDLEX_BUILD_DIR");
    return dir ? fs::path(dir) : fs::current_path();
}

// Each image loaded once, as the editor would load it; null when it cannot be.
PIX_IBitmap* Image(const b::ImageResource& image) {
    static std::map<int, std::unique_ptr<PIX_IBitmap>> loaded;
    auto& slot = loaded[image.id];
    if (!slot) slot.reset(PIX_LoadPNG((BuildDir() / image.file).c_str()));
    return slot.get();
}

// Frame i (0-based) of an image as a bitmap of its own.
std::unique_ptr<PIX_MemBitmap> Frame(const b::ImageResource& image, int i) {
    auto frame = std::make_unique<PIX_MemBitmap>(image.width, image.height);
    PIX_Blit(frame.get(), Image(image), 0, 0, 0, i * image.height, image.width, image.height, 1.0f,
             PIX_COMBINE_COPY);
    return frame;
}

double Luminance(PIX_pixel p) {
    return 0.3 * PIX_GETR(p) + 0.59 * PIX_GETG(p) + 0.11 * PIX_GETB(p);
}

// Centre of the pixels where test(pixel of a, pixel of b) holds, for two frames of one image;
// (-1, -1) for none.
template <class Test>
std::array<double, 2> Centroid(const b::ImageResource& image, int a, int b, Test&& test) {
    const auto fa = Frame(image, a), fb = Frame(image, b);
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (test(PIX_GetPixel(fa.get(), x, y), PIX_GetPixel(fb.get(), x, y)))
                sx += x, sy += y, ++n;
    if (n == 0) return {-1, -1};
    return {sx / n, sy / n};
}

double MeanLuminance(PIX_IBitmap* frame) {
    double sum = 0, weight = 0;
    for (int y = 0; y < frame->getHeight(); ++y)
        for (int x = 0; x < frame->getWidth(); ++x) {
            const PIX_pixel p = PIX_GetPixel(frame, x, y);
            const double a = PIX_GETA(p) / 255.0;
            sum += a * Luminance(p);
            weight += a;
        }
    return weight > 0 ? sum / weight : 0;
}

const b::ImageResource* const kStrips[] = {&b::kAttKnobImage, &b::kGainKnobImage,
                                           &b::kSmallKnobImage, &b::kMAMeterImage,
                                           &b::kRefMeterImage};
const b::ImageResource* const kMeters[] = {&b::kMAMeterImage, &b::kRefMeterImage};
const b::ImageResource* const kTwoFrameImages[] = {&b::kPowerLightImage, &b::kLightImage,
                                                   &b::kPowerSwitchImage, &b::kSwitch2Image};

// ---------------------------------------------------------------------------------------------
// The layout

TEST(Layout, ControlsStayOnTheEditorAndClearOfEachOther) {
    ASSERT_EQ(b::kNumControls, 17);
    for (int i = 0; i < b::kNumControls; ++i) {
        const b::ControlPlacement& c = *b::kControls[i];
        SCOPED_TRACE(i + 1);
        EXPECT_GE(c.x, 0);
        EXPECT_GE(c.y, 0);
        EXPECT_LE(c.x + c.image->width, b::kEditorWidth);
        EXPECT_LE(c.y + c.image->height, b::kEditorHeight);
        for (int j = i + 1; j < b::kNumControls; ++j) {
            const b::ControlPlacement& d = *b::kControls[j];
            const bool apart = c.x + c.image->width <= d.x || d.x + d.image->width <= c.x ||
                               c.y + c.image->height <= d.y || d.y + d.image->height <= c.y;
            EXPECT_TRUE(apart) << "controls " << i + 1 << " and " << j + 1 << " overlap";
        }
    }
}

TEST(Layout, ImagesHaveTheirIdsFilesAndFrameCounts) {
    const std::map<int, std::pair<std::string, int>> expected = {
        {101, {"resources/img/background_custom.png", 1}},
        {102, {"resources/img/Brindlex_attknob.png", 60}},
        {103, {"resources/img/Brindlex_mAmeter.png", 60}},
        {104, {"resources/img/Brindlex_refmeter.png", 60}},
        {105, {"resources/img/Brindlex_powerlight.png", 2}},
        {106, {"resources/img/Brindlex_powerswitch.png", 2}},
        {107, {"resources/img/Brindlex_gainknob.png", 60}},
        {108, {"resources/img/Brindlex_smallknob.png", 60}},
        {109, {"resources/img/Brindlex_switch2.png", 2}},
        {110, {"resources/img/Brindlex_light.png", 2}}};
    ASSERT_EQ(b::kNumImages, 10);
    std::map<int, std::pair<std::string, int>> actual;
    for (const b::ImageResource* image : b::kImages)
        actual[image->id] = {image->file, image->frames};
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(b::kBackgroundImage.width, b::kEditorWidth);
    EXPECT_EQ(b::kBackgroundImage.height, b::kEditorHeight);
}

// ---------------------------------------------------------------------------------------------
// The images

TEST(Images, EveryImageLoadsWithTheSizeAndFramesOfTheTable) {
    for (const b::ImageResource* image : b::kImages) {
        SCOPED_TRACE(image->file);
        PIX_IBitmap* bm = Image(*image);
        ASSERT_NE(bm, nullptr) << "missing or unreadable under " << BuildDir();
        EXPECT_EQ(bm->getWidth(), image->width);
        EXPECT_EQ(bm->getHeight() % image->frames, 0);
        EXPECT_EQ(bm->getHeight() / image->frames, image->height);
    }
}

TEST(Images, BackgroundIsOpaque) {
    PIX_IBitmap* bm = Image(b::kBackgroundImage);
    ASSERT_NE(bm, nullptr);
    int translucent = 0;
    for (int y = 0; y < bm->getHeight(); ++y)
        for (int x = 0; x < bm->getWidth(); ++x)
            translucent += PIX_GETA(PIX_GetPixel(bm, x, y)) != 255;
    EXPECT_EQ(translucent, 0);
}

TEST(Images, EveryKnobAndMeterFrameDiffersFromTheNext) {
    for (const b::ImageResource* image : kStrips) {
        SCOPED_TRACE(image->file);
        ASSERT_NE(Image(*image), nullptr);
        for (int i = 0; i + 1 < image->frames; ++i)
            EXPECT_NE(PIX_BitmapCmp(Frame(*image, i).get(), Frame(*image, i + 1).get()), 0)
                << "frames " << i + 1 << " and " << i + 2;
        EXPECT_NE(PIX_BitmapCmp(Frame(*image, 0).get(), Frame(*image, image->frames - 1).get()), 0);
    }
}

TEST(Images, SwitchAndLampFramesDiffer) {
    for (const b::ImageResource* image : kTwoFrameImages) {
        SCOPED_TRACE(image->file);
        ASSERT_NE(Image(*image), nullptr);
        EXPECT_NE(PIX_BitmapCmp(Frame(*image, 0).get(), Frame(*image, 1).get()), 0);
    }
}

TEST(Images, KnobsAndLampsAreTransparentInTheirCorners) {
    for (const b::ImageResource* image :
         {&b::kAttKnobImage, &b::kGainKnobImage, &b::kSmallKnobImage, &b::kPowerLightImage,
          &b::kLightImage}) {
        SCOPED_TRACE(image->file);
        ASSERT_NE(Image(*image), nullptr);
        for (int i = 0; i < image->frames; ++i) {
            const auto frame = Frame(*image, i);
            const int w = image->width - 1, h = image->height - 1;
            for (const auto& [x, y] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}})
                EXPECT_EQ(PIX_GETA(PIX_GetPixel(frame.get(), x, y)), 0)
                    << "frame " << i + 1 << " at " << x << ", " << y;
        }
    }
}

// Shadows and glows fade out within the image, so no control shows a hard edge on the panel.
TEST(Images, ControlsFadeOutBeforeTheirEdges) {
    for (const b::ImageResource* image : b::kImages) {
        if (image == &b::kBackgroundImage) continue;
        SCOPED_TRACE(image->file);
        ASSERT_NE(Image(*image), nullptr);
        for (int i = 0; i < image->frames; ++i) {
            const auto frame = Frame(*image, i);
            int edge = 0;
            for (int x = 0; x < image->width; ++x)
                edge = std::max({edge, PIX_GETA(PIX_GetPixel(frame.get(), x, 0)),
                                 PIX_GETA(PIX_GetPixel(frame.get(), x, image->height - 1))});
            for (int y = 0; y < image->height; ++y)
                edge = std::max({edge, PIX_GETA(PIX_GetPixel(frame.get(), 0, y)),
                                 PIX_GETA(PIX_GetPixel(frame.get(), image->width - 1, y))});
            EXPECT_LE(edge, 8) << "frame " << i + 1;
        }
    }
}

TEST(Images, ControlsAreOpaqueAtTheirCentre) {
    for (const b::ImageResource* image : b::kImages) {
        SCOPED_TRACE(image->file);
        ASSERT_NE(Image(*image), nullptr);
        for (int i = 0; i < image->frames; ++i)
            EXPECT_EQ(PIX_GETA(PIX_GetPixel(Image(*image), image->width / 2,
                                            i * image->height + image->height / 2)),
                      255);
    }
}

// The painted pointer is the only cream on a knob: it starts at the lower left for the lowest
// value and ends at the lower right.
TEST(Images, KnobPointersSweepFromLowerLeftToLowerRight) {
    const auto cream = [](PIX_pixel p, PIX_pixel) {
        return PIX_GETA(p) > 200 && PIX_GETR(p) > 200 && PIX_GETB(p) > 170 &&
               PIX_GETR(p) - PIX_GETB(p) > 12;
    };
    for (const b::ImageResource* image : {&b::kAttKnobImage, &b::kSmallKnobImage}) {
        SCOPED_TRACE(image->file);
        ASSERT_NE(Image(*image), nullptr);
        const double cx = image->width / 2.0, cy = image->height / 2.0;
        const int last = image->frames - 1;
        const auto low = Centroid(*image, 0, 0, cream);
        const auto middle = Centroid(*image, last / 2, 0, cream);
        const auto high = Centroid(*image, last, 0, cream);
        EXPECT_LT(low[0], cx);
        EXPECT_GT(low[1], cy);
        EXPECT_LT(middle[1], cy);
        EXPECT_GT(high[0], cx);
        EXPECT_GT(high[1], cy);
    }
}

// Where one frame's face is much darker than another's lies the first frame's needle: at rest
// on the left, at full scale on the right.
TEST(Images, MeterNeedlesSweepFromLeftToRight) {
    const auto needle = [](PIX_pixel p, PIX_pixel other) {
        return Luminance(p) + 60 < Luminance(other);
    };
    for (const b::ImageResource* image : kMeters) {
        SCOPED_TRACE(image->file);
        ASSERT_NE(Image(*image), nullptr);
        const int last = image->frames - 1;
        EXPECT_LT(Centroid(*image, 0, last, needle)[0], image->width / 2.0 - 10);
        EXPECT_GT(Centroid(*image, last, 0, needle)[0], image->width / 2.0 + 10);
    }
}

TEST(Images, LitLampsAreBrighterThanDarkOnes) {
    for (const b::ImageResource* image : {&b::kPowerLightImage, &b::kLightImage}) {
        SCOPED_TRACE(image->file);
        ASSERT_NE(Image(*image), nullptr);
        EXPECT_GT(MeanLuminance(Frame(*image, 1).get()),
                  MeanLuminance(Frame(*image, 0).get()) + 20);
    }
}

// Frame 1 shows a switch off: the power switches' levers point down, the width switch's to
// the left; frame 2 the other way. The lever is where one frame is solid and the other not.
TEST(Images, SwitchLeversPointDownOrLeftWhenOff) {
    const auto lever = [](PIX_pixel p, PIX_pixel other) {
        return PIX_GETA(p) == 255 && PIX_GETA(other) < 128;
    };
    const b::ImageResource& power = b::kPowerSwitchImage;
    ASSERT_NE(Image(power), nullptr);
    EXPECT_GT(Centroid(power, 0, 1, lever)[1], power.height / 2.0);
    EXPECT_LT(Centroid(power, 1, 0, lever)[1], power.height / 2.0);
    const b::ImageResource& width = b::kSwitch2Image;
    ASSERT_NE(Image(width), nullptr);
    EXPECT_LT(Centroid(width, 0, 1, lever)[0], width.width / 2.0);
    EXPECT_GT(Centroid(width, 1, 0, lever)[0], width.width / 2.0);
}

// ---------------------------------------------------------------------------------------------
// The tool

// A scratch path of the running test's own, so that tests may run side by side.
fs::path Scratch(const std::string& what) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return fs::temp_directory_path() / ("make-images-" + std::string(test->name()) + "-" + what);
}

int RunTool(const std::string& arguments, std::string* output) {
    const fs::path log = Scratch("log");
    const std::string command =
        std::string(BRINDLEX_MAKE_IMAGES) + " " + arguments + " >" + log.string() + " 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    fs::remove(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Tool, WithoutAnOutputFolderPrintsItsUsage) {
    std::string output;
    EXPECT_EQ(RunTool("", &output), 2);
    EXPECT_NE(output.find("usage: make-images OUTDIR"), std::string::npos) << output;
}

TEST(Tool, NamesTheFolderItCannotCreate) {
    const fs::path file = Scratch("file");
    std::ofstream(file) << "not a folder";
    const fs::path outDir = file / "img";
    std::string output;
    EXPECT_EQ(RunTool(outDir.string(), &output), 1);
    EXPECT_NE(output.find("cannot create " + outDir.string()), std::string::npos) << output;
    fs::remove(file);
}

} // namespace
