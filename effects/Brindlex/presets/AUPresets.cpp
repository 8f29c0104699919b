// Writes the factory presets as .aupreset files, at build time:
//   brindlex_aupresets COMPONENT_BUNDLE OUT_DIR
// Each file is the class-info state the component gives once the preset's values are set, as
// a host saves it (an XML property list), under the preset's label; OUT_DIR/NAME.aupreset.
#include "FactoryPresets.h"

#include <AudioUnit.h>
#include <ComponentCall.h>
#include <CoreFoundation.h>

#include <dlfcn.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

int Fail(const std::string& subject, const std::string& problem) {
    std::fprintf(stderr, "brindlex_aupresets: %s: %s\n", subject.c_str(), problem.c_str());
    return 1;
}

// The component's entry, from the shared object its bundle names. The bundle, made into
// *bundle, must outlive the component: the component finds its resources through it.
ComponentRoutineUPP LoadEntry(const std::string& bundlePath, CFBundleRef* bundle) {
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(bundlePath.data()),
        static_cast<CFIndex>(bundlePath.size()), true);
    *bundle = url ? CFBundleCreate(nullptr, url) : nullptr;
    CFURLRef executable = *bundle ? CFBundleCopyExecutableURL(*bundle) : nullptr;
    char path[4096] = {};
    const bool found =
        executable && CFURLGetFileSystemRepresentation(executable, true,
                                                       reinterpret_cast<UInt8*>(path), sizeof path);
    for (CFTypeRef object : {CFTypeRef(executable), CFTypeRef(url)})
        if (object) CFRelease(object);
    void* library = found ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr;
    return library ? reinterpret_cast<ComponentRoutineUPP>(dlsym(library, "Brindlex_Entry"))
                   : nullptr;
}

// The unit's state with the preset's values, named after it; null when the unit refused.
CFPropertyListRef PresetState(AudioUnit unit, const brindlex::FactoryPreset& preset) {
    for (int i = 0; i < brindlex::ParameterIndex::kNumParams; ++i)
        if (AudioUnitSetParameter(
                unit, static_cast<AudioUnitParameterID>(i), kAudioUnitScope_Global, 0,
                static_cast<AudioUnitParameterValue>(preset.values[i]), 0) != noErr)
            return nullptr;
    CFPropertyListRef classInfo = nullptr;
    UInt32 size = sizeof classInfo;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                             &classInfo, &size) != noErr ||
        !classInfo)
        return nullptr;
    CFMutableDictionaryRef named =
        CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(classInfo));
    CFRelease(classInfo);
    CFStringRef name = CFStringCreateWithCString(nullptr, preset.label, kCFStringEncodingUTF8);
    if (named && name) CFDictionarySetValue(named, CFSTR(kAUPresetNameKey), name);
    if (name) CFRelease(name);
    return named;
}

bool WriteState(const std::string& path, CFPropertyListRef state) {
    CFDataRef data =
        CFPropertyListCreateData(nullptr, state, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
    if (!data) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), CFDataGetLength(data));
    file.close();
    CFRelease(data);
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: brindlex_aupresets COMPONENT_BUNDLE OUT_DIR\n");
        return 2;
    }
    CFBundleRef bundle = nullptr;
    const ComponentRoutineUPP entry = LoadEntry(argv[1], &bundle);
    AudioUnit unit = nullptr;
    int status = 0;
    if (!entry)
        status = Fail(argv[1], "no component entry to load");
    else if (OpenComponentWithEntry(entry, &unit) != noErr)
        status = Fail(argv[1], "cannot open");
    for (const brindlex::FactoryPreset& preset : brindlex::kFactoryPresets) {
        if (!unit) break; // nothing to write them with
        const std::string path = std::string(argv[2]) + "/" + preset.name + ".aupreset";
        CFPropertyListRef state = PresetState(unit, preset);
        if (!state || !WriteState(path, state)) status = Fail(path, "cannot write the preset");
        if (state) CFRelease(state);
    }
    if (unit) CloseComponent(unit);
    if (bundle) CFRelease(bundle);
    return status;
}
