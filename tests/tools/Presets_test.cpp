// Preset files: the checks that tell a class-info state of this effect from anything else, and
// the file round trip. (The command-line runs of the end-to-end tests cover corrupt files.)

#include "CFRef.h"
#include "Presets.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr ComponentIdentity kIdentity{FourCharCodeFromText("aufx"), FourCharCodeFromText("Brnx"),
                                      FourCharCodeFromText("Hvmr")};

void SetNumber(CFMutableDictionaryRef dictionary, const char* key, SInt64 value) {
    CFRef<CFStringRef> keyString(CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8));
    CFRef<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberSInt64Type, &value));
    CFDictionarySetValue(dictionary, keyString.Get(), number.Get());
}

CFRef<CFMutableDictionaryRef> CompleteState() {
    CFRef<CFMutableDictionaryRef> state(CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    SetNumber(state.Get(), "version", 0);
    SetNumber(state.Get(), "type", kIdentity.type);
    SetNumber(state.Get(), "subtype", kIdentity.subtype);
    SetNumber(state.Get(), "manufacturer", kIdentity.manufacturer);
    CFDictionarySetValue(state.Get(), CFSTR("name"), CFSTR("Telephone"));
    const UInt8 bytes[16] = {1, 2, 3};
    CFRef<CFDataRef> data(CFDataCreate(nullptr, bytes, sizeof bytes));
    CFDictionarySetValue(state.Get(), CFSTR("data"), data.Get());
    return state;
}

std::string CheckMessage(CFPropertyListRef state) {
    return ErrorMessage([&] { CheckPreset(state, kIdentity, "p.aupreset"); });
}

TEST(Presets, ACompleteStateForThisEffectPasses) {
    const CFRef<CFMutableDictionaryRef> state = CompleteState();
    EXPECT_NO_THROW(CheckPreset(state.Get(), kIdentity, "p.aupreset"));
    EXPECT_EQ(PresetName(state.Get()), "Telephone");
}

TEST(Presets, EachMissingOrMistypedEntryIsNamed) {
    const struct {
        CFStringRef key;
        const char* problem;
    } kEntries[] = {{CFSTR("version"), "no number 'version'"},
                    {CFSTR("type"), "no number 'type'"},
                    {CFSTR("subtype"), "no number 'subtype'"},
                    {CFSTR("manufacturer"), "no number 'manufacturer'"},
                    {CFSTR("name"), "no text 'name'"},
                    {CFSTR("data"), "no data 'data'"}};
    for (const auto& entry : kEntries) {
        const CFRef<CFMutableDictionaryRef> missing = CompleteState();
        CFDictionaryRemoveValue(missing.Get(), entry.key);
        const std::string expected =
            std::string("p.aupreset: not an Audio Unit preset: ") + entry.problem;
        EXPECT_EQ(CheckMessage(missing.Get()), expected);
        // Present with a value of the wrong kind.
        const CFRef<CFMutableDictionaryRef> mistyped = CompleteState();
        CFDictionarySetValue(mistyped.Get(), entry.key,
                             CFEqual(entry.key, CFSTR("name"))
                                 ? static_cast<CFTypeRef>(kCFBooleanTrue)
                                 : CFSTR("text"));
        EXPECT_EQ(CheckMessage(mistyped.Get()), expected);
    }
    CFRef<CFArrayRef> array(CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks));
    EXPECT_EQ(CheckMessage(array.Get()),
              "p.aupreset: not an Audio Unit preset: the property list is not a dictionary");
}

TEST(Presets, ForeignStatesNameBothEffects) {
    const CFRef<CFMutableDictionaryRef> foreign = CompleteState();
    SetNumber(foreign.Get(), "manufacturer", FourCharCodeFromText("appl"));
    EXPECT_EQ(CheckMessage(foreign.Get()), "p.aupreset: a preset for another effect ('aufx' "
                                           "'Brnx' 'appl'; this one is 'aufx' 'Brnx' 'Hvmr')");
}

TEST(Presets, WrittenFilesAreXmlAndReadBackEqual) {
    TempFolder folder;
    const CFRef<CFMutableDictionaryRef> state = CompleteState();
    WritePresetFile(folder / "p.aupreset", state.Get());
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"p.aupreset"});
    EXPECT_NE(ReadTextFile(folder / "p.aupreset").find("<plist version=\"1.0\">"),
              std::string::npos);
    const CFRef<CFPropertyListRef> back = ReadPresetFile(folder / "p.aupreset");
    EXPECT_TRUE(CFEqual(back.Get(), state.Get()));
}

TEST(Presets, BinaryAndTruncatedListsAreNotPresets) {
    TempFolder folder;
    for (const char* text :
         {"", "<?xml version=\"1.0\"?><plist><dict><key>a", "bplist00\x01\x02"}) {
        WriteTextFile(folder / "bad.aupreset", text);
        const std::string message = ErrorMessage([&] { ReadPresetFile(folder / "bad.aupreset"); });
        EXPECT_EQ(message.rfind(folder / "bad.aupreset" + ": not a preset: not a property list", 0),
                  0u)
            << message;
    }
    EXPECT_EQ(ErrorMessage([&] { ReadPresetFile(folder.Path()); }),
              folder.Path() + ": is a folder, not a preset");
}

} // namespace
