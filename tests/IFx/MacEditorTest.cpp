#include "MacEditorTest.h"

#include "PngWriter.h"
#include "TestBundle.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <unistd.h>

const char* const kTestBundleID = "org.brindlex.ifx-tests";

namespace {

void LoadImageBundle() {
    static const bool loaded = [] {
        namespace fs = std::filesystem;
        const fs::path folder =
            fs::temp_directory_path() / ("brindlex-ifx-images-" + std::to_string(getpid()));
        fs::create_directories(folder);
        const std::unique_ptr<PIX_MemBitmap> knob(MakeCoordinateImage(8, 6));
        std::string error;
        for (const char* name : {"knob.png", "fake.gif"})
            if (!WritePng(knob.get(), (folder / name).string(), &error))
                throw std::runtime_error(error);
        std::ofstream(folder / "broken.png") << "not an image";
        LoadTestBundle(kTestBundleID,
                       {(folder / "knob.png").string(), (folder / "fake.gif").string(),
                        (folder / "broken.png").string()});
        fs::remove_all(folder);
        return true;
    }();
    (void)loaded;
}

} // namespace

void MacEditorTest::SetUp() {
    LoadImageBundle();
    SetWindowSystem(nullptr);
    headless = GetHeadlessWindowSystem();
    mPool = new NSAutoreleasePool;
    editor = new IGraphicsMac(&plug, kWidth, kHeight);
    editor->SetBundleID(kTestBundleID);
    plug.AttachGraphics(editor);
}

void MacEditorTest::TearDown() {
    if (window) window->release();
    mPool->release();
}

IGraphicsCocoa* MacEditorTest::OpenInWindow(CGFloat scale) {
    window = (new NSWindow)
                 ->initWithContentRect(NSMakeRect(0, 0, kWidth, kHeight), NSTitledWindowMask,
                                       NSBackingStoreBuffered, false);
    window->setBackingScaleFactor(scale);
    view = static_cast<IGraphicsCocoa*>(editor->OpenWindow(window->contentView()));
    window->orderFront(nullptr);
    Run(0.001);
    return view;
}

void MacEditorTest::Run(NSTimeInterval seconds) {
    NSRunLoop::mainRunLoop()->runUntilDate(NSDate::dateWithTimeIntervalSinceNow(seconds));
}

void MacEditorTest::Send(NSEventType type, int x, int y, NSUInteger flags, NSInteger clicks) {
    const NSPoint at = NSMakePoint(x + 0.5, kHeight - y - 0.5);
    NSEvent* event =
        type == NSScrollWheel
            ? NSEvent::scrollWheelEventWithLocation(at, flags, 0, window->windowNumber(), 0, 3)
            : NSEvent::mouseEventWithType(type, at, flags, 0, window->windowNumber(), nullptr, 0,
                                          clicks, 1);
    window->sendEvent(event);
}

void MacEditorTest::SendKey(const char* characters) {
    NSString* text = NSString::stringWithUTF8String(characters);
    window->sendEvent(NSEvent::keyEventWithType(
        NSKeyDown, NSZeroPoint, 0, 0, window->windowNumber(), nullptr, text, text, false, 0));
}

void MacEditorTest::MovePointerTo(int x, int y) {
    // The window's content sits at the bottom-left corner of the display.
    const CGFloat displayHeight = headless->script.displaySize.height;
    headless->MovePointer(CGPointMake(x + 0.5, displayHeight - (kHeight - y - 0.5)));
}

uint32_t MacEditorTest::ViewPixel(int x, int y) const {
    CGContextRef store = view->backingStore();
    const auto* row = static_cast<const unsigned char*>(CGBitmapContextGetData(store)) +
                      size_t(y) * CGBitmapContextGetBytesPerRow(store);
    uint32_t word;
    std::memcpy(&word, row + size_t(x) * 4, sizeof word);
    return word & 0xFFFFFF;
}
