#pragma once

// What the effect's LV2 plug-in and the generator of its description share.
namespace brindlex::lv2 {

inline constexpr char kPluginURI[] = "https://halvermoor.com/lv2/Brindlex";
// The plug-in's X11 UI: the effect's editor.
inline constexpr char kUIURI[] = "https://halvermoor.com/lv2/Brindlex#ui";

// The control output ports, in port order after the parameters' ports.
enum EMeter { kAmpMeter, kOutputMeter, kGainMeter, kNumMeters };
inline constexpr const char* kMeterNames[kNumMeters] = {"Amp Meter", "Output Meter", "Gain Meter"};

} // namespace brindlex::lv2
