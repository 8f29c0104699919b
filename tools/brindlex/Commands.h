#pragma once

#include "Arguments.h"
#include "Component.h"
#include "Programme.h"

#include <functional>
#include <string>
#include <vector>

// The commands of brindlex. Each returns the exit status or throws CommandError.
int RunCommand(const Invocation& invocation);

// Runs work, which returns an exit status; a failure it throws becomes one line on stderr,
// "brindlex: subject: problem", and its exit status.
int ReportingFailures(const std::function<int()>& work);

// What the commands share, exposed for the tests.

// The preset (a file, or one of the library's by name) first, then the settings in order.
// Every setting is checked before anything changes, so a bad one leaves the unit as it was.
// A setting that the stage's switch leaves without effect gets a note on stderr. Returns the
// preset's name, "" without one.
std::string ApplyEffectSettings(EffectUnit& unit, const std::string& preset,
                                const std::vector<ParameterSetting>& settings);

// How notes begin: remarks on the command line that do not stop it.
constexpr const char* kNotePrefix = "brindlex: note: ";

// Throws CommandError (kUsage) when the output would overwrite the input.
void CheckDistinctFiles(const std::string& inPath, const std::string& outPath);
// Renders one file as 'render IN OUT' does, warnings included.
void RenderOneFile(const Invocation& invocation, const std::string& inPath,
                   const std::string& outPath);

// The setting the demo renders through: an old radio link, all three stages on.
std::vector<ParameterSetting> RadioSettings();

// Runs the whole signal through the prepared unit, slice by slice.
StereoSignal RenderSignal(EffectUnit& unit, const StereoSignal& input);
