#include "Parameters.h"

#include "CommandError.h"
#include "ParameterTable.h"

#include <cctype>
#include <cmath>
#include <iterator>

namespace {

// Lower case with runs of '-', '_' and blanks made one blank, so "eq-freq" finds "EQ Freq".
std::string NameKey(const std::string& name) {
    std::string key;
    for (const char c : name) {
        const bool separator = c == '-' || c == '_' || std::isspace(static_cast<unsigned char>(c));
        if (separator) {
            if (!key.empty() && key.back() != ' ') key += ' ';
        } else {
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!key.empty() && key.back() == ' ') key.pop_back();
    return key;
}

CommandError SettingError(const ParameterSetting& setting, const std::string& problem) {
    return CommandError(setting.argument, problem, CommandError::kUsage);
}

const HostParameter* FindParameter(const std::vector<HostParameter>& parameters,
                                   const std::string& name) {
    const std::string key = NameKey(name);
    if (key.empty()) return nullptr;
    for (const HostParameter& parameter : parameters)
        if (NameKey(parameter.info.name) == key ||
            (!parameter.alias.empty() && NameKey(parameter.alias) == key))
            return &parameter;
    const bool isIndex = name.find_first_not_of("0123456789") == std::string::npos;
    if (isIndex && name.size() < 10) {
        const auto id = static_cast<AudioUnitParameterID>(std::stoul(name));
        for (const HostParameter& parameter : parameters)
            if (parameter.info.id == id) return &parameter;
    }
    return nullptr;
}

} // namespace

std::string HostParameter::DisplayName() const {
    if (!info.name.empty()) return info.name;
    if (!switchName.empty()) return "(" + switchName + ")";
    return "(unnamed)";
}

std::vector<HostParameter> DescribeParameters(const std::vector<ParameterInfo>& infos) {
    std::vector<HostParameter> parameters;
    for (const ParameterInfo& info : infos) {
        HostParameter parameter;
        parameter.info = info;
        parameter.isSwitch = info.unit == kAudioUnitParameterUnit_Boolean;
        // The effect leaves its stage switches unnamed; the table gives them a flag.
        const bool known = info.id < std::size(brindlex::kParameters);
        const brindlex::ParameterInfo* entry = known ? &brindlex::kParameters[info.id] : nullptr;
        if (entry && entry->flag && info.name.empty() && info.minValue == 0 && info.maxValue == 1) {
            parameter.alias = entry->flag;
            parameter.switchName = entry->switchName;
            parameter.isSwitch = true;
        }
        parameters.push_back(std::move(parameter));
    }
    return parameters;
}

ParameterValue ResolveSetting(const std::vector<HostParameter>& parameters,
                              const ParameterSetting& setting) {
    const HostParameter* parameter = FindParameter(parameters, setting.name);
    if (!parameter)
        throw SettingError(setting, "no parameter named '" + setting.name +
                                        "' ('brindlex params' lists them)");
    const ParameterInfo& info = parameter->info;

    if (parameter->isSwitch) {
        const std::optional<bool> on = ParseSwitchWord(setting.value);
        if (!on) throw SettingError(setting, "expected on or off, not '" + setting.value + "'");
        return {info.id, *on ? info.maxValue : info.minValue};
    }
    for (size_t i = 0; i < info.valueStrings.size(); ++i)
        if (NameKey(info.valueStrings[i]) == NameKey(setting.value))
            return {info.id, info.minValue + static_cast<float>(i)};

    const std::optional<double> number = ParseNumber(setting.value);
    if (!number) throw SettingError(setting, "'" + setting.value + "' is not a number");
    if (*number < info.minValue || *number > info.maxValue)
        throw SettingError(setting, FormatNumber(*number) + " is outside the range " +
                                        FormatNumber(info.minValue) + " to " +
                                        FormatNumber(info.maxValue));
    return {info.id, static_cast<float>(*number)};
}
