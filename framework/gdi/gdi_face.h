#pragma once

// The built-in face: single-stroke lettering for engraved panels, drawn on a grid of design
// units with y up and the baseline at 0. Capitals and ascenders reach 12, lowercase 8,
// descenders -3.5, brackets 12.5 and -3; a line is 20 units, 14.5 above the baseline.
//
// Each glyph is a body width and a path of commands, numbers separated by spaces:
//   M x y                    move the pen
//   L x y                    line from the pen
//   A cx cy rx ry from to    elliptical arc, angles in degrees counter-clockwise from +x; it
//                            is joined to the pen by a line when the pen is down
//   D x y                    a dot
//   ;                        lift the pen
// Body coordinates start at x = 0; the side bearings are added around the body.

#include <vector>

constexpr double kFaceLineUnits = 20.0;
constexpr double kFaceAscentUnits = 14.5;
constexpr double kFaceSideBearing = 1.75;
constexpr double kFaceStroke = 1.5;      // stroke width at weight 400
constexpr double kFaceSlantCentre = 5.0; // italics lean about this height
constexpr double kFaceUnderline = -2.0;  // centre of the underline
constexpr double kFaceStrikeOut = 5.0;   // centre of the strike-out line
constexpr int kFaceFirstChar = 32;       // glyph 0
constexpr int kFaceLastChar = 126;
constexpr int kFaceMissingGlyph = kFaceLastChar - kFaceFirstChar + 1;
constexpr int kFaceGlyphCount = kFaceMissingGlyph + 1;

struct GDI_FaceGlyph {
    double width;
    const char* path;
};
extern const GDI_FaceGlyph kFaceGlyphs[kFaceGlyphCount];

struct GDI_FaceCommand {
    enum Kind { Move, Line, Arc, Dot, Lift } kind;
    double v[6];
};
// The glyph's path as commands; empty for a bad index. Parsed once; a malformed path yields
// the commands before the fault.
const std::vector<GDI_FaceCommand>& GDI_FaceCommands(int glyph);
