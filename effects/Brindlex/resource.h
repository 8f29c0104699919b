#pragma once

#include "ParameterTable.h"

// The editor's images and where its controls sit. The image tool draws to these sizes and the
// editor layout places its controls from the same table, so the two cannot drift apart. File
// names stay one to a line: the build reads them from here to know what the tool writes.
namespace brindlex {

inline constexpr int kEditorWidth = 700;
inline constexpr int kEditorHeight = 700;

// One editor image: frames stacked vertically, width x height each.
struct ImageResource {
    int id;
    const char* file;
    int frames;
    int width;
    int height;
};

inline constexpr ImageResource kBackgroundImage = {101, "resources/img/background_custom.png", 1,
                                                   kEditorWidth, kEditorHeight};
inline constexpr ImageResource kAttKnobImage = {102, "resources/img/Brindlex_attknob.png", 60, 120,
                                                120};
inline constexpr ImageResource kMAMeterImage = {103, "resources/img/Brindlex_mAmeter.png", 60, 166,
                                                126};
inline constexpr ImageResource kRefMeterImage = {104, "resources/img/Brindlex_refmeter.png", 60,
                                                 166, 126};
inline constexpr ImageResource kPowerLightImage = {105, "resources/img/Brindlex_powerlight.png", 2,
                                                   50, 50};
inline constexpr ImageResource kPowerSwitchImage = {106, "resources/img/Brindlex_powerswitch.png",
                                                    2, 44, 56};
inline constexpr ImageResource kGainKnobImage = {107, "resources/img/Brindlex_gainknob.png", 60,
                                                 110, 110};
inline constexpr ImageResource kSmallKnobImage = {108, "resources/img/Brindlex_smallknob.png", 60,
                                                  80, 80};
inline constexpr ImageResource kSwitch2Image = {109, "resources/img/Brindlex_switch2.png", 2, 70,
                                                60};
inline constexpr ImageResource kLightImage = {110, "resources/img/Brindlex_light.png", 2, 40, 40};

// The background first, then the order in which the editor loads the others.
inline constexpr const ImageResource* kImages[] = {
    &kBackgroundImage, &kAttKnobImage,    &kGainKnobImage, &kSmallKnobImage,   &kMAMeterImage,
    &kRefMeterImage,   &kPowerLightImage, &kLightImage,    &kPowerSwitchImage, &kSwitch2Image};
inline constexpr int kNumImages = sizeof(kImages) / sizeof(kImages[0]);

// What a placed control is.
enum class ControlKind { kKnob, kSwitch, kIndicator };

// The lamps and meters, which the effect drives itself rather than a parameter.
struct Indicator {
    enum Id {
        kLimiterLight,
        kEQLight,
        kEQWidthLight,
        kOutputMeter,
        kGainMeter,
        kAmpLight,
        kAmpMeter,
        kCount
    };
};

// A control: the top-left corner of one frame of its image, what it is, and what it shows: the
// parameter of a knob or switch, the Indicator of a lamp or meter.
struct ControlPlacement {
    int x;
    int y;
    const ImageResource* image;
    ControlKind kind;
    int target;
};

inline constexpr ControlPlacement kLimiterAttenuationKnob = {
    283, 470, &kAttKnobImage, ControlKind::kKnob, ParameterIndex::kLimiterAttenuation};
inline constexpr ControlPlacement kGainMeter = {99, 470, &kMAMeterImage, ControlKind::kIndicator,
                                                Indicator::kGainMeter};
inline constexpr ControlPlacement kOutputMeter = {456, 470, &kRefMeterImage,
                                                  ControlKind::kIndicator, Indicator::kOutputMeter};
inline constexpr ControlPlacement kLimiterLight = {
    110, 630, &kPowerLightImage, ControlKind::kIndicator, Indicator::kLimiterLight};
inline constexpr ControlPlacement kLimiterSwitch = {
    177, 629, &kPowerSwitchImage, ControlKind::kSwitch, ParameterIndex::kLimiterOn};
inline constexpr ControlPlacement kEQFreqKnob = {276, 271, &kAttKnobImage, ControlKind::kKnob,
                                                 ParameterIndex::kEQFreq};
inline constexpr ControlPlacement kEQLevelKnob = {516, 276, &kGainKnobImage, ControlKind::kKnob,
                                                  ParameterIndex::kEQLevel};
inline constexpr ControlPlacement kEQLight = {110, 364, &kPowerLightImage, ControlKind::kIndicator,
                                              Indicator::kEQLight};
inline constexpr ControlPlacement kEQWidthLight = {445, 375, &kLightImage, ControlKind::kIndicator,
                                                   Indicator::kEQWidthLight};
inline constexpr ControlPlacement kEQSwitch = {179, 363, &kPowerSwitchImage, ControlKind::kSwitch,
                                               ParameterIndex::kEQOn};
inline constexpr ControlPlacement kEQWidthSwitch = {430, 295, &kSwitch2Image, ControlKind::kSwitch,
                                                    ParameterIndex::kEQWide};
inline constexpr ControlPlacement kAmpLight = {60, 150, &kPowerLightImage, ControlKind::kIndicator,
                                               Indicator::kAmpLight};
inline constexpr ControlPlacement kAmpMeter = {515, 35, &kRefMeterImage, ControlKind::kIndicator,
                                               Indicator::kAmpMeter};
inline constexpr ControlPlacement kAmpSwitch = {130, 147, &kPowerSwitchImage, ControlKind::kSwitch,
                                                ParameterIndex::kAmpOn};
inline constexpr ControlPlacement kAmpGainKnob = {340, 35, &kAttKnobImage, ControlKind::kKnob,
                                                  ParameterIndex::kAmpGain};
inline constexpr ControlPlacement kAmpToneKnob = {245, 30, &kSmallKnobImage, ControlKind::kKnob,
                                                  ParameterIndex::kAmpTone};
inline constexpr ControlPlacement kAmpNoiseReductionKnob = {
    245, 130, &kSmallKnobImage, ControlKind::kKnob, ParameterIndex::kAmpNoiseReduction};

// The seventeen controls in the order the editor attaches them.
inline constexpr const ControlPlacement* kControls[] = {&kLimiterAttenuationKnob,
                                                        &kGainMeter,
                                                        &kOutputMeter,
                                                        &kLimiterLight,
                                                        &kLimiterSwitch,
                                                        &kEQFreqKnob,
                                                        &kEQLevelKnob,
                                                        &kEQLight,
                                                        &kEQWidthLight,
                                                        &kEQSwitch,
                                                        &kEQWidthSwitch,
                                                        &kAmpLight,
                                                        &kAmpMeter,
                                                        &kAmpSwitch,
                                                        &kAmpGainKnob,
                                                        &kAmpToneKnob,
                                                        &kAmpNoiseReductionKnob};
inline constexpr int kNumControls = sizeof(kControls) / sizeof(kControls[0]);

} // namespace brindlex
