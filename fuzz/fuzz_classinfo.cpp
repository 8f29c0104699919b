// Class-info restore from arbitrary property-list text, through the component's entry as a
// host restores a project: a refused state changes nothing, an accepted one leaves every
// parameter in range and saves back to a state that restores to itself.
#include "AudioUnit.h"
#include "ComponentCall.h"
#include "FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <string>

extern "C" ComponentResult Brindlex_Entry(ComponentParameters* params, Handle storage);

namespace {

std::string XMLOf(CFPropertyListRef plist) {
    CFDataRef data =
        CFPropertyListCreateData(nullptr, plist, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
    FUZZ_CHECK(data);
    const UInt8* bytes = CFDataGetBytePtr(data);
    std::string xml(reinterpret_cast<const char*>(bytes), size_t(CFDataGetLength(data)));
    CFRelease(data);
    return xml;
}

std::string SavedXML(AudioUnit unit) {
    CFPropertyListRef state = nullptr;
    UInt32 size = sizeof state;
    FUZZ_CHECK(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                                    &state, &size) == noErr);
    const std::string xml = XMLOf(state);
    CFRelease(state);
    return xml;
}

OSStatus Restore(AudioUnit unit, CFPropertyListRef state) {
    return AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                                &state, sizeof state);
}

void CheckParameters(AudioUnit unit) {
    for (AudioUnitParameterID id = 0; id < 10; ++id) {
        AudioUnitParameterInfo info{};
        UInt32 size = sizeof info;
        FUZZ_CHECK(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo,
                                        kAudioUnitScope_Global, id, &info, &size) == noErr);
        if (info.cfNameString) CFRelease(info.cfNameString);
        if (info.unitName) CFRelease(info.unitName);
        AudioUnitParameterValue value = 0;
        FUZZ_CHECK(AudioUnitGetParameter(unit, id, kAudioUnitScope_Global, 0, &value) == noErr);
        FUZZ_CHECK(std::isfinite(value) && value >= info.minValue && value <= info.maxValue);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFDataRef bytes = CFDataCreate(nullptr, data, CFIndex(size));
    CFPropertyListRef state = CFPropertyListCreateWithData(nullptr, bytes, 0, nullptr, nullptr);
    CFRelease(bytes);
    if (!state) return 0;

    AudioUnit unit = nullptr;
    FUZZ_CHECK(OpenComponentWithEntry(Brindlex_Entry, &unit) == noErr);
    const std::string before = SavedXML(unit);
    const OSStatus status = Restore(unit, state);
    CFRelease(state);
    if (status != noErr) {
        FUZZ_CHECK(status == kAudioUnitErr_InvalidPropertyValue);
        FUZZ_CHECK(SavedXML(unit) == before);
    } else {
        CheckParameters(unit);
        // What was taken saves and restores to itself.
        CFPropertyListRef saved = nullptr;
        UInt32 stateSize = sizeof saved;
        FUZZ_CHECK(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global,
                                        0, &saved, &stateSize) == noErr);
        const std::string xml = XMLOf(saved);
        FUZZ_CHECK(Restore(unit, saved) == noErr);
        CFRelease(saved);
        FUZZ_CHECK(SavedXML(unit) == xml);
    }
    FUZZ_CHECK(CloseComponent(unit) == noErr);
    return 0;
}
