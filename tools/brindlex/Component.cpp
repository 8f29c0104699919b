#include "Component.h"

#include "Arguments.h"
#include "CFValues.h"
#include "CommandError.h"
#include "ComponentCall.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kBundleName = "Brindlex.component";
constexpr const char* kEntryName = "Brindlex_Entry";

std::string ExecutableFolder() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// The shared object a bundle names in its Info.plist, found the way the platform finds it.
std::string BundleExecutablePath(const std::string& bundlePath) {
    CFRef<CFURLRef> url(CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(bundlePath.data()),
        static_cast<CFIndex>(bundlePath.size()), true));
    CFRef<CFBundleRef> bundle(CFBundleCreate(nullptr, url.Get()));
    if (!bundle) return {};
    CFRef<CFURLRef> executable(CFBundleCopyExecutableURL(bundle.Get()));
    if (!executable) return {};
    char path[4096];
    if (!CFURLGetFileSystemRepresentation(executable.Get(), true, reinterpret_cast<UInt8*>(path),
                                          sizeof path))
        return {};
    return path;
}

} // namespace

std::vector<std::string> ComponentCandidates(const std::string& option, const char* environment,
                                             const std::string& executableFolder) {
    if (!option.empty()) return {option};
    if (environment && *environment) return {environment};
    const fs::path folder(executableFolder);
    return {(folder / kBundleName).string(),
            (folder / ".." / "lib" / "brindlex" / kBundleName).lexically_normal().string()};
}

std::string LocateComponentBundle(const std::string& option) {
    const char* environment = std::getenv("BRINDLEX_COMPONENT");
    const std::vector<std::string> candidates =
        ComponentCandidates(option, environment, ExecutableFolder());
    if (!option.empty() || (environment && *environment)) {
        const std::string subject = !option.empty()
                                        ? "--component " + option
                                        : std::string("BRINDLEX_COMPONENT=") + environment;
        if (!IsFolder(candidates.front()))
            throw CommandError(subject, "no component bundle folder there");
        return candidates.front();
    }
    for (const std::string& candidate : candidates)
        if (IsFolder(candidate)) return candidate;
    throw CommandError(kBundleName, "not found in " + candidates[0] + " or " + candidates[1] +
                                        "; build it, or name it with --component PATH");
}

ComponentRoutineUPP LoadComponentEntry(const std::string& bundlePath) {
    const std::string executable = BundleExecutablePath(bundlePath);
    if (executable.empty())
        throw CommandError(bundlePath, "not a component bundle: no Contents/Info.plist naming "
                                       "a shared object that exists");
    // Not closed again: objects the component hands out (constant strings among them) must
    // outlive every use the host makes of them.
    void* library = dlopen(executable.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        throw CommandError(executable, std::string("cannot load: ") + (reason ? reason : "?"));
    }
    void* entry = dlsym(library, kEntryName);
    if (!entry) throw CommandError(executable, std::string("does not export ") + kEntryName);
    return reinterpret_cast<ComponentRoutineUPP>(entry);
}

EffectUnit::EffectUnit(const std::string& bundlePath) : mBundlePath(bundlePath) {
    const OSStatus status = OpenComponentWithEntry(LoadComponentEntry(bundlePath), &mUnit);
    if (status != noErr) Fail("cannot open the effect", status);
}

EffectUnit::~EffectUnit() {
    if (mInitialized) AudioUnitUninitialize(mUnit);
    CloseComponent(mUnit);
}

void EffectUnit::Fail(const std::string& what, OSStatus status) const {
    throw CommandError(mBundlePath, what + ": " + StatusText(status));
}

std::vector<ParameterInfo> EffectUnit::Parameters() const {
    UInt32 size = 0;
    OSStatus status = AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_ParameterList,
                                               kAudioUnitScope_Global, 0, &size, nullptr);
    std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
    size = static_cast<UInt32>(ids.size() * sizeof(AudioUnitParameterID));
    if (status == noErr && !ids.empty())
        status = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterList,
                                      kAudioUnitScope_Global, 0, ids.data(), &size);
    if (status != noErr) Fail("cannot list the parameters", status);
    ids.resize(size / sizeof(AudioUnitParameterID));

    std::vector<ParameterInfo> parameters;
    for (const AudioUnitParameterID id : ids) {
        AudioUnitParameterInfo info{};
        size = sizeof info;
        status = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterInfo,
                                      kAudioUnitScope_Global, id, &info, &size);
        if (status != noErr) Fail("no info for parameter " + std::to_string(id), status);

        ParameterInfo parameter;
        parameter.id = id;
        const bool hasCFName =
            (info.flags & kAudioUnitParameterFlag_HasCFNameString) && info.cfNameString;
        parameter.name = hasCFName ? TextOf(info.cfNameString)
                                   : std::string(info.name, strnlen(info.name, sizeof info.name));
        parameter.unit = info.unit;
        if (info.unit == kAudioUnitParameterUnit_CustomUnit && info.unitName)
            parameter.unitLabel = TextOf(info.unitName);
        if (info.flags & kAudioUnitParameterFlag_CFNameRelease) {
            if (hasCFName) CFRelease(info.cfNameString);
            if (info.unit == kAudioUnitParameterUnit_CustomUnit && info.unitName)
                CFRelease(info.unitName);
        }
        parameter.minValue = info.minValue;
        parameter.maxValue = info.maxValue;
        parameter.defaultValue = info.defaultValue;

        CFArrayRef strings = nullptr;
        size = sizeof strings;
        if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterValueStrings,
                                 kAudioUnitScope_Global, id, &strings, &size) == noErr) {
            CFRef<CFArrayRef> owned(strings);
            for (CFIndex i = 0; i < CFArrayGetCount(strings); ++i)
                parameter.valueStrings.push_back(TextOf(CFArrayGetValueAtIndex(strings, i)));
        }
        parameters.push_back(std::move(parameter));
    }
    return parameters;
}

float EffectUnit::GetParameter(AudioUnitParameterID id) const {
    AudioUnitParameterValue value = 0;
    const OSStatus status = AudioUnitGetParameter(mUnit, id, kAudioUnitScope_Global, 0, &value);
    if (status != noErr) Fail("cannot read parameter " + std::to_string(id), status);
    return value;
}

void EffectUnit::SetParameter(AudioUnitParameterID id, float value) {
    const OSStatus status = AudioUnitSetParameter(mUnit, id, kAudioUnitScope_Global, 0, value, 0);
    if (status != noErr) Fail("cannot set parameter " + std::to_string(id), status);
}

std::string EffectUnit::ValueText(AudioUnitParameterID id, float value) const {
    AudioUnitParameterStringFromValue request{id, &value, nullptr};
    UInt32 size = sizeof request;
    if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterStringFromValue,
                             kAudioUnitScope_Global, 0, &request, &size) != noErr ||
        !request.outString)
        return FormatNumber(value);
    CFRef<CFStringRef> text(request.outString);
    return TextOf(text.Get());
}

CFRef<CFPropertyListRef> EffectUnit::CopyClassInfo() const {
    CFPropertyListRef classInfo = nullptr;
    UInt32 size = sizeof classInfo;
    const OSStatus status = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ClassInfo,
                                                 kAudioUnitScope_Global, 0, &classInfo, &size);
    CFRef<CFPropertyListRef> owned(classInfo);
    if (status != noErr || !classInfo) Fail("cannot read the effect's state", status);
    return owned;
}

ComponentIdentity EffectUnit::Identity() const {
    const CFRef<CFPropertyListRef> classInfo = CopyClassInfo();
    const auto dictionary = static_cast<CFDictionaryRef>(classInfo.Get());
    SInt64 type, subtype, manufacturer;
    if (!GetNumberEntry(dictionary, kAUPresetTypeKey, &type) ||
        !GetNumberEntry(dictionary, kAUPresetSubtypeKey, &subtype) ||
        !GetNumberEntry(dictionary, kAUPresetManufacturerKey, &manufacturer))
        throw CommandError(mBundlePath, "the effect's state does not say what it is");
    return {static_cast<OSType>(type), static_cast<OSType>(subtype),
            static_cast<OSType>(manufacturer)};
}

OSStatus EffectUnit::RestoreClassInfo(CFPropertyListRef classInfo) {
    return AudioUnitSetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                                &classInfo, sizeof classInfo);
}

void EffectUnit::Prepare(double sampleRate, int maxFrames, const std::string& source) {
    AudioStreamBasicDescription format{};
    format.mSampleRate = sampleRate;
    format.mFormatID = kAudioFormatLinearPCM;
    format.mFormatFlags = kAudioFormatFlagsAudioUnitCanonical;
    format.mBytesPerPacket = sizeof(float);
    format.mFramesPerPacket = 1;
    format.mBytesPerFrame = sizeof(float);
    format.mChannelsPerFrame = 2;
    format.mBitsPerChannel = 32;
    for (const AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output}) {
        const OSStatus status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, scope,
                                                     0, &format, sizeof format);
        if (status != noErr)
            throw CommandError(source, "the effect does not take audio at " +
                                           FormatNumber(sampleRate) + " Hz (" + StatusText(status) +
                                           ")");
    }
    const UInt32 frames = static_cast<UInt32>(maxFrames);
    OSStatus status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice,
                                           kAudioUnitScope_Global, 0, &frames, sizeof frames);
    if (status != noErr) Fail("refuses slices of " + std::to_string(maxFrames) + " frames", status);
    const AURenderCallbackStruct callback{SupplyInput, this};
    status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback,
                                  kAudioUnitScope_Input, 0, &callback, sizeof callback);
    if (status != noErr) Fail("refuses the input callback", status);
    status = AudioUnitInitialize(mUnit);
    if (status != noErr) Fail("cannot initialise the effect", status);
    mInitialized = true;
    mMaxFrames = maxFrames;
    mSampleTime = 0;
}

OSStatus EffectUnit::SupplyInput(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                                 UInt32, UInt32 nFrames, AudioBufferList* ioData) {
    const auto* self = static_cast<const EffectUnit*>(refCon);
    if (!ioData || nFrames > self->mInputFrames) return kAudioUnitErr_TooManyFramesToProcess;
    const UInt32 bytes = nFrames * static_cast<UInt32>(sizeof(float));
    for (UInt32 i = 0; i < ioData->mNumberBuffers && i < 2; ++i) {
        AudioBuffer& buffer = ioData->mBuffers[i];
        if (!buffer.mData) {
            // The unit has no buffer of its own here, so it reads ours.
            buffer.mData = const_cast<float*>(self->mInput[i]);
        } else if (buffer.mDataByteSize < bytes) {
            return kAudioUnitErr_InvalidPropertyValue;
        } else {
            std::memcpy(buffer.mData, self->mInput[i], bytes);
        }
        buffer.mDataByteSize = bytes;
    }
    return noErr;
}

void EffectUnit::Render(const float* const input[2], float* const output[2], int nFrames) {
    mInput[0] = input[0];
    mInput[1] = input[1];
    mInputFrames = static_cast<UInt32>(nFrames);
    AudioBufferListWithBuffers<2> buffers;
    const UInt32 bytes = mInputFrames * static_cast<UInt32>(sizeof(float));
    for (int i = 0; i < 2; ++i)
        buffers.mBuffers[i] = {1, bytes, output[i]};
    AudioTimeStamp timeStamp{};
    timeStamp.mSampleTime = mSampleTime;
    timeStamp.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;
    const OSStatus status =
        AudioUnitRender(mUnit, &flags, &timeStamp, 0, mInputFrames, buffers.List());
    if (status != noErr) Fail("render failed", status);
    // A unit may answer with buffers of its own.
    for (int i = 0; i < 2; ++i)
        if (buffers.mBuffers[i].mData != output[i])
            std::memcpy(output[i], buffers.mBuffers[i].mData, bytes);
    mSampleTime += nFrames;
}

std::string StatusText(OSStatus status) {
    static const struct {
        OSStatus status;
        const char* name;
    } kNames[] = {
        {badComponentInstance, "badComponentInstance"},
        {badComponentSelector, "badComponentSelector"},
        {paramErr, "paramErr"},
        {memFullErr, "memFullErr"},
        {kAudioUnitErr_InvalidProperty, "kAudioUnitErr_InvalidProperty"},
        {kAudioUnitErr_InvalidParameter, "kAudioUnitErr_InvalidParameter"},
        {kAudioUnitErr_InvalidElement, "kAudioUnitErr_InvalidElement"},
        {kAudioUnitErr_NoConnection, "kAudioUnitErr_NoConnection"},
        {kAudioUnitErr_FailedInitialization, "kAudioUnitErr_FailedInitialization"},
        {kAudioUnitErr_TooManyFramesToProcess, "kAudioUnitErr_TooManyFramesToProcess"},
        {kAudioUnitErr_FormatNotSupported, "kAudioUnitErr_FormatNotSupported"},
        {kAudioUnitErr_Uninitialized, "kAudioUnitErr_Uninitialized"},
        {kAudioUnitErr_InvalidScope, "kAudioUnitErr_InvalidScope"},
        {kAudioUnitErr_PropertyNotWritable, "kAudioUnitErr_PropertyNotWritable"},
        {kAudioUnitErr_InvalidPropertyValue, "kAudioUnitErr_InvalidPropertyValue"},
        {kAudioUnitErr_InvalidFile, "kAudioUnitErr_InvalidFile"},
    };
    for (const auto& entry : kNames)
        if (entry.status == status)
            return std::string(entry.name) + " (" + std::to_string(status) + ")";
    return "status " + std::to_string(status);
}

std::string FourCharText(OSType code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>(code >> shift);
        if (!std::isprint(c)) return std::to_string(code);
        text += static_cast<char>(c);
    }
    return "'" + text + "'";
}
