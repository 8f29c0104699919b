#pragma once

// The drawn parts at the size of one frame of their image: whole strips for the parts that
// move, single frames for the others.

#include "Look.h"

// A knob's strip of size x size frames, turning evenly from its lowest setting (first frame)
// to its highest.
Bitmap PaintKnob(const look::KnobLook& knob, int size, int frames);

enum class MeterScale { Gain, Level };
// A needle meter's strip: frames stacked top to bottom, the needle moving evenly from rest at
// the left (first frame) to full scale.
Bitmap PaintMeter(MeterScale scale, int width, int height, int frames);

enum class LampColour { Red, Amber };
Bitmap PaintLamp(LampColour colour, int size, bool lit);

// A bat-handle toggle; vertical ones point up when on, horizontal ones to the right.
Bitmap PaintToggle(int width, int height, bool horizontal, bool on);

// The panel with everything printed on it.
Bitmap PaintBackground(int width, int height);
