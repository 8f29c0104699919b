#pragma once

#include <string>

// Writes an image of width x height 8-bit RGB pixels (rows top first, 3 bytes a pixel, rows
// packed) as a PNG file. The file appears complete or not at all (see PendingFile); failures
// throw CommandError naming the file.
void WritePngFile(const std::string& path, int width, int height, const unsigned char* rgb);
