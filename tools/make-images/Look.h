#pragma once

// What the images share: the palette, the light, and the geometry that the background's printed
// scales must match in the knob and meter images.

#include "Painter.h"

#include <cmath>
#include <string>

namespace look {

// Crackle-finished panel paint, its engraved legends and the dark knob and case plastic.
constexpr PIX_pixel kPaint = Rgb(84, 93, 76);
constexpr PIX_pixel kLegend = Rgb(234, 228, 206);
constexpr PIX_pixel kBakelite = Rgb(26, 25, 24);
constexpr PIX_pixel kAluminium = Rgb(188, 190, 192);
constexpr PIX_pixel kChrome = Rgb(200, 204, 208);
constexpr PIX_pixel kMeterFace = Rgb(238, 226, 192);
constexpr PIX_pixel kMeterInk = Rgb(34, 30, 26);
constexpr PIX_pixel kMeterRed = Rgb(182, 42, 30);

// Light falls from the upper left: the direction towards it, and how far shadows fall.
constexpr float kLightAngle = Radians(-45.0f);
constexpr int kShadowX = 2;
constexpr int kShadowY = 3;

// Brightness of a surface facing the given direction (0 up, clockwise) under that light,
// 0 facing away to 1 facing it.
inline float Facing(float angle) {
    return 0.5f + 0.5f * std::cos(angle - kLightAngle);
}

// A division of a printed scale at value (0..1 along it); minor divisions have no label.
struct Mark {
    float value;
    std::string label;
};

// Knobs turn from the lower left to the lower right; frame 1 shows the lowest value.
constexpr float kKnobMinAngle = Radians(-135.0f);
constexpr float kKnobMaxAngle = Radians(135.0f);
inline float KnobAngle(float value) {
    return kKnobMinAngle + (kKnobMaxAngle - kKnobMinAngle) * value;
}

struct KnobLook {
    float radius;    // outer edge of the fluted body
    float capRadius; // machined aluminium insert on top
    int flutes;
    bool skirt; // a metal skirt under the body, carrying the pointer line
    PIX_pixel pointer;
};

constexpr KnobLook kAttKnob = {45.0f, 22.0f, 24, false, Rgb(240, 232, 208)};
constexpr KnobLook kGainKnob = {44.0f, 13.0f, 18, true, Rgb(36, 34, 32)};
constexpr KnobLook kSmallKnob = {26.5f, 12.0f, 16, false, Rgb(240, 232, 208)};

// Needle meters: the needle turns about a pivot hidden below the window. The case leaves room
// for its shadow at the right and bottom of the image.
constexpr float kMeterShadowRoom = 6.0f;
constexpr float kMeterMinAngle = Radians(-39.0f);
constexpr float kMeterMaxAngle = Radians(39.0f);
inline float MeterAngle(float value) {
    return kMeterMinAngle + (kMeterMaxAngle - kMeterMinAngle) * value;
}

} // namespace look
