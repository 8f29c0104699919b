#pragma once

// The effect's parameters: one table that the effect's constructor, the LV2 description, the
// command-line host and its help all read. Header only and free of the framework, so programs
// that reach the effect only through its component can read it too.
namespace brindlex {

// The parameters' indices. The effect class takes these names as its own by deriving from this.
struct ParameterIndex {
    enum EParam {
        kLimiterAttenuation = 0, // threshold x 100
        kLimiterOn,
        kEQFreq,  // Hz
        kEQLevel, // dB
        kEQWide,  // off: shelves 1000 Hz from the peak, on: 5000 Hz
        kEQOn,
        kAmpGain,           // drive factor
        kAmpTone,           // dB
        kAmpNoiseReduction, // signal share of the noise mix x 100
        kAmpOn,
        kNumParams
    };
};

// What a value means to a person. Hosts of the Audio Unit see the label "%" on every named
// parameter, as the effect gives it; these are the real units, for everything else.
enum class Unit { kPercent, kHertz, kDecibels, kFactor, kOnOff };

// The unit as printed after a value; "" where a plain number says it all (a factor) or the
// value is printed as a word (a switch).
constexpr const char* UnitSymbol(Unit unit) {
    switch (unit) {
    case Unit::kPercent:
        return "%";
    case Unit::kHertz:
        return "Hz";
    case Unit::kDecibels:
        return "dB";
    case Unit::kFactor:
    case Unit::kOnOff:
        break;
    }
    return "";
}

struct ParameterInfo {
    // As the effect initialises it and Audio Unit hosts list it; "" for a stage switch, which the
    // effect leaves unnamed (it keeps the parameter's construction defaults: 0 to 1, off).
    const char* name;
    double defaultValue;
    double minimum;
    double maximum;
    double shape; // 1 is linear; 2 puts half the travel at a quarter of the range
    Unit unit;
    // The switch that turns this parameter's stage on, or -1 for a switch of its own.
    int stageSwitch;
    // For a stage switch: a name where one is needed (an LV2 port), its command-line flag and
    // the stage's name in messages. nullptr for the others.
    const char* switchName;
    const char* flag;
    const char* stage;
    const char* description; // one line, for help texts and host tooltips
};

constexpr bool IsSwitch(const ParameterInfo& parameter) {
    return parameter.unit == Unit::kOnOff;
}

// In index order.
inline constexpr ParameterInfo kParameters[ParameterIndex::kNumParams] = {
    {"Limiter Attenuation", 120.0, 0.0, 120.0, 1.0, Unit::kPercent, ParameterIndex::kLimiterOn,
     nullptr, nullptr, nullptr, "The limiter's threshold in percent of full scale"},
    {"", 0.0, 0.0, 1.0, 1.0, Unit::kOnOff, -1, "Limiter On", "limiter", "limiter",
     "Switches the limiter stage on"},
    {"EQ Freq", 5000.0, 0.0, 15000.0, 1.0, Unit::kHertz, ParameterIndex::kEQOn, nullptr, nullptr,
     nullptr, "The EQ's peak frequency; the shelves sit 1000 Hz (wide: 5000 Hz) either side"},
    {"EQ Level", 0.0, -12.0, 12.0, 1.0, Unit::kDecibels, ParameterIndex::kEQOn, nullptr, nullptr,
     nullptr, "The EQ's peak gain; both shelves move the other way by as much"},
    {"", 0.0, 0.0, 1.0, 1.0, Unit::kOnOff, ParameterIndex::kEQOn, "EQ Wide", "eq-wide", nullptr,
     "Moves the EQ's shelves from 1000 Hz to 5000 Hz either side of the peak"},
    {"", 0.0, 0.0, 1.0, 1.0, Unit::kOnOff, -1, "EQ On", "eq", "EQ", "Switches the EQ stage on"},
    {"Amp Gain", 1.0, 0.0, 100.0, 2.0, Unit::kFactor, ParameterIndex::kAmpOn, nullptr, nullptr,
     nullptr, "The drive into the amp's waveshaper, as a factor"},
    {"Amp Tone", 0.0, -12.0, 12.0, 1.0, Unit::kDecibels, ParameterIndex::kAmpOn, nullptr, nullptr,
     nullptr, "The gain of the amp's tone peak at 2 kHz"},
    {"Amp Noise Reduction", 100.0, 0.0, 100.0, 1.0, Unit::kPercent, ParameterIndex::kAmpOn, nullptr,
     nullptr, nullptr, "The signal's share of the amp's noise mix: 100 is no noise, 0 only noise"},
    {"", 0.0, 0.0, 1.0, 1.0, Unit::kOnOff, -1, "Amp On", "amp", "amp", "Switches the amp stage on"},
};

// The name to show a person: the parameter's own, or a switch's.
constexpr const char* DisplayName(const ParameterInfo& parameter) {
    return parameter.switchName ? parameter.switchName : parameter.name;
}

} // namespace brindlex
