// The command line: commands, operands, options, and the conversions of numbers and switches.

#include "Arguments.h"
#include "CommandError.h"

#include <gtest/gtest.h>

namespace {

Invocation Parse(std::vector<std::string> arguments) {
    return ParseCommandLine(arguments);
}

// The message of the usage error the line gives; fails the test when it parses.
std::string UsageMessage(std::vector<std::string> arguments) {
    try {
        Parse(arguments);
    } catch (const CommandError& error) {
        EXPECT_EQ(error.GetKind(), CommandError::kUsage);
        EXPECT_EQ(error.ExitStatus(), 2);
        return error.what();
    }
    ADD_FAILURE() << "parsed without error";
    return {};
}

TEST(Arguments, RenderKeepsSettingsInCommandLineOrder) {
    const Invocation invocation =
        Parse({"render", "in.wav", "--set", "EQ Freq=2000", "out.flac", "--amp", "on",
               "--set=limiter attenuation=50", "--eq-wide=off", "--preset", "p.aupreset", "--block",
               "300", "--component", "/x/Brindlex.component"});
    EXPECT_EQ(invocation.command, Command::kRender);
    EXPECT_EQ(invocation.operands, (std::vector<std::string>{"in.wav", "out.flac"}));
    EXPECT_EQ(invocation.presetPath, "p.aupreset");
    EXPECT_EQ(invocation.blockSize, 300);
    EXPECT_EQ(invocation.componentPath, "/x/Brindlex.component");
    ASSERT_EQ(invocation.settings.size(), 4u);
    EXPECT_EQ(invocation.settings[0].name, "EQ Freq");
    EXPECT_EQ(invocation.settings[0].value, "2000");
    EXPECT_EQ(invocation.settings[0].argument, "--set EQ Freq=2000");
    EXPECT_EQ(invocation.settings[1].name, "amp");
    EXPECT_EQ(invocation.settings[1].value, "on");
    EXPECT_EQ(invocation.settings[1].argument, "--amp on");
    EXPECT_EQ(invocation.settings[2].name, "limiter attenuation");
    EXPECT_EQ(invocation.settings[2].value, "50");
    EXPECT_EQ(invocation.settings[3].argument, "--eq-wide off");
    EXPECT_EQ(invocation.settings[3].name, "eq-wide");
    EXPECT_FALSE(invocation.wantsHelp);
}

TEST(Arguments, EachSwitchFlagSetsItsAlias) {
    const Invocation invocation = Parse({"preset", "save", "p.aupreset", "--amp", "on", "--eq",
                                         "off", "--eq-wide", "yes", "--limiter", "ON"});
    EXPECT_EQ(invocation.command, Command::kPresetSave);
    std::vector<std::string> names;
    for (const ParameterSetting& setting : invocation.settings)
        names.push_back(setting.name);
    EXPECT_EQ(names, (std::vector<std::string>{"amp", "eq", "eq-wide", "limiter"}));
}

TEST(Arguments, SnapshotTakesItsOutputTheSettingsAndAnInput) {
    const Invocation invocation = Parse({"snapshot", "editor.png", "--input", "voice.flac", "--amp",
                                         "on", "--set", "Amp Gain=30", "--block", "64"});
    EXPECT_EQ(invocation.command, Command::kSnapshot);
    EXPECT_EQ(invocation.operands, std::vector<std::string>{"editor.png"});
    EXPECT_EQ(invocation.inputPath, "voice.flac");
    EXPECT_EQ(invocation.blockSize, 64);
    EXPECT_EQ(invocation.settings.size(), 2u);
    EXPECT_EQ(Parse({"snapshot", "x.png"}).inputPath, "");

    EXPECT_NE(UsageMessage({"snapshot"}).find("snapshot: missing OUT.png"), std::string::npos);
    EXPECT_NE(UsageMessage({"snapshot", "a.png", "b.png"}).find("b.png: unexpected argument"),
              std::string::npos);
    EXPECT_NE(UsageMessage({"snapshot", "a.png", "--input"}).find("--input: missing value"),
              std::string::npos);
    EXPECT_NE(UsageMessage({"render", "in.wav", "out.wav", "--input", "x.wav"})
                  .find("--input: not an option of 'render'"),
              std::string::npos);
}

TEST(Arguments, EditTakesAnInputTheSettingsAndWhereToSaveThem) {
    const Invocation invocation = Parse({"edit", "--input", "voice.flac", "--preset", "a.aupreset",
                                         "--eq", "on", "--save", "b.aupreset", "--block", "256"});
    EXPECT_EQ(invocation.command, Command::kEdit);
    EXPECT_TRUE(invocation.operands.empty());
    EXPECT_EQ(invocation.inputPath, "voice.flac");
    EXPECT_EQ(invocation.presetPath, "a.aupreset");
    EXPECT_EQ(invocation.savePath, "b.aupreset");
    EXPECT_EQ(invocation.blockSize, 256);
    EXPECT_EQ(invocation.settings.size(), 1u);
    EXPECT_EQ(Parse({"edit"}).savePath, "");

    EXPECT_NE(UsageMessage({"edit", "x.wav"}).find("x.wav: unexpected argument"),
              std::string::npos);
    EXPECT_NE(UsageMessage({"edit", "--save="}).find("--save: missing FILE"), std::string::npos);
    EXPECT_NE(UsageMessage({"snapshot", "a.png", "--save", "b.aupreset"})
                  .find("--save: not an option of 'snapshot'"),
              std::string::npos);
}

TEST(Arguments, DefaultsAndOptionalOperands) {
    const Invocation demo = Parse({"demo"});
    EXPECT_EQ(demo.command, Command::kDemo);
    EXPECT_TRUE(demo.operands.empty());
    EXPECT_EQ(demo.blockSize, 512);
    EXPECT_TRUE(demo.componentPath.empty());
    EXPECT_EQ(Parse({"demo", "out/demo"}).operands, std::vector<std::string>{"out/demo"});
    EXPECT_EQ(Parse({"params"}).command, Command::kParams);
    EXPECT_EQ(Parse({"preset", "show", "a.aupreset"}).command, Command::kPresetShow);
    // Options may come before the command.
    EXPECT_EQ(Parse({"--component", "c", "params"}).componentPath, "c");
}

TEST(Arguments, DoubleDashEndsOptions) {
    const Invocation invocation = Parse({"render", "--", "-in.wav", "--out.wav"});
    EXPECT_EQ(invocation.operands, (std::vector<std::string>{"-in.wav", "--out.wav"}));
}

TEST(Arguments, HelpWinsOverEverythingElseOnTheLine) {
    const Invocation general = Parse({"--help"});
    EXPECT_TRUE(general.wantsHelp);
    EXPECT_EQ(general.command, Command::kNone);
    const Invocation render = Parse({"render", "--bogus", "--help"});
    EXPECT_TRUE(render.wantsHelp);
    EXPECT_EQ(render.command, Command::kRender);
    EXPECT_EQ(Parse({"help", "preset", "save"}).command, Command::kPresetSave);
    EXPECT_TRUE(Parse({"help", "preset", "save"}).wantsHelp);
    EXPECT_TRUE(Parse({"help"}).wantsHelp);
    EXPECT_TRUE(Parse({"preset", "-h"}).wantsHelp);
}

TEST(Arguments, MistakesNameTheArgumentAndPointToHelp) {
    EXPECT_EQ(UsageMessage({}), "missing command (see 'brindlex --help')");
    EXPECT_EQ(UsageMessage({"rendr", "a", "b"}), "rendr: unknown command (see 'brindlex --help')");
    EXPECT_EQ(UsageMessage({"render", "a.wav"}),
              "render: missing OUT (see 'brindlex render --help')");
    EXPECT_EQ(UsageMessage({"render"}),
              "render: missing IN and OUT (see 'brindlex render --help')");
    EXPECT_EQ(UsageMessage({"render", "a", "b", "c"}),
              "c: unexpected argument (see 'brindlex render --help')");
    EXPECT_EQ(UsageMessage({"params", "--preset", "p"}),
              "--preset: not an option of 'params' (see 'brindlex params --help')");
    EXPECT_EQ(UsageMessage({"preset", "show", "p", "--set", "a=1"}),
              "--set: not an option of 'preset show' (see 'brindlex preset show --help')");
    EXPECT_EQ(UsageMessage({"preset", "save", "p", "--block", "64"}),
              "--block: not an option of 'preset save' (see 'brindlex preset save --help')");
    EXPECT_EQ(UsageMessage({"preset", "load", "p"}),
              "preset load: expected 'preset save FILE' or 'preset show FILE' (see 'brindlex "
              "--help')");
    EXPECT_EQ(UsageMessage({"render", "a", "b", "--frobnicate"}),
              "--frobnicate: unknown option (see 'brindlex render --help')");
    EXPECT_EQ(UsageMessage({"render", "a", "b", "--set"}),
              "--set: missing value (see 'brindlex render --help')");
    EXPECT_EQ(UsageMessage({"render", "a", "b", "--set", "EQ Freq"}),
              "--set EQ Freq: expected NAME=VALUE (see 'brindlex render --help')");
    EXPECT_EQ(UsageMessage({"render", "a", "b", "--set", "=5"}),
              "--set =5: expected NAME=VALUE (see 'brindlex render --help')");
    EXPECT_EQ(UsageMessage({"render", "a", "b", "--set", "x="}),
              "--set x=: expected NAME=VALUE (see 'brindlex render --help')");
    EXPECT_EQ(UsageMessage({"render", "a", "b", "--amp", "loud"}),
              "--amp loud: expected on or off (see 'brindlex render --help')");
    EXPECT_EQ(UsageMessage({"render", "", "b"}),
              "render: empty file name (see 'brindlex render --help')");
}

TEST(Arguments, BlockSizeIsAWholeNumberInRange) {
    EXPECT_EQ(Parse({"render", "a", "b", "--block", "1"}).blockSize, 1);
    EXPECT_EQ(Parse({"render", "a", "b", "--block=65536"}).blockSize, kMaxBlockSize);
    for (const char* bad : {"0", "-4", "65537", "1.5", "abc", "1e9", "nan"})
        EXPECT_NE(UsageMessage({"render", "a", "b", "--block", bad})
                      .find("expected a whole number of frames from 1 to 65536"),
                  std::string::npos)
            << bad;
}

TEST(ValueConversion, NumbersMustBeWholeFiniteDecimals) {
    EXPECT_EQ(ParseNumber("5000"), 5000.0);
    EXPECT_EQ(ParseNumber("-12"), -12.0);
    EXPECT_EQ(ParseNumber("0.25"), 0.25);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    EXPECT_EQ(ParseNumber("+3"), 3.0);
    EXPECT_EQ(ParseNumber("1.5e3"), 1500.0);
    for (const char* bad : {"", "abc", "5k", "5,0", " 5", "5 ", "nan", "NaN", "inf", "-infinity",
                            "0x10", "1e999", "--5", "1.2.3"})
        EXPECT_FALSE(ParseNumber(bad).has_value()) << "'" << bad << "'";
}

TEST(ValueConversion, SwitchWords) {
    for (const char* on : {"on", "ON", "true", "Yes", "1"})
        EXPECT_EQ(ParseSwitchWord(on), true);
    for (const char* off : {"off", "Off", "FALSE", "no", "0"})
        EXPECT_EQ(ParseSwitchWord(off), false);
    for (const char* bad : {"", "onn", "2", "0.5", "enabled"})
        EXPECT_FALSE(ParseSwitchWord(bad).has_value()) << bad;
}

TEST(ValueConversion, NumbersAreFormattedAsWritten) {
    EXPECT_EQ(FormatNumber(5000), "5000");
    EXPECT_EQ(FormatNumber(0.5), "0.5");
    EXPECT_EQ(FormatNumber(-12), "-12");
    EXPECT_EQ(FormatNumber(-0.0), "0");
    EXPECT_EQ(FormatNumber(44100), "44100");
    EXPECT_EQ(FormatNumber(0.1f), "0.1"); // a float's noise digits do not show
}

} // namespace
