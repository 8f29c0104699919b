// Arrays and dictionaries: ownership through their callbacks, lookup, descriptions.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A plain value that records what the container's callbacks did to it.
struct Token {
    int id;
    int retains = 0;
    int releases = 0;
};

const void* RetainToken(CFAllocatorRef, const void* value) {
    ++const_cast<Token*>(static_cast<const Token*>(value))->retains;
    return value;
}

void ReleaseToken(CFAllocatorRef, const void* value) {
    ++const_cast<Token*>(static_cast<const Token*>(value))->releases;
}

Boolean EqualTokens(const void* a, const void* b) {
    return static_cast<const Token*>(a)->id == static_cast<const Token*>(b)->id;
}

// The description of the adapter's factory presets.
CFStringRef DescribeToken(const void* value) {
    const auto* token = static_cast<const Token*>(value);
    return CFStringCreateWithFormat(nullptr, nullptr,
                                    CFSTR("AUPreset:\npreset number = %d\npreset name = %@"),
                                    token->id, CFSTR("Radio"));
}

constexpr CFArrayCallBacks kTokenCallBacks{0, RetainToken, ReleaseToken, DescribeToken,
                                           EqualTokens};

TEST(CFArray, TypeCallBacksOwnTheElements) {
    CFHolder<CFStringRef> element(MakeString("element"));
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFArrayAppendValue(array, element.Get());
    CFArrayAppendValue(array, element.Get());
    EXPECT_EQ(RetainCount(element.Get()), 3);
    CFHolder<CFArrayRef> copy(CFArrayCreateCopy(nullptr, array));
    EXPECT_EQ(RetainCount(element.Get()), 5);
    CFRelease(array);
    EXPECT_EQ(RetainCount(element.Get()), 3);
    CFArrayAppendValue(const_cast<CFMutableArrayRef>(copy.Get()), element.Get());
    EXPECT_EQ(CFArrayGetCount(copy.Get()), 2) << "a copy made with CreateCopy is immutable";
}

TEST(CFArray, CustomCallBacksRetainReleaseCompareAndDescribe) {
    Token first{0}, second{1}, lookAlike{1};
    {
        CFHolder<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 0, &kTokenCallBacks));
        CFArrayAppendValue(array.Get(), &first);
        CFArrayAppendValue(array.Get(), &second);
        EXPECT_EQ(first.retains, 1);
        EXPECT_EQ(CFArrayGetValueAtIndex(array.Get(), 1), &second);
        EXPECT_EQ(CFText(array.Get()), "(AUPreset:\npreset number = 0\npreset name = Radio, "
                                       "AUPreset:\npreset number = 1\npreset name = Radio)");
    }
    EXPECT_EQ(first.releases, 1);
    EXPECT_EQ(second.releases, 1);
    EXPECT_EQ(lookAlike.retains, 0);
}

TEST(CFArray, BoundsAndCapacityAreEnforced) {
    Token token{4};
    CFHolder<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 2, nullptr));
    CFArrayAppendValue(array.Get(), &token);
    CFArrayAppendValue(array.Get(), &token);
    CFArrayAppendValue(array.Get(), &token);
    EXPECT_EQ(CFArrayGetCount(array.Get()), 2) << "capacity 2";
    EXPECT_EQ(CFArrayGetValueAtIndex(array.Get(), 2), nullptr);
    EXPECT_EQ(CFArrayGetValueAtIndex(array.Get(), -1), nullptr);
    EXPECT_EQ(token.retains, 0) << "null callbacks store values as they are";
    EXPECT_EQ(CFArrayCreate(nullptr, nullptr, 2, nullptr), nullptr);
    EXPECT_EQ(CFArrayCreateMutable(nullptr, -1, nullptr), nullptr);
}

TEST(CFDictionary, AContainerHoldingItselfStillDescribesAndCompares) {
    auto make = []() {
        return CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                         &kCFTypeDictionaryValueCallBacks);
    };
    CFMutableDictionaryRef a = make();
    CFMutableDictionaryRef b = make();
    CFDictionarySetValue(a, CFSTR("self"), a);
    CFDictionarySetValue(b, CFSTR("self"), b);
    EXPECT_NE(CFText(a).find("..."), std::string::npos);
    EXPECT_FALSE(CFEqual(a, b)) << "equality gives up at the nesting limit";
    // Break the cycles so that both dictionaries can go.
    CFDictionaryRemoveValue(a, CFSTR("self"));
    CFDictionaryRemoveValue(b, CFSTR("self"));
    CFRelease(a);
    CFRelease(b);
}

TEST(CFDictionary, TypeCallBacksOwnKeysAndValues) {
    CFHolder<CFStringRef> key(MakeString("key"));
    CFHolder<CFStringRef> sameKey(MakeString("key"));
    CFHolder<CFStringRef> first(MakeString("first"));
    CFHolder<CFStringRef> second(MakeString("second"));
    CFMutableDictionaryRef dictionary = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFDictionarySetValue(dictionary, key.Get(), first.Get());
    EXPECT_EQ(RetainCount(key.Get()), 2);
    EXPECT_EQ(RetainCount(first.Get()), 2);

    CFDictionarySetValue(dictionary, sameKey.Get(), second.Get()); // equal key: replaced
    EXPECT_EQ(CFDictionaryGetCount(dictionary), 1);
    EXPECT_EQ(RetainCount(first.Get()), 1);
    EXPECT_EQ(RetainCount(second.Get()), 2);
    EXPECT_EQ(RetainCount(sameKey.Get()), 1) << "the first key stays";

    const void* found = nullptr;
    EXPECT_TRUE(CFDictionaryGetValueIfPresent(dictionary, CFSTR("key"), &found));
    EXPECT_EQ(found, second.Get());
    EXPECT_FALSE(CFDictionaryGetValueIfPresent(dictionary, CFSTR("other"), &found));

    CFDictionaryRemoveValue(dictionary, CFSTR("key"));
    EXPECT_EQ(CFDictionaryGetCount(dictionary), 0);
    EXPECT_EQ(RetainCount(key.Get()), 1);
    EXPECT_EQ(RetainCount(second.Get()), 1);
    CFDictionarySetValue(dictionary, key.Get(), second.Get());
    CFRelease(dictionary);
    EXPECT_EQ(RetainCount(key.Get()), 1);
    EXPECT_EQ(RetainCount(second.Get()), 1);
}

TEST(CFDictionary, NumbersThatCompareEqualAreOneKey) {
    CFHolder<CFMutableDictionaryRef> dictionary(CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    const SInt32 two = 2;
    const double twoReal = 2.0;
    CFHolder<CFNumberRef> integerKey(CFNumberCreate(nullptr, kCFNumberSInt32Type, &two));
    CFHolder<CFNumberRef> realKey(CFNumberCreate(nullptr, kCFNumberFloat64Type, &twoReal));
    CFDictionarySetValue(dictionary.Get(), integerKey.Get(), CFSTR("int"));
    CFDictionarySetValue(dictionary.Get(), realKey.Get(), CFSTR("real"));
    EXPECT_EQ(CFDictionaryGetCount(dictionary.Get()), 1);
    EXPECT_EQ(CFText(CFDictionaryGetValue(dictionary.Get(), integerKey.Get())), "real");
}

TEST(CFDictionary, CustomCallBacksAndManyEntries) {
    // Null key callbacks: keys compare by address, nothing is retained.
    std::vector<Token> tokens(5000);
    CFHolder<CFMutableDictionaryRef> byAddress(
        CFDictionaryCreateMutable(nullptr, 0, nullptr, nullptr));
    for (size_t i = 0; i < tokens.size(); ++i) {
        tokens[i].id = static_cast<int>(i);
        CFDictionarySetValue(byAddress.Get(), &tokens[i], &tokens[(i + 1) % tokens.size()]);
    }
    ASSERT_EQ(CFDictionaryGetCount(byAddress.Get()), 5000);
    for (size_t i = 0; i < tokens.size(); i += 97)
        EXPECT_EQ(CFDictionaryGetValue(byAddress.Get(), &tokens[i]),
                  &tokens[(i + 1) % tokens.size()]);
    Token lookAlike{3};
    EXPECT_EQ(CFDictionaryGetValue(byAddress.Get(), &lookAlike), nullptr);
    EXPECT_EQ(tokens[0].retains, 0);

    // Custom value callbacks retain and release.
    const CFDictionaryValueCallBacks valueCallBacks{0, RetainToken, ReleaseToken, DescribeToken,
                                                    EqualTokens};
    Token value{9};
    {
        CFHolder<CFMutableDictionaryRef> dictionary(
            CFDictionaryCreateMutable(nullptr, 1, &kCFTypeDictionaryKeyCallBacks, &valueCallBacks));
        CFDictionarySetValue(dictionary.Get(), CFSTR("a"), &value);
        CFDictionarySetValue(dictionary.Get(), CFSTR("b"), &value);
        EXPECT_EQ(CFDictionaryGetCount(dictionary.Get()), 1) << "capacity 1";
        EXPECT_EQ(CFText(dictionary.Get()),
                  "{a = AUPreset:\npreset number = 9\npreset name = Radio}");
    }
    EXPECT_EQ(value.retains, 1);
    EXPECT_EQ(value.releases, 1);
}

TEST(CFDictionary, CreateCopyEqualityAndDescription) {
    const void* keys[] = {CFSTR("b"), CFSTR("a"), CFSTR("b")};
    const SInt32 numbers[] = {1, 2, 3};
    CFHolder<CFNumberRef> one(CFNumberCreate(nullptr, kCFNumberSInt32Type, &numbers[0]));
    CFHolder<CFNumberRef> two(CFNumberCreate(nullptr, kCFNumberSInt32Type, &numbers[1]));
    CFHolder<CFNumberRef> three(CFNumberCreate(nullptr, kCFNumberSInt32Type, &numbers[2]));
    const void* values[] = {one.Get(), two.Get(), three.Get()};
    CFHolder<CFDictionaryRef> dictionary(CFDictionaryCreate(nullptr, keys, values, 3,
                                                            &kCFTypeDictionaryKeyCallBacks,
                                                            &kCFTypeDictionaryValueCallBacks));
    ASSERT_TRUE(dictionary);
    EXPECT_EQ(CFDictionaryGetCount(dictionary.Get()), 2) << "a repeated key's last value wins";
    EXPECT_EQ(CFText(dictionary.Get()), "{a = 2; b = 3}");
    CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(dictionary.Get()), CFSTR("c"),
                         one.Get());
    EXPECT_EQ(CFDictionaryGetCount(dictionary.Get()), 2) << "created immutable";

    CFHolder<CFMutableDictionaryRef> copy(
        CFDictionaryCreateMutableCopy(nullptr, 0, dictionary.Get()));
    EXPECT_TRUE(CFEqual(copy.Get(), dictionary.Get()));
    CFDictionarySetValue(copy.Get(), CFSTR("a"), one.Get());
    EXPECT_FALSE(CFEqual(copy.Get(), dictionary.Get()));
    EXPECT_EQ(CFDictionaryCreateMutableCopy(nullptr, 1, dictionary.Get()), nullptr)
        << "two entries do not fit a capacity of one";

    const void* gotKeys[2] = {};
    const void* gotValues[2] = {};
    CFDictionaryGetKeysAndValues(copy.Get(), gotKeys, gotValues);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(CFDictionaryGetValue(copy.Get(), gotKeys[i]), gotValues[i]);
    CFDictionaryRemoveValue(copy.Get(), CFSTR("a"));
    EXPECT_EQ(CFDictionaryGetCount(copy.Get()), 1);
    EXPECT_EQ(RetainCount(one.Get()), 1);
}

} // namespace
