// A minimal component built as its own shared object, with its own copy of the platform library
// (as a real component has), so that tests can cross the boundary between two copies: events it
// notifies must reach the host's listeners, objects it makes must be usable by the host, it
// must find its own bundle, and its Cocoa view factory must be found by name and its view's
// timer fired by the host's run loop.

#include "AUCocoaUIView.h"
#include "AppKit.h"
#include "AudioUnit.h"
#include "ComponentCall.h"

namespace {

constexpr AudioUnitParameterID kGestureParameter = 7;

struct State {
    ComponentInstance instance;
    AudioUnitParameterValue value = 0;
};

void Notify(ComponentInstance instance, AudioUnitEventType type) {
    AudioUnitEvent event{};
    event.mEventType = type;
    event.mArgument.mParameter = {instance, kGestureParameter, kAudioUnitScope_Global, 0};
    AUEventListenerNotify(nullptr, nullptr, &event);
}

// Class info: {"value": the parameter, "bundle": this component's bundle path as its own copy of
// the library finds it by identifier}.
CFDictionaryRef CopyClassInfo(const State& state) {
    CFMutableDictionaryRef info = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFStringRef valueKey = CFStringCreateWithCString(nullptr, "value", kCFStringEncodingUTF8);
    CFNumberRef value = CFNumberCreate(nullptr, kCFNumberFloat32Type, &state.value);
    CFDictionarySetValue(info, valueKey, value);
    CFRelease(value);
    CFRelease(valueKey);
    CFStringRef identifier =
        CFStringCreateWithCString(nullptr, "org.brindlex.platform-test", kCFStringEncodingUTF8);
    if (CFBundleRef bundle = CFBundleGetBundleWithIdentifier(identifier)) {
        CFURLRef url = CFBundleCopyBundleURL(bundle);
        char text[4096] = "";
        CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(text), sizeof text);
        CFStringRef path = CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
        CFStringRef bundleKey = CFStringCreateWithCString(nullptr, "bundle", kCFStringEncodingUTF8);
        CFDictionarySetValue(info, bundleKey, path);
        CFRelease(bundleKey);
        CFRelease(path);
        CFRelease(url);
    }
    CFRelease(identifier);
    return info;
}

// Fills itself with grey levels that count the ticks of its timer (every half second while it is
// in a window), and answers a key with an alert naming the key.
class PlatformTestView : public NSView {
public:
    void viewDidMoveToWindow() override {
        if (window() && !mTimer)
            mTimer = NSTimer::scheduledTimerWithTimeInterval(0.5, this, &PlatformTestView::Tick,
                                                             nullptr, true);
        if (!window() && mTimer) {
            mTimer->invalidate();
            mTimer = nullptr;
        }
    }
    void drawRect(NSRect dirtyRect) override {
        auto* port = static_cast<CGContextRef>(NSGraphicsContext::currentContext()->graphicsPort());
        const CGFloat level = mTicks / 255.0;
        CGContextSetRGBFillColor(port, level, level, level, 1);
        CGContextFillRect(port, dirtyRect);
    }
    void keyDown(NSEvent* event) override {
        CFStringRef key = CFStringCreateWithCString(nullptr, event->characters()->UTF8String(),
                                                    kCFStringEncodingUTF8);
        CFOptionFlags response;
        CFUserNotificationDisplayAlert(0, kCFUserNotificationNoteAlertLevel, nullptr, nullptr,
                                       nullptr, key, key, nullptr, nullptr, nullptr, &response);
        CFRelease(key);
    }
    bool acceptsFirstResponder() override { return true; }

private:
    void Tick(NSTimer*) {
        ++mTicks;
        setNeedsDisplay(true);
    }
    NSTimer* mTimer = nullptr; // not retained: the run loop keeps it while it is valid
    int mTicks = 0;
};

} // namespace

// The view factory a host finds by name.
class PlatformTest_ViewFactory : public NSObject, public AUCocoaUIBase {
public:
    unsigned interfaceVersion() override { return 0; }
    NSView* uiViewForAudioUnit(AudioUnit, NSSize size) override {
        NSView* view =
            (new PlatformTestView)->initWithFrame(NSMakeRect(0, 0, size.width, size.height));
        return static_cast<NSView*>(view->autorelease());
    }
    NSString* description() const override { return NSSTR("Platform Test View"); }
};
NS_REGISTER_CLASS(PlatformTest_ViewFactory);

extern "C" __attribute__((visibility("default"))) ComponentResult
PlatformTestComponent_Entry(ComponentParameters* params, Handle storage) {
    auto* state = reinterpret_cast<State*>(storage);
    switch (params->what) {
    case kComponentOpenSelect: {
        ComponentInstance instance = GetComponentCallInstance(params);
        SetComponentInstanceStorage(instance, reinterpret_cast<Handle>(new State{instance}));
        return noErr;
    }
    case kComponentCloseSelect:
        delete state;
        return noErr;
    case kAudioUnitSetParameterSelect: {
        AudioUnitSetParameterArguments arguments;
        if (!GetComponentArguments(params, arguments)) return paramErr;
        Notify(state->instance, kAudioUnitEvent_BeginParameterChangeGesture);
        state->value = arguments.inValue;
        Notify(state->instance, kAudioUnitEvent_ParameterValueChange);
        Notify(state->instance, kAudioUnitEvent_EndParameterChangeGesture);
        return noErr;
    }
    case kAudioUnitGetParameterSelect: {
        AudioUnitGetParameterArguments arguments;
        if (!GetComponentArguments(params, arguments) || !arguments.outValue) return paramErr;
        *arguments.outValue = state->value;
        return noErr;
    }
    case kAudioUnitGetPropertySelect: {
        AudioUnitGetPropertyArguments arguments;
        if (!GetComponentArguments(params, arguments)) return paramErr;
        if (arguments.inID != kAudioUnitProperty_ClassInfo) return kAudioUnitErr_InvalidProperty;
        if (!arguments.outData || !arguments.ioDataSize ||
            *arguments.ioDataSize < sizeof(CFPropertyListRef))
            return kAudioUnitErr_InvalidPropertyValue;
        *static_cast<CFPropertyListRef*>(arguments.outData) = CopyClassInfo(*state);
        return noErr;
    }
    default:
        return badComponentSelector;
    }
}
