#pragma once

// PNG images written by libpng from raw rows in the file's own sample layout, for the tests of
// the decoder and for the fuzzer's seed images.

#include <png.h>

#include <vector>

struct PngImage {
    int width = 0, height = 0, colorType = PNG_COLOR_TYPE_RGB, bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    std::vector<std::vector<png_byte>> rows;
};

// The file's bytes; empty when libpng refuses the description.
std::vector<unsigned char> WritePng(const PngImage& image);

// An 8-bit RGB image whose pixel (x, y) is (x * 40, y * 30, x + y).
PngImage RgbImage(int w, int h);
