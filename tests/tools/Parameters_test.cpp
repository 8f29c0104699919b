// Parameter names and values from the command line, checked against a parameter list shaped
// like the effect's: six named parameters and four unnamed switches.

#include "CommandError.h"
#include "Parameters.h"

#include <gtest/gtest.h>

namespace {

ParameterInfo Named(AudioUnitParameterID id, const char* name, float min, float max, float def) {
    ParameterInfo info;
    info.id = id;
    info.name = name;
    info.unit = kAudioUnitParameterUnit_CustomUnit;
    info.unitLabel = "%";
    info.minValue = min;
    info.maxValue = max;
    info.defaultValue = def;
    return info;
}

ParameterInfo Unnamed(AudioUnitParameterID id) {
    ParameterInfo info;
    info.id = id;
    info.minValue = 0;
    info.maxValue = 1;
    return info;
}

std::vector<HostParameter> EffectLike() {
    return DescribeParameters({Named(0, "Limiter Attenuation", 0, 120, 120), Unnamed(1),
                               Named(2, "EQ Freq", 0, 15000, 5000),
                               Named(3, "EQ Level", -12, 12, 0), Unnamed(4), Unnamed(5),
                               Named(6, "Amp Gain", 0, 100, 1), Named(7, "Amp Tone", -12, 12, 0),
                               Named(8, "Amp Noise Reduction", 0, 100, 100), Unnamed(9)});
}

ParameterValue Resolve(const std::string& name, const std::string& value) {
    return ResolveSetting(EffectLike(), {"--set " + name + "=" + value, name, value});
}

std::string Mistake(const std::string& name, const std::string& value) {
    try {
        Resolve(name, value);
    } catch (const CommandError& error) {
        EXPECT_EQ(error.GetKind(), CommandError::kUsage);
        return error.what();
    }
    ADD_FAILURE() << name << "=" << value << " was accepted";
    return {};
}

TEST(Parameters, UnnamedSwitchesGetAliasesAndDescriptions) {
    const std::vector<HostParameter> parameters = EffectLike();
    ASSERT_EQ(parameters.size(), 10u);
    const struct {
        size_t index;
        const char* alias;
        const char* shown;
    } kExpected[] = {{1, "limiter", "(Limiter On)"},
                     {4, "eq-wide", "(EQ Wide)"},
                     {5, "eq", "(EQ On)"},
                     {9, "amp", "(Amp On)"}};
    for (const auto& expected : kExpected) {
        const HostParameter& parameter = parameters[expected.index];
        EXPECT_EQ(parameter.alias, expected.alias);
        EXPECT_TRUE(parameter.isSwitch);
        EXPECT_EQ(parameter.DisplayName(), expected.shown);
    }
    EXPECT_EQ(parameters[0].DisplayName(), "Limiter Attenuation");
    EXPECT_TRUE(parameters[0].alias.empty());
    EXPECT_FALSE(parameters[0].isSwitch);
}

TEST(Parameters, AliasesOnlyForTheUnnamedSwitches) {
    // Should a later effect name parameter 1 or widen its range, it is no longer the switch.
    ParameterInfo named = Unnamed(1);
    named.name = "Limiter On";
    ParameterInfo wide = Unnamed(9);
    wide.maxValue = 10;
    const std::vector<HostParameter> parameters = DescribeParameters({named, wide});
    EXPECT_TRUE(parameters[0].alias.empty());
    EXPECT_FALSE(parameters[0].isSwitch);
    EXPECT_TRUE(parameters[1].alias.empty());
    EXPECT_FALSE(parameters[1].isSwitch);
}

TEST(Parameters, BooleanUnitParametersAreSwitches) {
    ParameterInfo flag = Named(3, "Bypass Tone", 0, 1, 0);
    flag.unit = kAudioUnitParameterUnit_Boolean;
    const std::vector<HostParameter> parameters = DescribeParameters({flag});
    EXPECT_TRUE(parameters[0].isSwitch);
    const ParameterValue value = ResolveSetting(parameters, {"x", "bypass tone", "on"});
    EXPECT_EQ(value.value, 1.0f);
}

TEST(Parameters, NamesMatchInAnyCaseWithDashesOrUnderscores) {
    for (const char* name : {"EQ Freq", "eq freq", "EQ  FREQ", "eq-freq", "eq_freq", "2"}) {
        const ParameterValue value = Resolve(name, "2000");
        EXPECT_EQ(value.id, 2u) << name;
        EXPECT_EQ(value.value, 2000.0f) << name;
    }
    EXPECT_EQ(Resolve("amp noise-reduction", "50").id, 8u);
    EXPECT_EQ(Resolve("0", "60").id, 0u);
}

TEST(Parameters, SwitchesTakeOnAndOffByAliasOrIndex) {
    EXPECT_EQ(Resolve("amp", "on").id, 9u);
    EXPECT_EQ(Resolve("amp", "on").value, 1.0f);
    EXPECT_EQ(Resolve("AMP", "off").value, 0.0f);
    EXPECT_EQ(Resolve("eq-wide", "yes").id, 4u);
    EXPECT_EQ(Resolve("eq wide", "1").id, 4u);
    EXPECT_EQ(Resolve("eq", "on").id, 5u);
    EXPECT_EQ(Resolve("limiter", "true").id, 1u);
    EXPECT_EQ(Resolve("5", "on").id, 5u);
}

TEST(Parameters, RealUnitsWithinTheRange) {
    EXPECT_EQ(Resolve("EQ Level", "-12").value, -12.0f);
    EXPECT_EQ(Resolve("EQ Level", "12").value, 12.0f);
    EXPECT_EQ(Resolve("Amp Gain", "0.5").value, 0.5f);
    EXPECT_EQ(Mistake("EQ Level", "12.5"),
              "--set EQ Level=12.5: 12.5 is outside the range -12 to 12");
    EXPECT_EQ(Mistake("EQ Freq", "-1"), "--set EQ Freq=-1: -1 is outside the range 0 to 15000");
    EXPECT_EQ(Mistake("Amp Gain", "lots"), "--set Amp Gain=lots: 'lots' is not a number");
    EXPECT_EQ(Mistake("Amp Gain", "nan"), "--set Amp Gain=nan: 'nan' is not a number");
    EXPECT_EQ(Mistake("Amp Gain", "5dB"), "--set Amp Gain=5dB: '5dB' is not a number");
}

TEST(Parameters, SwitchesRefuseAnythingButOnAndOff) {
    EXPECT_EQ(Mistake("amp", "0.5"), "--set amp=0.5: expected on or off, not '0.5'");
    EXPECT_EQ(Mistake("9", "maybe"), "--set 9=maybe: expected on or off, not 'maybe'");
}

TEST(Parameters, UnknownNamesAndIndexes) {
    for (const char* name : {"EQ Frequency", "10", "4294967296", "-1", "amplifier", " "})
        EXPECT_NE(Mistake(name, "1").find("no parameter named '" + std::string(name) +
                                          "' ('brindlex params' lists them)"),
                  std::string::npos)
            << name;
}

TEST(Parameters, ValueStringsStandForTheirIndexes) {
    ParameterInfo mode = Named(0, "Mode", 0, 2, 0);
    mode.unit = kAudioUnitParameterUnit_Indexed;
    mode.valueStrings = {"Clean", "Dirty Tape", "Radio"};
    const std::vector<HostParameter> parameters = DescribeParameters({mode});
    EXPECT_EQ(ResolveSetting(parameters, {"x", "mode", "radio"}).value, 2.0f);
    EXPECT_EQ(ResolveSetting(parameters, {"x", "mode", "dirty-tape"}).value, 1.0f);
    EXPECT_EQ(ResolveSetting(parameters, {"x", "mode", "0"}).value, 0.0f);
}

} // namespace
