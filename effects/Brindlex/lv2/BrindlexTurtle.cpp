// Writes the LV2 bundle's Turtle files from the effect's own parameters and preset table, at
// build time:
//   brindlex_lv2_turtle BUNDLE_DIR BINARY UI_BINARY
// BINARY and UI_BINARY are the plug-in's and its UI's shared objects, relative to the bundle.
#include "Brindlex.h"
#include "BrindlexLV2.h"
#include "FactoryPresets.h"
#include "IFxLV2Turtle.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace brindlex::lv2;

// The LV2 unit of each of the effect's units; a switch has none.
const char* LV2Unit(brindlex::Unit unit) {
    switch (unit) {
    case brindlex::Unit::kPercent:
        return "pc";
    case brindlex::Unit::kHertz:
        return "hz";
    case brindlex::Unit::kDecibels:
        return "db";
    case brindlex::Unit::kFactor:
        return "coef";
    case brindlex::Unit::kOnOff:
        break;
    }
    return "";
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (file) return true;
    std::fprintf(stderr, "brindlex_lv2_turtle: cannot write %s: %s\n", path.c_str(),
                 std::strerror(errno));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: brindlex_lv2_turtle BUNDLE_DIR BINARY UI_BINARY\n");
        return 2;
    }
    const std::string bundleDir = argv[1];
    // Only the parameters are described: no editor is needed.
    const auto effect = std::make_unique<Brindlex>(IFxInstanceInfo(), Brindlex::kWithoutEditor);

    IFxLV2Description description;
    description.uri = kPluginURI;
    description.binary = argv[2];
    description.pluginClass = "SimulatorPlugin";
    description.comment = kPluginComment;
    description.license = kLicenseURI;
    description.uiURI = kUIURI;
    description.uiBinary = argv[3];
    for (const brindlex::ParameterInfo& parameter : brindlex::kParameters)
        description.params.push_back({parameter.switchName ? parameter.switchName : "",
                                      LV2Unit(parameter.unit), parameter.description});
    // The meters show 0 to 1, as the editor's needles do.
    for (int meter = 0; meter < kNumMeters; ++meter)
        description.controlOutputs.push_back(
            {kMeterNames[meter], 0.0, 1.0, kMeterDescriptions[meter]});

    for (const brindlex::FactoryPreset& preset : brindlex::kFactoryPresets)
        description.presets.push_back(
            {std::string(kPluginURI) + "#preset-" + preset.name,
             std::string("presets/") + preset.name + ".ttl", preset.label, preset.description,
             std::vector<double>(std::begin(preset.values), std::end(preset.values))});

    const std::string pluginFile = std::string(effect->GetEffectName()) + ".ttl";
    std::error_code error;
    std::filesystem::create_directories(bundleDir + "/presets", error);
    bool written =
        WriteFile(bundleDir + "/manifest.ttl", IFxLV2ManifestTurtle(description, pluginFile)) &&
        WriteFile(bundleDir + "/" + pluginFile, IFxLV2PluginTurtle(*effect, description));
    for (const IFxLV2Preset& preset : description.presets)
        written = written && WriteFile(bundleDir + "/" + preset.file,
                                       IFxLV2PresetTurtle(*effect, description, preset));
    return written ? 0 : 1;
}
