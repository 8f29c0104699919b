#include "TestSupport.h"

#include "CFInternal.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <sstream>

CFStringRef MakeString(const char* text) {
    return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
}

long RetainCount(CFTypeRef object) {
    return static_cast<const CFObject*>(object)->retainCount.load();
}

namespace {

constexpr const char* kInfoPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0">
<dict>
	<key>CFBundleExecutable</key>
	<string>PlatformTest</string>
	<key>CFBundleIdentifier</key>
	<string>org.brindlex.platform-test</string>
	<key>CFBundleName</key>
	<string>Platform Test</string>
</dict>
</plist>
)";

TestComponentBundle MakeAndLoad() {
    namespace fs = std::filesystem;
    // Lives as long as the process: the shared object stays mapped from it.
    static TempFolder folder;
    TestComponentBundle bundle;
    bundle.bundlePath = folder.Path() + "/PlatformTest.component";
    const std::string contents = bundle.bundlePath + "/Contents";
    fs::create_directories(contents + "/Resources");
    fs::create_directories(contents + "/" BUNDLE_EXECUTABLE_FOLDER);
    WriteTextFile(contents + "/Info.plist", kInfoPlist);
    WriteTextFile(contents + "/Resources/knob.png", "not really an image");
    bundle.executablePath = contents + "/" BUNDLE_EXECUTABLE_FOLDER "/PlatformTest.so";
    fs::copy_file(TEST_COMPONENT_PATH, bundle.executablePath);
    void* module = dlopen(bundle.executablePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) throw std::runtime_error(dlerror());
    bundle.entry =
        reinterpret_cast<ComponentRoutineUPP>(dlsym(module, "PlatformTestComponent_Entry"));
    if (!bundle.entry) throw std::runtime_error("the test component has no entry");
    return bundle;
}

} // namespace

const TestComponentBundle& LoadTestComponentBundle() {
    static const TestComponentBundle bundle = MakeAndLoad();
    return bundle;
}

void HeadlessTest::SetUp() {
    SetWindowSystem(nullptr);
    headless = GetHeadlessWindowSystem();
    mPool = new NSAutoreleasePool;
}

void HeadlessTest::TearDown() {
    mPool->release();
}

uint32_t PixelAt(CGContextRef context, size_t x, size_t y) {
    const auto* row = static_cast<const unsigned char*>(CGBitmapContextGetData(context)) +
                      y * CGBitmapContextGetBytesPerRow(context);
    uint32_t pixel;
    std::memcpy(&pixel, row + x * 4, sizeof pixel);
    return pixel;
}

void RunUntil(NSTimeInterval time) {
    NSRunLoop::mainRunLoop()->runUntilDate(NSDate::dateWithTimeIntervalSinceReferenceDate(time));
}

CGImageRef CreateImage(const void* bytes, size_t size, size_t width, size_t height,
                       size_t bitsPerPixel, size_t bytesPerRow, CGBitmapInfo info) {
    CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
    CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, bytes, size, nullptr);
    CGImageRef image = CGImageCreate(width, height, 8, bitsPerPixel, bytesPerRow, space, info,
                                     provider, nullptr, false, kCGRenderingIntentDefault);
    CGDataProviderRelease(provider);
    CGColorSpaceRelease(space);
    return image;
}
