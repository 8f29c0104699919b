// The editor opened and closed again and again, as a Cocoa host opens it (the view factory the
// CocoaUI property names, found by class name, its view in a window of the host's), while the
// host's audio thread renders: the meters the effect drives from render and the switches the
// user clicks meet on the same controls. The test's name says Concurrent, so the
// ThreadSanitizer build runs it too.
#include "AUCocoaUIView.h"
#include "ValidatorSupport.h"
#include "WindowSystem.h"

#include <atomic>
#include <thread>

namespace {

constexpr int kOpenings = 12;
constexpr UInt32 kBlockFrames = 256;

void RunFor(NSTimeInterval seconds) {
    NSRunLoop::mainRunLoop()->runUntilDate(NSDate::dateWithTimeIntervalSinceNow(seconds));
}

// The editor's view from the unit's view factory, autoreleased; null when any step fails.
NSView* OpenEditorView(AudioUnit unit) {
    AudioUnitCocoaViewInfo info{};
    UInt32 size = sizeof info;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info,
                             &size) != noErr)
        return nullptr;
    CFHolder<CFURLRef> location(info.mCocoaAUViewBundleLocation);
    CFHolder<CFStringRef> className(info.mCocoaAUViewClass[0]);
    char name[256];
    if (!CFStringGetCString(className.Get(), name, sizeof name, kCFStringEncodingUTF8))
        return nullptr;
    Class factoryClass = NSClassFromString(NSString::stringWithUTF8String(name));
    if (!factoryClass) return nullptr;
    id instance = class_createInstance(factoryClass, 0);
    auto* factory = dynamic_cast<AUCocoaUIBase*>(instance);
    NSView* view = factory ? factory->uiViewForAudioUnit(unit, NSMakeSize(700, 700)) : nullptr;
    instance->release();
    return view;
}

// Renders blocks of noise on its own thread, inside the probe's watch, until it is stopped.
class AudioThread {
public:
    explicit AudioThread(ValidatedUnit& unit) : mUnit(unit), mThread([this] { Run(); }) {}
    ~AudioThread() { Stop(); }
    AudioThread(const AudioThread&) = delete;
    AudioThread& operator=(const AudioThread&) = delete;

    long Blocks() const { return mBlocks.load(); }
    // Returns once the thread has rendered count more blocks (or has failed).
    void WaitForBlocks(long count) const {
        const long until = Blocks() + count;
        while (Blocks() < until && !mFailed.load())
            std::this_thread::yield();
    }
    void Stop() {
        mDone.store(true);
        if (mThread.joinable()) mThread.join();
    }
    OSStatus Status() const { return mStatus; }
    const std::string& Fault() const { return mFault; }

private:
    void Run() {
        std::vector<float> left, right;
        while (!mDone.load() && !mFailed.load()) {
            mStatus = mUnit.Render(kBlockFrames, left, right);
            const ::testing::AssertionResult clean = CleanOutput(left, right);
            if (mStatus != noErr || !clean) {
                mFault = clean.message();
                mFailed.store(true);
            }
            mBlocks.fetch_add(1);
        }
    }

    ValidatedUnit& mUnit;
    std::atomic<bool> mDone{false};
    std::atomic<bool> mFailed{false};
    std::atomic<long> mBlocks{0};
    OSStatus mStatus = noErr; // read after Stop
    std::string mFault;
    std::thread mThread;
};

using Editor = ValidatorTest;

TEST_F(Editor, ConcurrentOpenAndCloseWhileRendering) {
    SetWindowSystem(nullptr);
    HeadlessWindowSystem* headless = GetHeadlessWindowSystem();
    ValidatedUnit unit;
    ASSERT_EQ(unit.OpenStatus(), noErr);
    ASSERT_EQ(unit.Configure(48000, kBlockFrames), noErr);
    for (AudioUnitParameterID stage : {kEQOn, kLimiterOn})
        ASSERT_EQ(unit.SetParameter(stage, 1.0f), noErr);
    ASSERT_EQ(unit.Initialize(), noErr);

    AudioThread audio(unit);
    for (int opening = 0; opening < kOpenings; ++opening) {
        SCOPED_TRACE(::testing::Message() << "opening " << opening);
        NSAutoreleasePool* pool = new NSAutoreleasePool;
        NSView* view = OpenEditorView(unit.Get());
        EXPECT_NE(view, nullptr);
        if (!view) {
            pool->release();
            break;
        }
        NSWindow* window = (new NSWindow)
                               ->initWithContentRect(NSMakeRect(0, 0, 700, 700), NSTitledWindowMask,
                                                     NSBackingStoreBuffered, false);
        window->contentView()->addSubview(view);
        window->orderFront(nullptr);
        pool->release();
        pool = new NSAutoreleasePool;

        // The editor's timer draws the meters render moves while the user flips the amp
        // switch (130, 147, 44 x 56) on and off again.
        audio.WaitForBlocks(2);
        RunFor(0.1);
        for (int click = 0; click < 2; ++click) {
            for (const NSEventType type : {NSLeftMouseDown, NSLeftMouseUp})
                window->sendEvent(NSEvent::mouseEventWithType(type, NSMakePoint(152.5, 700 - 175.5),
                                                              0, 0, window->windowNumber(), nullptr,
                                                              0, 1, 1));
            EXPECT_EQ(unit.GetParameter(kAmpOn), click == 0 ? 1.0f : 0.0f);
            audio.WaitForBlocks(2);
            RunFor(0.1);
        }
        EXPECT_NE(view->backingStore(), nullptr);

        window->close(); // lets the view go, which closes the editor while render goes on
        pool->release();
        audio.WaitForBlocks(2);
        EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 0u);
        EXPECT_TRUE(headless->VisibleWindows().empty());
    }
    audio.Stop();
    EXPECT_EQ(audio.Status(), noErr);
    EXPECT_EQ(audio.Fault(), "");
    EXPECT_GT(audio.Blocks(), 5 * kOpenings);
}

} // namespace
