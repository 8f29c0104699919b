#pragma once

// What the effect's LV2 plug-in and the generator of its description share.
namespace brindlex::lv2 {

inline constexpr char kPluginURI[] = "https://halvermoor.com/lv2/Brindlex";
// The plug-in's X11 UI: the effect's editor.
inline constexpr char kUIURI[] = "https://halvermoor.com/lv2/Brindlex#ui";

// The control output ports, in port order after the parameters' ports.
enum EMeter { kAmpMeter, kOutputMeter, kGainMeter, kNumMeters };
inline constexpr const char* kMeterNames[kNumMeters] = {"Amp Meter", "Output Meter", "Gain Meter"};
inline constexpr const char* kMeterDescriptions[kNumMeters] = {
    "The amp's output level, as its needle shows it (0 to 1)",
    "The effect's output level, as its needle shows it (0 to 1)",
    "The limiter's gain reduction, as its needle shows it (0 to 1)"};

inline constexpr char kPluginComment[] =
    "Makes any signal sound as if it came through old communications equipment: a band-limited, "
    "driven and noisy amp, a peaking EQ between two opposing shelves and a saturating limiter, "
    "each switchable.";
inline constexpr char kLicenseURI[] = "http://opensource.org/licenses/isc";

} // namespace brindlex::lv2
