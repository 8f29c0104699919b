// The command-line host's argument parsing on arbitrary arguments (the input split at NUL
// bytes). A line is either parsed into a consistent invocation or refused with a usage error.
#include "Arguments.h"
#include "CommandError.h"
#include "FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return -1;
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back().push_back(char(data[i]));
    }
    if (arguments.size() > 64) return -1;

    Invocation invocation;
    try {
        invocation = ParseCommandLine(arguments);
    } catch (const CommandError& error) {
        FUZZ_CHECK(error.GetKind() == CommandError::kUsage);
        FUZZ_CHECK(*error.what());
        return 0;
    }
    if (invocation.wantsHelp || invocation.wantsVersion) return 0;
    FUZZ_CHECK(invocation.command != Command::kNone);
    FUZZ_CHECK(invocation.blockSize >= 1 && invocation.blockSize <= kMaxBlockSize);
    for (const std::string& operand : invocation.operands)
        FUZZ_CHECK(!operand.empty());
    for (const ParameterSetting& setting : invocation.settings)
        FUZZ_CHECK(!setting.name.empty() && !setting.value.empty() && !setting.argument.empty());
    switch (invocation.command) {
    case Command::kRender:
        // IN OUT, or with -o a folder for one or more inputs.
        FUZZ_CHECK(invocation.outputFolder.empty() ? invocation.operands.size() == 2
                                                   : !invocation.operands.empty());
        FUZZ_CHECK(invocation.jobs >= 0 && invocation.jobs <= kMaxJobs);
        break;
    case Command::kPresetSave:
    case Command::kPresetShow:
    case Command::kSnapshot:
        FUZZ_CHECK(invocation.operands.size() == 1);
        break;
    case Command::kDemo:
        FUZZ_CHECK(invocation.operands.size() <= 1);
        break;
    case Command::kParams:
    case Command::kPresets:
    case Command::kEdit:
        FUZZ_CHECK(invocation.operands.empty());
        break;
    case Command::kPreset: // only with --help
    case Command::kNone:
        FUZZ_CHECK(false);
        break;
    }
    // Only a snapshot or the editor follows an input file, and only the editor saves a preset.
    FUZZ_CHECK(invocation.command == Command::kSnapshot || invocation.command == Command::kEdit ||
               invocation.inputPath.empty());
    FUZZ_CHECK(invocation.command == Command::kEdit || invocation.savePath.empty());
    // The number reader the settings use never hands back something that is not a number.
    for (const ParameterSetting& setting : invocation.settings)
        if (const std::optional<double> number = ParseNumber(setting.value))
            FUZZ_CHECK(std::isfinite(*number));
    return 0;
}
