// Images drawn into bitmap contexts land where and how Quartz puts them: byte layouts, the
// orientation under flipped transforms, nearest-neighbour scaling, clipping and blending; bad
// arguments are refused. Colour spaces, ColorSync and Gestalt answer from the window system.

#include "CGInternal.h"
#include "ColorSync.h"
#include "CoreServices.h"
#include "TestSupport.h"

#include <cmath>
#include <vector>

namespace {

constexpr CGBitmapInfo kARGBHost = kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host;

// Owns a CoreGraphics object.
template <class T> using CGHolder = CFHolder<T>;

CGContextRef MakeContext(size_t width, size_t height) {
    CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
    CGContextRef context = CGBitmapContextCreate(nullptr, width, height, 8, 0, space, kARGBHost);
    CGColorSpaceRelease(space);
    return context;
}

constexpr uint32_t Raster(uint32_t red, uint32_t green, uint32_t blue) {
    return RasterPixel(0xFF000000 | red << 16 | green << 8 | blue);
}

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

TEST(CGImage, AlphaNoneSkipFirstWithTheDefaultOrderReadsRasterPixelsDirectly) {
    // In memory: ignored alpha, red, green, blue, the pixels the raster library stores.
    const uint32_t pixels[2] = {Raster(0x11, 0x22, 0x33) | 0x00, Raster(0xAA, 0xBB, 0xCC) | 0x7F};
    const auto* bytes = reinterpret_cast<const uint8_t*>(pixels);
    EXPECT_EQ(bytes[1], 0x11);
    EXPECT_EQ(bytes[3], 0x33);
    CGHolder<CGImageRef> image(
        CreateImage(pixels, sizeof pixels, 2, 1, 32, 8, kCGImageAlphaNoneSkipFirst));
    ASSERT_TRUE(image);
    CGHolder<CGContextRef> context(MakeContext(2, 1));
    CGContextDrawImage(context.Get(), CGRectMake(0, 0, 2, 1), image.Get());
    // The ignored byte reads as opaque, whatever it held.
    EXPECT_EQ(PixelAt(context.Get(), 0, 0), 0xFF112233u);
    EXPECT_EQ(PixelAt(context.Get(), 1, 0), 0xFFAABBCCu);
}

TEST(CGImage, EveryLayoutBlendsOverWhiteAsItsAlphaSays) {
    struct Case {
        const char* name;
        CGBitmapInfo info;
        size_t bitsPerPixel;
        uint8_t bytes[4];
        uint32_t expected; // ARGB over opaque white
    };
    // Premultiplied: red 0x40, blue 0x80 at alpha 0x80; straight: red 0xFF, blue 0x80.
    const Case cases[] = {
        {"premultiplied first",
         kCGImageAlphaPremultipliedFirst,
         32,
         {0x80, 0x40, 0x00, 0x80},
         0xFFBF7FFF},
        {"premultiplied last",
         kCGImageAlphaPremultipliedLast,
         32,
         {0x40, 0x00, 0x80, 0x80},
         0xFFBF7FFF},
        {"premultiplied first, little",
         kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little,
         32,
         {0x80, 0x00, 0x40, 0x80},
         0xFFBF7FFF},
        {"first", kCGImageAlphaFirst, 32, {0x80, 0xFF, 0x00, 0x80}, 0xFFFF7FBF},
        {"last", kCGImageAlphaLast, 32, {0xFF, 0x00, 0x80, 0x80}, 0xFFFF7FBF},
        {"none skip last", kCGImageAlphaNoneSkipLast, 32, {0x12, 0x34, 0x56, 0x00}, 0xFF123456},
        {"none skip first, big",
         kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Big,
         32,
         {0x00, 0x12, 0x34, 0x56},
         0xFF123456},
        {"none skip first, little",
         kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little,
         32,
         {0x56, 0x34, 0x12, 0x00},
         0xFF123456},
        {"none, 24 bits", kCGImageAlphaNone, 24, {0x12, 0x34, 0x56, 0x00}, 0xFF123456},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGHolder<CGImageRef> image(
            CreateImage(c.bytes, sizeof c.bytes, 1, 1, c.bitsPerPixel, 4, c.info));
        ASSERT_TRUE(image);
        CGHolder<CGContextRef> context(MakeContext(1, 1));
        CGContextSetRGBFillColor(context.Get(), 1, 1, 1, 1);
        CGContextFillRect(context.Get(), CGRectMake(0, 0, 1, 1));
        CGContextDrawImage(context.Get(), CGRectMake(0, 0, 1, 1), image.Get());
        EXPECT_EQ(PixelAt(context.Get(), 0, 0), c.expected);
    }
}

TEST(CGImage, RefusesWhatItCannotRead) {
    std::vector<uint8_t> bytes(4 * 4 * 3);
    CGHolder<CGColorSpaceRef> space(CGColorSpaceCreateDeviceRGB());
    CGHolder<CGDataProviderRef> provider(
        CGDataProviderCreateWithData(nullptr, bytes.data(), bytes.size(), nullptr));
    auto create = [&](size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                      size_t bytesPerRow, CGColorSpaceRef colorSpace, CGBitmapInfo info,
                      const CGFloat* decode = nullptr) {
        CGImageRef image =
            CGImageCreate(width, height, bitsPerComponent, bitsPerPixel, bytesPerRow, colorSpace,
                          info, provider.Get(), decode, false, kCGRenderingIntentDefault);
        const bool made = image != nullptr;
        CGImageRelease(image);
        return made;
    };
    const CGBitmapInfo skipFirst = kCGImageAlphaNoneSkipFirst;
    EXPECT_TRUE(create(4, 3, 8, 32, 16, space.Get(), skipFirst));
    // The last row need only hold its pixels.
    EXPECT_TRUE(create(3, 3, 8, 32, 16, space.Get(), skipFirst));
    EXPECT_FALSE(create(4, 4, 8, 32, 16, space.Get(), skipFirst)) << "more rows than bytes";
    EXPECT_FALSE(create(4, 3, 8, 32, 12, space.Get(), skipFirst)) << "rows shorter than pixels";
    EXPECT_FALSE(create(0, 3, 8, 32, 16, space.Get(), skipFirst));
    EXPECT_FALSE(create(4, 3, 16, 64, 32, space.Get(), skipFirst)) << "16-bit components";
    EXPECT_FALSE(create(4, 3, 8, 24, 16, space.Get(), skipFirst)) << "bits per pixel mismatch";
    EXPECT_FALSE(create(4, 3, 8, 32, 16, space.Get(), kCGImageAlphaOnly));
    EXPECT_FALSE(create(4, 3, 8, 32, 16, space.Get(), skipFirst | 1u << 12))
        << "16-bit little-endian order";
    EXPECT_FALSE(create(4, 3, 8, 32, 16, nullptr, skipFirst)) << "no colour space";
    const CGFloat decode[6] = {0, 1, 0, 1, 0, 1};
    EXPECT_FALSE(create(4, 3, 8, 32, 16, space.Get(), skipFirst, decode));
    EXPECT_FALSE(create(SIZE_MAX / 2, 2, 8, 32, SIZE_MAX / 2, space.Get(), skipFirst))
        << "sizes that overflow";
    EXPECT_FALSE(CGImageCreate(1, 1, 8, 32, 4, space.Get(), skipFirst, nullptr, nullptr, false,
                               kCGRenderingIntentDefault));
}

TEST(CGImage, KeepsItsProviderAndTheProviderReleasesItsBytesOnce) {
    static int releases;
    releases = 0;
    auto* bytes = new uint8_t[4]{0, 1, 2, 3};
    CGDataProviderRef provider =
        CGDataProviderCreateWithData(nullptr, bytes, 4, [](void*, const void* data, size_t size) {
            EXPECT_EQ(size, 4u);
            delete[] static_cast<const uint8_t*>(data);
            ++releases;
        });
    CGHolder<CGColorSpaceRef> space(CGColorSpaceCreateDeviceRGB());
    CGImageRef image = CGImageCreate(1, 1, 8, 32, 4, space.Get(), kCGImageAlphaNoneSkipFirst,
                                     provider, nullptr, false, kCGRenderingIntentDefault);
    CGDataProviderRelease(provider);
    EXPECT_EQ(releases, 0);
    CGImageRelease(image);
    EXPECT_EQ(releases, 1);
}

// A column of two pixels: red on top, blue below.
struct RedOverBlue {
    const uint32_t pixels[2] = {Raster(0xFF, 0, 0), Raster(0, 0, 0xFF)};
    CGHolder<CGImageRef> image{
        CreateImage(pixels, sizeof pixels, 1, 2, 32, 4, kCGImageAlphaNoneSkipFirst)};
};

TEST(CGContextDrawImage, PutsTheFirstRowOnTopUnlessTheTransformIsFlipped) {
    RedOverBlue source;
    CGHolder<CGContextRef> context(MakeContext(1, 2));
    CGContextDrawImage(context.Get(), CGRectMake(0, 0, 1, 2), source.image.Get());
    EXPECT_EQ(PixelAt(context.Get(), 0, 0), kRed);
    EXPECT_EQ(PixelAt(context.Get(), 0, 1), kBlue);

    // y down from the top, as a flipped view draws: the image comes out upside down.
    CGContextResetState(context.Get(), CGAffineTransformMake(1, 0, 0, -1, 0, 2));
    CGContextDrawImage(context.Get(), CGRectMake(0, 0, 1, 2), source.image.Get());
    EXPECT_EQ(PixelAt(context.Get(), 0, 0), kBlue);
    EXPECT_EQ(PixelAt(context.Get(), 0, 1), kRed);
}

TEST(CGContextDrawImage, ScalesNearestNeighbourFromPixelCentres) {
    const uint32_t row[3] = {Raster(0xFF, 0, 0), Raster(0, 0xFF, 0), Raster(0, 0, 0xFF)};
    CGHolder<CGImageRef> image(
        CreateImage(row, sizeof row, 3, 1, 32, 12, kCGImageAlphaNoneSkipFirst));
    // Shrinking three columns to two samples the centres at 0.75 and 2.25.
    CGHolder<CGContextRef> narrow(MakeContext(2, 1));
    CGContextDrawImage(narrow.Get(), CGRectMake(0, 0, 2, 1), image.Get());
    EXPECT_EQ(PixelAt(narrow.Get(), 0, 0), kRed);
    EXPECT_EQ(PixelAt(narrow.Get(), 1, 0), kBlue);
    // Doubling through a scaled transform repeats every pixel in a 2 x 2 block.
    CGHolder<CGContextRef> wide(MakeContext(6, 2));
    CGContextResetState(wide.Get(), CGAffineTransformMake(2, 0, 0, 2, 0, 0));
    CGContextDrawImage(wide.Get(), CGRectMake(0, 0, 3, 1), image.Get());
    const uint32_t expected[3] = {kRed, kGreen, kBlue};
    for (size_t y = 0; y < 2; ++y)
        for (size_t x = 0; x < 6; ++x)
            EXPECT_EQ(PixelAt(wide.Get(), x, y), expected[x / 2]) << x << ", " << y;
}

TEST(CGContextDrawImage, StaysInsideTheClipAndTheBitmap) {
    RedOverBlue source;
    CGHolder<CGContextRef> context(MakeContext(4, 2));
    CGContextSaveGState(context.Get());
    CGContextClipToRect(context.Get(), CGRectMake(1, 0, 2, 2));
    const CGRect clip = CGContextGetClipBoundingBox(context.Get());
    EXPECT_EQ(clip.origin.x, 1);
    EXPECT_EQ(clip.size.width, 2);
    // Wider than the bitmap and partly off it.
    CGContextDrawImage(context.Get(), CGRectMake(-10, 0, 40, 2), source.image.Get());
    EXPECT_EQ(PixelAt(context.Get(), 0, 0), 0u);
    EXPECT_EQ(PixelAt(context.Get(), 1, 0), kRed);
    EXPECT_EQ(PixelAt(context.Get(), 2, 1), kBlue);
    EXPECT_EQ(PixelAt(context.Get(), 3, 1), 0u);
    CGContextRestoreGState(context.Get());
    CGContextSetRGBFillColor(context.Get(), 0, 1, 0, 1);
    CGContextFillRect(context.Get(), CGRectMake(3, 0, 1, 1));
    EXPECT_EQ(PixelAt(context.Get(), 3, 1), kGreen) << "the clip was restored";

    // Nothing to draw, or nothing to draw into.
    CGContextDrawImage(context.Get(), CGRectMake(0, 0, NAN, 2), source.image.Get());
    CGContextDrawImage(context.Get(), CGRectNull, source.image.Get());
    CGContextDrawImage(context.Get(), CGRectMake(0, 0, 4, 2), nullptr);
    CGContextDrawImage(nullptr, CGRectMake(0, 0, 4, 2), source.image.Get());
    CGContextResetState(context.Get(), CGAffineTransformMake(0, 0, 0, 1, 0, 0));
    CGContextDrawImage(context.Get(), CGRectMake(0, 0, 4, 2), source.image.Get());
    EXPECT_EQ(PixelAt(context.Get(), 0, 0), 0u);
}

TEST(CGContext, ConvertsSizesThroughTheWholeTransform) {
    CGHolder<CGContextRef> context(MakeContext(4, 4));
    CGSize size = CGContextConvertSizeToDeviceSpace(context.Get(), CGSizeMake(1, 1));
    EXPECT_EQ(size.width, 1);
    CGContextResetState(context.Get(), CGAffineTransformMake(2, 0, 0, -2, 0, 4));
    size = CGContextConvertSizeToDeviceSpace(context.Get(), CGSizeMake(1, 1));
    EXPECT_EQ(size.width, 2);
    EXPECT_EQ(size.height, -2);
}

TEST(CGBitmapContext, TakesOnlyTheLayoutsQuartzDrawsInto) {
    CGHolder<CGColorSpaceRef> space(CGColorSpaceCreateDeviceRGB());
    auto made = [&](size_t width, size_t height, size_t bytesPerRow, CGColorSpaceRef colorSpace,
                    CGBitmapInfo info) {
        CGContextRef context =
            CGBitmapContextCreate(nullptr, width, height, 8, bytesPerRow, colorSpace, info);
        const bool ok = context != nullptr;
        if (ok) {
            EXPECT_EQ(CGBitmapContextGetBytesPerRow(context),
                      bytesPerRow ? bytesPerRow : width * 4);
        }
        CGContextRelease(context);
        return ok;
    };
    EXPECT_TRUE(made(3, 2, 0, space.Get(), kARGBHost));
    EXPECT_TRUE(made(3, 2, 16, space.Get(), kCGImageAlphaNoneSkipFirst));
    EXPECT_TRUE(made(3, 2, 0, space.Get(), kCGImageAlphaPremultipliedLast));
    EXPECT_FALSE(made(3, 2, 0, space.Get(), kCGImageAlphaFirst)) << "straight alpha";
    EXPECT_FALSE(made(3, 2, 0, space.Get(), kCGImageAlphaNone));
    EXPECT_FALSE(made(3, 2, 8, space.Get(), kARGBHost)) << "rows too short";
    EXPECT_FALSE(made(0, 2, 0, space.Get(), kARGBHost));
    EXPECT_FALSE(made(3, 2, 0, nullptr, kARGBHost));
    EXPECT_FALSE(made(SIZE_MAX / 4, 8, 0, space.Get(), kARGBHost));
}

TEST(CGContext, FillsBlendHalfTransparentColoursSourceOver) {
    CGHolder<CGContextRef> context(MakeContext(2, 1));
    CGContextSetRGBFillColor(context.Get(), 0, 0, 1, 1);
    CGContextFillRect(context.Get(), CGRectMake(0, 0, 2, 1));
    CGContextSetRGBFillColor(context.Get(), 1, 0, 0, 0.5);
    // Half of the left pixel's centre is not covered: only the right one changes.
    CGContextFillRect(context.Get(), CGRectMake(0.6, 0, 1.4, 1));
    EXPECT_EQ(PixelAt(context.Get(), 0, 0), kBlue);
    EXPECT_EQ(PixelAt(context.Get(), 1, 0), 0xFF80007Fu);
}

// ---- Colour spaces, ColorSync, Gestalt -----------------------------------------------------

using SystemTest = HeadlessTest;

TEST_F(SystemTest, ColourSpacesFromTheSystemProfileCarryItsName) {
    CMProfileRef profile = nullptr;
    ASSERT_EQ(CMGetSystemProfile(&profile), noErr);
    CGHolder<CGColorSpaceRef> space(CGColorSpaceCreateWithPlatformColorSpace(profile));
    EXPECT_EQ(CMCloseProfile(profile), noErr);
    ASSERT_TRUE(space);
    EXPECT_EQ(CGColorSpaceGetModel(space.Get()), kCGColorSpaceModelRGB);
    CFHolder<CFStringRef> name(CGColorSpaceCopyName(space.Get()));
    EXPECT_EQ(CFText(name.Get()), "Generic RGB Profile");
    CGHolder<CGColorSpaceRef> device(CGColorSpaceCreateDeviceRGB());
    EXPECT_EQ(CGColorSpaceCopyName(device.Get()), nullptr);

    headless->script.systemColorProfile.reset();
    profile = reinterpret_cast<CMProfileRef>(1);
    EXPECT_EQ(CMGetSystemProfile(&profile), cmProfileError);
    EXPECT_EQ(profile, nullptr);
    EXPECT_EQ(CGColorSpaceCreateWithPlatformColorSpace(nullptr), nullptr);
    EXPECT_EQ(CMGetSystemProfile(nullptr), paramErr);
    EXPECT_EQ(CMCloseProfile(nullptr), paramErr);
}

TEST_F(SystemTest, GestaltReportsTheSystemVersionInDecimalDigits) {
    SInt32 version = 0;
    ASSERT_EQ(Gestalt(gestaltSystemVersion, &version), noErr);
    EXPECT_EQ(version, 0x1068);
    headless->script.systemVersion = SystemVersion{10, 7, 5};
    Gestalt(gestaltSystemVersion, &version);
    EXPECT_EQ(version, 0x1075);
    // Past 9 a digit saturates; the separate selectors tell the truth.
    headless->script.systemVersion = SystemVersion{10, 15, 7};
    Gestalt(gestaltSystemVersion, &version);
    EXPECT_EQ(version, 0x1097);
    Gestalt(gestaltSystemVersionMinor, &version);
    EXPECT_EQ(version, 15);
    Gestalt(gestaltSystemVersionMajor, &version);
    EXPECT_EQ(version, 10);
    Gestalt(gestaltSystemVersionBugFix, &version);
    EXPECT_EQ(version, 7);

    EXPECT_EQ(Gestalt(FourCharCodeFromText("xxxx"), &version), gestaltUndefSelectorErr);
    EXPECT_EQ(version, 7);
    EXPECT_EQ(Gestalt(gestaltSystemVersion, nullptr), paramErr);
}

TEST_F(SystemTest, TheCursorHidesCountedAndMovesWithTheMouseLocation) {
    const CGDirectDisplayID display = CGMainDisplayID();
    EXPECT_EQ(CGDisplayPixelsHigh(display), 900u);
    EXPECT_EQ(CGDisplayHideCursor(display), kCGErrorSuccess);
    EXPECT_EQ(CGDisplayHideCursor(display), kCGErrorSuccess);
    EXPECT_EQ(headless->CursorHideCount(), 2);
    EXPECT_EQ(CGDisplayShowCursor(display), kCGErrorSuccess);
    EXPECT_FALSE(headless->CursorVisible());
    EXPECT_EQ(CGDisplayShowCursor(display), kCGErrorSuccess);
    EXPECT_TRUE(headless->CursorVisible());
    EXPECT_EQ(CGDisplayShowCursor(display), kCGErrorSuccess);
    EXPECT_EQ(headless->CursorHideCount(), 0) << "shows beyond the hides do not bank";

    // Display coordinates count down from the top, screen coordinates up from the bottom.
    EXPECT_EQ(CGDisplayMoveCursorToPoint(display, CGPointMake(100, 250)), kCGErrorSuccess);
    const NSPoint location = NSEvent::mouseLocation();
    EXPECT_EQ(location.x, 100);
    EXPECT_EQ(location.y, 650);
    headless->MovePointer(CGPointMake(5, 890));
    EXPECT_EQ(NSEvent::mouseLocation().y, 10);

    headless->script.cursorCallsFail = true;
    EXPECT_EQ(CGDisplayHideCursor(display), kCGErrorCannotComplete);
    EXPECT_TRUE(headless->CursorVisible());
    EXPECT_EQ(CGDisplayHideCursor(display + 1), kCGErrorIllegalArgument);
    EXPECT_EQ(CGDisplayPixelsHigh(display + 1), 0u);
}

} // namespace
