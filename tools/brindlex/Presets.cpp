#include "Presets.h"

#include "CFValues.h"
#include "CommandError.h"
#include "FactoryPresets.h"
#include "PendingFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

OSType NumberEntry(CFDictionaryRef dictionary, const char* key, const std::string& path) {
    SInt64 value = 0;
    if (!GetNumberEntry(dictionary, key, &value))
        throw CommandError(path, std::string("not an Audio Unit preset: no number '") + key + "'");
    return static_cast<OSType>(value);
}

std::string IdentityText(OSType type, OSType subtype, OSType manufacturer) {
    return FourCharText(type) + " " + FourCharText(subtype) + " " + FourCharText(manufacturer);
}

} // namespace

CFRef<CFPropertyListRef> ReadPresetFile(const std::string& path) {
    std::error_code error;
    if (!fs::exists(path, error)) throw CommandError(path, "no such file");
    if (fs::is_directory(path, error)) throw CommandError(path, "is a folder, not a preset");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw CommandError(path, std::string("cannot read: ") + std::strerror(errno));
    std::vector<char> bytes;
    // One byte past the limit is enough to know the file is too large.
    bytes.resize(static_cast<size_t>(kCFPropertyListMaxDataSize) + 1);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad()) throw CommandError(path, "read failed");
    bytes.resize(static_cast<size_t>(file.gcount()));
    if (bytes.size() > static_cast<size_t>(kCFPropertyListMaxDataSize))
        throw CommandError(path, "too large to be a preset");
    // Editors on some systems begin UTF-8 text with a byte-order mark; the XML reader does not
    // expect one.
    static constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
    if (bytes.size() >= 3 && std::equal(kByteOrderMark, kByteOrderMark + 3, bytes.begin()))
        bytes.erase(bytes.begin(), bytes.begin() + 3);

    CFRef<CFDataRef> data(CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                       static_cast<CFIndex>(bytes.size())));
    CFRef<CFErrorRef> readError;
    CFRef<CFPropertyListRef> preset(CFPropertyListCreateWithData(
        nullptr, data.Get(), kCFPropertyListImmutable, nullptr, readError.Out()));
    if (!preset) {
        CFRef<CFStringRef> reason(CFErrorCopyDescription(readError.Get()));
        throw CommandError(path, "not a preset: not a property list (" +
                                     (reason ? TextOf(reason.Get()) : std::string("corrupt")) +
                                     ")");
    }
    return preset;
}

void CheckPreset(CFPropertyListRef preset, const ComponentIdentity& identity,
                 const std::string& path) {
    if (CFGetTypeID(preset) != CFDictionaryGetTypeID())
        throw CommandError(path, "not an Audio Unit preset: the property list is not a dictionary");
    const auto dictionary = static_cast<CFDictionaryRef>(preset);
    NumberEntry(dictionary, kAUPresetVersionKey, path);
    const OSType type = NumberEntry(dictionary, kAUPresetTypeKey, path);
    const OSType subtype = NumberEntry(dictionary, kAUPresetSubtypeKey, path);
    const OSType manufacturer = NumberEntry(dictionary, kAUPresetManufacturerKey, path);
    if (CFGetTypeID(GetEntry(dictionary, kAUPresetNameKey)) != CFStringGetTypeID())
        throw CommandError(path, "not an Audio Unit preset: no text 'name'");
    if (CFGetTypeID(GetEntry(dictionary, kAUPresetDataKey)) != CFDataGetTypeID())
        throw CommandError(path, "not an Audio Unit preset: no data 'data'");
    if (type != identity.type || subtype != identity.subtype ||
        manufacturer != identity.manufacturer)
        throw CommandError(
            path, "a preset for another effect (" + IdentityText(type, subtype, manufacturer) +
                      "; this one is " +
                      IdentityText(identity.type, identity.subtype, identity.manufacturer) + ")");
}

void WritePresetFile(const std::string& path, CFPropertyListRef preset) {
    PendingFile file(path);
    CFRef<CFErrorRef> error;
    CFRef<CFDataRef> data(
        CFPropertyListCreateData(nullptr, preset, kCFPropertyListXMLFormat_v1_0, 0, error.Out()));
    if (!data) {
        CFRef<CFStringRef> reason(CFErrorCopyDescription(error.Get()));
        throw CommandError(path, "cannot encode the preset: " + TextOf(reason.Get()));
    }
    file.Write(CFDataGetBytePtr(data.Get()), static_cast<size_t>(CFDataGetLength(data.Get())));
    file.Commit();
}

std::string RestorePresetFile(EffectUnit& unit, const std::string& path) {
    const CFRef<CFPropertyListRef> preset = ReadPresetFile(path);
    CheckPreset(preset.Get(), unit.Identity(), path);
    const OSStatus status = unit.RestoreClassInfo(preset.Get());
    if (status != noErr)
        throw CommandError(path, "the effect refuses this preset (damaged or incomplete state): " +
                                     StatusText(status));
    return PresetName(preset.Get());
}

std::string ApplyPreset(EffectUnit& unit, const std::string& preset) {
    // A word without a folder or an extension that names no file is a library preset's name.
    std::error_code error;
    if (preset.find_first_of("/.") != std::string::npos || fs::exists(preset, error))
        return RestorePresetFile(unit, preset);
    std::string known;
    for (const brindlex::FactoryPreset& factory : brindlex::kFactoryPresets) {
        if (preset == factory.name) {
            for (size_t i = 0; i < std::size(factory.values); ++i)
                unit.SetParameter(static_cast<AudioUnitParameterID>(i),
                                  static_cast<float>(factory.values[i]));
            return factory.label;
        }
        known += (known.empty() ? "" : ", ") + std::string(factory.name);
    }
    throw CommandError("--preset " + preset,
                       "no preset of that name (" + known + "; or an .aupreset file)",
                       CommandError::kUsage);
}

CFRef<CFPropertyListRef> RenamedPreset(CFPropertyListRef preset, const std::string& name) {
    const CFMutableDictionaryRef renamed =
        CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(preset));
    CFRef<CFPropertyListRef> owned(renamed);
    const CFRef<CFStringRef> text(
        CFStringCreateWithCString(nullptr, name.c_str(), kCFStringEncodingUTF8));
    CFDictionarySetValue(renamed, CFSTR(kAUPresetNameKey), text.Get());
    return owned;
}

std::string PresetName(CFPropertyListRef preset) {
    const CFTypeRef name = GetEntry(static_cast<CFDictionaryRef>(preset), kAUPresetNameKey);
    return CFGetTypeID(name) == CFStringGetTypeID() ? TextOf(name) : std::string();
}
