// Reference counting, strings, formatting, numbers, data and dates.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

struct ReleaseCounter {
    int releases = 0;
};

void CountRelease(CFAllocatorRef, const void* value) {
    ++const_cast<ReleaseCounter*>(static_cast<const ReleaseCounter*>(value))->releases;
}

TEST(CFObjects, RetainAndReleaseDecideWhenAnObjectGoes) {
    // An array whose release callback reports when the array is finalised.
    ReleaseCounter counter;
    const CFArrayCallBacks callBacks{0, nullptr, CountRelease, nullptr, nullptr};
    const void* values[] = {&counter};
    CFArrayRef array = CFArrayCreate(nullptr, values, 1, &callBacks);
    EXPECT_EQ(RetainCount(array), 1);
    EXPECT_EQ(CFRetain(array), array);
    EXPECT_EQ(RetainCount(array), 2);
    CFRelease(array);
    EXPECT_EQ(counter.releases, 0);
    CFRelease(array);
    EXPECT_EQ(counter.releases, 1);
}

TEST(CFObjects, ConstantsAreNeverFreed) {
    CFStringRef constant = CFSTR("constant");
    const long count = RetainCount(constant);
    for (int i = 0; i < 3; ++i)
        CFRelease(constant);
    CFRetain(constant);
    EXPECT_EQ(RetainCount(constant), count);
    EXPECT_STREQ(CFStringGetCStringPtr(constant, kCFStringEncodingUTF8), "constant");
    EXPECT_EQ(CFSTR("shared"), CFSTR("shared")) << "equal constants are one object";
    CFRelease(kCFBooleanTrue);
    EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
    EXPECT_FALSE(CFBooleanGetValue(kCFBooleanFalse));
}

TEST(CFObjects, NullAndWrongTypesAreHarmless) {
    EXPECT_EQ(CFRetain(nullptr), nullptr);
    CFRelease(nullptr);
    EXPECT_EQ(CFGetTypeID(nullptr), 0u);
    EXPECT_FALSE(CFEqual(nullptr, nullptr));
    EXPECT_EQ(CFCopyDescription(nullptr), nullptr);

    const SInt32 one = 1;
    CFHolder<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberSInt32Type, &one));
    CFHolder<CFStringRef> string(MakeString("text"));
    EXPECT_EQ(CFStringGetLength(reinterpret_cast<CFStringRef>(number.Get())), 0);
    EXPECT_EQ(
        CFStringGetCStringPtr(reinterpret_cast<CFStringRef>(number.Get()), kCFStringEncodingUTF8),
        nullptr);
    SInt32 out = 5;
    EXPECT_FALSE(
        CFNumberGetValue(reinterpret_cast<CFNumberRef>(string.Get()), kCFNumberSInt32Type, &out));
    EXPECT_EQ(out, 5);
    EXPECT_EQ(CFArrayGetCount(reinterpret_cast<CFArrayRef>(string.Get())), 0);
    EXPECT_EQ(CFDictionaryGetValue(reinterpret_cast<CFDictionaryRef>(string.Get()), string.Get()),
              nullptr);
    CFDataAppendBytes(reinterpret_cast<CFMutableDataRef>(
                          const_cast<void*>(static_cast<const void*>(string.Get()))),
                      reinterpret_cast<const UInt8*>("x"), 1);
    EXPECT_FALSE(CFEqual(number.Get(), string.Get()));
    EXPECT_EQ(CFNumberCreate(nullptr, 99, &one), nullptr);
    EXPECT_EQ(CFNumberCreate(nullptr, kCFNumberSInt32Type, nullptr), nullptr);
}

TEST(CFObjects, TypeIDsNameTheirTypes) {
    EXPECT_EQ(CFGetTypeID(CFSTR("x")), CFStringGetTypeID());
    CFHolder<CFStringRef> name(CFCopyTypeIDDescription(CFDictionaryGetTypeID()));
    EXPECT_EQ(CFText(name.Get()), "CFDictionary");
    EXPECT_EQ(CFCopyTypeIDDescription(12345), nullptr);
}

TEST(CFString, EncodingsConvertOrRefuse) {
    // "café" in Latin-1 becomes UTF-8 inside; ASCII and UTF-8 refuse what they cannot hold.
    CFHolder<CFStringRef> latin(
        CFStringCreateWithCString(nullptr, "caf\xe9", kCFStringEncodingISOLatin1));
    ASSERT_TRUE(latin);
    EXPECT_STREQ(CFStringGetCStringPtr(latin.Get(), kCFStringEncodingUTF8), "caf\xc3\xa9");
    EXPECT_EQ(CFStringGetCStringPtr(latin.Get(), kCFStringEncodingASCII), nullptr);
    char buffer[16];
    ASSERT_TRUE(CFStringGetCString(latin.Get(), buffer, sizeof buffer, kCFStringEncodingISOLatin1));
    EXPECT_STREQ(buffer, "caf\xe9");
    EXPECT_FALSE(CFStringGetCString(latin.Get(), buffer, sizeof buffer, kCFStringEncodingASCII));
    EXPECT_STREQ(buffer, "");

    EXPECT_EQ(CFStringCreateWithCString(nullptr, "caf\xe9", kCFStringEncodingUTF8), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xed\xa0\x80", kCFStringEncodingUTF8), nullptr)
        << "surrogates are not UTF-8";
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xc0\xaf", kCFStringEncodingUTF8), nullptr)
        << "overlong forms are not UTF-8";
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "caf\xe9", kCFStringEncodingASCII), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "x", 0x1234), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8), nullptr);

    CFHolder<CFStringRef> euro(CFStringCreateWithCString(nullptr, "\xe2\x82\xac", 0x08000100));
    EXPECT_FALSE(CFStringGetCString(euro.Get(), buffer, sizeof buffer, kCFStringEncodingISOLatin1));
}

TEST(CFString, LengthCountsUTF16UnitsAndBuffersMustFit) {
    // A, e-acute, the euro sign and a musical symbol outside the basic plane (two units).
    CFHolder<CFStringRef> text(MakeString("A\xc3\xa9\xe2\x82\xac\xf0\x9d\x84\x9e"));
    EXPECT_EQ(CFStringGetLength(text.Get()), 5);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(5, kCFStringEncodingUTF8), 15);
    char small[10]; // the text needs 10 bytes plus the terminator
    EXPECT_FALSE(CFStringGetCString(text.Get(), small, sizeof small, kCFStringEncodingUTF8));
    EXPECT_STREQ(small, "");
    char exact[11];
    EXPECT_TRUE(CFStringGetCString(text.Get(), exact, sizeof exact, kCFStringEncodingUTF8));
    EXPECT_FALSE(CFStringGetCString(text.Get(), exact, 0, kCFStringEncodingUTF8));
}

TEST(CFString, NoCopyKeepsOrFreesTheCallersText) {
    // Kept without copying and freed with the string (ASan reports a leak or double free
    // otherwise).
    char* owned = strdup("owned text");
    CFStringRef kept =
        CFStringCreateWithCStringNoCopy(nullptr, owned, kCFStringEncodingUTF8, nullptr);
    EXPECT_EQ(CFStringGetCStringPtr(kept, kCFStringEncodingUTF8), owned);
    CFRelease(kept);

    // Borrowed: the caller keeps it.
    char borrowed[] = "borrowed";
    CFStringRef view =
        CFStringCreateWithCStringNoCopy(nullptr, borrowed, kCFStringEncodingUTF8, kCFAllocatorNull);
    EXPECT_EQ(CFStringGetCStringPtr(view, kCFStringEncodingUTF8), borrowed);
    CFRelease(view);
    EXPECT_STREQ(borrowed, "borrowed");

    // Text that needs converting is copied, and the original freed at once.
    char* latin = strdup("na\xefve");
    CFHolder<CFStringRef> converted(
        CFStringCreateWithCStringNoCopy(nullptr, latin, kCFStringEncodingISOLatin1, nullptr));
    EXPECT_STREQ(CFStringGetCStringPtr(converted.Get(), kCFStringEncodingUTF8), "na\xc3\xafve");

    // Invalid text is refused and still freed.
    char* invalid = strdup("bad \xff");
    EXPECT_EQ(CFStringCreateWithCStringNoCopy(nullptr, invalid, kCFStringEncodingUTF8, nullptr),
              nullptr);
}

TEST(CFString, CompareHonoursCaseAndNumericOptions) {
    auto compare = [](const char* a, const char* b, CFStringCompareFlags options) {
        CFHolder<CFStringRef> stringA(MakeString(a));
        CFHolder<CFStringRef> stringB(MakeString(b));
        return CFStringCompare(stringA.Get(), stringB.Get(), options);
    };
    EXPECT_EQ(compare("abc", "abd", 0), kCFCompareLessThan);
    EXPECT_EQ(compare("abc", "ab", 0), kCFCompareGreaterThan);
    EXPECT_EQ(compare("Radio", "radio", 0), kCFCompareLessThan);
    EXPECT_EQ(compare("Radio", "radio", kCFCompareCaseInsensitive), kCFCompareEqualTo);
    EXPECT_EQ(compare("Preset 10", "Preset 9", 0), kCFCompareLessThan);
    EXPECT_EQ(compare("Preset 10", "Preset 9", kCFCompareNumerically), kCFCompareGreaterThan);
    EXPECT_EQ(compare("v007b", "v7a", kCFCompareNumerically), kCFCompareGreaterThan);
    EXPECT_EQ(compare("\xc3\xa9", "z", 0), kCFCompareGreaterThan) << "code point order";
    EXPECT_EQ(CFStringCompare(nullptr, CFSTR("a"), 0), kCFCompareLessThan);
}

CFStringRef Format(const char* format, ...) {
    CFHolder<CFStringRef> formatString(MakeString(format));
    va_list args;
    va_start(args, format);
    CFStringRef result =
        CFStringCreateWithFormatAndArguments(nullptr, nullptr, formatString.Get(), args);
    va_end(args);
    return result;
}

std::string Formatted(CFStringRef string) {
    CFHolder<CFStringRef> holder(string);
    const char* text = CFStringGetCStringPtr(holder.Get(), kCFStringEncodingUTF8);
    return text ? text : "<null>";
}

TEST(CFStringFormat, PrintfConversionsAndObjects) {
    const SInt32 seven = 7;
    CFHolder<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberSInt32Type, &seven));
    EXPECT_EQ(
        Formatted(Format("AUPreset:\npreset number = %d\npreset name = %@", 0, CFSTR("Radio"))),
        "AUPreset:\npreset number = 0\npreset name = Radio");
    EXPECT_EQ(Formatted(Format("[%5.2f|%-4s|%03x|%lld|%c|%%|%@]", 3.14159, "ab", 255, -9000000000LL,
                               'z', number.Get())),
              "[ 3.14|ab  |0ff|-9000000000|z|%|7]");
    EXPECT_EQ(Formatted(Format("%*d|%.*s|%zu|%qd", 4, 42, 2, "xyz", size_t{3}, 5LL)),
              "  42|xy|3|5");
    EXPECT_EQ(Formatted(Format("%@ and %@", nullptr, kCFBooleanTrue)), "(null) and true");
    EXPECT_EQ(Formatted(Format("%s", "caf\xe9")), "caf\xc3\xa9") << "non-UTF-8 text as Latin-1";
    EXPECT_EQ(Formatted(Format("50%")), "50%");
    EXPECT_EQ(Formatted(Format("%1$d stays")), "%1$d stays");
    // Long conversions are not cut to any internal buffer.
    const std::string longText(300, 'w');
    EXPECT_EQ(Formatted(Format("<%s>", longText.c_str())), "<" + longText + ">");
    EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, nullptr), nullptr);
}

TEST(CFNumber, ConversionsReportLoss) {
    const SInt64 big = 5000000000LL;
    CFHolder<CFNumberRef> bigNumber(CFNumberCreate(nullptr, kCFNumberLongLongType, &big));
    SInt32 narrow = 0;
    EXPECT_FALSE(CFNumberGetValue(bigNumber.Get(), kCFNumberSInt32Type, &narrow));
    EXPECT_EQ(narrow, std::numeric_limits<SInt32>::max()) << "clamped";
    double wide = 0;
    EXPECT_TRUE(CFNumberGetValue(bigNumber.Get(), kCFNumberDoubleType, &wide));
    EXPECT_EQ(wide, 5e9);

    const float half = 2.5f;
    CFHolder<CFNumberRef> real(CFNumberCreate(nullptr, kCFNumberFloatType, &half));
    EXPECT_TRUE(CFNumberIsFloatType(real.Get()));
    int truncated = 0;
    EXPECT_FALSE(CFNumberGetValue(real.Get(), kCFNumberIntType, &truncated));
    EXPECT_EQ(truncated, 2);
    double exact = 0;
    EXPECT_TRUE(CFNumberGetValue(real.Get(), kCFNumberFloat64Type, &exact));
    EXPECT_EQ(exact, 2.5);

    // NaN, infinities and out-of-range values convert without undefined behaviour.
    for (const double hostile : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e19}) {
        CFHolder<CFNumberRef> value(CFNumberCreate(nullptr, kCFNumberFloat64Type, &hostile));
        SInt64 integer = 1;
        SInt8 tiny = 1;
        Float32 single = 0;
        EXPECT_FALSE(CFNumberGetValue(value.Get(), kCFNumberSInt64Type, &integer)) << hostile;
        EXPECT_FALSE(CFNumberGetValue(value.Get(), kCFNumberSInt8Type, &tiny)) << hostile;
        CFNumberGetValue(value.Get(), kCFNumberFloat32Type, &single);
        if (std::isnan(hostile)) {
            EXPECT_EQ(integer, 0);
        }
    }
    const double tooBigForFloat = 1e300;
    CFHolder<CFNumberRef> huge(CFNumberCreate(nullptr, kCFNumberFloat64Type, &tooBigForFloat));
    Float32 clamped = 0;
    EXPECT_FALSE(CFNumberGetValue(huge.Get(), kCFNumberFloat32Type, &clamped));
    EXPECT_EQ(clamped, std::numeric_limits<float>::max());
}

TEST(CFNumber, EqualValuesAreEqualAcrossTypes) {
    const SInt32 one = 1;
    const double oneReal = 1.0;
    const double oneAndABit = 1.5;
    CFHolder<CFNumberRef> a(CFNumberCreate(nullptr, kCFNumberSInt32Type, &one));
    CFHolder<CFNumberRef> b(CFNumberCreate(nullptr, kCFNumberFloat64Type, &oneReal));
    CFHolder<CFNumberRef> c(CFNumberCreate(nullptr, kCFNumberFloat64Type, &oneAndABit));
    EXPECT_TRUE(CFEqual(a.Get(), b.Get()));
    EXPECT_FALSE(CFEqual(a.Get(), c.Get()));
    EXPECT_EQ(CFText(c.Get()), "1.5");
    const double third = 1.0 / 3;
    CFHolder<CFNumberRef> d(CFNumberCreate(nullptr, kCFNumberFloat64Type, &third));
    EXPECT_EQ(std::strtod(CFText(d.Get()).c_str(), nullptr), third) << "descriptions round-trip";
}

TEST(CFData, MutableDataGrowsWithinItsCapacity) {
    CFHolder<CFMutableDataRef> data(CFDataCreateMutable(nullptr, 6));
    CFDataAppendBytes(data.Get(), reinterpret_cast<const UInt8*>("abcd"), 4);
    CFDataAppendBytes(data.Get(), CFDataGetBytePtr(data.Get()), 2); // part of itself
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data.Get())),
                          static_cast<size_t>(CFDataGetLength(data.Get()))),
              "abcdab");
    CFDataAppendBytes(data.Get(), reinterpret_cast<const UInt8*>("x"), 1);
    EXPECT_EQ(CFDataGetLength(data.Get()), 6) << "capacity is a limit";
    CFDataSetLength(data.Get(), 2);
    CFDataSetLength(data.Get(), 4);
    UInt8 bytes[4];
    std::memcpy(bytes, CFDataGetBytePtr(data.Get()), 4);
    EXPECT_EQ(bytes[1], 'b');
    EXPECT_EQ(bytes[2], 0) << "new bytes are zero";
    CFDataSetLength(data.Get(), -1);
    EXPECT_EQ(CFDataGetLength(data.Get()), 4);

    CFHolder<CFDataRef> fixed(CFDataCreate(nullptr, bytes, 4));
    CFDataAppendBytes(const_cast<CFMutableDataRef>(fixed.Get()), bytes, 4);
    EXPECT_EQ(CFDataGetLength(fixed.Get()), 4) << "immutable data stays as it is";
    EXPECT_EQ(CFDataGetMutableBytePtr(const_cast<CFMutableDataRef>(fixed.Get())), nullptr);
    EXPECT_EQ(CFText(fixed.Get()), "<61620000>");
    EXPECT_EQ(CFDataCreate(nullptr, nullptr, 3), nullptr);
    EXPECT_EQ(CFDataCreate(nullptr, bytes, -1), nullptr);
}

TEST(CFDate, DescribesInUTC) {
    CFHolder<CFDateRef> epoch(CFDateCreate(nullptr, 0));
    EXPECT_EQ(CFText(epoch.Get()), "2001-01-01 00:00:00 +0000");
    CFHolder<CFDateRef> later(CFDateCreate(nullptr, 86400.5));
    EXPECT_EQ(CFText(later.Get()), "2001-01-02 00:00:00 +0000");
    CFHolder<CFDateRef> absurd(CFDateCreate(nullptr, 1e300));
    EXPECT_EQ(CFText(absurd.Get()), "1e+300 s");
}

} // namespace
