#pragma once

// The drawn parts, one frame each, at the size of one frame of their image.

#include "Look.h"

// A knob turned to value (0..1) in a size x size frame.
Bitmap PaintKnob(const look::KnobLook& knob, int size, float value);

enum class MeterScale { Gain, Level };
// A needle meter showing value (0..1).
Bitmap PaintMeter(MeterScale scale, int width, int height, float value);

enum class LampColour { Red, Amber };
Bitmap PaintLamp(LampColour colour, int size, bool lit);

// A bat-handle toggle; vertical ones point up when on, horizontal ones to the right.
Bitmap PaintToggle(int width, int height, bool horizontal, bool on);

// The panel with everything printed on it.
Bitmap PaintBackground(int width, int height);
