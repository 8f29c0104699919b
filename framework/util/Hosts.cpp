#include "Hosts.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {
struct HostName {
    EHost host;
    const char* displayName;
    const char* fragment; // lower-case text that the reported name contains
};

// The first entry whose fragment the name contains wins.
constexpr HostName kHostNames[] = {
    {kHostAUVal, "auval", "auval"},
    {kHostAULab, "AU Lab", "au lab"},
    {kHostAULab, "AU Lab", "aulab"},
    {kHostMainStage, "MainStage", "mainstage"},
    {kHostLogic, "Logic", "logic"},
    {kHostGarageBand, "GarageBand", "garageband"},
    {kHostAbletonLive, "Ableton Live", "ableton"},
    {kHostReaper, "REAPER", "reaper"},
    {kHostDigitalPerformer, "Digital Performer", "digital performer"},
    {kHostDigitalPerformer, "Digital Performer", "motu.dp"},
    {kHostStudioOne, "Studio One", "studio one"},
    {kHostStudioOne, "Studio One", "presonus"},
    {kHostCubase, "Cubase", "cubase"},
    {kHostNuendo, "Nuendo", "nuendo"},
    {kHostProTools, "Pro Tools", "pro tools"},
    {kHostProTools, "Pro Tools", "protools"},
    {kHostBitwig, "Bitwig Studio", "bitwig"},
    {kHostFinalCut, "Final Cut Pro", "finalcut"},
    {kHostAudition, "Audition", "audition"},
    {kHostAudacity, "Audacity", "audacity"},
    {kHostArdour, "Ardour", "ardour"},
    {kHostCarla, "Carla", "carla"},
    {kHostMixxx, "Mixxx", "mixxx"},
    {kHostJalv, "jalv", "jalv"},
    {kHostQtractor, "Qtractor", "qtractor"},
    {kHostLMMS, "LMMS", "lmms"},
    {kHostLV2Apply, "lv2apply", "lv2apply"},
    {kHostBrindlexCLI, "brindlex", "brindlex"},
};
} // namespace

EHost LookUpHost(const char* hostName) {
    if (!hostName || !*hostName) return kHostUnknown;
    std::string name(hostName);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const HostName& entry : kHostNames)
        if (name.find(entry.fragment) != std::string::npos) return entry.host;
    return kHostUnknown;
}

const char* GetHostNameStr(EHost host) {
    for (const HostName& entry : kHostNames)
        if (entry.host == host) return entry.displayName;
    return "Unknown";
}
