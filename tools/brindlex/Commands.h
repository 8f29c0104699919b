#pragma once

#include "Arguments.h"
#include "Component.h"
#include "Programme.h"

#include <string>
#include <vector>

// The commands of brindlex. Each returns the exit status or throws CommandError.
int RunCommand(const Invocation& invocation);

// What the commands share, exposed for the tests.

// The preset first, then the settings in order. Every setting is checked before anything
// changes, so a bad one leaves the unit as it was.
void ApplyEffectSettings(EffectUnit& unit, const std::string& presetPath,
                         const std::vector<ParameterSetting>& settings);

// The setting the demo renders through: an old radio link, all three stages on.
std::vector<ParameterSetting> RadioSettings();

// Runs the whole signal through the prepared unit, slice by slice.
StereoSignal RenderSignal(EffectUnit& unit, const StereoSignal& input);
