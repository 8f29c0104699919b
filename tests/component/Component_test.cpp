// The Brindlex component loaded from its bundle, as a host loads it.

#include "AUCocoaUIView.h"
#include "AudioUnit.h"
#include "CFHolder.h"
#include "ComponentCall.h"
#include "WindowSystem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kBundleID = "com.halvermoor.audiounit.Brindlex";

struct Component {
    std::string bundlePath;
    std::string executablePath;
    void* module = nullptr;
    ComponentRoutineUPP entry = nullptr;
    ComponentRoutineUPP viewEntry = nullptr;
};

// Loaded once and kept for the life of the process, as a host keeps a component it opened.
const Component& LoadComponent() {
    static const Component component = [] {
        Component loaded;
        const char* buildDir = std::getenv("BRINDLEX_BUILD_DIR");
        loaded.bundlePath = std::string(buildDir ? buildDir : ".") + "/Brindlex.component";
        loaded.executablePath =
            loaded.bundlePath + "/Contents/" BUNDLE_EXECUTABLE_FOLDER "/Brindlex.so";
        loaded.module = dlopen(loaded.executablePath.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (loaded.module) {
            loaded.entry =
                reinterpret_cast<ComponentRoutineUPP>(dlsym(loaded.module, "Brindlex_Entry"));
            loaded.viewEntry =
                reinterpret_cast<ComponentRoutineUPP>(dlsym(loaded.module, "Brindlex_ViewEntry"));
        }
        return loaded;
    }();
    return component;
}

CFTypeRef ValueOf(CFDictionaryRef dictionary, const char* key) {
    CFHolder<CFStringRef> name(CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8));
    return CFDictionaryGetValue(dictionary, name.Get());
}

// One instance of the effect, opened through the component's entry.
class Unit {
public:
    Unit() { EXPECT_EQ(OpenComponentWithEntry(LoadComponent().entry, &mUnit), noErr); }
    ~Unit() { CloseComponent(mUnit); }
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;
    AudioUnit Get() const { return mUnit; }

    template <class T>
    OSStatus Property(AudioUnitPropertyID id, AudioUnitElement element, T* value) const {
        UInt32 size = sizeof(T);
        return AudioUnitGetProperty(mUnit, id, kAudioUnitScope_Global, element, value, &size);
    }

private:
    AudioUnit mUnit = nullptr;
};

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        const Component& component = LoadComponent();
        ASSERT_NE(component.module, nullptr) << component.executablePath << ": " << dlerror();
        ASSERT_NE(component.entry, nullptr);
        ASSERT_NE(component.viewEntry, nullptr);
    }
};

TEST_F(ComponentTest, ExportsOnlyItsTwoEntryPoints) {
    const Component& component = LoadComponent();
    for (const char* hidden : {"MakePlug", "_Z8MakePlugv", "CFRetain", "Trace"})
        EXPECT_EQ(dlsym(component.module, hidden), nullptr) << hidden;

    // Every symbol the shared object defines for others to use.
    const std::string command = "nm -D --defined-only '" + component.executablePath + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[512], type = 0, name[400];
    while (std::fgets(line, sizeof line, pipe))
        if (std::sscanf(line, "%*s %c %399s", &type, name) == 2 && type >= 'A' && type <= 'Z')
            exported.insert(name);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(exported, (std::set<std::string>{"Brindlex_Entry", "Brindlex_ViewEntry"}));
}

TEST_F(ComponentTest, TheBundleDescribesTheComponent) {
    namespace fs = std::filesystem;
    const Component& component = LoadComponent();
    EXPECT_TRUE(fs::is_directory(component.bundlePath + "/Contents/Resources"));
    CFHolder<CFStringRef> identifier(
        CFStringCreateWithCString(nullptr, kBundleID, kCFStringEncodingUTF8));
    CFBundleRef bundle = CFBundleGetBundleWithIdentifier(identifier.Get());
    ASSERT_NE(bundle, nullptr) << "a loaded component is found by its identifier";
    CFHolder<CFURLRef> url(CFBundleCopyBundleURL(bundle));
    char path[4096];
    ASSERT_TRUE(CFURLGetFileSystemRepresentation(url.Get(), true, reinterpret_cast<UInt8*>(path),
                                                 sizeof path));
    EXPECT_EQ(fs::path(path), fs::canonical(component.bundlePath));

    CFDictionaryRef info = CFBundleGetInfoDictionary(bundle);
    EXPECT_EQ(CFText(ValueOf(info, "CFBundleExecutable")), "Brindlex");
    EXPECT_EQ(CFText(ValueOf(info, "CFBundleVersion")), "1.1.2");
    auto components = static_cast<CFArrayRef>(ValueOf(info, "AudioComponents"));
    ASSERT_EQ(CFArrayGetCount(components), 1);
    auto description = static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(components, 0));
    EXPECT_EQ(CFText(ValueOf(description, "type")), "aufx");
    EXPECT_EQ(CFText(ValueOf(description, "subtype")), "Brnx");
    EXPECT_EQ(CFText(ValueOf(description, "manufacturer")), "Hvmr");
    EXPECT_EQ(CFText(ValueOf(description, "name")), "Halvermoor: Brindlex");
    EXPECT_EQ(CFText(ValueOf(description, "version")), "65794");
}

TEST_F(ComponentTest, OpensAsTheEffect) {
    Unit unit;
    EXPECT_EQ(GetComponentVersion(unit.Get()), 0x10102);
    EXPECT_EQ(CallComponentCanDo(unit.Get(), kAudioUnitRenderSelect), 1);
    EXPECT_EQ(AudioUnitInitialize(unit.Get()), noErr);

    CFHolder<CFPropertyListRef> state;
    ASSERT_EQ(unit.Property(kAudioUnitProperty_ClassInfo, 0, state.Out()), noErr);
    auto dictionary = static_cast<CFDictionaryRef>(state.Get());
    EXPECT_EQ(CFText(ValueOf(dictionary, "type")), std::to_string(FourCharCodeFromText("aufx")));
    EXPECT_EQ(CFText(ValueOf(dictionary, "subtype")), std::to_string(FourCharCodeFromText("Brnx")));
    EXPECT_EQ(CFText(ValueOf(dictionary, "manufacturer")),
              std::to_string(FourCharCodeFromText("Hvmr")));
    EXPECT_EQ(CFText(ValueOf(dictionary, "name")), "-");
    EXPECT_EQ(CFDataGetLength(static_cast<CFDataRef>(ValueOf(dictionary, "data"))), 80);

    CFHolder<CFArrayRef> presets;
    ASSERT_EQ(unit.Property(kAudioUnitProperty_FactoryPresets, 0, presets.Out()), noErr);
    EXPECT_EQ(CFText(presets.Get()), "(AUPreset:\npreset number = 0\npreset name = -)");

    // The ten parameters; the four switches are left unnamed.
    const std::vector<std::string> names = {
        "Limiter Attenuation", "", "EQ Freq", "EQ Level", "", "", "Amp Gain", "Amp Tone",
        "Amp Noise Reduction", ""};
    UInt32 size = 0;
    ASSERT_EQ(AudioUnitGetPropertyInfo(unit.Get(), kAudioUnitProperty_ParameterList,
                                       kAudioUnitScope_Global, 0, &size, nullptr),
              noErr);
    EXPECT_EQ(size, names.size() * sizeof(AudioUnitParameterID));
    for (AudioUnitElement i = 0; i < names.size(); ++i) {
        AudioUnitParameterInfo info{};
        ASSERT_EQ(unit.Property(kAudioUnitProperty_ParameterInfo, i, &info), noErr);
        EXPECT_EQ(info.name, names[i]);
        EXPECT_EQ(info.unit, names[i].empty() ? kAudioUnitParameterUnit_Generic
                                              : kAudioUnitParameterUnit_CustomUnit);
        if (info.unit == kAudioUnitParameterUnit_CustomUnit) {
            EXPECT_EQ(CFText(info.unitName), "%");
            CFRelease(info.unitName);
        }
        CFRelease(info.cfNameString);
    }
    AudioUnitParameterValue value = 0.0f;
    EXPECT_EQ(AudioUnitGetParameter(unit.Get(), 2, kAudioUnitScope_Global, 0, &value), noErr);
    EXPECT_EQ(value, 5000.0f);
    EXPECT_EQ(AudioUnitGetParameter(unit.Get(), 10, kAudioUnitScope_Global, 0, &value),
              kAudioUnitErr_InvalidParameter);
}

// A host's input: a decaying sine on the left, a ramp on the right.
OSStatus Input(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp* timeStamp, UInt32,
               UInt32 nFrames, AudioBufferList* ioData) {
    for (UInt32 s = 0; s < nFrames; ++s) {
        const double t = timeStamp->mSampleTime + s;
        static_cast<float*>(ioData->mBuffers[0].mData)[s] =
            static_cast<float>(0.8 * std::sin(t * 0.05) * std::exp(-t / 4000.0));
        static_cast<float*>(ioData->mBuffers[1].mData)[s] = static_cast<float>(t / 8192.0 - 0.5);
    }
    return noErr;
}

// Renders 8192 frames in slices of 512 and returns the left and right outputs.
std::vector<std::vector<float>> RenderSignal(const Unit& unit) {
    std::vector<std::vector<float>> out(2, std::vector<float>(8192));
    AudioBufferListWithBuffers<2> list;
    for (UInt32 start = 0; start < 8192; start += 512) {
        for (int c = 0; c < 2; ++c)
            list.mBuffers[c] = AudioBuffer{1, 512 * sizeof(float), out[c].data() + start};
        AudioTimeStamp timeStamp{};
        timeStamp.mSampleTime = start;
        timeStamp.mFlags = kAudioTimeStampSampleTimeValid;
        AudioUnitRenderActionFlags flags = 0;
        EXPECT_EQ(AudioUnitRender(unit.Get(), &flags, &timeStamp, 0, 512, list.List()), noErr);
    }
    return out;
}

TEST_F(ComponentTest, RendersThroughItsStages) {
    Unit unit;
    const AURenderCallbackStruct callback{Input, nullptr};
    ASSERT_EQ(AudioUnitSetProperty(unit.Get(), kAudioUnitProperty_SetRenderCallback,
                                   kAudioUnitScope_Input, 0, &callback, sizeof callback),
              noErr);
    const UInt32 maxFrames = 512;
    ASSERT_EQ(AudioUnitSetProperty(unit.Get(), kAudioUnitProperty_MaximumFramesPerSlice,
                                   kAudioUnitScope_Global, 0, &maxFrames, sizeof maxFrames),
              noErr);
    ASSERT_EQ(AudioUnitInitialize(unit.Get()), noErr);

    // Every stage off: the input comes through unchanged.
    std::vector<std::vector<float>> in(2, std::vector<float>(8192));
    AudioBufferListWithBuffers<2> inputList;
    for (int c = 0; c < 2; ++c)
        inputList.mBuffers[c] = AudioBuffer{1, 8192 * sizeof(float), in[c].data()};
    AudioTimeStamp start{};
    Input(nullptr, nullptr, &start, 0, 8192, inputList.List());
    EXPECT_EQ(RenderSignal(unit), in);

    // The amp stage on colours the sound; the host's reset starts over at sample time 0.
    ASSERT_EQ(AudioUnitSetParameter(unit.Get(), 9, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
    ASSERT_EQ(AudioUnitReset(unit.Get(), kAudioUnitScope_Global, 0), noErr);
    const std::vector<std::vector<float>> out = RenderSignal(unit);
    double difference = 0.0;
    for (int c = 0; c < 2; ++c)
        for (size_t s = 0; s < out[c].size(); ++s) {
            ASSERT_TRUE(std::isfinite(out[c][s]));
            difference += std::fabs(out[c][s] - in[c][s]);
        }
    EXPECT_GT(difference, 1.0);

    // Bypass passes the input again.
    const UInt32 bypass = 1;
    ASSERT_EQ(AudioUnitSetProperty(unit.Get(), kAudioUnitProperty_BypassEffect,
                                   kAudioUnitScope_Global, 0, &bypass, sizeof bypass),
              noErr);
    ASSERT_EQ(AudioUnitReset(unit.Get(), kAudioUnitScope_Global, 0), noErr);
    EXPECT_EQ(RenderSignal(unit), in);
}

TEST_F(ComponentTest, StateMovesBetweenInstancesAllOrNothing) {
    Unit first, second;
    ASSERT_EQ(AudioUnitSetParameter(first.Get(), 3, kAudioUnitScope_Global, 0, -7.5f, 0), noErr);
    ASSERT_EQ(AudioUnitSetParameter(first.Get(), 5, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
    CFHolder<CFPropertyListRef> state;
    ASSERT_EQ(first.Property(kAudioUnitProperty_ClassInfo, 0, state.Out()), noErr);

    // Another effect's state (another subtype) is refused and changes nothing.
    CFHolder<CFMutableDictionaryRef> foreign(
        CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(state.Get())));
    const SInt32 otherSubtype = FourCharCodeFromText("Othr");
    CFHolder<CFNumberRef> subtype(CFNumberCreate(nullptr, kCFNumberSInt32Type, &otherSubtype));
    CFDictionarySetValue(foreign.Get(), CFSTR("subtype"), subtype.Get());
    const CFPropertyListRef foreignState = foreign.Get();
    EXPECT_EQ(AudioUnitSetProperty(second.Get(), kAudioUnitProperty_ClassInfo,
                                   kAudioUnitScope_Global, 0, &foreignState, sizeof foreignState),
              kAudioUnitErr_InvalidPropertyValue);
    AudioUnitParameterValue value = 1.0f;
    ASSERT_EQ(AudioUnitGetParameter(second.Get(), 3, kAudioUnitScope_Global, 0, &value), noErr);
    EXPECT_EQ(value, 0.0f);

    const CFPropertyListRef savedState = state.Get();
    ASSERT_EQ(AudioUnitSetProperty(second.Get(), kAudioUnitProperty_ClassInfo,
                                   kAudioUnitScope_Global, 0, &savedState, sizeof savedState),
              noErr);
    ASSERT_EQ(AudioUnitGetParameter(second.Get(), 3, kAudioUnitScope_Global, 0, &value), noErr);
    EXPECT_EQ(value, -7.5f);
    ASSERT_EQ(AudioUnitGetParameter(second.Get(), 5, kAudioUnitScope_Global, 0, &value), noErr);
    EXPECT_EQ(value, 1.0f);
}

TEST_F(ComponentTest, TheViewEntryRefusesUnitsItCannotShow) {
    AudioUnitCarbonView view = nullptr;
    ASSERT_EQ(OpenComponentWithEntry(LoadComponent().viewEntry, &view), noErr);
    ControlRef control = nullptr;
    EXPECT_EQ(
        AudioUnitCarbonViewCreate(view, nullptr, nullptr, nullptr, nullptr, nullptr, &control),
        badComponentSelector);
    EXPECT_EQ(CloseComponent(view), noErr);
}

// ---- The editor, as a Cocoa host and a Carbon host open it ----------------------------------

void RunFor(NSTimeInterval seconds) {
    NSRunLoop::mainRunLoop()->runUntilDate(NSDate::dateWithTimeIntervalSinceNow(seconds));
}

TEST_F(ComponentTest, ACocoaHostFindsTheViewFactoryByNameAndShowsTheEditor) {
    SetWindowSystem(nullptr);
    HeadlessWindowSystem* headless = GetHeadlessWindowSystem();
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    Unit unit;
    AudioUnitCocoaViewInfo info{};
    ASSERT_EQ(unit.Property(kAudioUnitProperty_CocoaUI, 0, &info), noErr);
    CFHolder<CFURLRef> location(info.mCocoaAUViewBundleLocation);
    CFHolder<CFStringRef> className(info.mCocoaAUViewClass[0]);
    char path[4096];
    ASSERT_TRUE(CFURLGetFileSystemRepresentation(location.Get(), true,
                                                 reinterpret_cast<UInt8*>(path), sizeof path));
    EXPECT_EQ(std::filesystem::path(path), std::filesystem::canonical(LoadComponent().bundlePath));
    EXPECT_EQ(CFText(className.Get()), "Brindlex_View");

    // The class the component registered, found by the host's copy of the platform.
    Class factoryClass = NSClassFromString(NSSTR("Brindlex_View"));
    ASSERT_NE(factoryClass, nullptr);
    NSBundle* bundle = NSBundle::bundleWithPath(NSString::stringWithUTF8String(path));
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->classNamed(NSSTR("Brindlex_View")), factoryClass);
    id instance = class_createInstance(factoryClass, 0);
    auto* factory = dynamic_cast<AUCocoaUIBase*>(instance);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->interfaceVersion(), 0u);
    EXPECT_STREQ(instance->description()->UTF8String(), "Brindlex View");
    NSView* view = factory->uiViewForAudioUnit(unit.Get(), NSMakeSize(100, 100));
    EXPECT_EQ(factory->uiViewForAudioUnit(nullptr, NSMakeSize(100, 100)), nullptr);
    instance->release();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(NSEqualSizes(view->frame().size, NSMakeSize(700, 700))) << "the size is its own";

    NSWindow* window = (new NSWindow)
                           ->initWithContentRect(NSMakeRect(0, 0, 700, 700), NSTitledWindowMask,
                                                 NSBackingStoreBuffered, false);
    window->contentView()->addSubview(view);
    window->orderFront(nullptr);
    pool->release();
    pool = new NSAutoreleasePool;
    RunFor(0.1);
    ASSERT_NE(view->backingStore(), nullptr);
    EXPECT_EQ(CGBitmapContextGetWidth(view->backingStore()), 700u);
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 1u) << "the editor's timer";

    // A click in the middle of the amp switch (130, 147, 44 x 56) turns the amp on.
    for (const NSEventType type : {NSLeftMouseDown, NSLeftMouseUp})
        window->sendEvent(NSEvent::mouseEventWithType(type, NSMakePoint(152.5, 700 - 175.5), 0, 0,
                                                      window->windowNumber(), nullptr, 0, 1, 1));
    AudioUnitParameterValue amp = 0;
    ASSERT_EQ(AudioUnitGetParameter(unit.Get(), 9, kAudioUnitScope_Global, 0, &amp), noErr);
    EXPECT_EQ(amp, 1.0f);

    window->close(); // lets the view go, which closes the editor and stops its timer
    pool->release();
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 0u);
    EXPECT_TRUE(headless->VisibleWindows().empty());
}

TEST_F(ComponentTest, ACarbonHostGetsTheEditorInAWindowOverItsOwn) {
    SetWindowSystem(nullptr);
    HeadlessWindowSystem* headless = GetHeadlessWindowSystem();
    Unit unit;
    const Rect bounds{50, 50, 800, 850};
    WindowRef carbon = nullptr;
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &bounds, &carbon), noErr);
    AudioUnitCarbonView view = nullptr;
    ASSERT_EQ(OpenComponentWithEntry(LoadComponent().viewEntry, &view), noErr);
    ControlRef control = nullptr;
    const Float32Point size{700, 700};
    ASSERT_EQ(
        AudioUnitCarbonViewCreate(view, unit.Get(), carbon, nullptr, nullptr, &size, &control),
        noErr);
    EXPECT_NE(control, nullptr);
    RunFor(0.2);
    EXPECT_EQ(headless->VisibleWindows().size(), 2u);
    EXPECT_EQ(CloseComponent(view), noErr);
    EXPECT_TRUE(headless->VisibleWindows().empty()) << "the editor's window went with the view";
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 0u);
    DisposeWindow(carbon);
}

} // namespace
