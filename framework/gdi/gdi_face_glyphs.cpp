// The glyphs of the built-in face, printable ASCII in order, then the missing-glyph box.
// Geometric forms: bowls are ellipses, stems straight; x = 0 is the left edge of the body.

#include "gdi_face.h"

#include <mutex>

const GDI_FaceGlyph kFaceGlyphs[kFaceGlyphCount] = {
    {1.0, ""},                                                                        // space
    {0.0, "M 0 12 L 0 3.5 ; D 0 0"},                                                  // !
    {2.5, "M 0 12.5 L 0 9 ; M 2.5 12.5 L 2.5 9"},                                     // "
    {8.0, "M 2.5 0.5 L 2.5 11.5 ; M 5.5 0.5 L 5.5 11.5 ; M 0 4 L 8 4 ; M 0 8 L 8 8"}, // #
    {7.0, "A 3.5 9 3.25 3 20 270 A 3.5 3 3.5 3 90 -160 ; M 3.5 12.5 L 3.5 -1.5"},     // $
    {9.0, "A 2 9.5 2 2.5 0 360 ; A 7 2.5 2 2.5 0 360 ; M 8 12 L 1 0"},                // %
    {8.5, "M 8.5 0 L 2.3 8 A 3.6 9.7 2.1 2.3 225 -45 L 0.6 4.9 A 3.4 3.1 3.4 3.1 145 330 "
          "L 8 5"},                                                            // &
    {0.0, "M 0 12.5 L 0 9"},                                                   // '
    {2.5, "A 4.5 5 4.5 8.5 118 242"},                                          // (
    {2.5, "A -2 5 4.5 8.5 62 -62"},                                            // )
    {5.0, "M 2.5 12 L 2.5 6.5 ; M 0.1 10.6 L 4.9 7.9 ; M 0.1 7.9 L 4.9 10.6"}, // *
    {7.0, "M 0 5 L 7 5 ; M 3.5 1.5 L 3.5 8.5"},                                // +
    {1.0, "M 1 0.6 L 0 -2.6"},                                                 // ,
    {4.5, "M 0 5 L 4.5 5"},                                                    // -
    {0.0, "D 0 0"},                                                            // .
    {6.0, "M 0 -1 L 5.8 12.5"},                                                // /
    {7.0, "A 3.5 6 3.5 6 0 360"},                                              // 0
    {7.0, "M 1.2 9.6 L 4.2 12 L 4.2 0"},                                       // 1
    {7.0, "A 3.5 8.5 3.4 3.5 160 -38 L 0 0 L 7 0"},                            // 2
    {7.0, "A 3.5 9 3.2 3 155 -90 A 3.5 3 3.5 3 90 -155"},                      // 3
    {7.0, "M 5.2 0 L 5.2 12 L 0 3.6 L 7 3.6"},                                 // 4
    {7.0, "M 6.4 12 L 1 12 L 0.5 6.7 A 3.5 3.8 3.5 3.8 124 -150"},             // 5
    {7.0, "M 5.6 12 L 0.5 5.7 ; A 3.5 3.8 3.5 3.8 0 360"},                     // 6
    {7.0, "M 0 12 L 7 12 L 2 0"},                                              // 7
    {7.0, "A 3.5 9.1 3 2.9 0 360 ; A 3.5 3.1 3.5 3.1 0 360"},                  // 8
    {7.0, "A 3.5 8.2 3.5 3.8 0 360 ; M 6.5 6.3 L 1.4 0"},                      // 9
    {0.0, "D 0 0 ; D 0 7"},                                                    // :
    {1.0, "D 0.9 7 ; M 1 0.6 L 0 -2.6"},                                       // ;
    {7.0, "M 7 9 L 0 5 L 7 1"},                                                // <
    {7.0, "M 0 3 L 7 3 ; M 0 7 L 7 7"},                                        // =
    {7.0, "M 0 9 L 7 5 L 0 1"},                                                // >
    {6.5, "A 3.25 9 3.25 3 165 -90 L 3.25 3.5 ; D 3.25 0"},                    // ?
    {11.0, "A 5.3 4.8 2.1 2.5 0 360 ; M 7.4 7.4 L 7.4 3.3 A 8.9 3.3 1.5 1.5 180 340 "
           "A 5.5 4.5 5.5 6 -15 290"},               // @
    {9.0, "M 0 0 L 4.5 12 L 9 0 ; M 1.5 4 L 7.5 4"}, // A
    {7.6, "M 0 6.2 L 4.5 6.2 A 4.5 3.1 3.1 3.1 90 -90 L 0 0 L 0 12 L 4.2 12 "
          "A 4.2 9.1 2.9 2.9 90 -90 L 0 6.2"},                                         // B
    {8.0, "A 4.5 6 4.5 6 42 318"},                                                     // C
    {8.0, "M 0 0 L 0 12 L 2.5 12 A 2.5 6 5.5 6 90 -90 L 0 0"},                         // D
    {7.0, "M 7 12 L 0 12 L 0 0 L 7 0 ; M 0 6.2 L 6 6.2"},                              // E
    {6.8, "M 6.8 12 L 0 12 L 0 0 ; M 0 6.2 L 6 6.2"},                                  // F
    {9.0, "A 4.5 6 4.5 6 42 360 L 9 5.4 L 5.5 5.4"},                                   // G
    {8.0, "M 0 0 L 0 12 ; M 8 0 L 8 12 ; M 0 6.2 L 8 6.2"},                            // H
    {0.0, "M 0 0 L 0 12"},                                                             // I
    {6.0, "M 6 12 L 6 3.3 A 3 3.3 3 3.3 0 -170"},                                      // J
    {7.5, "M 0 0 L 0 12 ; M 7.5 12 L 0 4 ; M 2.7 6.9 L 7.5 0"},                        // K
    {6.5, "M 0 12 L 0 0 L 6.5 0"},                                                     // L
    {9.5, "M 0 0 L 0 12 L 4.75 2.5 L 9.5 12 L 9.5 0"},                                 // M
    {8.0, "M 0 0 L 0 12 L 8 0 L 8 12"},                                                // N
    {9.0, "A 4.5 6 4.5 6 0 360"},                                                      // O
    {7.2, "M 0 0 L 0 12 L 4.1 12 A 4.1 8.9 3.1 3.1 90 -90 L 0 5.8"},                   // P
    {9.0, "A 4.5 6 4.5 6 0 360 ; M 5.6 2.6 L 9 -0.8"},                                 // Q
    {7.5, "M 0 0 L 0 12 L 4.1 12 A 4.1 8.9 3.1 3.1 90 -90 L 0 5.8 ; M 4 5.8 L 7.5 0"}, // R
    {7.5, "A 3.75 9 3.5 3 20 270 A 3.75 3 3.75 3 90 -160"},                            // S
    {8.0, "M 0 12 L 8 12 ; M 4 12 L 4 0"},                                             // T
    {8.0, "M 0 12 L 0 4 A 4 4 4 4 180 360 L 8 12"},                                    // U
    {8.5, "M 0 12 L 4.25 0 L 8.5 12"},                                                 // V
    {12.0, "M 0 12 L 3 0 L 6 9.5 L 9 0 L 12 12"},                                      // W
    {8.0, "M 0 12 L 8 0 ; M 8 12 L 0 0"},                                              // X
    {8.5, "M 0 12 L 4.25 6 L 8.5 12 ; M 4.25 6 L 4.25 0"},                             // Y
    {7.5, "M 0 12 L 7.5 12 L 0 0 L 7.5 0"},                                            // Z
    {3.0, "M 3 12.5 L 0 12.5 L 0 -3 L 3 -3"},                                          // [
    {6.0, "M 0 12.5 L 5.8 -1"},                                                        // backslash
    {3.0, "M 0 12.5 L 3 12.5 L 3 -3 L 0 -3"},                                          // ]
    {6.0, "M 0 8.5 L 3 12 L 6 8.5"},                                                   // ^
    {8.0, "M 0 -2.5 L 8 -2.5"},                                                        // _
    {1.5, "M 0 12.5 L 1.5 10.5"},                                                      // `
    {7.0, "A 3.5 4 3.5 4 0 360 ; M 7 8 L 7 0"},                                        // a
    {7.0, "M 0 12 L 0 0 ; A 3.5 4 3.5 4 0 360"},                                       // b
    {6.2, "A 3.5 4 3.5 4 42 318"},                                                     // c
    {7.0, "A 3.5 4 3.5 4 0 360 ; M 7 12 L 7 0"},                                       // d
    {7.0, "M 0 4 L 7 4 A 3.5 4 3.5 4 0 318"},                                          // e
    {5.0, "M 1.8 0 L 1.8 9.8 A 3.9 9.8 2.1 2.2 180 50 ; M 0 8 L 4.4 8"},               // f
    {7.0, "A 3.5 4 3.5 4 0 360 ; M 7 8 L 7 -1.1 A 3.5 -1.1 3.5 2.4 0 -165"},           // g
    {7.0, "M 0 12 L 0 0 ; M 0 4.5 A 3.5 4.5 3.5 3.5 180 0 L 7 0"},                     // h
    {0.0, "M 0 0 L 0 8 ; D 0 11"},                                                     // i
    {2.5, "M 2.5 8 L 2.5 -1.5 A 0.8 -1.5 1.7 2 0 -150 ; D 2.5 11"},                    // j
    {6.5, "M 0 12 L 0 0 ; M 6.3 8 L 0 2.6 ; M 2.3 4.6 L 6.5 0"},                       // k
    {2.2, "M 0 12 L 0 1.8 A 1.8 1.8 1.8 1.8 180 270 L 2.2 0"},                         // l
    {11.0, "M 0 0 L 0 8 ; M 0 5 A 2.75 5 2.75 3 180 0 L 5.5 0 ; M 5.5 5 A 8.25 5 2.75 3 180 0 "
           "L 11 0"},                                                              // m
    {7.0, "M 0 0 L 0 8 ; M 0 4.5 A 3.5 4.5 3.5 3.5 180 0 L 7 0"},                  // n
    {7.0, "A 3.5 4 3.5 4 0 360"},                                                  // o
    {7.0, "M 0 8 L 0 -3.5 ; A 3.5 4 3.5 4 0 360"},                                 // p
    {7.0, "A 3.5 4 3.5 4 0 360 ; M 7 8 L 7 -3.5"},                                 // q
    {4.6, "M 0 0 L 0 8 ; M 0 4.5 A 3.5 4.5 3.5 3.5 180 75"},                       // r
    {6.0, "A 3 6 2.8 2 20 270 A 3 2 3 2 90 -160"},                                 // s
    {4.4, "M 1.8 11 L 1.8 1.8 A 3.6 1.8 1.8 1.8 180 270 L 4.4 0 ; M 0 8 L 4.4 8"}, // t
    {7.0, "M 0 8 L 0 3.5 A 3.5 3.5 3.5 3.5 180 360 ; M 7 8 L 7 0"},                // u
    {7.0, "M 0 8 L 3.5 0 L 7 8"},                                                  // v
    {10.0, "M 0 8 L 2.5 0 L 5 6.5 L 7.5 0 L 10 8"},                                // w
    {6.5, "M 0 8 L 6.5 0 ; M 6.5 8 L 0 0"},                                        // x
    {7.0, "M 0 8 L 3.8 0 ; M 7 8 L 2.4 -3.5"},                                     // y
    {6.5, "M 0 8 L 6.5 8 L 0 0 L 6.5 0"},                                          // z
    {3.5, "M 3.5 12.5 A 3.5 11 1.6 1.5 90 180 L 1.9 6.4 L 0 4.75 L 1.9 3.1 L 1.9 -1.5 "
          "A 3.5 -1.5 1.6 1.5 180 270"}, // {
    {0.0, "M 0 12.5 L 0 -3"},            // |
    {3.5, "M 0 12.5 A 0 11 1.6 1.5 90 0 L 1.6 6.4 L 3.5 4.75 L 1.6 3.1 L 1.6 -1.5 "
          "A 0 -1.5 1.6 1.5 0 -90"},                                // }
    {7.0, "A 1.75 4.8 1.75 1.3 180 0 A 5.25 4.8 1.75 1.3 180 360"}, // ~
    {6.0, "M 0 0 L 6 0 L 6 12 L 0 12 L 0 0"},                       // missing glyph
};

namespace {

// A decimal number at p, without the C library so that the process locale cannot change the
// decimal point; false when there is none.
bool ReadNumber(const char*& p, double& value) {
    while (*p == ' ')
        ++p;
    const bool negative = *p == '-';
    if (negative) ++p;
    const char* start = p;
    double v = 0.0, scale = 1.0;
    for (; *p >= '0' && *p <= '9'; ++p)
        v = v * 10.0 + (*p - '0');
    if (*p == '.')
        for (++p; *p >= '0' && *p <= '9'; ++p)
            v += (*p - '0') * (scale *= 0.1);
    if (p == start) return false;
    value = negative ? -v : v;
    return true;
}

std::vector<GDI_FaceCommand> Parse(const char* path) {
    std::vector<GDI_FaceCommand> out;
    const char* p = path;
    while (*p) {
        const char c = *p++;
        GDI_FaceCommand cmd{};
        int operands;
        switch (c) {
        case 'M':
            cmd.kind = GDI_FaceCommand::Move, operands = 2;
            break;
        case 'L':
            cmd.kind = GDI_FaceCommand::Line, operands = 2;
            break;
        case 'A':
            cmd.kind = GDI_FaceCommand::Arc, operands = 6;
            break;
        case 'D':
            cmd.kind = GDI_FaceCommand::Dot, operands = 2;
            break;
        case ';':
            cmd.kind = GDI_FaceCommand::Lift, operands = 0;
            break;
        case ' ':
            continue;
        default:
            return out;
        }
        for (int i = 0; i < operands; ++i)
            if (!ReadNumber(p, cmd.v[i])) return out;
        out.push_back(cmd);
    }
    return out;
}

} // namespace

const std::vector<GDI_FaceCommand>& GDI_FaceCommands(int glyph) {
    static std::vector<GDI_FaceCommand> parsed[kFaceGlyphCount];
    static std::once_flag once;
    static const std::vector<GDI_FaceCommand> none;
    std::call_once(once, [] {
        for (int i = 0; i < kFaceGlyphCount; ++i)
            parsed[i] = Parse(kFaceGlyphs[i].path);
    });
    return glyph >= 0 && glyph < kFaceGlyphCount ? parsed[glyph] : none;
}
