// The class-info state a host saves with a project and hands back when it loads one: exact round
// trips, restoring before initialisation, and refusal of anything that is not this unit's state.
#include "ValidatorSupport.h"

#include <cmath>
#include <cstring>
#include <random>

namespace {

class ClassInfo : public ValidatorTest {
protected:
    void SetUp() override {
        ValidatorTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(mUnit.OpenStatus(), noErr);
        ASSERT_EQ(mUnit.Configure(44100, 512), noErr);
        ASSERT_EQ(mUnit.Initialize(), noErr);
    }

    // Every parameter at a random value in its range.
    void Randomise(ValidatedUnit& unit) {
        for (AudioUnitParameterID id : unit.ParameterIDs()) {
            const AudioUnitParameterInfo info = unit.ParameterInfo(id);
            const float value =
                std::uniform_real_distribution<float>(info.minValue, info.maxValue)(mRandom);
            ASSERT_EQ(unit.SetParameter(id, value), noErr);
        }
    }

    std::vector<float> Values(const ValidatedUnit& unit) const {
        std::vector<float> values;
        for (AudioUnitParameterID id : unit.ParameterIDs())
            values.push_back(unit.GetParameter(id));
        return values;
    }

    // A copy of the saved state with one entry replaced (removed when value is null).
    CFMutableDictionaryRef StateWith(const char* key, CFTypeRef value) {
        CFHolder<CFPropertyListRef> saved(mUnit.CopyClassInfo());
        auto* state =
            CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(saved.Get()));
        CFHolder<CFStringRef> name(CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8));
        if (value)
            CFDictionarySetValue(state, name.Get(), value);
        else
            CFDictionaryRemoveValue(state, name.Get());
        return state;
    }

    CFMutableDictionaryRef StateWithData(const std::vector<UInt8>& bytes) {
        CFHolder<CFDataRef> data(
            CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size())));
        return StateWith("data", data.Get());
    }

    std::vector<UInt8> SavedData() {
        CFHolder<CFPropertyListRef> saved(mUnit.CopyClassInfo());
        auto data = static_cast<CFDataRef>(
            CFDictionaryGetValue(static_cast<CFDictionaryRef>(saved.Get()), CFSTR("data")));
        const UInt8* bytes = CFDataGetBytePtr(data);
        return std::vector<UInt8>(bytes, bytes + CFDataGetLength(data));
    }

    // The unit refuses the state and stays exactly as it was.
    void ExpectRefused(CFPropertyListRef state, const char* what) {
        SCOPED_TRACE(what);
        const std::string before = mUnit.ClassInfoXML();
        ASSERT_FALSE(before.empty());
        EXPECT_EQ(mUnit.SetClassInfo(state), kAudioUnitErr_InvalidPropertyValue);
        EXPECT_EQ(mUnit.ClassInfoXML(), before);
        std::vector<float> left, right;
        ASSERT_EQ(mUnit.Render(512, left, right), noErr);
        EXPECT_TRUE(CleanOutput(left, right));
    }

    ValidatedUnit mUnit;
    std::mt19937 mRandom{8081};
};

TEST_F(ClassInfo, SaveRandomiseRestoreGivesEveryParameterBack) {
    for (int round = 0; round < 20; ++round) {
        Randomise(mUnit);
        const std::vector<float> saved = Values(mUnit);
        CFHolder<CFPropertyListRef> state(mUnit.CopyClassInfo());
        ASSERT_NE(state.Get(), nullptr);
        const std::string xml = PropertyListXML(state.Get());

        Randomise(mUnit);
        ASSERT_EQ(mUnit.SetClassInfo(state.Get()), noErr);
        const std::vector<float> restored = Values(mUnit);
        ASSERT_EQ(restored.size(), saved.size());
        for (size_t i = 0; i < saved.size(); ++i)
            EXPECT_NEAR(restored[i], saved[i], 1e-6 * std::max(1.0f, std::fabs(saved[i]))) << i;
        EXPECT_EQ(mUnit.ClassInfoXML(), xml) << "a re-save is byte for byte the same";

        std::vector<float> left, right;
        ASSERT_EQ(mUnit.Render(512, left, right), noErr);
        EXPECT_TRUE(CleanOutput(left, right));
    }
}

TEST_F(ClassInfo, RestoreBeforeInitializeWorks) {
    Randomise(mUnit);
    CFHolder<CFPropertyListRef> state(mUnit.CopyClassInfo());
    const std::vector<float> saved = Values(mUnit);

    ValidatedUnit fresh;
    ASSERT_EQ(fresh.OpenStatus(), noErr);
    ASSERT_EQ(fresh.SetClassInfo(state.Get()), noErr);
    ASSERT_EQ(fresh.Configure(48000, 512), noErr);
    ASSERT_EQ(fresh.Initialize(), noErr);
    EXPECT_EQ(Values(fresh), saved);
    EXPECT_EQ(fresh.ClassInfoXML(), PropertyListXML(state.Get()));
    std::vector<float> left, right;
    ASSERT_EQ(fresh.Render(512, left, right), noErr);
    EXPECT_TRUE(CleanOutput(left, right));
}

TEST_F(ClassInfo, DataOfTheWrongSizeIsRefused) {
    Randomise(mUnit);
    std::vector<UInt8> data = SavedData();
    ASSERT_EQ(data.size(), size_t{kParamCount} * sizeof(double));

    CFHolder<CFMutableDictionaryRef> empty(StateWithData({}));
    ExpectRefused(empty.Get(), "empty data");
    CFHolder<CFMutableDictionaryRef> truncated(
        StateWithData(std::vector<UInt8>(data.begin(), data.end() - 1)));
    ExpectRefused(truncated.Get(), "truncated data");
    data.push_back(0);
    CFHolder<CFMutableDictionaryRef> oneByteMore(StateWithData(data));
    ExpectRefused(oneByteMore.Get(), "one byte too many");
    data.resize(1 << 20);
    CFHolder<CFMutableDictionaryRef> oversized(StateWithData(data));
    ExpectRefused(oversized.Get(), "a valid state followed by a mebibyte of zeros");
}

TEST_F(ClassInfo, RandomDataIsRefused) {
    Randomise(mUnit);
    std::independent_bits_engine<std::mt19937, 8, unsigned> bytes(mRandom());
    for (int blob = 0; blob < 3; ++blob) {
        std::vector<UInt8> random(1 << 20);
        for (UInt8& byte : random)
            byte = static_cast<UInt8>(bytes());
        CFHolder<CFMutableDictionaryRef> asData(StateWithData(random));
        ExpectRefused(asData.Get(), "a mebibyte of random data");
        CFHolder<CFDataRef> asState(
            CFDataCreate(nullptr, random.data(), static_cast<CFIndex>(random.size())));
        ExpectRefused(asState.Get(), "a mebibyte of random data instead of a dictionary");
    }
}

TEST_F(ClassInfo, StatesOfOtherUnitsOrWithMissingEntriesAreRefused) {
    Randomise(mUnit);
    const SInt32 other = FourCharCodeFromText("Othr");
    CFHolder<CFNumberRef> otherCode(CFNumberCreate(nullptr, kCFNumberSInt32Type, &other));
    for (const char* key : {"type", "subtype", "manufacturer"}) {
        CFHolder<CFMutableDictionaryRef> foreign(StateWith(key, otherCode.Get()));
        ExpectRefused(foreign.Get(), key);
    }
    for (const char* key : {"version", "type", "subtype", "manufacturer", "name", "data"}) {
        CFHolder<CFMutableDictionaryRef> missing(StateWith(key, nullptr));
        ExpectRefused(missing.Get(), key);
    }
    CFHolder<CFMutableDictionaryRef> dataAsText(StateWith("data", CFSTR("not data")));
    ExpectRefused(dataAsText.Get(), "data as text");
    CFHolder<CFMutableDictionaryRef> nameAsNumber(StateWith("name", otherCode.Get()));
    ExpectRefused(nameAsNumber.Get(), "name as a number");
    ExpectRefused(nullptr, "no state");
    ExpectRefused(CFSTR("a string"), "a string");
}

// The stored values are doubles; values the parameters cannot hold are not the unit's state.
TEST_F(ClassInfo, DataHoldingValuesNoParameterCanTakeIsRefused) {
    Randomise(mUnit);
    const std::vector<UInt8> data = SavedData();
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        std::vector<UInt8> changed = data;
        std::memcpy(changed.data() + 3 * sizeof(double), &bad, sizeof bad);
        CFHolder<CFMutableDictionaryRef> state(StateWithData(changed));
        ExpectRefused(state.Get(), "a non-finite value");
    }
}

} // namespace
