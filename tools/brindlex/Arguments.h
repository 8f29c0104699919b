#pragma once

#include <optional>
#include <string>
#include <vector>

// The command line of brindlex, parsed but not yet checked against the effect: parameter names
// and values stay text until the component lists its parameters.

enum class Command {
    kNone,
    kDemo,
    kRender,
    kParams,
    kPresets,
    kPreset, // "preset" alone: only for its help
    kPresetSave,
    kPresetShow,
    kSnapshot,
    kEdit,
};

// One parameter change asked for on the command line.
struct ParameterSetting {
    std::string argument; // as the user wrote it, for messages: "--set eq freq=5000", "--amp on"
    std::string name;     // parameter name, index or switch alias
    std::string value;
};

struct Invocation {
    Command command = Command::kNone;
    bool wantsHelp = false;
    bool wantsVersion = false;
    std::string componentPath; // --component; empty to search
    std::vector<std::string> operands;
    std::string presetPath;                 // --preset; applied before the settings
    std::string inputPath;                  // --input: the audio a snapshot follows or edit plays
    std::string savePath;                   // --save: where edit saves the settings as a preset
    std::string presetName;                 // --name: what preset save calls the preset
    std::vector<ParameterSetting> settings; // --set and the switch flags, in command-line order
    int blockSize = 512;                    // --block: maximum frames per slice
    double gainDecibels = 0;                // --gain: after the effect
    std::string outputType;                 // --type: an extension naming the output type
    std::string outputBits;                 // --bits
    std::string outputFolder;               // -o: render every operand into this folder
    int jobs = 0;                           // --jobs; 0 for one per processor
};

constexpr int kMaxBlockSize = 65536;
constexpr int kMaxJobs = 1024;
constexpr double kMaxGainDecibels = 100;

// The name a command goes by in messages and help: "render", "preset save", ...
const char* CommandName(Command command);

// Throws CommandError (kUsage) naming the argument at fault. "--help" anywhere makes the rest
// of the line unchecked, so that help is always reachable.
Invocation ParseCommandLine(const std::vector<std::string>& arguments);

// Value conversion, shared with the parameter checks.

// The whole text as a finite decimal number, or nothing.
std::optional<double> ParseNumber(const std::string& text);
// on/off, true/false, yes/no, 1/0 in any case, or nothing.
std::optional<bool> ParseSwitchWord(const std::string& text);
// A number as a person writes it: 5000, 0.5, -12, 44100 (at most 7 significant digits).
std::string FormatNumber(double value);
