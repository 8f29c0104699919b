// PNG decoding from memory on arbitrary bytes, into a new bitmap or into one the caller gives.
#include "FuzzSupport.h"
#include "pix.h"

#include <cstdint>
#include <cstring>

namespace {

// Reads every pixel, so that a bitmap claiming more than it holds is caught.
uint32_t Checksum(PIX_IBitmap* bitmap) {
    uint32_t sum = 0;
    const int width = bitmap->getWidth(), height = bitmap->getHeight();
    FUZZ_CHECK(width > 0 && height > 0 && bitmap->getRowSpan() >= width);
    const PIX_pixel* bits = bitmap->getBits();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            sum += bits[ptrdiff_t(y) * bitmap->getRowSpan() + x];
    return sum;
}

uint32_t BigEndian(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Inputs that only cost time: a large declared image spends it on memory, and a chunk longer
// than the data makes the decoder skip up to 2 GiB of the zeros the memory reader supplies past
// the end. The tests cover both.
bool OnlyCostsTime(const uint8_t* data, size_t size) {
    if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0 &&
        uint64_t(BigEndian(data + 16)) * BigEndian(data + 20) > (1u << 16))
        return true;
    for (size_t at = 8; at + 8 <= size; at += 12 + size_t(BigEndian(data + at)))
        if (BigEndian(data + at) > size - at - 8) return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 22) || OnlyCostsTime(data, size)) return -1;
    const int length = int(size);
    if (PIX_IBitmap* made = PIX_LoadPNGFromMemory(data, length, nullptr)) {
        volatile uint32_t sum = Checksum(made);
        (void)sum;
        delete made;
    }
    // A caller's bitmap is filled in place and never deleted.
    PIX_MemBitmap given(3, 2);
    PIX_IBitmap* result = PIX_LoadPNGFromMemory(data, length, &given);
    FUZZ_CHECK(!result || result == &given);
    if (result) {
        volatile uint32_t sum = Checksum(result);
        (void)sum;
    }
    return 0;
}
