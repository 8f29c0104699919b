#include "Arguments.h"

#include "AudioFile.h"
#include "CommandError.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace {

// Options and the commands that take them.
enum CommandMask : unsigned {
    kDemoMask = 1u << 0,
    kRenderMask = 1u << 1,
    kParamsMask = 1u << 2,
    kPresetSaveMask = 1u << 3,
    kPresetShowMask = 1u << 4,
    kSnapshotMask = 1u << 5,
    kEditMask = 1u << 6,
    kPresetsMask = 1u << 7,
    kAllMask = 0xffu,
    kSettingsMask = kRenderMask | kPresetSaveMask | kSnapshotMask | kEditMask,
};

enum class Option {
    kHelp,
    kVersion,
    kComponent,
    kSet,
    kSwitch,
    kPreset,
    kBlock,
    kInput,
    kSave,
    kGain,
    kType,
    kBits,
    kOutputFolder,
    kJobs,
    kName,
};

struct OptionRule {
    const char* name;
    Option option;
    unsigned commands;
    const char* switchAlias; // for the switch flags: the alias they set
};

constexpr OptionRule kOptions[] = {
    {"--help", Option::kHelp, kAllMask, nullptr},
    {"-h", Option::kHelp, kAllMask, nullptr},
    {"--version", Option::kVersion, kAllMask, nullptr},
    {"--component", Option::kComponent, kAllMask, nullptr},
    {"--set", Option::kSet, kSettingsMask, nullptr},
    {"--amp", Option::kSwitch, kSettingsMask, "amp"},
    {"--eq", Option::kSwitch, kSettingsMask, "eq"},
    {"--eq-wide", Option::kSwitch, kSettingsMask, "eq-wide"},
    {"--limiter", Option::kSwitch, kSettingsMask, "limiter"},
    {"--preset", Option::kPreset, kSettingsMask, nullptr},
    {"--block", Option::kBlock, kRenderMask | kSnapshotMask | kEditMask, nullptr},
    {"--input", Option::kInput, kSnapshotMask | kEditMask, nullptr},
    {"--save", Option::kSave, kEditMask, nullptr},
    {"--gain", Option::kGain, kRenderMask, nullptr},
    {"--type", Option::kType, kRenderMask, nullptr},
    {"--bits", Option::kBits, kRenderMask, nullptr},
    {"-b", Option::kBits, kRenderMask, nullptr},
    {"-o", Option::kOutputFolder, kRenderMask, nullptr},
    {"--jobs", Option::kJobs, kRenderMask, nullptr},
    {"--name", Option::kName, kPresetSaveMask, nullptr},
};

unsigned MaskOf(Command command) {
    switch (command) {
    case Command::kDemo:
        return kDemoMask;
    case Command::kRender:
        return kRenderMask;
    case Command::kParams:
        return kParamsMask;
    case Command::kPresets:
        return kPresetsMask;
    case Command::kPresetSave:
        return kPresetSaveMask;
    case Command::kPresetShow:
        return kPresetShowMask;
    case Command::kSnapshot:
        return kSnapshotMask;
    case Command::kEdit:
        return kEditMask;
    case Command::kPreset:
    case Command::kNone:
        break;
    }
    return kAllMask; // options before the command are checked once it is known
}

CommandError UsageError(const std::string& subject, const std::string& problem, Command command) {
    const std::string help = command == Command::kNone
                                 ? std::string("brindlex --help")
                                 : std::string("brindlex ") + CommandName(command) + " --help";
    return CommandError(subject, problem + " (see '" + help + "')", CommandError::kUsage);
}

const OptionRule* FindOption(const std::string& name) {
    for (const OptionRule& rule : kOptions)
        if (name == rule.name) return &rule;
    return nullptr;
}

int ParseBlockSize(const std::string& text, Command command) {
    const std::optional<double> number = ParseNumber(text);
    if (!number || *number != std::floor(*number) || *number < 1 || *number > kMaxBlockSize)
        throw UsageError("--block " + text,
                         "expected a whole number of frames from 1 to " +
                             std::to_string(kMaxBlockSize),
                         command);
    return static_cast<int>(*number);
}

int ParseJobs(const std::string& text, Command command) {
    const std::optional<double> number = ParseNumber(text);
    if (!number || *number != std::floor(*number) || *number < 1 || *number > kMaxJobs)
        throw UsageError("--jobs " + text,
                         "expected a whole number of jobs from 1 to " + std::to_string(kMaxJobs),
                         command);
    return static_cast<int>(*number);
}

ParameterSetting ParseSetting(const std::string& text, Command command) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size())
        throw UsageError("--set " + text, "expected NAME=VALUE", command);
    return {"--set " + text, text.substr(0, equals), text.substr(equals + 1)};
}

struct Parser {
    const std::vector<std::string>& arguments;
    Invocation invocation;
    std::vector<std::string> words; // command words and operands, in order
    std::vector<std::pair<const OptionRule*, std::string>> options;
    // The first mistake met while splitting, reported once the command is known (or dropped
    // when the line asks for help).
    std::optional<std::pair<std::string, std::string>> mistake;

    void Note(const std::string& subject, const std::string& problem) {
        if (!mistake) mistake.emplace(subject, problem);
    }

    void Split() {
        bool optionsEnded = false;
        for (size_t i = 0; i < arguments.size(); ++i) {
            const std::string& argument = arguments[i];
            if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
                words.push_back(argument);
                continue;
            }
            if (argument == "--") {
                optionsEnded = true;
                continue;
            }
            const size_t equals = argument.find('=');
            const std::string name = argument.substr(0, equals);
            const OptionRule* rule = FindOption(name);
            if (!rule) {
                Note(argument, "unknown option");
                continue;
            }
            if (rule->option == Option::kHelp || rule->option == Option::kVersion) {
                if (equals != std::string::npos) Note(argument, "takes no value");
                options.emplace_back(rule, std::string());
                continue;
            }
            if (equals != std::string::npos) {
                options.emplace_back(rule, argument.substr(equals + 1));
            } else if (i + 1 < arguments.size()) {
                options.emplace_back(rule, arguments[++i]);
            } else {
                Note(argument, "missing value");
            }
        }
    }

    void ReadCommand() {
        size_t next = 0;
        auto take = [&]() { return next < words.size() ? words[next++] : std::string(); };
        const std::string word = take();
        if (word == "demo") {
            invocation.command = Command::kDemo;
        } else if (word == "render") {
            invocation.command = Command::kRender;
        } else if (word == "params") {
            invocation.command = Command::kParams;
        } else if (word == "presets") {
            invocation.command = Command::kPresets;
        } else if (word == "snapshot") {
            invocation.command = Command::kSnapshot;
        } else if (word == "edit") {
            invocation.command = Command::kEdit;
        } else if (word == "preset") {
            const std::string sub = take();
            if (sub == "save") {
                invocation.command = Command::kPresetSave;
            } else if (sub == "show") {
                invocation.command = Command::kPresetShow;
            } else if (sub.empty() && WantsHelp()) {
                invocation.command = Command::kPreset;
            } else {
                throw UsageError(sub.empty() ? "preset" : "preset " + sub,
                                 "expected 'preset save FILE' or 'preset show FILE'",
                                 Command::kNone);
            }
        } else if (word == "help") {
            // "help COMMAND" is "COMMAND --help".
            invocation.wantsHelp = true;
            words.erase(words.begin());
            next = 0;
            if (!words.empty()) ReadCommand();
            return;
        } else if (!word.empty()) {
            // Help for something that is not a command is a mistake too.
            throw UsageError(word,
                             WantsHelp() ? "no help on that: not a command" : "unknown command",
                             Command::kNone);
        }
        invocation.operands.assign(words.begin() + static_cast<long>(next), words.end());
    }

    bool WantsVersion() const {
        for (const auto& [rule, value] : options)
            if (rule->option == Option::kVersion) return true;
        return false;
    }

    bool WantsHelp() const {
        for (const auto& [rule, value] : options)
            if (rule->option == Option::kHelp) return true;
        return invocation.wantsHelp;
    }

    void ApplyOptions() {
        const Command command = invocation.command;
        for (const auto& [rule, value] : options) {
            if (command != Command::kNone && !(rule->commands & MaskOf(command)))
                throw UsageError(rule->name,
                                 std::string("not an option of '") + CommandName(command) + "'",
                                 command);
            switch (rule->option) {
            case Option::kHelp:
                invocation.wantsHelp = true;
                break;
            case Option::kVersion:
                invocation.wantsVersion = true;
                break;
            case Option::kComponent:
                if (value.empty()) throw UsageError(rule->name, "missing PATH", command);
                invocation.componentPath = value;
                break;
            case Option::kSet:
                invocation.settings.push_back(ParseSetting(value, command));
                break;
            case Option::kSwitch:
                if (!ParseSwitchWord(value))
                    throw UsageError(std::string(rule->name) + " " + value, "expected on or off",
                                     command);
                invocation.settings.push_back(
                    {std::string(rule->name) + " " + value, rule->switchAlias, value});
                break;
            case Option::kPreset:
                if (value.empty()) throw UsageError(rule->name, "missing FILE", command);
                invocation.presetPath = value;
                break;
            case Option::kBlock:
                invocation.blockSize = ParseBlockSize(value, command);
                break;
            case Option::kInput:
                if (value.empty()) throw UsageError(rule->name, "missing IN", command);
                invocation.inputPath = value;
                break;
            case Option::kSave:
                if (value.empty()) throw UsageError(rule->name, "missing FILE", command);
                // Standard output already carries the parameters edit prints.
                if (value == "-")
                    throw UsageError("--save -", "standard output is taken by the parameters",
                                     command);
                invocation.savePath = value;
                break;
            case Option::kGain: {
                const std::optional<double> gain = ParseNumber(value);
                if (!gain || std::fabs(*gain) > kMaxGainDecibels)
                    throw UsageError("--gain " + value,
                                     "expected a gain in dB from -" +
                                         FormatNumber(kMaxGainDecibels) + " to " +
                                         FormatNumber(kMaxGainDecibels),
                                     command);
                invocation.gainDecibels = *gain;
                break;
            }
            case Option::kType:
                if (value.empty() || value.find_first_of("./") != std::string::npos)
                    throw UsageError(std::string(rule->name) + " " + value,
                                     "expected an extension naming the type: wav, flac, ...",
                                     command);
                invocation.outputType = value;
                break;
            case Option::kBits:
                if (!IsBitsChoice(value))
                    throw UsageError(std::string(rule->name) + " " + value,
                                     std::string("expected ") + kBitsChoices, command);
                invocation.outputBits = value;
                break;
            case Option::kOutputFolder:
                if (value.empty()) throw UsageError(rule->name, "missing DIR", command);
                invocation.outputFolder = value;
                break;
            case Option::kJobs:
                invocation.jobs = ParseJobs(value, command);
                break;
            case Option::kName:
                if (value.empty()) throw UsageError(rule->name, "missing NAME", command);
                invocation.presetName = value;
                break;
            }
        }
    }

    void CheckOperands() const {
        const Command command = invocation.command;
        const auto& operands = invocation.operands;
        size_t least = 0, most = 0;
        const char* names = "";
        switch (command) {
        case Command::kNone:
            throw UsageError("", "missing command", command);
        case Command::kDemo:
            most = 1;
            break;
        case Command::kRender:
            if (invocation.outputFolder.empty()) {
                least = most = 2, names = "IN and OUT";
            } else {
                least = 1, most = operands.size(), names = "IN";
            }
            break;
        case Command::kParams:
        case Command::kPresets:
        case Command::kPreset:
        case Command::kEdit:
            break;
        case Command::kPresetSave:
        case Command::kPresetShow:
            least = most = 1, names = "FILE";
            break;
        case Command::kSnapshot:
            least = most = 1, names = "OUT.png";
            break;
        }
        if (operands.size() < least) {
            const bool onlyOutMissing = command == Command::kRender && operands.size() == 1 &&
                                        invocation.outputFolder.empty();
            throw UsageError(CommandName(command),
                             std::string("missing ") + (onlyOutMissing ? "OUT" : names), command);
        }
        if (operands.size() > most)
            throw UsageError(operands[most], "unexpected argument", command);
        for (const std::string& operand : operands)
            if (operand.empty()) throw UsageError(CommandName(command), "empty file name", command);
    }
};

} // namespace

const char* CommandName(Command command) {
    switch (command) {
    case Command::kDemo:
        return "demo";
    case Command::kRender:
        return "render";
    case Command::kParams:
        return "params";
    case Command::kPresets:
        return "presets";
    case Command::kPreset:
        return "preset";
    case Command::kPresetSave:
        return "preset save";
    case Command::kPresetShow:
        return "preset show";
    case Command::kSnapshot:
        return "snapshot";
    case Command::kEdit:
        return "edit";
    case Command::kNone:
        break;
    }
    return "";
}

Invocation ParseCommandLine(const std::vector<std::string>& arguments) {
    Parser parser{arguments, {}, {}, {}, {}};
    parser.Split();
    parser.ReadCommand();
    if (parser.WantsVersion() && !parser.WantsHelp()) {
        Invocation version;
        version.wantsVersion = true;
        return version;
    }
    if (parser.WantsHelp()) {
        // Help for the command named, whatever else the line holds.
        Invocation help;
        help.command = parser.invocation.command;
        help.wantsHelp = true;
        return help;
    }
    if (parser.mistake)
        throw UsageError(parser.mistake->first, parser.mistake->second, parser.invocation.command);
    parser.ApplyOptions();
    parser.CheckOperands();
    return parser.invocation;
}

std::optional<double> ParseNumber(const std::string& text) {
    if (text.empty() || text.find_first_of(" \t\n\r\f\v") != std::string::npos) return {};
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    // strtod also reads "nan", "inf" and hexadecimal forms; none of them is a setting.
    if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(value) ||
        text.find_first_of("xXnN") != std::string::npos)
        return {};
    return value;
}

std::optional<bool> ParseSwitchWord(const std::string& text) {
    static const char* const kOn[] = {"on", "true", "yes", "1"};
    static const char* const kOff[] = {"off", "false", "no", "0"};
    for (const char* word : kOn)
        if (strcasecmp(text.c_str(), word) == 0) return true;
    for (const char* word : kOff)
        if (strcasecmp(text.c_str(), word) == 0) return false;
    return {};
}

std::string FormatNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", value == 0 ? 0.0 : value); // never "-0"
    return text;
}
