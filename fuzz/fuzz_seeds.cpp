// Writes the fuzz targets' seed corpora with the project's own code: the images the decoder's
// tests write, the effect's own state (also as its LV2 plug-in stores it), presets and class-info,
// property lists of every kind, command lines from the tool's documentation and values typed into
// the editor.
//
//   fuzz_seeds DIR      writes DIR/<target>/<name> for every target
#include "AudioUnit.h"
#include "Brindlex.h"
#include "ComponentCall.h"
#include "PngWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

extern "C" ComponentResult Brindlex_Entry(ComponentParameters* params, Handle storage);

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<unsigned char>;

fs::path gRoot;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path folder = gRoot / target;
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Concat(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Bytes BytesOf(const ByteChunk& chunk) {
    return Bytes(chunk.GetBytes(), chunk.GetBytes() + chunk.Size());
}

Bytes XMLOf(CFPropertyListRef plist) {
    CFDataRef data =
        CFPropertyListCreateData(nullptr, plist, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
    const UInt8* bytes = CFDataGetBytePtr(data);
    Bytes xml(bytes, bytes + CFDataGetLength(data));
    CFRelease(data);
    return xml;
}

void WritePngs() {
    Write("fuzz_png", "rgb.png", WritePng(RgbImage(5, 3)));
    PngImage palette;
    palette.width = 3;
    palette.height = 2;
    palette.colorType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    palette.paletteAlpha = {0, 128};
    palette.rows = {{0, 1, 2}, {2, 1, 0}};
    Write("fuzz_png", "palette-alpha.png", WritePng(palette));
    PngImage grey;
    grey.width = 10;
    grey.height = 2;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.bitDepth = 1;
    grey.rows = {{0b10110000, 0b01000000}, {0b01001111, 0b10000000}};
    Write("fuzz_png", "grey-1bit.png", WritePng(grey));
    PngImage deep;
    deep.width = 2;
    deep.height = 2;
    deep.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    deep.bitDepth = 16;
    deep.rows.assign(2, std::vector<png_byte>(16));
    for (size_t i = 0; i < 16; ++i)
        deep.rows[i / 8][i % 8] = png_byte(i * 17);
    Write("fuzz_png", "rgba-16bit.png", WritePng(deep));
    PngImage greyAlpha;
    greyAlpha.width = 4;
    greyAlpha.height = 4;
    greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.interlaced = true;
    greyAlpha.rows.assign(4, std::vector<png_byte>(8));
    for (size_t y = 0; y < 4; ++y)
        for (size_t i = 0; i < 8; ++i)
            greyAlpha.rows[y][i] = png_byte(y * 60 + i * 30);
    Write("fuzz_png", "grey-alpha-interlaced.png", WritePng(greyAlpha));
}

void WriteStates() {
    std::unique_ptr<IFxAU> plug(MakePlug());
    // The LV2 plug-in stores the state chunk as it is.
    ByteChunk defaults;
    plug->SerializeState(&defaults);
    Write("fuzz_lv2state", "default", BytesOf(defaults));
    const double settings[][2] = {{Brindlex::kAmpOn, 1},
                                  {Brindlex::kAmpGain, 20},
                                  {Brindlex::kEQFreq, 1800},
                                  {Brindlex::kLimiterAttenuation, 60}};
    for (const auto& [index, value] : settings) {
        plug->GetParam(int(index))->Set(value);
        plug->OnParamChange(int(index));
    }
    // The target's first byte: bit 0 chooses presets over state, the rest the start position.
    ByteChunk state, presets, prefixed;
    plug->SerializeState(&state);
    plug->SerializePresets(&presets);
    IFxBase::InitChunkWithIFxVer(&prefixed);
    prefixed.PutChunk(&state);
    Write("fuzz_state", "state", Concat({0}, BytesOf(state)));
    Write("fuzz_state", "presets", Concat({1}, BytesOf(presets)));
    Write("fuzz_state", "state-after-header", Concat({8 << 1}, BytesOf(prefixed)));
    Write("fuzz_lv2state", "radio", BytesOf(state));
}

void WriteClassInfo() {
    AudioUnit unit = nullptr;
    OpenComponentWithEntry(Brindlex_Entry, &unit);
    auto save = [&](const std::string& name) {
        CFPropertyListRef state = nullptr;
        UInt32 size = sizeof state;
        AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state,
                             &size);
        Write("fuzz_classinfo", name, XMLOf(state));
        Write("fuzz_plist", name, Concat({0}, XMLOf(state)));
        CFRelease(state);
    };
    save("default.aupreset");
    const float radio[][2] = {{9, 1}, {6, 20}, {8, 85}, {5, 1}, {2, 1800}, {3, 6}, {1, 1}};
    for (const auto& [id, value] : radio)
        AudioUnitSetParameter(unit, AudioUnitParameterID(id), kAudioUnitScope_Global, 0, value, 0);
    save("radio.aupreset");
    CloseComponent(unit);
}

void WritePropertyLists() {
    CFMutableDictionaryRef root = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    const SInt64 integers[] = {-42, 9007199254740993, 0};
    const double real = -0.125e-3;
    const UInt8 blob[] = {0, 1, 2, 0xfe, 0xff};
    CFNumberRef numbers[] = {CFNumberCreate(nullptr, kCFNumberSInt64Type, &integers[0]),
                             CFNumberCreate(nullptr, kCFNumberSInt64Type, &integers[1]),
                             CFNumberCreate(nullptr, kCFNumberFloat64Type, &real)};
    const void* items[] = {numbers[0], numbers[1], numbers[2], kCFBooleanTrue, kCFBooleanFalse};
    CFArrayRef array = CFArrayCreate(nullptr, items, 5, &kCFTypeArrayCallBacks);
    CFDataRef data = CFDataCreate(nullptr, blob, sizeof blob);
    CFDateRef date = CFDateCreate(nullptr, 123456789.5);
    CFStringRef text = CFStringCreateWithCString(nullptr, "<&> \xc3\xa9t\xc3\xa9 \xe2\x99\xaa",
                                                 kCFStringEncodingUTF8);
    CFDictionarySetValue(root, CFSTR("array"), array);
    CFDictionarySetValue(root, CFSTR("data"), data);
    CFDictionarySetValue(root, CFSTR("date"), date);
    CFDictionarySetValue(root, CFSTR("text"), text);
    const void* nested[] = {array, root};
    CFArrayRef outer = CFArrayCreate(nullptr, nested, 2, &kCFTypeArrayCallBacks);
    for (unsigned char options : {0, 1, 2}) {
        const std::string suffix = std::to_string(options);
        Write("fuzz_plist", "every-kind-" + suffix, Concat({options}, XMLOf(root)));
        Write("fuzz_plist", "nested-" + suffix, Concat({options}, XMLOf(outer)));
    }
    for (CFTypeRef object : {CFTypeRef(outer), CFTypeRef(array), CFTypeRef(data), CFTypeRef(date),
                             CFTypeRef(text), CFTypeRef(root)})
        CFRelease(object);
    for (CFNumberRef number : numbers)
        CFRelease(number);
}

void WriteCommandLines() {
    const std::vector<std::string> lines[] = {
        {"render", "in.wav", "out.wav", "--set", "EQ Freq=1800", "--amp", "on", "--block", "256"},
        {"preset", "save", "radio.aupreset", "--eq=on", "--limiter", "off", "--set", "amp-tone=-3"},
        {"render", "take2.flac", "out.flac", "--preset", "radio.aupreset", "--eq-wide", "yes"},
        {"params", "--component", "/opt/Brindlex.component"},
        {"demo", "out/demo"},
        {"help", "render"},
        {"preset", "show", "--", "-odd name.aupreset"},
        {"snapshot", "editor.png", "--input", "voice.wav", "--amp", "on", "--block=64"},
        {"edit", "--input=voice.wav", "--save", "mine.aupreset", "--set", "eq-level=-3"},
    };
    int index = 0;
    for (const auto& line : lines) {
        Bytes bytes;
        for (size_t i = 0; i < line.size(); ++i) {
            if (i > 0) bytes.push_back(0);
            bytes.insert(bytes.end(), line[i].begin(), line[i].end());
        }
        Write("fuzz_arguments", "line-" + std::to_string(index++), bytes);
    }
}

// The target's first byte picks the parameter: the effect's ten, then a switch, a menu, a
// whole number and a negated double.
void WritePromptTexts() {
    const std::pair<unsigned char, std::string> typed[] = {
        {2, "1800"}, {3, "-7.5"}, {6, "1e308"},  {8, "nan"},   {0, "  60abc"},
        {10, "on"},  {11, "B"},   {12, "0x1p3"}, {13, "-inf"}, {13, "12.5 dB"},
    };
    int index = 0;
    for (const auto& [pick, text] : typed)
        Write("fuzz_prompt", "typed-" + std::to_string(index++),
              Concat({pick}, Bytes(text.begin(), text.end())));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    gRoot = argv[1];
    WritePngs();
    WriteStates();
    WriteClassInfo();
    WritePropertyLists();
    WriteCommandLines();
    WritePromptTexts();
    return 0;
}
