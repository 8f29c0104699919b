#pragma once

// Hosts the plug-in can tell apart. kHostUninit means "not identified yet"; kHostUnknown means
// "identified, but not one we know".
enum EHost {
    kHostUninit = -1,
    kHostUnknown = 0,
    kHostLogic,
    kHostGarageBand,
    kHostMainStage,
    kHostAULab,
    kHostAUVal,
    kHostAbletonLive,
    kHostReaper,
    kHostDigitalPerformer,
    kHostStudioOne,
    kHostCubase,
    kHostNuendo,
    kHostProTools,
    kHostBitwig,
    kHostFinalCut,
    kHostAudition,
    kHostAudacity,
    kHostArdour,
    kHostCarla,
    kHostMixxx,
    kHostJalv,
    kHostQtractor,
    kHostLMMS,
    kHostLV2Apply,
    kHostBrindlexCLI,
    kNumHosts
};

// Identifies a host from the name or bundle identifier it reports, ignoring case. An empty or
// unmatched name gives kHostUnknown.
EHost LookUpHost(const char* hostName);

// Display name of a host ("Logic", "Ardour", ...); "Unknown" for anything else.
const char* GetHostNameStr(EHost host);
