// The property interface: which properties the unit answers, in which scopes and elements and
// with which sizes, their values, and the listeners told when the host sets one.
#include "IFxAU.h"

#include "IFxAUInternal.h"
#include "Trace.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr unsigned kGlobalScope = 1u << kAudioUnitScope_Global;
constexpr unsigned kInputScope = 1u << kAudioUnitScope_Input;
constexpr unsigned kOutputScope = 1u << kAudioUnitScope_Output;
constexpr unsigned kBusScopes = kInputScope | kOutputScope;

// What the element of a property names.
enum class ElementKind {
    kZero,  // nothing: it must be 0
    kBus,   // a bus of the scope (in the global scope, output bus 0)
    kParam, // a parameter id
    kAny    // a selector or nothing checked here
};

struct PropertyRule {
    AudioUnitPropertyID id;
    unsigned scopes;
    ElementKind element;
    UInt32 size; // bytes of the value; 0 when it depends on the unit
    bool readable;
    bool writable;
};

// The host callbacks the unit keeps: all but the second transport-state procedure.
constexpr UInt32 kHostCallbacksSize = offsetof(HostCallbackInfo, transportStateProc2);

// Longest slice the host may ask for; buffers for it are made when it is set.
constexpr UInt32 kMaxFramesPerSlice = 1u << 20;

using EK = ElementKind;
constexpr PropertyRule kPropertyRules[] = {
    {kAudioUnitProperty_ClassInfo, kGlobalScope, EK::kZero, sizeof(CFPropertyListRef), true, true},
    {kAudioUnitProperty_MakeConnection, kInputScope, EK::kBus, sizeof(AudioUnitConnection), true,
     true},
    {kAudioUnitProperty_SampleRate, kGlobalScope | kBusScopes, EK::kBus, sizeof(Float64), true,
     true},
    {kAudioUnitProperty_ParameterList, kGlobalScope | kBusScopes, EK::kZero, 0, true, false},
    {kAudioUnitProperty_ParameterInfo, kGlobalScope, EK::kParam, sizeof(AudioUnitParameterInfo),
     true, false},
    {kAudioUnitProperty_FastDispatch, kGlobalScope, EK::kAny, sizeof(void*), true, false},
    {kAudioUnitProperty_CocoaUI, kGlobalScope, EK::kZero, sizeof(AudioUnitCocoaViewInfo), true,
     false},
    {kAudioUnitProperty_StreamFormat, kGlobalScope | kBusScopes, EK::kBus,
     sizeof(AudioStreamBasicDescription), true, true},
    {kAudioUnitProperty_ElementCount, kGlobalScope | kBusScopes, EK::kZero, sizeof(UInt32), true,
     false},
    {kAudioUnitProperty_Latency, kGlobalScope, EK::kZero, sizeof(Float64), true, false},
    {kAudioUnitProperty_SupportedNumChannels, kGlobalScope, EK::kZero, 0, true, false},
    {kAudioUnitProperty_MaximumFramesPerSlice, kGlobalScope, EK::kZero, sizeof(UInt32), true, true},
    {kAudioUnitProperty_ParameterValueStrings, kGlobalScope, EK::kParam, sizeof(CFArrayRef), true,
     false},
    {kAudioUnitProperty_TailTime, kGlobalScope, EK::kZero, sizeof(Float64), true, false},
    {kAudioUnitProperty_BypassEffect, kGlobalScope, EK::kZero, sizeof(UInt32), true, true},
    {kAudioUnitProperty_LastRenderError, kGlobalScope, EK::kZero, sizeof(OSStatus), true, false},
    {kAudioUnitProperty_SetRenderCallback, kInputScope, EK::kBus, sizeof(AURenderCallbackStruct),
     true, true},
    {kAudioUnitProperty_FactoryPresets, kGlobalScope, EK::kZero, sizeof(CFArrayRef), true, false},
    {kAudioUnitProperty_RenderQuality, kGlobalScope, EK::kZero, sizeof(UInt32), true, true},
    {kAudioUnitProperty_HostCallbacks, kGlobalScope, EK::kZero, kHostCallbacksSize, true, true},
    {kAudioUnitProperty_InPlaceProcessing, kGlobalScope, EK::kZero, sizeof(UInt32), true, true},
    {kAudioUnitProperty_ElementName, kBusScopes, EK::kBus, sizeof(CFStringRef), true, false},
    {kAudioUnitProperty_ParameterStringFromValue, kGlobalScope, EK::kAny,
     sizeof(AudioUnitParameterStringFromValue), true, false},
    {kAudioUnitProperty_ParameterClumpName, kGlobalScope, EK::kAny,
     sizeof(AudioUnitParameterNameInfo), true, false},
    {kAudioUnitProperty_PresentPreset, kGlobalScope, EK::kZero, sizeof(AUPreset), true, true},
    {kAudioUnitProperty_OfflineRender, kGlobalScope, EK::kZero, sizeof(UInt32), true, true},
    {kAudioUnitProperty_ParameterValueFromString, kGlobalScope, EK::kAny,
     sizeof(AudioUnitParameterValueFromString), true, false},
    {kAudioUnitProperty_AUHostIdentifier, kGlobalScope, EK::kZero, sizeof(AUHostVersionIdentifier),
     false, true},
    {kMusicDeviceProperty_InstrumentCount, kGlobalScope, EK::kZero, sizeof(UInt32), true, false},
};

const PropertyRule* FindRule(AudioUnitPropertyID id) {
    for (const PropertyRule& rule : kPropertyRules)
        if (rule.id == id) return &rule;
    return nullptr;
}

// The host's data need not be aligned for the value's type.
template <class T> T Load(const void* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

template <class T> void Store(void* data, const T& value) {
    std::memcpy(data, &value, sizeof value);
}

bool IsPositiveFinite(double value) {
    return std::isfinite(value) && value > 0.0;
}

} // namespace

IFxAU::BusChannels* IFxAU::GetBus(AudioUnitScope scope, AudioUnitElement element) const {
    if (element > INT_MAX) return nullptr;
    switch (scope) {
    case kAudioUnitScope_Input:
        return mInBuses.Get(static_cast<int>(element));
    case kAudioUnitScope_Output:
        return mOutBuses.Get(static_cast<int>(element));
    case kAudioUnitScope_Global:
        return element == 0 ? mOutBuses.Get(0) : nullptr;
    default:
        return nullptr;
    }
}

ComponentResult IFxAU::GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                   AudioUnitElement element, UInt32* dataSize, Boolean* writable,
                                   void* data) {
    TRACE("(%u:%s):(%u:%s):%u:%s", propID, AUPropertyStr(static_cast<int>(propID)), scope,
          AUScopeStr(static_cast<int>(scope)), element, data ? "" : "Info");
    const PropertyRule* rule = FindRule(propID);
    if (!rule) return kAudioUnitErr_InvalidProperty;
    // The element of the fast-dispatch property is a selector, which GetProc checks.
    if (propID == kAudioUnitProperty_FastDispatch) {
        if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        return GetProc(element, dataSize, data);
    }
    if (ComponentResult result = CheckPropertyAddress(propID, scope, element); result != noErr)
        return result;

    UInt32 size = rule->size;
    if (propID == kAudioUnitProperty_ParameterList)
        size = scope == kAudioUnitScope_Global
                   ? static_cast<UInt32>(NParams()) * sizeof(AudioUnitParameterID)
                   : 0;
    else if (propID == kAudioUnitProperty_SupportedNumChannels)
        size = static_cast<UInt32>(NChannelIO()) * sizeof(AUChannelInfo);

    *writable = rule->writable;
    if (!data) {
        *dataSize = size;
        return noErr;
    }
    if (!rule->readable) return kAudioUnitErr_InvalidProperty;
    if (*dataSize < size) return kAudioUnitErr_InvalidPropertyValue;
    const ComponentResult result = ReadProperty(propID, scope, element, data);
    if (result == noErr) *dataSize = size;
    return result;
}

ComponentResult IFxAU::SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                   AudioUnitElement element, UInt32 dataSize, const void* data) {
    TRACE("(%u:%s):(%u:%s):%u", propID, AUPropertyStr(static_cast<int>(propID)), scope,
          AUScopeStr(static_cast<int>(scope)), element);
    const PropertyRule* rule = FindRule(propID);
    if (!rule) return kAudioUnitErr_InvalidProperty;
    if (ComponentResult result = CheckPropertyAddress(propID, scope, element); result != noErr)
        return result;
    if (!rule->writable) return kAudioUnitErr_PropertyNotWritable;
    if (!data || dataSize < rule->size) return kAudioUnitErr_InvalidPropertyValue;
    InformListeners(propID, scope, element);
    return WriteProperty(propID, scope, element, data);
}

CFBundleRef IFxAU::CocoaViewBundle() const {
    if (!GetGUI() || !*mCocoaViewFactoryClassName.Get()) return nullptr;
    CFStringRef identifier = MakeCFString(mBundleID.Get());
    CFBundleRef bundle = identifier ? CFBundleGetBundleWithIdentifier(identifier) : nullptr;
    if (identifier) CFRelease(identifier);
    return bundle;
}

ComponentResult IFxAU::CheckPropertyAddress(AudioUnitPropertyID propID, AudioUnitScope scope,
                                            AudioUnitElement element) {
    const PropertyRule* rule = FindRule(propID);
    if (!rule) return kAudioUnitErr_InvalidProperty;
    if (scope >= 32 || !(rule->scopes & (1u << scope))) return kAudioUnitErr_InvalidScope;
    switch (rule->element) {
    case ElementKind::kZero:
        if (element != 0) return kAudioUnitErr_InvalidElement;
        break;
    case ElementKind::kBus:
        if (!GetBus(scope, element)) return kAudioUnitErr_InvalidElement;
        break;
    case ElementKind::kParam:
        if (element >= static_cast<UInt32>(NParams())) return kAudioUnitErr_InvalidParameter;
        break;
    case ElementKind::kAny:
        break;
    }
    // Properties that exist only for some units or some parameters.
    if (propID == kMusicDeviceProperty_InstrumentCount && !IsInst())
        return kAudioUnitErr_InvalidProperty;
    if (propID == kAudioUnitProperty_CocoaUI && !CocoaViewBundle())
        return kAudioUnitErr_InvalidProperty;
    if (propID == kAudioUnitProperty_ParameterValueStrings &&
        GetParam(static_cast<int>(element))->GetNDisplayTexts() == 0)
        return kAudioUnitErr_InvalidProperty;
    return noErr;
}

ComponentResult IFxAU::ReadProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                    AudioUnitElement element, void* data) {
    const int index = static_cast<int>(element); // checked by CheckPropertyAddress where used
    switch (propID) {
    case kAudioUnitProperty_ClassInfo: {
        CFPropertyListRef state = nullptr;
        const ComponentResult result = GetState(&state);
        if (result == noErr) Store(data, state);
        return result;
    }
    case kAudioUnitProperty_MakeConnection: {
        const InputBusConnection* connection = mInBusConnections.Get(index);
        Store(data, AudioUnitConnection{connection->mUpstreamUnit,
                                        static_cast<UInt32>(connection->mUpstreamBusIdx), element});
        return noErr;
    }
    case kAudioUnitProperty_SampleRate:
        Store(data, Float64{GetSampleRate()});
        return noErr;
    case kAudioUnitProperty_ParameterList:
        for (int i = 0; scope == kAudioUnitScope_Global && i < NParams(); ++i)
            Store(static_cast<AudioUnitParameterID*>(data) + i,
                  static_cast<AudioUnitParameterID>(i));
        return noErr;
    case kAudioUnitProperty_ParameterInfo: {
        AudioUnitParameterInfo info;
        const ComponentResult result = GetParameterInfo(index, &info);
        if (result == noErr) Store(data, info);
        return result;
    }
    case kAudioUnitProperty_StreamFormat: {
        AudioStreamBasicDescription format;
        MakeDefaultASBD(&format, GetSampleRate(), NActiveChannels(*GetBus(scope, element)), false);
        Store(data, format);
        return noErr;
    }
    case kAudioUnitProperty_ElementCount: {
        UInt32 count = 1;
        if (scope == kAudioUnitScope_Input) count = static_cast<UInt32>(mInBuses.GetSize());
        if (scope == kAudioUnitScope_Output) count = static_cast<UInt32>(mOutBuses.GetSize());
        Store(data, count);
        return noErr;
    }
    case kAudioUnitProperty_Latency:
        Store(data, Float64{GetLatency() / GetSampleRate()});
        return noErr;
    case kAudioUnitProperty_SupportedNumChannels:
        for (int i = 0; i < NChannelIO(); ++i) {
            auto clamp = [](int n) { return static_cast<SInt16>(std::clamp(n, -32768, 32767)); };
            const ChannelIO* io = GetChannelIO(i);
            Store(static_cast<AUChannelInfo*>(data) + i,
                  AUChannelInfo{clamp(io->mIn), clamp(io->mOut)});
        }
        return noErr;
    case kAudioUnitProperty_MaximumFramesPerSlice:
        Store(data, static_cast<UInt32>(GetBlockSize()));
        return noErr;
    case kAudioUnitProperty_ParameterValueStrings: {
        CFArrayRef strings = nullptr;
        const ComponentResult result = GetParameterValueStrings(index, &strings);
        if (result == noErr) Store(data, strings);
        return result;
    }
    case kAudioUnitProperty_TailTime:
        Store(data, Float64{GetTailSize() / GetSampleRate()});
        return noErr;
    case kAudioUnitProperty_BypassEffect:
        Store(data, UInt32{IsBypassed()});
        return noErr;
    case kAudioUnitProperty_LastRenderError:
        Store(data, mLastRenderError.load(std::memory_order_relaxed));
        return noErr;
    case kAudioUnitProperty_SetRenderCallback:
        Store(data, mInBusConnections.Get(index)->mUpstreamRenderCallback);
        return noErr;
    case kAudioUnitProperty_FactoryPresets: {
        CFArrayRef presets = nullptr;
        const ComponentResult result = GetFactoryPresets(&presets);
        if (result == noErr) Store(data, presets);
        return result;
    }
    case kAudioUnitProperty_RenderQuality:
        Store(data, mRenderQuality);
        return noErr;
    case kAudioUnitProperty_HostCallbacks:
        std::memcpy(data, &mHostCallbacks, kHostCallbacksSize);
        return noErr;
    case kAudioUnitProperty_InPlaceProcessing:
        Store(data, UInt32{mInPlace});
        return noErr;
    case kAudioUnitProperty_ElementName: {
        const UTL_String* label =
            scope == kAudioUnitScope_Input ? GetInputBusLabel(index) : GetOutputBusLabel(index);
        CFStringRef name = MakeCFString(label ? label->Get() : "");
        if (!name) return kAudioUnitErr_InvalidPropertyValue;
        Store(data, name);
        return noErr;
    }
    case kAudioUnitProperty_ParameterStringFromValue: {
        auto request = Load<AudioUnitParameterStringFromValue>(data);
        const ComponentResult result = GetParameterStringFromValue(&request);
        if (result == noErr) Store(data, request);
        return result;
    }
    case kAudioUnitProperty_ParameterClumpName: {
        auto request = Load<AudioUnitParameterNameInfo>(data);
        const ComponentResult result = GetParameterClumpName(&request);
        if (result == noErr) Store(data, request);
        return result;
    }
    case kAudioUnitProperty_PresentPreset: {
        const int presetIdx = GetCurrentPresetIdx();
        CFStringRef name = MakeCFString(GetPresetName(presetIdx));
        if (!name) return kAudioUnitErr_InvalidPropertyValue;
        Store(data, AUPreset{presetIdx, name});
        return noErr;
    }
    case kAudioUnitProperty_OfflineRender:
        Store(data, UInt32{mIsOffline});
        return noErr;
    case kAudioUnitProperty_ParameterValueFromString: {
        auto request = Load<AudioUnitParameterValueFromString>(data);
        const ComponentResult result = GetParameterValueFromString(&request);
        if (result == noErr) Store(data, request);
        return result;
    }
    case kMusicDeviceProperty_InstrumentCount:
        Store(data, UInt32{0}); // no instrument banks
        return noErr;
    case kAudioUnitProperty_CocoaUI: {
        // The host releases both.
        CFURLRef location = CFBundleCopyBundleURL(CocoaViewBundle());
        CFStringRef viewClass = MakeCFString(mCocoaViewFactoryClassName.Get());
        if (!location || !viewClass) {
            if (location) CFRelease(location);
            if (viewClass) CFRelease(viewClass);
            return kAudioUnitErr_InvalidPropertyValue;
        }
        Store(data, AudioUnitCocoaViewInfo{location, {viewClass}});
        return noErr;
    }
    default:
        return kAudioUnitErr_InvalidProperty;
    }
}

ComponentResult IFxAU::WriteProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                     AudioUnitElement element, const void* data) {
    switch (propID) {
    case kAudioUnitProperty_ClassInfo:
        return SetState(Load<CFPropertyListRef>(data));
    case kAudioUnitProperty_MakeConnection: {
        const auto connection = Load<AudioUnitConnection>(data);
        return SetConnection(element, &connection);
    }
    case kAudioUnitProperty_SampleRate: {
        const auto rate = Load<Float64>(data);
        if (!IsPositiveFinite(rate)) return kAudioUnitErr_InvalidPropertyValue;
        SetSampleRate(rate);
        Reset();
        return noErr;
    }
    case kAudioUnitProperty_StreamFormat: {
        const auto format = Load<AudioStreamBasicDescription>(data);
        return SetStreamFormat(scope, element, &format);
    }
    case kAudioUnitProperty_MaximumFramesPerSlice:
        return SetMaxFramesPerSlice(Load<UInt32>(data));
    case kAudioUnitProperty_BypassEffect: {
        const bool bypassed = Load<UInt32>(data) != 0;
        SetBypassed(bypassed);
        OnActivate(!bypassed);
        Reset();
        return noErr;
    }
    case kAudioUnitProperty_SetRenderCallback: {
        const auto callback = Load<AURenderCallbackStruct>(data);
        return SetRenderCallback(element, &callback);
    }
    case kAudioUnitProperty_RenderQuality: {
        const auto quality = Load<UInt32>(data);
        if (quality > kRenderQuality_Max) return kAudioUnitErr_InvalidPropertyValue;
        mRenderQuality = quality;
        return noErr;
    }
    case kAudioUnitProperty_HostCallbacks:
        mHostCallbacks = HostCallbackInfo{};
        std::memcpy(&mHostCallbacks, data, kHostCallbacksSize);
        return noErr;
    case kAudioUnitProperty_InPlaceProcessing:
        mInPlace = Load<UInt32>(data) != 0;
        return noErr;
    case kAudioUnitProperty_PresentPreset: {
        const auto preset = Load<AUPreset>(data);
        if (preset.presetNumber < 0 || !RestorePreset(preset.presetNumber))
            return kAudioUnitErr_InvalidPropertyValue;
        return noErr;
    }
    case kAudioUnitProperty_OfflineRender:
        mIsOffline = Load<UInt32>(data) != 0;
        return noErr;
    case kAudioUnitProperty_AUHostIdentifier: {
        const auto host = Load<AUHostVersionIdentifier>(data);
        char name[256];
        if (!GetCFStringText(host.hostName, name, sizeof name))
            return kAudioUnitErr_InvalidPropertyValue;
        SetHost(name, static_cast<int>(host.hostVersion));
        OnHostIdentified();
        return noErr;
    }
    default:
        return kAudioUnitErr_PropertyNotWritable;
    }
}

ComponentResult IFxAU::SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                       const AudioStreamBasicDescription* format) {
    // The global scope stands for output bus 0.
    const bool isInput = scope == kAudioUnitScope_Input;
    const int busIdx = scope == kAudioUnitScope_Global ? 0 : static_cast<int>(element);
    BusChannels* bus = GetBus(scope, element);

    const AudioFormatFlags flags = format->mFormatFlags;
    const UInt32 nChannels = format->mChannelsPerFrame;
    const bool linearPCM = format->mFormatID == kAudioFormatLinearPCM;
    // Render reads and writes one buffer of native 32-bit floats per channel, so no other
    // layout is accepted (integer or interleaved data would be read as something else).
    const bool canonical = (flags & kAudioFormatFlagIsFloat) &&
                           (flags & kAudioFormatFlagIsBigEndian) == kAudioFormatFlagsNativeEndian &&
                           format->mBitsPerChannel == 32 && format->mFramesPerPacket == 1 &&
                           format->mBytesPerFrame == 4 && format->mBytesPerPacket == 4 &&
                           ((flags & kAudioFormatFlagIsNonInterleaved) || nChannels == 1) &&
                           IsPositiveFinite(format->mSampleRate);
    const bool connectionOK = nChannels > 0 &&
                              nChannels <= static_cast<UInt32>(bus->mNPlugChannels) &&
                              CheckLegalIO(isInput ? kAudioUnitScope_Input : kAudioUnitScope_Output,
                                           busIdx, static_cast<int>(nChannels));
    TRACE("%d:%d:%s:%s:%s", static_cast<int>(scope), busIdx,
          linearPCM ? "linearPCM" : "notLinearPCM",
          canonical ? "canonicalFormat" : "notCanonicalFormat",
          connectionOK ? "connectionOK" : "connectionNotOK");
    if (!linearPCM || !canonical || !connectionOK) return kAudioUnitErr_FormatNotSupported;

    bus->mNHostChannels = static_cast<int>(nChannels);
    if (!isInput) bus->mConnected = true;
    if (format->mSampleRate != GetSampleRate()) {
        SetSampleRate(format->mSampleRate);
        Reset();
    }
    AssessInputConnections();
    return noErr;
}

ComponentResult IFxAU::SetMaxFramesPerSlice(UInt32 frames) {
    if (frames == 0 || frames > kMaxFramesPerSlice) return kAudioUnitErr_InvalidPropertyValue;
    SetBlockSize(static_cast<int>(frames));
    if (GetBlockSize() != static_cast<int>(frames)) return memFullErr;
    Reset();
    return noErr;
}

void IFxAU::InformListeners(AudioUnitPropertyID propID, AudioUnitScope scope,
                            AudioUnitElement element) {
    // A copy, so that a listener may add or remove listeners while it is told.
    std::vector<PropertyListener> listeners;
    for (int i = 0; i < mPropertyListeners.GetSize(); ++i)
        if (mPropertyListeners.Get(i)->mPropID == propID)
            listeners.push_back(*mPropertyListeners.Get(i));
    for (const PropertyListener& listener : listeners)
        listener.mListenerProc(listener.mProcArgs, mCI, propID, scope, element);
}

void IFxAU::AddPropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                                void* procArgs) {
    for (int i = 0; i < mPropertyListeners.GetSize(); ++i) {
        const PropertyListener* listener = mPropertyListeners.Get(i);
        if (listener->mPropID == propID && listener->mListenerProc == proc) return;
    }
    mPropertyListeners.Add(new PropertyListener{propID, proc, procArgs});
}

void IFxAU::RemovePropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                                   bool matchArgs, void* procArgs) {
    for (int i = 0; i < mPropertyListeners.GetSize(); ++i) {
        const PropertyListener* listener = mPropertyListeners.Get(i);
        if (listener->mPropID == propID && listener->mListenerProc == proc &&
            (!matchArgs || listener->mProcArgs == procArgs)) {
            mPropertyListeners.Delete(i, true);
            return;
        }
    }
}
