// The bundle installed with cmake --install into a temporary LV2_PATH, as a user's hosts find it,
// examined by Debian's lilv tools and run in real hosts: lv2apply, jalv with JACK's dummy driver
// and Ardour's headless Lua tool.
#include "BrindlexLV2.h"
#include "BundleTestSupport.h"
#include "FactoryPresets.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct PortInfo {
    std::vector<std::string> types, properties;
    std::string symbol, name;
    std::map<std::string, double> numbers; // Minimum, Maximum, Default
    std::map<double, std::string> scalePoints;
};

// lv2info's port blocks: "\tPort N:", then "\t\tKey:  value" lines, where a value may continue
// on lines of its own (types, properties) and scale points follow their heading one tab deeper.
std::map<int, PortInfo> ParsePorts(const std::string& text) {
    std::map<int, PortInfo> ports;
    PortInfo* port = nullptr;
    std::string key;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("\tPort ", 0) == 0) {
            port = &ports[std::atoi(line.c_str() + 6)];
            continue;
        }
        if (!port || line.rfind("\t\t", 0) != 0) continue;
        if (line.rfind("\t\t\t", 0) == 0) { // a scale point: value = "label"
            const size_t equals = line.find(" = \"");
            if (equals != std::string::npos)
                port->scalePoints[std::atof(line.c_str() + 3)] =
                    line.substr(equals + 4, line.size() - equals - 5);
            continue;
        }
        const size_t colon = line.find(':');
        const bool continued = line[2] == ' ';
        if (!continued && colon != std::string::npos) key = line.substr(2, colon - 2);
        std::string value = line.substr(continued ? 2 : colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        if (key == "Type")
            port->types.push_back(value);
        else if (key == "Properties")
            port->properties.push_back(value);
        else if (key == "Symbol")
            port->symbol = value;
        else if (key == "Name")
            port->name = value;
        else if (key == "Minimum" || key == "Maximum" || key == "Default")
            port->numbers[key] = std::atof(value.c_str());
    }
    return ports;
}

bool Contains(const std::vector<std::string>& list, const std::string& suffix) {
    for (const std::string& item : list)
        if (item.size() >= suffix.size() &&
            item.compare(item.size() - suffix.size(), suffix.size(), suffix) == 0)
            return true;
    return false;
}

struct Audio {
    int channels = 0;
    std::vector<float> samples; // interleaved
};

bool WriteWav(const std::string& path, const FloatStereo& signal) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    std::vector<float> frames;
    for (int s = 0; s < signal.Frames(); ++s) {
        frames.push_back(signal.L[s]);
        frames.push_back(signal.R[s]);
    }
    const sf_count_t written = sf_writef_float(file, frames.data(), signal.Frames());
    return sf_close(file) == 0 && written == signal.Frames();
}

Audio ReadWav(const std::string& path) {
    Audio audio;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return audio;
    audio.channels = info.channels;
    audio.samples.resize(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    return audio;
}

class LilvTools : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sPrefix = ::testing::TempDir() + "brindlex_lv2_" + std::to_string(getpid());
        sInstall = RunCommand(Quote(CMAKE_COMMAND) + " --install " + Quote(BUILD_DIR) +
                              " --component lv2 --prefix " + Quote(sPrefix));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(sPrefix); }
    void SetUp() override { ASSERT_EQ(sInstall.status, 0) << sInstall.output; }

    static std::string BundleDir() { return sPrefix + "/lib/lv2/Brindlex.lv2"; }

    // The installed bundle comes first on LV2_PATH; the system's bundles follow for the LV2
    // vocabulary (plug-in classes and the like).
    static CommandResult RunTool(const std::string& arguments) {
        std::string environment = "LV2_PATH=" + Quote(sPrefix + "/lib/lv2:/usr/lib/lv2") + " ";
        // A sanitized plug-in needs its runtime loaded first in the tools, which are not.
        if (*TOOL_PRELOAD)
            environment += "LD_PRELOAD=" + Quote(TOOL_PRELOAD) + " ASAN_OPTIONS=detect_leaks=0 ";
        return RunCommand(environment + arguments);
    }

    // The command with a private JACK server on the dummy driver running meanwhile; skipped
    // (status 77) where jalv or JACK is missing.
    static CommandResult RunWithJack(const std::string& command) {
        const std::string server = "brindlex_test_" + std::to_string(getpid());
        return RunTool("sh -c " + Quote("command -v jalv >/dev/null && command -v jackd >/dev/null "
                                        "|| exit 77\n"
                                        "export JACK_DEFAULT_SERVER=" +
                                        server +
                                        " JACK_NO_START_SERVER=1 JACK_NO_AUDIO_RESERVATION=1\n"
                                        "jackd -n " +
                                        server +
                                        " -d dummy -r 48000 -p 256 >/dev/null 2>&1 & server=$!\n"
                                        "jack_wait -w -t 10 >/dev/null\n" +
                                        command +
                                        "\nstatus=$?\nkill $server; wait $server\n"
                                        "exit $status"));
    }

    // jalv on the console, fed the commands; it ends when they run out.
    static CommandResult RunJalv(const std::string& commands) {
        return RunWithJack("(printf '" + commands + "'; sleep 1) | jalv -n brindlex_test " +
                           brindlex::lv2::kPluginURI);
    }

    static std::string sPrefix;
    static CommandResult sInstall;
};

// "symbol = value" lines as jalv's controls command prints them, the last of each symbol.
std::map<std::string, double> JalvControls(const std::string& output) {
    std::map<std::string, double> controls;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("> ", 0) == 0) line.erase(0, 2);
        const size_t equals = line.find(" = ");
        if (equals != std::string::npos && line.find(' ') == equals)
            controls[line.substr(0, equals)] = std::atof(line.c_str() + equals + 3);
    }
    return controls;
}

bool MentionsAnError(const std::string& output) {
    std::string lower = output;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("error") != std::string::npos || lower.find("fail") != std::string::npos;
}

// Symbols of the parameters' ports, in index order.
const char* const kParamSymbols[] = {"limiter_attenuation",
                                     "limiter_on",
                                     "eq_freq",
                                     "eq_level",
                                     "eq_wide",
                                     "eq_on",
                                     "amp_gain",
                                     "amp_tone",
                                     "amp_noise_reduction",
                                     "amp_on"};
static_assert(std::size(kParamSymbols) == Brindlex::kNumParams);

std::string LilvTools::sPrefix;
CommandResult LilvTools::sInstall;

TEST_F(LilvTools, InstallLaysOutTheBundle) {
    for (const char* file :
         {"manifest.ttl", "Brindlex.ttl", "Brindlex.so",
          "Contents/" BUNDLE_EXECUTABLE_FOLDER "/BrindlexUI.so",
          "Contents/Resources/background_custom.png", "Contents/Resources/Brindlex_light.png"})
        EXPECT_TRUE(std::filesystem::is_regular_file(BundleDir() + "/" + file)) << file;
    // The UI finds its images from the bundle folder its host passes, not through a plist.
    EXPECT_FALSE(std::filesystem::exists(BundleDir() + "/Contents/Info.plist"));
}

TEST_F(LilvTools, Lv2InfoShowsTheX11UI) {
    const CommandResult info = RunTool(std::string("lv2info ") + brindlex::lv2::kPluginURI);
    ASSERT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find(std::string("UIs:\n\t\t") + brindlex::lv2::kUIURI +
                               "\n\t\t\tClass:  http://lv2plug.in/ns/extensions/ui#X11UI"),
              std::string::npos)
        << info.output;
}

TEST_F(LilvTools, Lv2InfoShowsThePortsAsTheEffectDeclaresThem) {
    const CommandResult info = RunTool(std::string("lv2info ") + brindlex::lv2::kPluginURI);
    ASSERT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("Class:             Simulator Plugin"), std::string::npos);
    EXPECT_NE(info.output.find("Extension Data:    http://lv2plug.in/ns/ext/state#interface"),
              std::string::npos);
    const std::map<int, PortInfo> ports = ParsePorts(info.output);
    ASSERT_EQ(ports.size(), static_cast<size_t>(kFirstMeterPort + kNumMeters)) << info.output;

    const struct {
        const char* symbol;
        const char* name;
        const char* kind; // "AudioPort" or "ControlPort"
        bool input;
        bool toggled;
    } expected[] = {
        {"left_in", "Left In", "AudioPort", true, false},
        {"right_in", "Right In", "AudioPort", true, false},
        {"left_out", "Left Out", "AudioPort", false, false},
        {"right_out", "Right Out", "AudioPort", false, false},
        {"limiter_attenuation", "Limiter Attenuation", "ControlPort", true, false},
        {"limiter_on", "Limiter On", "ControlPort", true, true},
        {"eq_freq", "EQ Freq", "ControlPort", true, false},
        {"eq_level", "EQ Level", "ControlPort", true, false},
        {"eq_wide", "EQ Wide", "ControlPort", true, true},
        {"eq_on", "EQ On", "ControlPort", true, true},
        {"amp_gain", "Amp Gain", "ControlPort", true, false},
        {"amp_tone", "Amp Tone", "ControlPort", true, false},
        {"amp_noise_reduction", "Amp Noise Reduction", "ControlPort", true, false},
        {"amp_on", "Amp On", "ControlPort", true, true},
        {"amp_meter", "Amp Meter", "ControlPort", false, false},
        {"output_meter", "Output Meter", "ControlPort", false, false},
        {"gain_meter", "Gain Meter", "ControlPort", false, false},
    };
    for (const auto& [index, port] : ports) {
        SCOPED_TRACE("port " + std::to_string(index));
        EXPECT_EQ(port.symbol, expected[index].symbol);
        EXPECT_EQ(port.name, expected[index].name);
        EXPECT_TRUE(Contains(port.types, expected[index].kind));
        EXPECT_TRUE(Contains(port.types, expected[index].input ? "InputPort" : "OutputPort"));
        EXPECT_EQ(Contains(port.properties, "#toggled"), expected[index].toggled);
    }

    // Ranges and defaults are the effect's own.
    const Brindlex effect{IFxInstanceInfo{}};
    for (int i = 0; i < Brindlex::kNumParams; ++i) {
        const IParam& param = *effect.GetParam(i);
        const PortInfo& port = ports.at(kFirstParamPort + i);
        double lo, hi;
        param.GetBounds(&lo, &hi);
        EXPECT_DOUBLE_EQ(port.numbers.at("Minimum"), lo) << port.symbol;
        EXPECT_DOUBLE_EQ(port.numbers.at("Maximum"), hi) << port.symbol;
        EXPECT_DOUBLE_EQ(port.numbers.at("Default"), param.GetDefault()) << port.symbol;
    }
    // "Amp Gain" answers the square of its knob's travel: half the way is 25.
    const std::map<double, std::string> travel = {{25.0, "half travel"}};
    EXPECT_EQ(ports.at(kFirstParamPort + Brindlex::kAmpGain).scalePoints, travel);
    for (int i = 0; i < kNumMeters; ++i) {
        EXPECT_EQ(ports.at(kFirstMeterPort + i).numbers.at("Minimum"), 0.0);
        EXPECT_EQ(ports.at(kFirstMeterPort + i).numbers.at("Maximum"), 1.0);
    }
}

TEST_F(LilvTools, TurtleFilesPassLv2Validate) {
    const CommandResult validation =
        RunTool("lv2_validate " + Quote(BundleDir() + "/manifest.ttl") + " " +
                Quote(BundleDir() + "/Brindlex.ttl") + " " + Quote(BundleDir()) + "/presets/*.ttl");
    EXPECT_EQ(validation.status, 0) << validation.output;
    EXPECT_NE(validation.output.find("Found 0 errors"), std::string::npos) << validation.output;
}

// lv2apply and the command-line host render the same file with the same settings, and the two
// outputs agree sample for sample. The comparison is exact because both run the same effect
// code with the same float-to-double and double-to-float conversions (the plug-in base's float
// attachment), and because of two choices:
// - "Amp Noise Reduction" stays at 100, so the amp's noise, although drawn, is multiplied by
//   0: the process-wide random generator, which the two programs need not share, plays no part;
// - lv2apply runs the plug-in one frame per block, and the limiter's running value restarts
//   with every block, so with the limiter on the host renders one frame per block too
//   (--block 1). Without the limiter the block length does not matter.
TEST_F(LilvTools, Lv2ApplyRendersWhatBrindlexRenderDoes) {
    const std::string input = sPrefix + "/in.wav";
    const FloatStereo signal = ToFloat(TestSignal(6000, 0.9));
    ASSERT_TRUE(WriteWav(input, signal));
    const struct {
        const char* what;
        const char* lv2Controls;
        const char* hostSettings;
    } cases[] = {
        {"all stages", // limiter on: one frame per block on both sides
         "-c amp_on 1 -c amp_gain 12 -c amp_tone 3 -c eq_on 1 -c eq_freq 2200 -c eq_level 6 "
         "-c limiter_on 1 -c limiter_attenuation 45",
         "--amp on --set 'Amp Gain=12' --set 'Amp Tone=3' --eq on --set 'EQ Freq=2200' "
         "--set 'EQ Level=6' --limiter on --set 'Limiter Attenuation=45' --block 1"},
        {"amp and wide EQ", // the host's default block length
         "-c amp_on 1 -c amp_gain 30 -c eq_on 1 -c eq_wide 1 -c eq_level -9",
         "--amp on --set 'Amp Gain=30' --eq on --eq-wide on --set 'EQ Level=-9'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string lv2Output = sPrefix + "/lv2.wav", hostOutput = sPrefix + "/host.wav";
        const CommandResult applied =
            RunTool("lv2apply -i " + Quote(input) + " -o " + Quote(lv2Output) + " " +
                    c.lv2Controls + " " + brindlex::lv2::kPluginURI);
        ASSERT_EQ(applied.status, 0) << applied.output;
        // The instance builds no editor, so it looks for no images and says nothing.
        EXPECT_EQ(applied.output.find("imgResourceFound"), std::string::npos) << applied.output;
        const CommandResult rendered = RunCommand(Quote(BRINDLEX_CLI) + " render " + Quote(input) +
                                                  " " + Quote(hostOutput) + " " + c.hostSettings);
        ASSERT_EQ(rendered.status, 0) << rendered.output;

        const Audio lv2 = ReadWav(lv2Output), host = ReadWav(hostOutput);
        ASSERT_EQ(lv2.channels, 2);
        ASSERT_EQ(host.channels, 2);
        ASSERT_EQ(lv2.samples.size(), 2u * signal.Frames());
        ASSERT_EQ(host.samples.size(), lv2.samples.size());
        size_t differing = 0, first = 0;
        for (size_t i = lv2.samples.size(); i-- > 0;)
            if (lv2.samples[i] != host.samples[i]) ++differing, first = i;
        EXPECT_EQ(differing, 0u) << "first at sample " << first << ": " << lv2.samples[first]
                                 << " against " << host.samples[first];
        EXPECT_NE(lv2.samples[2000], signal.L[1000]); // the effect did change the sound
    }
}

// jalv, with JACK's dummy driver, lists the factory presets, and each one sets the ports to the
// preset table's values, with no error on the way. The same presets, as .aupreset files beside
// the component, show the same values in the command-line host.
TEST_F(LilvTools, EveryFactoryPresetLoadsInJalvAndTheCommandLineHost) {
    std::string commands = "presets\\n";
    for (const brindlex::FactoryPreset& preset : brindlex::kFactoryPresets)
        commands +=
            std::string("preset ") + brindlex::lv2::kPluginURI + "#preset-" + preset.name + "\\n";
    const CommandResult jalv = RunJalv(commands);
    if (jalv.status == 77) GTEST_SKIP() << "jalv or JACK's jackd is not installed";
    ASSERT_EQ(jalv.status, 0) << jalv.output;
    EXPECT_FALSE(MentionsAnError(jalv.output)) << jalv.output;

    // jalv prints the controls as it starts, then as each preset sets them.
    size_t at = jalv.output.find("amp_on = ") + 1;
    for (const brindlex::FactoryPreset& preset : brindlex::kFactoryPresets) {
        SCOPED_TRACE(preset.name);
        EXPECT_NE(
            jalv.output.find(std::string("#preset-") + preset.name + " (" + preset.label + ")"),
            std::string::npos);
        const size_t begin = jalv.output.find("limiter_attenuation = ", at);
        ASSERT_NE(begin, std::string::npos) << jalv.output;
        at = jalv.output.find("amp_on = ", begin) + 1;
        const std::map<std::string, double> controls =
            JalvControls(jalv.output.substr(begin, at - begin + 20));
        for (int i = 0; i < Brindlex::kNumParams; ++i)
            EXPECT_NEAR(controls.at(kParamSymbols[i]), preset.values[i], 1e-4) << kParamSymbols[i];

        const CommandResult shown =
            RunCommand(Quote(BRINDLEX_CLI) + " preset show " +
                       Quote(std::string(BUILD_DIR "/presets/") + preset.name + ".aupreset"));
        ASSERT_EQ(shown.status, 0) << shown.output;
        std::istringstream rows(shown.output);
        int checked = 0;
        for (std::string row; std::getline(rows, row);) {
            int index = -1;
            char value[32] = {};
            // "    6  Amp Gain    4    4.00 %": the index, then the value after the name.
            if (std::sscanf(row.c_str(), "%d", &index) != 1 || index < 0 ||
                index >= Brindlex::kNumParams || row.size() < 54)
                continue;
            std::sscanf(row.c_str() + 52, "%31s", value);
            const double expected = preset.values[index];
            const std::string word = brindlex::IsSwitch(brindlex::kParameters[index])
                                         ? (expected != 0.0 ? "on" : "off")
                                         : "";
            if (word.empty())
                EXPECT_NEAR(std::atof(value), expected, 1e-4) << row;
            else
                EXPECT_EQ(value, word) << row;
            ++checked;
        }
        EXPECT_EQ(checked, Brindlex::kNumParams) << shown.output;
    }
}

// A hand-broken preset file in the bundle costs that preset and nothing else: the plug-in
// still loads and runs in jalv and lv2apply, and the other presets still apply.
TEST_F(LilvTools, ABrokenPresetFileStopsNoHost) {
    const std::string copy = sPrefix + "/broken/Brindlex.lv2";
    std::filesystem::remove_all(sPrefix + "/broken");
    std::filesystem::create_directories(sPrefix + "/broken");
    std::filesystem::copy(BundleDir(), copy, std::filesystem::copy_options::recursive);
    const std::string broken = copy + "/presets/" + brindlex::kFactoryPresets[0].name + ".ttl";
    std::ofstream(broken, std::ios::trunc) << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                              "<#oops> lv2:port [ lv2:symbol \"amp_gain ;\n";
    const std::string path = "LV2_PATH=" + Quote(sPrefix + "/broken:/usr/lib/lv2") + " ";
    const brindlex::FactoryPreset& other = brindlex::kFactoryPresets[1];

    const CommandResult jalv = RunWithJack(
        path + "sh -c " +
        Quote("(printf 'presets\\npreset " + std::string(brindlex::lv2::kPluginURI) + "#preset-" +
              other.name + "\\ncontrols\\n'; sleep 1) | jalv -n brindlex_test " +
              brindlex::lv2::kPluginURI));
    if (jalv.status == 77) GTEST_SKIP() << "jalv or JACK's jackd is not installed";
    EXPECT_EQ(jalv.status, 0) << jalv.output;
    const std::map<std::string, double> controls = JalvControls(jalv.output);
    ASSERT_EQ(controls.count("amp_gain"), 1u) << jalv.output;
    EXPECT_EQ(controls.at("amp_gain"), other.values[Brindlex::kAmpGain]) << jalv.output;

    const std::string input = sPrefix + "/broken/in.wav", output = sPrefix + "/broken/out.wav";
    ASSERT_TRUE(WriteWav(input, ToFloat(TestSignal(2000, 0.5))));
    const CommandResult applied =
        RunTool(path + "lv2apply -i " + Quote(input) + " -o " + Quote(output) + " -c amp_on 1 " +
                brindlex::lv2::kPluginURI);
    EXPECT_EQ(applied.status, 0) << applied.output;
    EXPECT_EQ(ReadWav(output).samples.size(), 4000u);
}

// Ardour, headless through its Lua session tool on the dummy backend: a session with a stereo
// track and the plug-in records the backend's noise, the plug-in's controls are set and the
// session saved at once (and Ardour lists the factory presets); Ardour's export tool then reloads
// the session and exports it. The export is the command-line host's render of the recorded take
// with the same settings, past Ardour's fades at the start and end of the take (and the filters
// settling after the first): equal to a few float roundings, which Ardour's audio thread makes
// differently.
TEST_F(LilvTools, ArdourKeepsTheSettingsOfASessionSavedAtOnceAndExportsTheRender) {
    for (const char* program : {"ardour7-lua", "ardour7-export", "sox"})
        if (RunCommand(std::string("command -v ") + program).status != 0)
            GTEST_SKIP() << program << " is not installed";
    // Ardour hangs with the sanitizer runtime preloaded; the plain build runs this test.
    if (*TOOL_PRELOAD) GTEST_SKIP() << "Ardour does not run with a sanitized plug-in";
    const std::string folder = sPrefix + "/ardour";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    // Parameter indices: amp on, gain, noise reduction (no noise: the random generator plays
    // no part), EQ on, level.
    const std::string script = R"lua(
local backend = AudioEngine:set_backend("None (Dummy)", "", "")
backend:set_device_name("Uniform White Noise")
create_session(")lua" + folder +
                               R"lua(/session", "session", 48000)
local track = Session:new_audio_track(2, 2, nil, 1, "Take", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
local plugin = ARDOUR.LuaAPI.new_plugin(Session, ")lua" +
                               brindlex::lv2::kPluginURI + R"lua(",
                                        ARDOUR.PluginType.LV2, "")
assert(not plugin:isnil(), "no plug-in")
track:add_processor_by_index(plugin, 0, nil, true)
track:panner_shell():set_bypassed(true)
Session:master_out():panner_shell():set_bypassed(true)
track:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
Session:maybe_enable_record(false)
Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(1200000)
Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(300000)
for _, setting in ipairs({{9, 1}, {6, 42}, {8, 100}, {5, 1}, {3, 6}}) do
  assert(ARDOUR.LuaAPI.set_processor_param(plugin, setting[1], setting[2]))
end
Session:save_state("", false, false, false, false, false)
for info in ARDOUR.LuaAPI.list_plugins():iter() do
  if info.unique_id == plugin:to_insert():plugin(0):unique_id() then
    for preset in info:get_presets():iter() do print("preset: " .. preset.label) end
  end
end
close_session()
)lua";
    std::ofstream(folder + "/session.lua") << script;
    const CommandResult made = RunTool("timeout 120 ardour7-lua " + Quote(folder + "/session.lua"));
    ASSERT_EQ(made.status, 0) << made.output;
    // Its preset menu lists the factory presets.
    for (const brindlex::FactoryPreset& preset : brindlex::kFactoryPresets)
        EXPECT_NE(made.output.find(std::string("preset: ") + preset.label + "\n"),
                  std::string::npos)
            << made.output;
    const std::string exported = folder + "/export.wav";
    const CommandResult exporting =
        RunTool("timeout 120 ardour7-export -b float -o " + Quote(exported) + " " +
                Quote(folder + "/session") + " session");
    ASSERT_EQ(exporting.status, 0) << exporting.output;

    const std::string take = folder + "/session/interchange/session/audiofiles/Take1_Take-1%",
                      recorded = folder + "/recorded.wav", rendered = folder + "/rendered.wav";
    const CommandResult merged =
        RunCommand("sox -M " + Quote(take + "L.wav") + " " + Quote(take + "R.wav") +
                   " -e float -b 32 " + Quote(recorded));
    ASSERT_EQ(merged.status, 0) << merged.output;
    const CommandResult render = RunCommand(
        Quote(BRINDLEX_CLI) + " render " + Quote(recorded) + " " + Quote(rendered) +
        " --amp on --set 'Amp Gain=42' --set 'Amp Noise Reduction=100' --eq on --set 'EQ Level=6'");
    ASSERT_EQ(render.status, 0) << render.output;

    const Audio ardour = ReadWav(exported), host = ReadWav(rendered);
    ASSERT_EQ(ardour.channels, 2);
    ASSERT_EQ(ardour.samples.size(), host.samples.size());
    ASSERT_GT(ardour.samples.size(), 2u * 48000); // a second of take at least
    const size_t margin = 2 * 4800;               // 0.1 s at either end
    double worst = 0.0;
    for (size_t i = margin; i < ardour.samples.size() - margin; ++i)
        worst =
            std::max(worst, static_cast<double>(std::fabs(ardour.samples[i] - host.samples[i])));
    EXPECT_LT(worst, 1e-5);
    // The settings did reach the sound: the drive saturates the noise to nearly full scale.
    double sum = 0.0;
    for (size_t i = margin; i < ardour.samples.size() - margin; ++i)
        sum += static_cast<double>(ardour.samples[i]) * ardour.samples[i];
    EXPECT_GT(sum / static_cast<double>(ardour.samples.size() - 2 * margin), 0.25);
}

} // namespace
