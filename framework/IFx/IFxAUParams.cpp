// Parameter access for the host, the parameter properties (info, value strings, conversions,
// clumps) and the events that tell the host about changes made on the plug-in's side.
#include "IFxAU.h"

#include "IFxAUInternal.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Parameter ids name parameters of the global scope's only element.
OSStatus CheckParamAddress(const IFxAU* plug, AudioUnitParameterID paramID, AudioUnitScope scope,
                           AudioUnitElement element) {
    if (!plug) return badComponentInstance;
    if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
    if (element != 0) return kAudioUnitErr_InvalidElement;
    if (paramID >= static_cast<UInt32>(plug->NParams())) return kAudioUnitErr_InvalidParameter;
    return noErr;
}

AudioUnitParameterUnit UnitOf(const IParam& param) {
    switch (param.Type()) {
    case kParamKindInt:
    case kParamKindEnum:
        return kAudioUnitParameterUnit_Indexed;
    case kParamKindBool:
        return kAudioUnitParameterUnit_Boolean;
    default:
        return *param.GetLabel() ? kAudioUnitParameterUnit_CustomUnit
                                 : kAudioUnitParameterUnit_Generic;
    }
}

// How a host's slider should map the value so that it moves as the editor's controls do.
AudioUnitParameterOptions DisplayFlagsOf(const IParam& param) {
    if (param.GetShape() == 2.0) return kAudioUnitParameterFlag_DisplaySquareRoot;
    if (param.GetShape() == 3.0) return kAudioUnitParameterFlag_DisplayCubeRoot;
    return 0;
}

const char* SkipSpaces(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    return text;
}

// A number as the display shows it, optionally followed by the parameter's label.
bool ParseDisplayedValue(const IParam& param, const char* text, double* value) {
    char* end = nullptr;
    double parsed = std::strtod(text, &end);
    if (end == text || !std::isfinite(parsed)) return false;
    const char* rest = SkipSpaces(end);
    const size_t labelLength = std::strlen(param.GetLabel());
    if (labelLength > 0 && std::strncmp(rest, param.GetLabel(), labelLength) == 0)
        rest = SkipSpaces(rest + labelLength);
    if (*rest) return false;
    *value = param.DisplayIsNegated() ? -parsed : parsed;
    return true;
}

} // namespace

OSStatus IFxAU::GetParamProc(void* plugStorage, AudioUnitParameterID paramID, AudioUnitScope scope,
                             AudioUnitElement element, AudioUnitParameterValue* value) {
    auto* plug = static_cast<IFxAU*>(plugStorage);
    if (OSStatus result = CheckParamAddress(plug, paramID, scope, element); result != noErr)
        return result;
    if (!value) return paramErr;
    IMutexLock lock(plug);
    *value =
        static_cast<AudioUnitParameterValue>(plug->GetParam(static_cast<int>(paramID))->Value());
    return noErr;
}

OSStatus IFxAU::SetParamProc(void* plugStorage, AudioUnitParameterID paramID, AudioUnitScope scope,
                             AudioUnitElement element, AudioUnitParameterValue value, UInt32) {
    auto* plug = static_cast<IFxAU*>(plugStorage);
    if (OSStatus result = CheckParamAddress(plug, paramID, scope, element); result != noErr)
        return result;
    if (!std::isfinite(value)) return kAudioUnitErr_InvalidParameterValue;
    plug->SetParameterFromHost(static_cast<int>(paramID), value);
    return noErr;
}

OSStatus IFxAU::ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 nEvents) {
    if (!events && nEvents > 0) return paramErr;
    for (UInt32 i = 0; i < nEvents; ++i) {
        const AudioUnitParameterEvent& event = events[i];
        if (event.eventType != kParameterEvent_Immediate) continue;
        const OSStatus result = SetParamProc(this, event.parameter, event.scope, event.element,
                                             event.eventValues.immediate.value,
                                             event.eventValues.immediate.bufferOffset);
        if (result != noErr) return result;
    }
    return noErr;
}

ComponentResult IFxAU::GetParameterInfo(int paramIdx, AudioUnitParameterInfo* info) {
    const IParam* param = GetParam(paramIdx);
    *info = AudioUnitParameterInfo{};
    // The switches of an effect may be left unnamed; the host then shows them so.
    UTL_CopyText(info->name, sizeof info->name, param->GetNameForHost());
    info->flags = kAudioUnitParameterFlag_IsReadable | kAudioUnitParameterFlag_IsWritable |
                  DisplayFlagsOf(*param);
    // With kAudioUnitParameterFlag_CFNameRelease the host releases both strings.
    info->cfNameString = MakeCFString(param->GetNameForHost());
    if (info->cfNameString)
        info->flags |=
            kAudioUnitParameterFlag_HasCFNameString | kAudioUnitParameterFlag_CFNameRelease;
    info->unit = UnitOf(*param);
    if (info->unit == kAudioUnitParameterUnit_CustomUnit) {
        info->unitName = MakeCFString(param->GetLabel());
        if (info->unitName) info->flags |= kAudioUnitParameterFlag_CFNameRelease;
    }
    double lo = 0.0, hi = 0.0;
    param->GetBounds(&lo, &hi);
    info->minValue = static_cast<AudioUnitParameterValue>(lo);
    info->maxValue = static_cast<AudioUnitParameterValue>(hi);
    info->defaultValue = static_cast<AudioUnitParameterValue>(param->Value());
    if (param->GetNDisplayTexts() > 0) info->flags |= kAudioUnitParameterFlag_ValuesHaveStrings;
    if (!param->GetCanAutomate()) info->flags |= kAudioUnitParameterFlag_NonRealTime;
    if (param->GetIsMeta()) info->flags |= kAudioUnitParameterFlag_IsGlobalMeta;
    info->clumpID = ParamClumpID(param);
    if (info->clumpID != kAudioUnitClumpID_System) info->flags |= kAudioUnitParameterFlag_HasClump;
    return noErr;
}

ComponentResult IFxAU::GetParameterValueStrings(int paramIdx, CFArrayRef* strings) {
    const IParam* param = GetParam(paramIdx);
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    if (!array) return memFullErr;
    for (int i = 0; i < param->GetNDisplayTexts(); ++i) {
        CFStringRef text = MakeCFString(param->GetDisplayTextAtIdx(i));
        CFArrayAppendValue(array, text ? text : CFSTR(""));
        CFRelease(text);
    }
    if (CFArrayGetCount(array) != param->GetNDisplayTexts()) {
        CFRelease(array);
        return memFullErr;
    }
    *strings = array;
    return noErr;
}

ComponentResult IFxAU::GetParameterStringFromValue(AudioUnitParameterStringFromValue* request) {
    const IParam* param =
        request->inParamID <= INT_MAX ? GetParam(static_cast<int>(request->inParamID)) : nullptr;
    if (!param) return kAudioUnitErr_InvalidParameter;
    const double value = request->inValue ? *request->inValue : param->Value();
    if (!std::isfinite(value)) return kAudioUnitErr_InvalidPropertyValue;
    param->GetDisplayForHost(value, false, mParamValueString, sizeof mParamValueString);
    CFStringRef text = MakeCFString(mParamValueString);
    if (!text) return kAudioUnitErr_InvalidPropertyValue;
    request->outString = text;
    return noErr;
}

ComponentResult IFxAU::GetParameterValueFromString(AudioUnitParameterValueFromString* request) {
    const IParam* param =
        request->inParamID <= INT_MAX ? GetParam(static_cast<int>(request->inParamID)) : nullptr;
    if (!param) return kAudioUnitErr_InvalidParameter;
    char text[256];
    if (!GetCFStringText(request->inString, text, sizeof text))
        return kAudioUnitErr_InvalidPropertyValue;
    double value = 0.0;
    if (!param->MapDisplayText(text, &value) && !ParseDisplayedValue(*param, text, &value))
        return kAudioUnitErr_InvalidPropertyValue;
    double lo = 0.0, hi = 0.0;
    param->GetBounds(&lo, &hi);
    request->outValue = static_cast<AudioUnitParameterValue>(std::clamp(value, lo, hi));
    return noErr;
}

void IFxAU::CollectParamGroups() {
    if (mParamGroups.GetSize() > 0) return;
    for (int i = 0; i < NParams(); ++i) {
        const char* group = GetParam(i)->GetParamGroupForHost();
        bool known = !*group;
        for (int j = 0; j < mParamGroups.GetSize() && !known; ++j)
            known = std::strcmp(mParamGroups.Get(j), group) == 0;
        if (!known) mParamGroups.Add(group);
    }
}

UInt32 IFxAU::ParamClumpID(const IParam* param) {
    const char* group = param->GetParamGroupForHost();
    if (!*group) return kAudioUnitClumpID_System;
    CollectParamGroups();
    for (int j = 0; j < mParamGroups.GetSize(); ++j)
        if (std::strcmp(mParamGroups.Get(j), group) == 0) return static_cast<UInt32>(j + 1);
    return kAudioUnitClumpID_System;
}

ComponentResult IFxAU::GetParameterClumpName(AudioUnitParameterNameInfo* request) {
    CollectParamGroups();
    const UInt32 clumpID = request->inID;
    if (clumpID == kAudioUnitClumpID_System ||
        clumpID > static_cast<UInt32>(mParamGroups.GetSize()))
        return kAudioUnitErr_InvalidPropertyValue;
    CFStringRef name = MakeCFString(mParamGroups.Get(static_cast<int>(clumpID - 1)));
    if (!name) return kAudioUnitErr_InvalidPropertyValue;
    request->outName = name;
    return noErr;
}

void IFxAU::NotifyParamEvent(AudioUnitEventType type, int paramIdx) {
    if (!mCI || !GetParam(paramIdx)) return;
    AudioUnitEvent event{};
    event.mEventType = type;
    event.mArgument.mParameter = {mCI, static_cast<AudioUnitParameterID>(paramIdx),
                                  kAudioUnitScope_Global, 0};
    AUEventListenerNotify(nullptr, nullptr, &event);
}

void IFxAU::BeginInformHostOfParamChange(int paramIdx) {
    NotifyParamEvent(kAudioUnitEvent_BeginParameterChangeGesture, paramIdx);
}

// Listeners read the new value from the unit themselves.
void IFxAU::InformHostOfParamChange(int paramIdx, double) {
    NotifyParamEvent(kAudioUnitEvent_ParameterValueChange, paramIdx);
}

void IFxAU::EndInformHostOfParamChange(int paramIdx) {
    NotifyParamEvent(kAudioUnitEvent_EndParameterChangeGesture, paramIdx);
}

void IFxAU::InformHostOfProgramChange() {
    InformListeners(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0);
    if (!mCI) return;
    AudioUnitEvent event{};
    event.mEventType = kAudioUnitEvent_PropertyChange;
    event.mArgument.mProperty = {mCI, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0};
    AUEventListenerNotify(nullptr, nullptr, &event);
}
