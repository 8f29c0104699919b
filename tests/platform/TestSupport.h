#pragma once

// Helpers shared by the platform tests.

#include "AppKit.h"
#include "AudioUnit.h"
#include "CFHolder.h"
#include "CoreFoundation.h"
#include "Files.h"
#include "WindowSystem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

CFStringRef MakeString(const char* text); // owned by the caller

// How many owners the object has, to see who retained and released it.
long RetainCount(CFTypeRef object);

// The test component, laid out as a bundle in a temporary folder and loaded once per process:
// <folder>/PlatformTest.component/Contents/Info.plist (identifier "org.brindlex.platform-test"),
// Contents/Resources/knob.png and Contents/<processor>-linux/PlatformTest.so. It stays loaded
// until the process ends.
struct TestComponentBundle {
    std::string bundlePath;
    std::string executablePath;
    ComponentRoutineUPP entry;
};
const TestComponentBundle& LoadTestComponentBundle();

// Test of AppKit or CoreGraphics: a fresh headless window system and an autorelease pool for
// each test.
class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HeadlessWindowSystem* headless = nullptr;

private:
    NSAutoreleasePool* mPool = nullptr;
};

// A pixel of the raster library's format (alpha in bits 0-7, then red, green and blue) for an
// opaque colour given as 0xAARRGGBB: what an image of kCGImageAlphaNoneSkipFirst reads back as it.
constexpr uint32_t RasterPixel(uint32_t argb) {
    return ((argb >> 16) & 0xFF) << 8 | ((argb >> 8) & 0xFF) << 16 | (argb & 0xFF) << 24;
}

// An image over the bytes (which must outlive it), in device RGB.
CGImageRef CreateImage(const void* bytes, size_t size, size_t width, size_t height,
                       size_t bitsPerPixel, size_t bytesPerRow, CGBitmapInfo info);

// The 32-bit word at column x of row y (counted from the top) of a bitmap context.
uint32_t PixelAt(CGContextRef context, size_t x, size_t y);

// Runs the main run loop until the virtual clock reads the time (seconds since the start).
void RunUntil(NSTimeInterval time);
