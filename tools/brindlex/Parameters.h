#pragma once

#include "Arguments.h"
#include "Component.h"

#include <string>
#include <vector>

// The effect's parameters as the host presents them, and the checks that turn a setting from
// the command line into a value the effect takes.

// A parameter as the host lists it. The effect leaves four on/off switches unnamed; the host
// knows them by index and gives them an alias (also the name of their flag) and a name.
struct HostParameter {
    ParameterInfo info;
    std::string alias;      // "amp", "eq", "eq-wide", "limiter"; empty for the others
    std::string switchName; // for the unnamed switches
    bool isSwitch = false;  // takes on/off

    // The name, or an unnamed switch's name in brackets.
    std::string DisplayName() const;
};

std::vector<HostParameter> DescribeParameters(const std::vector<ParameterInfo>& infos);

struct ParameterValue {
    AudioUnitParameterID id;
    float value;
};

// Finds the parameter by name (any case; '-', '_' and ' ' alike), alias or index, and reads the
// value in the parameter's own units: on/off for switches, one of the value strings, or a
// number within its range. Throws CommandError (kUsage) naming the setting's argument.
ParameterValue ResolveSetting(const std::vector<HostParameter>& parameters,
                              const ParameterSetting& setting);
