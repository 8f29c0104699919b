// The class-info state the host saves and restores, and the list of factory presets.
#include "IFxAU.h"

#include "IFxAUInternal.h"

#include <atomic>
#include <climits>
#include <new>

namespace {

// A factory preset as the host receives it: the array holds AUPreset pointers, counted so
// that copies of the array can share them.
struct CountedPreset {
    AUPreset preset; // first, so that the array's values are AUPreset pointers
    std::atomic<int> references{0};
};

const void* RetainPreset(CFAllocatorRef, const void* value) {
    static_cast<CountedPreset*>(const_cast<void*>(value))->references.fetch_add(1);
    return value;
}

void ReleasePreset(CFAllocatorRef, const void* value) {
    auto* counted = static_cast<CountedPreset*>(const_cast<void*>(value));
    if (counted->references.fetch_sub(1) == 1) {
        CFRelease(counted->preset.presetName);
        delete counted;
    }
}

CFStringRef DescribePreset(const void* value) {
    const auto* preset = static_cast<const AUPreset*>(value);
    return CFStringCreateWithFormat(nullptr, nullptr,
                                    CFSTR("AUPreset:\npreset number = %d\npreset name = %@"),
                                    static_cast<int>(preset->presetNumber), preset->presetName);
}

Boolean EqualPresets(const void* a, const void* b) {
    const auto* presetA = static_cast<const AUPreset*>(a);
    const auto* presetB = static_cast<const AUPreset*>(b);
    return presetA->presetNumber == presetB->presetNumber &&
           CFEqual(presetA->presetName, presetB->presetName);
}

const CFArrayCallBacks kPresetCallBacks{0, RetainPreset, ReleasePreset, DescribePreset,
                                        EqualPresets};

bool SetNumber(CFMutableDictionaryRef dictionary, CFStringRef key, SInt32 value) {
    CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &value);
    if (!number) return false;
    CFDictionarySetValue(dictionary, key, number);
    CFRelease(number);
    return true;
}

// A 32-bit number stored under key; false when it is missing, of another type or out of range.
bool GetNumber(CFDictionaryRef dictionary, CFStringRef key, SInt32* value) {
    CFTypeRef number = CFDictionaryGetValue(dictionary, key);
    return number && CFGetTypeID(number) == CFNumberGetTypeID() &&
           CFNumberGetValue(static_cast<CFNumberRef>(number), kCFNumberSInt32Type, value);
}

} // namespace

OSType IFxAU::ComponentType() const {
    if (IsInst()) return kAudioUnitType_MusicDevice;
    return DoesMIDI() ? kAudioUnitType_MusicEffect : kAudioUnitType_Effect;
}

ComponentResult IFxAU::GetState(CFPropertyListRef* state) {
    ByteChunk chunk;
    if (!SerializeState(&chunk)) return memFullErr;
    CFMutableDictionaryRef dictionary = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFStringRef name = MakeCFString(GetPresetName(GetCurrentPresetIdx()));
    CFDataRef data = CFDataCreate(nullptr, chunk.GetBytes(), chunk.Size());
    bool made =
        dictionary && name && data &&
        SetNumber(dictionary, CFSTR(kAUPresetVersionKey), GetEffectVersion(false)) &&
        SetNumber(dictionary, CFSTR(kAUPresetTypeKey), static_cast<SInt32>(ComponentType())) &&
        SetNumber(dictionary, CFSTR(kAUPresetSubtypeKey), GetUniqueID()) &&
        SetNumber(dictionary, CFSTR(kAUPresetManufacturerKey), GetMfrID());
    if (made) {
        CFDictionarySetValue(dictionary, CFSTR(kAUPresetNameKey), name);
        CFDictionarySetValue(dictionary, CFSTR(kAUPresetDataKey), data);
        made = CFDictionaryGetCount(dictionary) == 6;
    }
    CFRelease(name);
    CFRelease(data);
    if (!made) {
        CFRelease(dictionary);
        return memFullErr;
    }
    *state = dictionary;
    return noErr;
}

// All or nothing: a state that is not this plug-in's, or that holds less than the plug-in's
// own state does, is refused before anything changes; should the plug-in still refuse the
// data, or leave part of it unread, the preset and the parameters are put back as they were.
ComponentResult IFxAU::SetState(CFPropertyListRef state) {
    if (!state || CFGetTypeID(state) != CFDictionaryGetTypeID())
        return kAudioUnitErr_InvalidPropertyValue;
    const auto dictionary = static_cast<CFDictionaryRef>(state);
    SInt32 version = 0, type = 0, subtype = 0, manufacturer = 0;
    if (!GetNumber(dictionary, CFSTR(kAUPresetVersionKey), &version) ||
        !GetNumber(dictionary, CFSTR(kAUPresetTypeKey), &type) ||
        !GetNumber(dictionary, CFSTR(kAUPresetSubtypeKey), &subtype) ||
        !GetNumber(dictionary, CFSTR(kAUPresetManufacturerKey), &manufacturer))
        return kAudioUnitErr_InvalidPropertyValue;
    if (static_cast<OSType>(type) != ComponentType() || subtype != GetUniqueID() ||
        manufacturer != GetMfrID())
        return kAudioUnitErr_InvalidPropertyValue;
    CFTypeRef name = CFDictionaryGetValue(dictionary, CFSTR(kAUPresetNameKey));
    CFTypeRef data = CFDictionaryGetValue(dictionary, CFSTR(kAUPresetDataKey));
    if (!name || CFGetTypeID(name) != CFStringGetTypeID() || !data ||
        CFGetTypeID(data) != CFDataGetTypeID())
        return kAudioUnitErr_InvalidPropertyValue;

    const CFIndex length = CFDataGetLength(static_cast<CFDataRef>(data));
    ByteChunk saved, chunk;
    if (!SerializeState(&saved)) return memFullErr;
    if (length < saved.Size() || length > INT_MAX) return kAudioUnitErr_InvalidPropertyValue;
    if (chunk.PutBytes(CFDataGetBytePtr(static_cast<CFDataRef>(data)), static_cast<int>(length)) !=
        length)
        return memFullErr;

    // A name this plug-in does not know (a user's own preset) leaves the preset as it is.
    const int savedPresetIdx = GetCurrentPresetIdx();
    char presetName[IPreset::kNameSize];
    if (GetCFStringText(name, presetName, sizeof presetName)) RestorePreset(presetName);
    // Bytes left over mean the data is not a state this plug-in wrote.
    if (UnserializeState(&chunk, 0) == chunk.Size()) {
        // The editor shows what was restored, not the preset named on the way.
        RedrawParamControls();
        return noErr;
    }
    if (GetCurrentPresetIdx() != savedPresetIdx) RestorePreset(savedPresetIdx);
    UnserializeState(&saved, 0);
    // Nor, when the state is refused, the preset it named.
    RedrawParamControls();
    return kAudioUnitErr_InvalidPropertyValue;
}

ComponentResult IFxAU::GetFactoryPresets(CFArrayRef* presets) {
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kPresetCallBacks);
    if (!array) return memFullErr;
    for (int i = 0; i < NPresets(); ++i) {
        auto* counted = new (std::nothrow) CountedPreset;
        CFStringRef name = MakeCFString(GetPresetName(i));
        if (!counted || !name) {
            delete counted;
            CFRelease(name);
            break;
        }
        counted->preset = AUPreset{i, name};
        // The array takes the only reference; if it cannot, releasing frees the preset.
        CFArrayAppendValue(array, counted);
        if (CFArrayGetCount(array) != i + 1) break;
    }
    if (CFArrayGetCount(array) != NPresets()) {
        CFRelease(array);
        return memFullErr;
    }
    *presets = array;
    return noErr;
}
