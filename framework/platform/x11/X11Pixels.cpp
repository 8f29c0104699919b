// Pixel conversion from views' backing stores to X images.
#include "X11Pixels.h"

#include <cstring>
#include <initializer_list>

namespace {

struct Channel {
    int shift = 0;
    int bits = 0;
};

Channel ChannelOf(uint32_t mask) {
    Channel channel;
    if (!mask) return channel;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++channel.shift;
    }
    while (mask & 1u) {
        mask >>= 1;
        ++channel.bits;
    }
    // Bits left above the run: the mask is not one run.
    if (mask) channel.bits = 0;
    return channel;
}

// An 8-bit value scaled to the channel's width, rounded to the nearest level.
uint32_t Scaled(uint32_t value, const Channel& channel) {
    const uint32_t top = (1u << channel.bits) - 1;
    return ((value * top + 127) / 255) << channel.shift;
}

struct Channels {
    explicit Channels(const X11PixelFormat& format)
        : red(ChannelOf(format.redMask)), green(ChannelOf(format.greenMask)),
          blue(ChannelOf(format.blueMask)) {}
    uint32_t Pack(uint32_t rgb) const {
        return Scaled((rgb >> 16) & 0xff, red) | Scaled((rgb >> 8) & 0xff, green) |
               Scaled(rgb & 0xff, blue);
    }
    Channel red, green, blue;
};

bool IsPlainLayout(const X11PixelFormat& format) {
    // 0x00RRGGBB words in the machine's own byte order: the store's layout without alpha.
    const bool hostMsbFirst = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;
    return format.bitsPerPixel == 32 && format.msbFirst == hostMsbFirst &&
           format.redMask == 0x00ff0000 && format.greenMask == 0x0000ff00 &&
           format.blueMask == 0x000000ff;
}

} // namespace

bool X11CanConvert(const X11PixelFormat& format) {
    if (format.bitsPerPixel != 16 && format.bitsPerPixel != 24 && format.bitsPerPixel != 32)
        return false;
    const uint64_t limit = format.bitsPerPixel == 32 ? 0x100000000ull : 1ull << format.bitsPerPixel;
    for (const uint32_t mask : {format.redMask, format.greenMask, format.blueMask}) {
        const Channel channel = ChannelOf(mask);
        if (channel.bits < 1 || channel.bits > 16 || mask >= limit) return false;
    }
    return !(format.redMask & format.greenMask) && !(format.redMask & format.blueMask) &&
           !(format.greenMask & format.blueMask);
}

uint32_t X11PixelValue(uint32_t rgb, const X11PixelFormat& format) {
    return Channels(format).Pack(rgb);
}

void X11ConvertRow(const uint32_t* from, unsigned char* to, int count,
                   const X11PixelFormat& format) {
    if (IsPlainLayout(format)) {
        for (int i = 0; i < count; ++i) {
            const uint32_t pixel = from[i] & 0x00ffffffu;
            std::memcpy(to + 4 * i, &pixel, 4);
        }
        return;
    }
    const Channels channels(format);
    const int bytes = format.bitsPerPixel / 8;
    for (int i = 0; i < count; ++i) {
        const uint32_t pixel = channels.Pack(from[i]);
        unsigned char* out = to + bytes * i;
        for (int b = 0; b < bytes; ++b) {
            const int shift = format.msbFirst ? 8 * (bytes - 1 - b) : 8 * b;
            out[b] = static_cast<unsigned char>(pixel >> shift);
        }
    }
}

void X11BlendRow(const uint32_t* from, uint32_t* onto, int count) {
    for (int i = 0; i < count; ++i) {
        const uint32_t source = from[i];
        const uint32_t alpha = source >> 24;
        if (alpha == 0xff) {
            onto[i] = source;
        } else if (alpha != 0 || source != 0) {
            // Each channel of the surface keeps what the source's alpha leaves of it.
            const uint32_t keep = 255 - alpha;
            const uint32_t under = onto[i];
            uint32_t blended = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const uint32_t value =
                    ((source >> shift) & 0xff) + (((under >> shift) & 0xff) * keep + 127) / 255;
                blended |= (value > 255 ? 255 : value) << shift;
            }
            onto[i] = blended;
        }
    }
}
