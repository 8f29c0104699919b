// Property lists through libplist: reading, writing, hostile data and files.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

namespace {

CFDataRef MakeData(const std::string& bytes) {
    return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                        static_cast<CFIndex>(bytes.size()));
}

std::string Bytes(CFDataRef data) {
    return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                       static_cast<size_t>(CFDataGetLength(data)));
}

// Reads XML text; on failure the error's description is stored in *message.
CFPropertyListRef Read(const std::string& xml, std::string* message = nullptr,
                       CFOptionFlags options = kCFPropertyListImmutable) {
    CFHolder<CFDataRef> data(MakeData(xml));
    CFErrorRef error = nullptr;
    CFPropertyListFormat format = 0;
    CFPropertyListRef plist =
        CFPropertyListCreateWithData(nullptr, data.Get(), options, &format, &error);
    EXPECT_EQ(plist == nullptr, error != nullptr);
    if (plist) {
        EXPECT_EQ(format, kCFPropertyListXMLFormat_v1_0);
    }
    if (error) {
        if (message) *message = CFText(error);
        CFRelease(error);
    }
    return plist;
}

std::string Write(CFPropertyListRef plist) {
    CFErrorRef error = nullptr;
    CFHolder<CFDataRef> data(
        CFPropertyListCreateData(nullptr, plist, kCFPropertyListXMLFormat_v1_0, 0, &error));
    EXPECT_EQ(error, nullptr) << CFText(error);
    CFRelease(error);
    return data ? Bytes(data.Get()) : std::string();
}

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";

// A class-info state as a host stores it in an .aupreset file.
const std::string kPreset = kHeader + R"(<plist version="1.0">
<dict>
	<key>data</key>
	<data>
	AAAAAAAA8D8=
	</data>
	<key>manufacturer</key>
	<integer>1215720818</integer>
	<key>name</key>
	<string>Radio</string>
	<key>subtype</key>
	<integer>1114795640</integer>
	<key>type</key>
	<integer>1635083896</integer>
	<key>version</key>
	<integer>0</integer>
</dict>
</plist>
)";

std::string Nested(int depth, const std::string& open, const std::string& close) {
    std::string xml = "<plist version=\"1.0\">";
    for (int i = 0; i < depth; ++i)
        xml += open;
    for (int i = 0; i < depth; ++i)
        xml += close;
    return xml + "</plist>";
}

TEST(CFPropertyList, ReadsAPresetWithItsTypes) {
    CFHolder<CFPropertyListRef> plist(Read(kPreset));
    ASSERT_EQ(CFGetTypeID(plist.Get()), CFDictionaryGetTypeID());
    auto dictionary = static_cast<CFDictionaryRef>(plist.Get());
    SInt32 type = 0;
    ASSERT_TRUE(
        CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(dictionary, CFSTR("type"))),
                         kCFNumberSInt32Type, &type));
    EXPECT_EQ(static_cast<OSType>(type), FourCharCodeFromText("aufx"));
    EXPECT_EQ(CFText(CFDictionaryGetValue(dictionary, CFSTR("name"))), "Radio");
    auto data = static_cast<CFDataRef>(CFDictionaryGetValue(dictionary, CFSTR("data")));
    ASSERT_EQ(CFGetTypeID(data), CFDataGetTypeID());
    double value = 0;
    ASSERT_EQ(CFDataGetLength(data), 8);
    std::memcpy(&value, CFDataGetBytePtr(data), sizeof value);
    EXPECT_EQ(value, 1.0);
    CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(dictionary), CFSTR("x"), data);
    EXPECT_EQ(CFDictionaryGetCount(dictionary), 6) << "read immutable";

    // Writing gives the same text back: keys in order, libplist's layout.
    EXPECT_EQ(Write(plist.Get()), kPreset);
}

TEST(CFPropertyList, EveryTypeRoundTrips) {
    CFHolder<CFMutableDictionaryRef> root(CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    const SInt64 negative = -1234567890123LL;
    const double real = 0.1;
    const UInt8 bytes[] = {0, 1, 2, 255};
    CFHolder<CFNumberRef> integer(CFNumberCreate(nullptr, kCFNumberSInt64Type, &negative));
    CFHolder<CFNumberRef> fraction(CFNumberCreate(nullptr, kCFNumberFloat64Type, &real));
    CFHolder<CFDataRef> data(CFDataCreate(nullptr, bytes, 4));
    CFHolder<CFDateRef> date(CFDateCreate(nullptr, 600000000));
    CFHolder<CFStringRef> text(MakeString("<tags> & \"quotes\" \xe2\x82\xac"));
    CFHolder<CFMutableArrayRef> list(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    CFArrayAppendValue(list.Get(), kCFBooleanTrue);
    CFArrayAppendValue(list.Get(), kCFBooleanFalse);
    CFArrayAppendValue(list.Get(), text.Get());
    CFDictionarySetValue(root.Get(), CFSTR("integer"), integer.Get());
    CFDictionarySetValue(root.Get(), CFSTR("real"), fraction.Get());
    CFDictionarySetValue(root.Get(), CFSTR("data"), data.Get());
    CFDictionarySetValue(root.Get(), CFSTR("date"), date.Get());
    CFDictionarySetValue(root.Get(), CFSTR("list"), list.Get());
    CFDictionarySetValue(root.Get(), CFSTR(""), CFSTR("empty key"));

    const std::string xml = Write(root.Get());
    CFHolder<CFPropertyListRef> back(Read(xml));
    EXPECT_TRUE(CFEqual(back.Get(), root.Get())) << xml;
    EXPECT_EQ(Write(back.Get()), xml);
}

TEST(CFPropertyList, MutabilityOptionsDecideWhatCanChange) {
    CFHolder<CFPropertyListRef> containers(
        Read(kPreset, nullptr, kCFPropertyListMutableContainers));
    auto dictionary =
        const_cast<CFMutableDictionaryRef>(static_cast<CFDictionaryRef>(containers.Get()));
    CFDictionarySetValue(dictionary, CFSTR("extra"), kCFBooleanTrue);
    EXPECT_EQ(CFDictionaryGetCount(dictionary), 7);
    auto data = const_cast<CFMutableDataRef>(
        static_cast<CFDataRef>(CFDictionaryGetValue(dictionary, CFSTR("data"))));
    CFDataSetLength(data, 1);
    EXPECT_EQ(CFDataGetLength(data), 8) << "leaves stay immutable";

    CFHolder<CFPropertyListRef> leaves(
        Read(kPreset, nullptr, kCFPropertyListMutableContainersAndLeaves));
    data = const_cast<CFMutableDataRef>(static_cast<CFDataRef>(
        CFDictionaryGetValue(static_cast<CFDictionaryRef>(leaves.Get()), CFSTR("data"))));
    CFDataSetLength(data, 1);
    EXPECT_EQ(CFDataGetLength(data), 1);
}

TEST(CFPropertyList, HostileDataGivesErrors) {
    struct Case {
        const char* what;
        std::string data;
        const char* message;
    };
    // Deep enough to exhaust the stack if libplist were given it.
    const std::string deep = Nested(500000, "<array>", "</array>");
    const Case cases[] = {
        {"empty", "", "not a valid XML property list"},
        {"garbage", "hello world", "not a valid XML property list"},
        {"truncated", kPreset.substr(0, kPreset.size() / 2), "not a valid XML property list"},
        {"unterminated tag", "<plist><array", "not a valid XML property list"},
        {"unterminated comment", "<plist><!-- <array>", "not a valid XML property list"},
        {"unknown element", "<plist><array><foo/></array></plist>", "not a valid XML"},
        {"text not UTF-8", "<plist><string>\xff\xfe</string></plist>", "not valid UTF-8"},
        {"key not UTF-8", "<plist><dict><key>\xc0\xaf</key><true/></dict></plist>",
         "not valid UTF-8"},
        {"binary", "bplist00\xd0\x08\0\0\0\0\0\0\x01\x01", "binary property lists"},
        {"NUL in a string", std::string("<plist><string>a\0b</string></plist>", 35),
         "holds a NUL character"},
        {"NUL in a key", std::string("<plist><dict><key>a\0b</key><true/></dict></plist>", 49),
         "holds a NUL character"},
        {"deep nesting", deep, "nests more than 256 levels"},
        {"deep dictionaries", Nested(100000, "<dict><key>k</key>", "</dict>"),
         "nests more than 256 levels"},
        // Closing tags hidden where XML ignores them do not lower the count.
        {"closings in comments", Nested(100000, "<array><!-- </array> -->", "</array>"),
         "nests more than"},
        {"closings in CDATA", Nested(100000, "<array><![CDATA[</array>]]>", "</array>"),
         "nests more than"},
        {"closings in attributes", Nested(100000, "<array a=\"/></array>\">", "</array>"),
         "nests more than"},
        {"too large", kHeader + "<plist><string>" + std::string(9 << 20, 'x') + "</string></plist>",
         "larger than 8 MiB"},
    };
    for (const Case& c : cases) {
        std::string message;
        CFHolder<CFPropertyListRef> plist(Read(c.data, &message));
        EXPECT_FALSE(plist) << c.what;
        EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
    }
    CFErrorRef error = nullptr;
    EXPECT_EQ(CFPropertyListCreateWithData(nullptr, nullptr, 0, nullptr, &error), nullptr);
    EXPECT_NE(error, nullptr);
    CFRelease(error);
    EXPECT_EQ(CFPropertyListCreateWithData(nullptr, nullptr, 0, nullptr, nullptr), nullptr);
}

TEST(CFPropertyList, NestingUpToTheLimitIsRead) {
    const std::string leaf = "<string>leaf</string>";
    std::string message;
    CFHolder<CFPropertyListRef> deepest(Read(Nested(256, "<array>" + leaf, "</array>"), &message));
    EXPECT_TRUE(deepest) << message;
    CFHolder<CFPropertyListRef> tooDeep(Read(Nested(257, "<array>" + leaf, "</array>"), &message));
    EXPECT_FALSE(tooDeep);
    EXPECT_NE(message.find("nests more than 256 levels"), std::string::npos) << message;
}

TEST(CFPropertyList, MutatedPresetsNeverCrash) {
    // Seeded so that a failure can be repeated; ASan and UBSan watch every case.
    std::mt19937 random(20240601);
    const std::string alphabet = "<>/!-[]?\"'&;#x0a9 \n\xff\xc3";
    int read = 0;
    for (int i = 0; i < 2000; ++i) {
        std::string xml = kPreset;
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = random() % xml.size();
            switch (random() % 3) {
            case 0:
                xml[at] = alphabet[random() % alphabet.size()];
                break;
            case 1:
                xml.erase(at, 1 + random() % 16);
                break;
            default:
                xml.insert(at, xml.substr(random() % xml.size(), 1 + random() % 32));
                break;
            }
            if (xml.empty()) xml = "<";
        }
        CFHolder<CFPropertyListRef> plist(Read(xml));
        if (plist) ++read;
    }
    EXPECT_GT(read, 0) << "some mutations leave a readable list";
}

TEST(CFPropertyList, WhatCannotBeWrittenGivesErrors) {
    auto writeError = [](CFPropertyListRef plist, CFPropertyListFormat format) {
        CFErrorRef error = nullptr;
        CFHolder<CFDataRef> data(CFPropertyListCreateData(nullptr, plist, format, 0, &error));
        EXPECT_FALSE(data);
        const std::string message = CFText(error);
        CFRelease(error);
        return message;
    };
    CFHolder<CFURLRef> url(
        CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp"), kCFURLPOSIXPathStyle, true));
    EXPECT_EQ(writeError(url.Get(), kCFPropertyListXMLFormat_v1_0),
              "a property list cannot hold a CFURL");

    CFHolder<CFMutableDictionaryRef> numberKeys(CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    CFDictionarySetValue(numberKeys.Get(), kCFBooleanTrue, CFSTR("value"));
    EXPECT_EQ(writeError(numberKeys.Get(), kCFPropertyListXMLFormat_v1_0),
              "a property list dictionary key must be a string");

    CFMutableDictionaryRef cycle = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFDictionarySetValue(cycle, CFSTR("self"), cycle);
    EXPECT_NE(writeError(cycle, kCFPropertyListXMLFormat_v1_0).find("holds itself"),
              std::string::npos);
    CFDictionaryRemoveValue(cycle, CFSTR("self"));
    CFRelease(cycle);

    EXPECT_EQ(writeError(CFSTR("text"), kCFPropertyListBinaryFormat_v1_0),
              "only the XML property list format is written");
    EXPECT_EQ(writeError(nullptr, kCFPropertyListXMLFormat_v1_0),
              "a property list cannot hold a null value");
    CFHolder<CFDateRef> farFuture(CFDateCreate(nullptr, 1e12));
    EXPECT_NE(writeError(farFuture.Get(), kCFPropertyListXMLFormat_v1_0).find("date"),
              std::string::npos);
}

CFURLRef FileURL(const std::string& path) {
    return CFURLCreateFromFileSystemRepresentation(nullptr,
                                                   reinterpret_cast<const UInt8*>(path.data()),
                                                   static_cast<CFIndex>(path.size()), false);
}

TEST(CFPropertyListFile, ReadFailuresNameTheFile) {
    TempFolder folder;
    auto readError = [](const std::string& path) {
        CFHolder<CFURLRef> url(FileURL(path));
        CFErrorRef error = nullptr;
        CFHolder<CFPropertyListRef> plist(CFPropertyListCreateWithContentsOfURL(
            nullptr, url.Get(), kCFPropertyListImmutable, nullptr, &error));
        EXPECT_FALSE(plist);
        const std::string message = CFText(error);
        CFRelease(error);
        return message;
    };
    const std::string missing = folder.Path() + "/missing.aupreset";
    EXPECT_EQ(readError(missing), "cannot read " + missing + ": No such file or directory");
    EXPECT_EQ(readError(folder.Path()), "cannot read " + folder.Path() + ": not a file");
    const std::string foreign = folder.Path() + "/foreign.aupreset";
    WriteTextFile(foreign, "RIFF....WAVE");
    EXPECT_EQ(readError(foreign), foreign + ": the data is not a valid XML property list");
    const std::string huge = folder.Path() + "/huge.aupreset";
    WriteTextFile(huge, "");
    std::filesystem::resize_file(huge, (8 << 20) + 1);
    EXPECT_NE(readError(huge).find("larger than 8 MiB"), std::string::npos);
}

} // namespace
