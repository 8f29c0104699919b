// Parameter and property events reach the listeners registered for them, including events a
// component with its own copy of the platform library notifies.

#include "ComponentCall.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A component whose parameter values are ten times their ids.
ComponentResult ValueEntry(ComponentParameters* params, Handle) {
    switch (params->what) {
    case kComponentOpenSelect:
    case kComponentCloseSelect:
        return noErr;
    case kAudioUnitGetParameterSelect: {
        AudioUnitGetParameterArguments arguments;
        if (!GetComponentArguments(params, arguments)) return paramErr;
        *arguments.outValue = static_cast<AudioUnitParameterValue>(arguments.inID * 10);
        return noErr;
    }
    default:
        return badComponentSelector;
    }
}

struct Heard {
    void* object;
    AudioUnitEvent event;
    AudioUnitParameterValue value;
};

void Record(void* refCon, void* object, const AudioUnitEvent* event, UInt64,
            AudioUnitParameterValue value) {
    static_cast<std::vector<Heard>*>(refCon)->push_back({object, *event, value});
}

AudioUnitEvent ParameterEvent(AudioUnitEventType type, AudioUnit unit, AudioUnitParameterID id) {
    AudioUnitEvent event{};
    event.mEventType = type;
    event.mArgument.mParameter = {unit, id, kAudioUnitScope_Global, 0};
    return event;
}

AudioUnitEvent PropertyEvent(AudioUnit unit, AudioUnitPropertyID id, AudioUnitElement element) {
    AudioUnitEvent event{};
    event.mEventType = kAudioUnitEvent_PropertyChange;
    event.mArgument.mProperty = {unit, id, kAudioUnitScope_Global, element};
    return event;
}

class AUEvents : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(OpenComponentWithEntry(ValueEntry, &mUnit), noErr);
        ASSERT_EQ(AUEventListenerCreate(Record, &mHeard, nullptr, nullptr, 0.05f, 0, &mListener),
                  noErr);
    }
    void TearDown() override {
        AUListenerDispose(mListener);
        CloseComponent(mUnit);
    }

    void Notify(const AudioUnitEvent& event, AUEventListenerRef sender = nullptr,
                void* senderObject = nullptr) {
        ASSERT_EQ(AUEventListenerNotify(sender, senderObject, &event), noErr);
    }

    AudioUnit mUnit = nullptr;
    AUEventListenerRef mListener = nullptr;
    std::vector<Heard> mHeard;
    int mObject = 0;
};

TEST_F(AUEvents, ListenersHearOnlyTheEventsTheyAskedFor) {
    const AudioUnitEvent valueOf3 = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnit, 3);
    const AudioUnitEvent bypass = PropertyEvent(mUnit, kAudioUnitProperty_BypassEffect, 0);
    ASSERT_EQ(AUEventListenerAddEventType(mListener, &mObject, &valueOf3), noErr);
    ASSERT_EQ(AUEventListenerAddEventType(mListener, &mObject, &bypass), noErr);

    Notify(valueOf3);
    Notify(ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnit, 4));
    Notify(ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnit, 3));
    Notify(bypass);
    Notify(PropertyEvent(mUnit, kAudioUnitProperty_BypassEffect, 1));
    Notify(PropertyEvent(mUnit, kAudioUnitProperty_Latency, 0));

    ASSERT_EQ(mHeard.size(), 2u);
    EXPECT_EQ(mHeard[0].object, &mObject);
    EXPECT_EQ(mHeard[0].event.mArgument.mParameter.mParameterID, 3u);
    EXPECT_EQ(mHeard[0].value, 30.0f) << "the value is read from the unit";
    EXPECT_EQ(mHeard[1].event.mEventType, kAudioUnitEvent_PropertyChange);
    EXPECT_EQ(mHeard[1].event.mArgument.mProperty.mPropertyID, kAudioUnitProperty_BypassEffect);
    EXPECT_EQ(mHeard[1].value, 0.0f);
}

TEST_F(AUEvents, AnyParameterMatchesAndTheSenderIsSkipped) {
    const AudioUnitEvent anyGesture = ParameterEvent(kAudioUnitEvent_EndParameterChangeGesture,
                                                     mUnit, kAUParameterListener_AnyParameter);
    ASSERT_EQ(AUEventListenerAddEventType(mListener, &mObject, &anyGesture), noErr);
    Notify(ParameterEvent(kAudioUnitEvent_EndParameterChangeGesture, mUnit, 8));
    Notify(ParameterEvent(kAudioUnitEvent_EndParameterChangeGesture, mUnit, 9), mListener,
           &mObject);
    Notify(ParameterEvent(kAudioUnitEvent_EndParameterChangeGesture, mUnit, 1), mListener, nullptr);
    ASSERT_EQ(mHeard.size(), 2u);
    EXPECT_EQ(mHeard[0].event.mArgument.mParameter.mParameterID, 8u);
    EXPECT_EQ(mHeard[1].event.mArgument.mParameter.mParameterID, 1u)
        << "another object of the sending listener still hears it";
}

TEST_F(AUEvents, DisposedListenersHearNothing) {
    const AudioUnitEvent valueOf2 = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnit, 2);
    AUEventListenerRef second = nullptr;
    std::vector<Heard> secondHeard;
    ASSERT_EQ(AUEventListenerCreate(Record, &secondHeard, nullptr, nullptr, 0, 0, &second), noErr);
    ASSERT_EQ(AUEventListenerAddEventType(second, nullptr, &valueOf2), noErr);
    EXPECT_EQ(AUListenerDispose(second), noErr);
    Notify(valueOf2);
    EXPECT_TRUE(secondHeard.empty());
    EXPECT_EQ(AUListenerDispose(second), paramErr) << "disposed twice";
    EXPECT_EQ(AUEventListenerAddEventType(second, nullptr, &valueOf2), paramErr);

    AudioUnitEvent unknown = valueOf2;
    unknown.mEventType = 42;
    EXPECT_EQ(AUEventListenerAddEventType(mListener, nullptr, &unknown), paramErr);
    EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, nullptr), paramErr);
    EXPECT_EQ(AUEventListenerCreate(nullptr, nullptr, nullptr, nullptr, 0, 0, &second), paramErr);
}

TEST(AUEventsAcrossModules, AComponentsEventsAndObjectsReachItsHost) {
    const TestComponentBundle& loaded = LoadTestComponentBundle();
    AudioUnit unit = nullptr;
    ASSERT_EQ(OpenComponentWithEntry(loaded.entry, &unit), noErr);
    std::vector<Heard> heard;
    AUEventListenerRef listener = nullptr;
    ASSERT_EQ(AUEventListenerCreate(Record, &heard, nullptr, nullptr, 0, 0, &listener), noErr);
    for (AudioUnitEventType type :
         {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
          kAudioUnitEvent_EndParameterChangeGesture}) {
        const AudioUnitEvent event = ParameterEvent(type, unit, 7);
        ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &event), noErr);
    }

    // The component notifies through its own copy of the library.
    ASSERT_EQ(AudioUnitSetParameter(unit, 7, kAudioUnitScope_Global, 0, 0.25f, 0), noErr);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0].event.mEventType, kAudioUnitEvent_BeginParameterChangeGesture);
    EXPECT_EQ(heard[1].event.mEventType, kAudioUnitEvent_ParameterValueChange);
    EXPECT_EQ(heard[1].value, 0.25f);
    EXPECT_EQ(heard[2].event.mEventType, kAudioUnitEvent_EndParameterChangeGesture);

    // A dictionary the component made, used and released here.
    CFPropertyListRef classInfo = nullptr;
    UInt32 size = sizeof classInfo;
    ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                                   &classInfo, &size),
              noErr);
    ASSERT_EQ(CFGetTypeID(classInfo), CFDictionaryGetTypeID());
    auto info = static_cast<CFDictionaryRef>(classInfo);
    Float32 value = 0;
    EXPECT_TRUE(
        CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(info, CFSTR("value"))),
                         kCFNumberFloat32Type, &value));
    EXPECT_EQ(value, 0.25f);
    EXPECT_EQ(CFText(CFDictionaryGetValue(info, CFSTR("bundle"))), loaded.bundlePath)
        << "the component finds its own bundle";
    CFHolder<CFDataRef> xml(
        CFPropertyListCreateData(nullptr, classInfo, kCFPropertyListXMLFormat_v1_0, 0, nullptr));
    EXPECT_TRUE(xml);
    CFRelease(classInfo);

    AUListenerDispose(listener);
    EXPECT_EQ(CloseComponent(unit), noErr);
}

} // namespace
