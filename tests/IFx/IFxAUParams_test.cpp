// Parameters as a host sees them (values, info, texts, events) and the plug-in's state: the
// class-info dictionary and the factory presets.

#include "AUTestPlug.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using IFxAUParams = AUTest;

TEST_F(IFxAUParams, GetAndSetInTheGlobalScopeOnly) {
    gAUTestConfig.withEditor = true;
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    AudioUnit au = unit.Unit();
    plug->mParamChanges.clear();
    std::vector<double>& shown = plug->mEditor->Probe(kGain)->mPlugValues;
    shown.clear();

    EXPECT_EQ(AudioUnitSetParameter(au, kGain, kAudioUnitScope_Global, 0, 1.5f, 0), noErr);
    EXPECT_EQ(plug->mGain, 1.5);
    EXPECT_EQ(plug->mParamChanges, std::vector<int>{kGain});
    EXPECT_EQ(shown, std::vector<double>{0.75}); // 1.5 of 0..2, normalised by the editor
    // Out of range: clamped, and the editor sees the value the parameter took.
    EXPECT_EQ(AudioUnitSetParameter(au, kGain, kAudioUnitScope_Global, 0, 9.0f, 0), noErr);
    EXPECT_EQ(shown.back(), 1.0);
    AudioUnitParameterValue value = 0.0f;
    EXPECT_EQ(AudioUnitGetParameter(au, kGain, kAudioUnitScope_Global, 0, &value), noErr);
    EXPECT_EQ(value, 2.0f);

    // Refused, changing nothing.
    const size_t changes = plug->mParamChanges.size();
    EXPECT_EQ(AudioUnitSetParameter(au, kNumAUTestParams, kAudioUnitScope_Global, 0, 1.0f, 0),
              kAudioUnitErr_InvalidParameter);
    EXPECT_EQ(AudioUnitSetParameter(au, kGain, kAudioUnitScope_Input, 0, 1.0f, 0),
              kAudioUnitErr_InvalidScope);
    EXPECT_EQ(AudioUnitSetParameter(au, kGain, kAudioUnitScope_Global, 1, 1.0f, 0),
              kAudioUnitErr_InvalidElement);
    for (float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
          -std::numeric_limits<float>::infinity()})
        EXPECT_EQ(AudioUnitSetParameter(au, kGain, kAudioUnitScope_Global, 0, bad, 0),
                  kAudioUnitErr_InvalidParameterValue);
    EXPECT_EQ(plug->GetParam(kGain)->Value(), 2.0);
    EXPECT_EQ(plug->mParamChanges.size(), changes);
    EXPECT_EQ(AudioUnitGetParameter(au, 0xFFFFFFFF, kAudioUnitScope_Global, 0, &value),
              kAudioUnitErr_InvalidParameter);
    EXPECT_EQ(AudioUnitGetParameter(au, kGain, kAudioUnitScope_Output, 0, &value),
              kAudioUnitErr_InvalidScope);
    EXPECT_EQ(AudioUnitGetParameter(au, kGain, kAudioUnitScope_Global, 0, nullptr), paramErr);
}

TEST_F(IFxAUParams, ScheduledImmediateEventsApplyInOrderUntilOneFails) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    AudioUnitParameterEvent events[4] = {};
    events[0].parameter = kGain;
    events[0].eventType = kParameterEvent_Immediate;
    events[0].eventValues.immediate = {0, 0.5f};
    events[1].parameter = kSteps;
    events[1].eventType = kParameterEvent_Ramped; // not applied
    events[1].eventValues.ramp = {0, 64, 0.0f, 10.0f};
    events[2].parameter = kMute;
    events[2].eventType = kParameterEvent_Immediate;
    events[2].eventValues.immediate = {32, 1.0f};
    events[3] = events[0];
    events[3].scope = kAudioUnitScope_Output;
    events[3].eventValues.immediate.value = 1.75f;
    EXPECT_EQ(AudioUnitScheduleParameters(unit.Unit(), events, 3), noErr);
    EXPECT_EQ(plug->GetParam(kGain)->Value(), 0.5);
    EXPECT_EQ(plug->GetParam(kSteps)->Value(), 2.0);
    EXPECT_TRUE(plug->mMuted);

    events[0].eventValues.immediate.value = 0.25f;
    std::swap(events[1], events[3]);
    EXPECT_EQ(AudioUnitScheduleParameters(unit.Unit(), events, 4), kAudioUnitErr_InvalidScope);
    EXPECT_EQ(plug->GetParam(kGain)->Value(), 0.25) << "events before the failing one apply";
    EXPECT_EQ(AudioUnitScheduleParameters(unit.Unit(), nullptr, 1), paramErr);
    EXPECT_EQ(AudioUnitScheduleParameters(unit.Unit(), nullptr, 0), noErr);
}

AudioUnitParameterInfo GetInfo(const AUTestUnit& unit, int paramIdx) {
    AudioUnitParameterInfo info{};
    EXPECT_EQ(unit.Get(kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global,
                       static_cast<AudioUnitElement>(paramIdx), &info),
              noErr);
    return info;
}

// Releases what the host owns, as the flag says.
void ReleaseInfo(const AudioUnitParameterInfo& info) {
    if (!(info.flags & kAudioUnitParameterFlag_CFNameRelease)) return;
    if (info.flags & kAudioUnitParameterFlag_HasCFNameString) CFRelease(info.cfNameString);
    if (info.unit == kAudioUnitParameterUnit_CustomUnit) CFRelease(info.unitName);
}

TEST_F(IFxAUParams, InfoDescribesEachKindOfParameter) {
    AUTestUnit unit;
    const AudioUnitParameterOptions readWrite =
        kAudioUnitParameterFlag_IsReadable | kAudioUnitParameterFlag_IsWritable;
    ASSERT_EQ(AudioUnitSetParameter(unit.Unit(), kGain, kAudioUnitScope_Global, 0, 0.5f, 0), noErr);

    AudioUnitParameterInfo gain = GetInfo(unit, kGain);
    EXPECT_STREQ(gain.name, "Gain");
    EXPECT_EQ(CFText(gain.cfNameString), "Gain");
    EXPECT_EQ(gain.unit, kAudioUnitParameterUnit_CustomUnit);
    EXPECT_EQ(CFText(gain.unitName), "x");
    EXPECT_EQ(gain.minValue, 0.0f);
    EXPECT_EQ(gain.maxValue, 2.0f);
    EXPECT_EQ(gain.defaultValue, 0.5f) << "the current value";
    EXPECT_EQ(gain.flags & readWrite, readWrite);
    EXPECT_TRUE(gain.flags & kAudioUnitParameterFlag_HasClump);
    EXPECT_EQ(gain.clumpID, 1u);
    ReleaseInfo(gain);

    AudioUnitParameterInfo mute = GetInfo(unit, kMute);
    EXPECT_EQ(mute.unit, kAudioUnitParameterUnit_Boolean);
    EXPECT_TRUE(mute.flags & kAudioUnitParameterFlag_ValuesHaveStrings);
    EXPECT_EQ(mute.clumpID, kAudioUnitClumpID_System);
    ReleaseInfo(mute);
    AudioUnitParameterInfo mode = GetInfo(unit, kMode);
    EXPECT_EQ(mode.unit, kAudioUnitParameterUnit_Indexed);
    EXPECT_EQ(mode.maxValue, 2.0f);
    EXPECT_EQ(mode.clumpID, 1u) << "the same group as Gain";
    ReleaseInfo(mode);
    AudioUnitParameterInfo steps = GetInfo(unit, kSteps);
    EXPECT_EQ(steps.unit, kAudioUnitParameterUnit_Indexed);
    EXPECT_EQ(steps.defaultValue, 2.0f);
    ReleaseInfo(steps);
    AudioUnitParameterInfo drive = GetInfo(unit, kDrive);
    EXPECT_EQ(drive.unit, kAudioUnitParameterUnit_Generic);
    EXPECT_TRUE(drive.flags & kAudioUnitParameterFlag_DisplaySquareRoot);
    EXPECT_EQ(drive.clumpID, 2u);
    ReleaseInfo(drive);

    // A parameter the effect left unnamed stays unnamed.
    AudioUnitParameterInfo blank = GetInfo(unit, kBlank);
    EXPECT_STREQ(blank.name, "");
    EXPECT_EQ(CFText(blank.cfNameString), "");
    EXPECT_EQ(blank.unit, kAudioUnitParameterUnit_Generic);
    EXPECT_EQ(blank.maxValue, 1.0f);
    EXPECT_EQ(blank.flags & readWrite, readWrite);
    ReleaseInfo(blank);

    AudioUnitParameterNameInfo clump{2, kAudioUnitParameterName_Full, nullptr};
    ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0, &clump),
              noErr);
    EXPECT_EQ(CFText(clump.outName), "Tone");
    CFRelease(clump.outName);
    clump.inID = 3;
    EXPECT_EQ(unit.Get(kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0, &clump),
              kAudioUnitErr_InvalidPropertyValue);
}

TEST_F(IFxAUParams, ValueStringsAndConversions) {
    AUTestUnit unit;
    const AudioUnitScope global = kAudioUnitScope_Global;
    CFHolder<CFArrayRef> strings;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_ParameterValueStrings, global, kMode, strings.Out()),
              noErr);
    EXPECT_EQ(CFText(strings.Get()), "(A, B, C)");
    CFArrayRef none = nullptr;
    EXPECT_EQ(unit.Get(kAudioUnitProperty_ParameterValueStrings, global, kGain, &none),
              kAudioUnitErr_InvalidProperty);
    UInt32 size = 0;
    EXPECT_EQ(AudioUnitGetPropertyInfo(unit.Unit(), kAudioUnitProperty_ParameterValueStrings,
                                       global, kGain, &size, nullptr),
              kAudioUnitErr_InvalidProperty);

    auto toText = [&](AudioUnitParameterID id, const AudioUnitParameterValue* value) {
        AudioUnitParameterStringFromValue request{id, value, nullptr};
        const OSStatus result =
            unit.Get(kAudioUnitProperty_ParameterStringFromValue, global, 0, &request);
        std::string text = result == noErr ? CFText(request.outString) : "<error>";
        CFRelease(request.outString);
        return text;
    };
    const AudioUnitParameterValue half = 0.5f, one = 1.0f, trim = 3.25f;
    const AudioUnitParameterValue nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(toText(kGain, &half), "0.50");
    EXPECT_EQ(toText(kGain, nullptr), "1.00") << "the current value";
    EXPECT_EQ(toText(kMode, &one), "B");
    EXPECT_EQ(toText(kMute, &one), "on");
    EXPECT_EQ(toText(kTrim, &trim), "-3.2") << "display negated";
    EXPECT_EQ(toText(kGain, &nan), "<error>");
    EXPECT_EQ(toText(kNumAUTestParams, &half), "<error>");

    auto toValue = [&](AudioUnitParameterID id, const char* text, float* value) {
        CFHolder<CFStringRef> string(
            CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8));
        AudioUnitParameterValueFromString request{id, string.Get(), -99.0f};
        const OSStatus result =
            unit.Get(kAudioUnitProperty_ParameterValueFromString, global, 0, &request);
        *value = request.outValue;
        return result;
    };
    float value = 0.0f;
    EXPECT_EQ(toValue(kMode, "C", &value), noErr);
    EXPECT_EQ(value, 2.0f);
    EXPECT_EQ(toValue(kGain, " 1.25 x ", &value), noErr);
    EXPECT_EQ(value, 1.25f);
    EXPECT_EQ(toValue(kGain, "7", &value), noErr);
    EXPECT_EQ(value, 2.0f) << "clamped to the range";
    EXPECT_EQ(toValue(kTrim, "-3.5 dB", &value), noErr);
    EXPECT_EQ(value, 3.5f);
    for (const char* bad : {"", "abc", "1.0 y", "nan", "inf"})
        EXPECT_EQ(toValue(kGain, bad, &value), kAudioUnitErr_InvalidPropertyValue) << bad;
    EXPECT_EQ(toValue(kNumAUTestParams, "1", &value), kAudioUnitErr_InvalidParameter);
    AudioUnitParameterValueFromString notAString{kGain, nullptr, 0.0f};
    EXPECT_EQ(unit.Get(kAudioUnitProperty_ParameterValueFromString, global, 0, &notAString),
              kAudioUnitErr_InvalidPropertyValue);
}

struct Event {
    AudioUnitEventType type;
    AudioUnitParameter parameter;
    AudioUnitParameterValue value;
};

void RecordEvent(void* refCon, void*, const AudioUnitEvent* event, UInt64,
                 AudioUnitParameterValue value) {
    static_cast<std::vector<Event>*>(refCon)->push_back(
        {event->mEventType, event->mArgument.mParameter, value});
}

TEST_F(IFxAUParams, ChangesOnThePlugInsSideReachTheHostsListeners) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    std::vector<Event> events;
    AUEventListenerRef listener = nullptr;
    ASSERT_EQ(AUEventListenerCreate(RecordEvent, &events, nullptr, nullptr, 0.0f, 0.0f, &listener),
              noErr);
    for (AudioUnitEventType type :
         {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
          kAudioUnitEvent_EndParameterChangeGesture}) {
        AudioUnitEvent event{};
        event.mEventType = type;
        event.mArgument.mParameter = {unit.Unit(), kAUParameterListener_AnyParameter,
                                      kAudioUnitScope_Global, 0};
        ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &event), noErr);
    }

    plug->BeginInformHostOfParamChange(kSteps);
    plug->SetParameterFromGUI(kSteps, 0.5);
    plug->EndInformHostOfParamChange(kSteps);
    plug->InformHostOfParamChange(kNumAUTestParams, 0.0); // no such parameter: nothing sent
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, kAudioUnitEvent_BeginParameterChangeGesture);
    EXPECT_EQ(events[1].type, kAudioUnitEvent_ParameterValueChange);
    EXPECT_EQ(events[1].value, 5.0f) << "the listener reads the new value from the unit";
    EXPECT_EQ(events[2].type, kAudioUnitEvent_EndParameterChangeGesture);
    for (const Event& event : events) {
        EXPECT_EQ(event.parameter.mAudioUnit, unit.Unit());
        EXPECT_EQ(event.parameter.mParameterID, AudioUnitParameterID{kSteps});
        EXPECT_EQ(event.parameter.mScope, kAudioUnitScope_Global);
        EXPECT_EQ(event.parameter.mElement, 0u);
    }
    AUListenerDispose(listener);
}

CFMutableDictionaryRef CopyClassInfo(const AUTestUnit& unit) {
    CFPropertyListRef state = nullptr;
    EXPECT_EQ(unit.Get(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state), noErr);
    CFMutableDictionaryRef copy =
        CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(state));
    CFRelease(state);
    return copy;
}

SInt32 NumberIn(CFDictionaryRef dictionary, const char* key) {
    CFHolder<CFStringRef> name(CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8));
    SInt32 value = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(dictionary, name.Get())),
                     kCFNumberSInt32Type, &value);
    return value;
}

TEST_F(IFxAUParams, ClassInfoRoundTripsThroughAPropertyList) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    ASSERT_EQ(AudioUnitSetParameter(unit.Unit(), kGain, kAudioUnitScope_Global, 0, 0.75f, 0),
              noErr);
    ASSERT_EQ(AudioUnitSetParameter(unit.Unit(), kTrim, kAudioUnitScope_Global, 0, -6.5f, 0),
              noErr);
    CFHolder<CFMutableDictionaryRef> state(CopyClassInfo(unit));
    EXPECT_EQ(CFDictionaryGetCount(state.Get()), 6);
    EXPECT_EQ(NumberIn(state.Get(), "version"), 0x10203);
    EXPECT_EQ(static_cast<OSType>(NumberIn(state.Get(), "type")), kAudioUnitType_Effect);
    EXPECT_EQ(static_cast<OSType>(NumberIn(state.Get(), "subtype")), FourCharCodeFromText("Tst1"));
    EXPECT_EQ(static_cast<OSType>(NumberIn(state.Get(), "manufacturer")),
              FourCharCodeFromText("TMkr"));
    EXPECT_EQ(CFText(CFDictionaryGetValue(state.Get(), CFSTR("name"))), "Unity");
    ByteChunk expected;
    plug->SerializeState(&expected);
    auto data = static_cast<CFDataRef>(CFDictionaryGetValue(state.Get(), CFSTR("data")));
    ASSERT_EQ(CFDataGetLength(data), expected.Size());
    EXPECT_EQ(std::memcmp(CFDataGetBytePtr(data), expected.GetBytes(), expected.Size()), 0);

    // Saved as a file would be, restored into a fresh instance.
    CFHolder<CFDataRef> xml(
        CFPropertyListCreateData(nullptr, state.Get(), kCFPropertyListXMLFormat_v1_0, 0, nullptr));
    CFHolder<CFPropertyListRef> read(
        CFPropertyListCreateWithData(nullptr, xml.Get(), 0, nullptr, nullptr));
    AUTestUnit other;
    const CFPropertyListRef restored = read.Get();
    ASSERT_EQ(other.Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, restored), noErr);
    EXPECT_EQ(other.Plug()->GetParam(kGain)->Value(), 0.75);
    EXPECT_EQ(other.Plug()->GetParam(kTrim)->Value(), -6.5);
    EXPECT_EQ(other.Plug()->mGain, 0.75) << "the plug-in heard of every change";
}

TEST_F(IFxAUParams, TheEditorShowsTheRestoredStateNotThePresetItNames) {
    gAUTestConfig.withEditor = true;
    AUTestUnit unit;
    ASSERT_EQ(AudioUnitSetParameter(unit.Unit(), kGain, kAudioUnitScope_Global, 0, 0.5f, 0), noErr);
    // The state names the factory preset "Unity" (gain 1), which is restored on the way.
    CFHolder<CFMutableDictionaryRef> state(CopyClassInfo(unit));
    AUTestUnit other;
    std::vector<double>& shown = other.Plug()->mEditor->Probe(kGain)->mPlugValues;
    shown.clear();
    ASSERT_EQ(other.Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state.Get()),
              noErr);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), 0.25); // 0.5 of 0..2
}

TEST_F(IFxAUParams, AfterARefusedStateTheEditorShowsTheParametersNotThePresetItNamed) {
    gAUTestConfig.withEditor = true;
    AUTestUnit unit;
    ASSERT_EQ(AudioUnitSetParameter(unit.Unit(), kGain, kAudioUnitScope_Global, 0, 0.5f, 0), noErr);
    // Named "Unity" (gain 1), which is restored on the way, but with a byte too many.
    CFHolder<CFMutableDictionaryRef> state(CopyClassInfo(unit));
    auto data = static_cast<CFDataRef>(CFDictionaryGetValue(state.Get(), CFSTR("data")));
    CFHolder<CFMutableDataRef> longer(CFDataCreateMutableCopy(nullptr, 0, data));
    CFDataSetLength(longer.Get(), CFDataGetLength(data) + 1);
    CFDictionarySetValue(state.Get(), CFSTR("data"), longer.Get());
    std::vector<double>& shown = unit.Plug()->mEditor->Probe(kGain)->mPlugValues;
    shown.clear();
    ASSERT_EQ(unit.Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state.Get()),
              kAudioUnitErr_InvalidPropertyValue);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), 0.25); // the gain of 0.5 it kept
}

TEST_F(IFxAUParams, AFailedRestoreLeavesEveryParameterAsItWas) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    CFHolder<CFMutableDictionaryRef> good(CopyClassInfo(unit));
    // The state names preset "Loud" and holds gain 0.5: the data wins over the preset.
    CFDictionarySetValue(good.Get(), CFSTR("name"), CFSTR("Loud"));
    auto data = static_cast<CFDataRef>(CFDictionaryGetValue(good.Get(), CFSTR("data")));
    CFHolder<CFMutableDataRef> halfGain(CFDataCreateMutableCopy(nullptr, 0, data));
    const double gain = 0.5;
    std::memcpy(CFDataGetMutableBytePtr(halfGain.Get()), &gain, sizeof gain);
    CFDictionarySetValue(good.Get(), CFSTR("data"), halfGain.Get());

    ASSERT_EQ(AudioUnitSetParameter(unit.Unit(), kSteps, kAudioUnitScope_Global, 0, 7.0f, 0),
              noErr);
    auto refused = [&](CFPropertyListRef state) {
        return unit.Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state) ==
               kAudioUnitErr_InvalidPropertyValue;
    };
    auto variant = [&](const char* key, CFTypeRef value) {
        CFMutableDictionaryRef copy = CFDictionaryCreateMutableCopy(nullptr, 0, good.Get());
        CFHolder<CFStringRef> name(CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8));
        if (value)
            CFDictionarySetValue(copy, name.Get(), value);
        else
            CFDictionaryRemoveValue(copy, name.Get());
        return copy;
    };
    const SInt32 otherCode = FourCharCodeFromText("Xxxx");
    CFHolder<CFNumberRef> other(CFNumberCreate(nullptr, kCFNumberSInt32Type, &otherCode));
    CFHolder<CFDataRef> shortData(CFDataCreate(nullptr, CFDataGetBytePtr(halfGain.Get()), 8 * 3));
    for (const char* key : {"version", "type", "subtype", "manufacturer", "name", "data"}) {
        CFHolder<CFMutableDictionaryRef> missing(variant(key, nullptr));
        EXPECT_TRUE(refused(missing.Get())) << "without " << key;
    }
    for (const char* key : {"type", "subtype", "manufacturer"}) {
        CFHolder<CFMutableDictionaryRef> foreign(variant(key, other.Get()));
        EXPECT_TRUE(refused(foreign.Get())) << "another " << key;
    }
    CFHolder<CFMutableDictionaryRef> cut(variant("data", shortData.Get()));
    EXPECT_TRUE(refused(cut.Get()));
    // A whole state with more behind it is not a state this plug-in wrote.
    CFHolder<CFMutableDataRef> longData(CFDataCreateMutableCopy(nullptr, 0, halfGain.Get()));
    CFDataSetLength(longData.Get(), CFDataGetLength(longData.Get()) + 1);
    CFHolder<CFMutableDictionaryRef> overlong(variant("data", longData.Get()));
    EXPECT_TRUE(refused(overlong.Get()));
    CFHolder<CFMutableDictionaryRef> textData(variant("data", CFSTR("0123")));
    EXPECT_TRUE(refused(textData.Get()));
    CFHolder<CFMutableDictionaryRef> numberName(variant("name", other.Get()));
    EXPECT_TRUE(refused(numberName.Get()));
    EXPECT_TRUE(refused(CFSTR("not a dictionary")));
    EXPECT_TRUE(refused(nullptr));
    EXPECT_EQ(plug->GetParam(kSteps)->Value(), 7.0);
    EXPECT_EQ(plug->GetParam(kGain)->Value(), 1.0);
    EXPECT_EQ(plug->GetCurrentPresetIdx(), 0);

    ASSERT_EQ(unit.Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                       CFPropertyListRef{good.Get()}),
              noErr);
    EXPECT_EQ(plug->GetCurrentPresetIdx(), 1) << "the preset named in the state";
    EXPECT_EQ(plug->GetParam(kGain)->Value(), 0.5);
    EXPECT_EQ(plug->GetParam(kSteps)->Value(), 2.0) << "from the state's data";
}

TEST_F(IFxAUParams, FactoryPresetsDescribeThemselves) {
    AUTestUnit unit;
    CFArrayRef presets = nullptr;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &presets),
              noErr);
    ASSERT_EQ(CFArrayGetCount(presets), 2);
    const auto* loud = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, 1));
    EXPECT_EQ(loud->presetNumber, 1);
    EXPECT_EQ(CFText(loud->presetName), "Loud");
    EXPECT_EQ(CFText(presets), "(AUPreset:\npreset number = 0\npreset name = Unity, "
                               "AUPreset:\npreset number = 1\npreset name = Loud)");
    // A copy keeps the presets after the original goes.
    CFHolder<CFArrayRef> copy(CFArrayCreateCopy(nullptr, presets));
    CFRelease(presets);
    EXPECT_EQ(
        CFText(static_cast<const AUPreset*>(CFArrayGetValueAtIndex(copy.Get(), 0))->presetName),
        "Unity");
}

} // namespace
