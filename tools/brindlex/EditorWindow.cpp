#include "EditorWindow.h"

#include "AUCocoaUIView.h"
#include "CFRef.h"
#include "CFValues.h"
#include "CommandError.h"
#include "PngFile.h"
#include "config.h"

#include <cstring>
#include <vector>

namespace {

// The view factory class the unit names, as the platform finds it: by name.
AUCocoaUIBase* MakeViewFactory(const EffectUnit& unit, id* instance) {
    AudioUnitCocoaViewInfo info{};
    UInt32 size = sizeof info;
    const OSStatus status = AudioUnitGetProperty(unit.Unit(), kAudioUnitProperty_CocoaUI,
                                                 kAudioUnitScope_Global, 0, &info, &size);
    if (status != noErr)
        throw CommandError(unit.BundlePath(), "offers no editor view: " + StatusText(status));
    // The host owns what the property hands out.
    const CFRef<CFURLRef> location(info.mCocoaAUViewBundleLocation);
    const CFRef<CFStringRef> className(info.mCocoaAUViewClass[0]);
    const std::string name = TextOf(className.Get());
    Class factoryClass = NSClassFromString(NSString::stringWithUTF8String(name.c_str()));
    if (!factoryClass)
        throw CommandError(unit.BundlePath(), "its editor's view factory " + name + " is unknown");
    *instance = class_createInstance(factoryClass, 0);
    auto* factory = dynamic_cast<AUCocoaUIBase*>(*instance);
    if (!factory) {
        if (*instance) (*instance)->release();
        throw CommandError(unit.BundlePath(), name + " is no Cocoa view factory");
    }
    return factory;
}

} // namespace

EditorWindow::EditorWindow(const EffectUnit& unit) : mBundlePath(unit.BundlePath()) {
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    try {
        id instance = nullptr;
        AUCocoaUIBase* factory = MakeViewFactory(unit, &instance);
        NSView* view = factory->uiViewForAudioUnit(unit.Unit(), NSMakeSize(0, 0));
        instance->release();
        if (!view) throw CommandError(mBundlePath, "its view factory made no editor");
        const NSSize size = view->frame().size;
        mWindow = (new NSWindow)
                      ->initWithContentRect(NSMakeRect(0, 0, size.width, size.height),
                                            NSTitledWindowMask | NSClosableWindowMask,
                                            NSBackingStoreBuffered, false);
        mWindow->setTitle(NSString::stringWithUTF8String(brindlex::kEffectName));
        mWindow->contentView()->addSubview(view);
        mView = view;
        mWindow->orderFront(nullptr);
    } catch (...) {
        pool->release();
        throw;
    }
    pool->release();
}

EditorWindow::~EditorWindow() {
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    // Closing releases the window, which lets the view go, which closes the editor.
    mWindow->close();
    pool->release();
}

void EditorWindow::Run(double seconds) {
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    NSRunLoop::mainRunLoop()->runUntilDate(NSDate::dateWithTimeIntervalSinceNow(seconds));
    pool->release();
}

void EditorWindow::RunUntil(const std::function<bool()>& done) {
    constexpr double kLongestPass = 0.1;
    NSRunLoop* runLoop = NSRunLoop::mainRunLoop();
    while (!done()) {
        NSAutoreleasePool* pool = new NSAutoreleasePool;
        runLoop->runMode(NSDefaultRunLoopMode, NSDate::dateWithTimeIntervalSinceNow(kLongestPass));
        pool->release();
    }
}

void EditorWindow::WritePng(const std::string& path) const {
    CGContextRef store = mView->backingStore();
    if (!store) throw CommandError(mBundlePath, "its editor drew nothing");
    const size_t width = CGBitmapContextGetWidth(store), height = CGBitmapContextGetHeight(store);
    const size_t rowBytes = CGBitmapContextGetBytesPerRow(store);
    const auto* pixels = static_cast<const unsigned char*>(CGBitmapContextGetData(store));
    // The store's pixels are 32-bit words 0xAARRGGBB; the editor's view is opaque.
    std::vector<unsigned char> rgb(width * height * 3);
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x) {
            uint32_t word;
            std::memcpy(&word, pixels + y * rowBytes + x * 4, sizeof word);
            unsigned char* out = &rgb[(y * width + x) * 3];
            out[0] = static_cast<unsigned char>(word >> 16);
            out[1] = static_cast<unsigned char>(word >> 8);
            out[2] = static_cast<unsigned char>(word);
        }
    }
    WritePngFile(path, static_cast<int>(width), static_cast<int>(height), rgb.data());
}
