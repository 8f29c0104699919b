#pragma once

// Putting the pixels of views' backing stores into X images.

#include <cstdint>

// How an X image lays out a pixel: the channel masks of its visual, the bits a pixel takes and
// the order of the bytes in it.
struct X11PixelFormat {
    uint32_t redMask = 0x00ff0000;
    uint32_t greenMask = 0x0000ff00;
    uint32_t blueMask = 0x000000ff;
    int bitsPerPixel = 32;
    bool msbFirst = false;
};

// True for the formats X11ConvertRow writes: 16, 24 or 32 bits a pixel, each channel one run of
// 1 to 16 bits, no two channels overlapping.
bool X11CanConvert(const X11PixelFormat& format);

// The pixel value of a colour 0xRRGGBB in the format (for drawing with a plain colour).
uint32_t X11PixelValue(uint32_t rgb, const X11PixelFormat& format);

// Writes count pixels given as 32-bit words 0xAARRGGBB (premultiplied, as views keep them) in the
// format; the alpha is dropped, so what is not opaque shows over black.
void X11ConvertRow(const uint32_t* from, unsigned char* to, int count,
                   const X11PixelFormat& format);

// Draws count premultiplied pixels over others ("source over").
void X11BlendRow(const uint32_t* from, uint32_t* onto, int count);
