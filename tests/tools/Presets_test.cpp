// Preset files: reading, the checks that tell a preset of this effect from anything else, and
// writing.

#include "CFRef.h"
#include "CommandError.h"
#include "Presets.h"
#include "ToolTestSupport.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr ComponentIdentity kIdentity{FourCharCodeFromText("aufx"), FourCharCodeFromText("Brnx"),
                                      FourCharCodeFromText("Hvmr")};

struct Entries {
    bool version = true, type = true, subtype = true, manufacturer = true, name = true, data = true;
    OSType manufacturerCode = kIdentity.manufacturer;
};

void SetNumber(CFMutableDictionaryRef dictionary, const char* key, SInt64 value) {
    CFRef<CFStringRef> keyString(CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8));
    CFRef<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberSInt64Type, &value));
    CFDictionarySetValue(dictionary, keyString.Get(), number.Get());
}

CFRef<CFMutableDictionaryRef> ClassInfo(const Entries& entries) {
    CFRef<CFMutableDictionaryRef> dictionary(CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    if (entries.version) SetNumber(dictionary.Get(), "version", 0);
    if (entries.type) SetNumber(dictionary.Get(), "type", kIdentity.type);
    if (entries.subtype) SetNumber(dictionary.Get(), "subtype", kIdentity.subtype);
    if (entries.manufacturer) SetNumber(dictionary.Get(), "manufacturer", entries.manufacturerCode);
    if (entries.name) CFDictionarySetValue(dictionary.Get(), CFSTR("name"), CFSTR("Telephone"));
    if (entries.data) {
        const UInt8 bytes[16] = {1, 2, 3};
        CFRef<CFDataRef> data(CFDataCreate(nullptr, bytes, sizeof bytes));
        CFDictionarySetValue(dictionary.Get(), CFSTR("data"), data.Get());
    }
    return dictionary;
}

std::string Failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const CommandError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no error";
    return {};
}

std::string CheckFailure(const Entries& entries) {
    const CFRef<CFMutableDictionaryRef> preset = ClassInfo(entries);
    return Failure([&] { CheckPreset(preset.Get(), kIdentity, "p.aupreset"); });
}

TEST(Presets, ACompleteStateForThisEffectPasses) {
    const CFRef<CFMutableDictionaryRef> preset = ClassInfo({});
    EXPECT_NO_THROW(CheckPreset(preset.Get(), kIdentity, "p.aupreset"));
    EXPECT_EQ(PresetName(preset.Get()), "Telephone");
}

TEST(Presets, IncompleteStatesSayWhatIsMissing) {
    Entries noData;
    noData.data = false;
    EXPECT_EQ(CheckFailure(noData), "p.aupreset: not an Audio Unit preset: no data 'data'");
    Entries noType;
    noType.type = false;
    EXPECT_EQ(CheckFailure(noType), "p.aupreset: not an Audio Unit preset: no number 'type'");
    Entries noVersion;
    noVersion.version = false;
    EXPECT_EQ(CheckFailure(noVersion), "p.aupreset: not an Audio Unit preset: no number 'version'");
    Entries noName;
    noName.name = false;
    EXPECT_EQ(CheckFailure(noName), "p.aupreset: not an Audio Unit preset: no text 'name'");

    CFRef<CFArrayRef> array(CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks));
    EXPECT_EQ(Failure([&] { CheckPreset(array.Get(), kIdentity, "p.aupreset"); }),
              "p.aupreset: not an Audio Unit preset: the property list is not a dictionary");
}

TEST(Presets, ForeignPresetsNameBothEffects) {
    Entries foreign;
    foreign.manufacturerCode = FourCharCodeFromText("appl");
    EXPECT_EQ(CheckFailure(foreign), "p.aupreset: a preset for another effect ('aufx' 'Brnx' "
                                     "'appl'; this one is 'aufx' 'Brnx' 'Hvmr')");
}

TEST(Presets, WrittenFilesReadBackEqual) {
    TempFolder folder;
    const CFRef<CFMutableDictionaryRef> preset = ClassInfo({});
    WritePresetFile(folder / "p.aupreset", preset.Get());
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"p.aupreset"});
    EXPECT_NE(ReadTextFile(folder / "p.aupreset").find("<plist version=\"1.0\">"),
              std::string::npos);
    const CFRef<CFPropertyListRef> back = ReadPresetFile(folder / "p.aupreset");
    EXPECT_TRUE(CFEqual(back.Get(), preset.Get()));
}

TEST(Presets, UnreadableFilesNameTheFile) {
    TempFolder folder;
    const std::string missing = folder / "missing.aupreset";
    EXPECT_EQ(Failure([&] { ReadPresetFile(missing); }), missing + ": no such file");
    EXPECT_EQ(Failure([&] { ReadPresetFile(folder.Path()); }),
              folder.Path() + ": is a folder, not a preset");
    for (const char* text :
         {"", "garbage", "<?xml version=\"1.0\"?><plist><dict><key>a", "bplist00\x01\x02"}) {
        WriteTextFile(folder / "bad.aupreset", text);
        const std::string message = Failure([&] { ReadPresetFile(folder / "bad.aupreset"); });
        EXPECT_EQ(message.rfind(folder / "bad.aupreset" + ": not a preset: not a property list", 0),
                  0u)
            << message;
    }
}

TEST(Presets, UnwritableTargetsLeaveNothing) {
    TempFolder folder;
    const CFRef<CFMutableDictionaryRef> preset = ClassInfo({});
    const std::string target = folder / "nowhere/p.aupreset";
    EXPECT_EQ(Failure([&] { WritePresetFile(target, preset.Get()); }),
              target + ": folder " + folder / "nowhere" + " does not exist");
    EXPECT_TRUE(folder.Entries().empty());
}

} // namespace
