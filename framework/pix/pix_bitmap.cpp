#include "pix.h"

#include "gdi.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace {

// Pixel storage is kept within 2 GiB so that byte and pixel offsets fit in an int everywhere.
constexpr int64_t kMaxPixelBytes = INT_MAX - 63;

} // namespace

PIX_MemBitmap::PIX_MemBitmap(int width, int height, unsigned int rowAlignment) {
    // The lowest set bit of the alignment, at most 16 pixels.
    const unsigned int lowest = rowAlignment & (0u - rowAlignment);
    mRowAlignMask = lowest > 16 ? 15 : lowest ? lowest - 1 : 0;
    if (width > 0 && height > 0) resize(width, height);
}

PIX_MemBitmap::~PIX_MemBitmap() {
    std::free(mBlock);
}

PIX_pixel* PIX_MemBitmap::getBits() {
    if (!mBlock) return nullptr;
    return reinterpret_cast<PIX_pixel*>((reinterpret_cast<uintptr_t>(mBlock) + 63) &
                                        ~uintptr_t(63));
}

bool PIX_MemBitmap::resize(int width, int height) {
    if (width == mWidth && height == mHeight) return false;
    mWidth = width;
    mHeight = height;

    int64_t needed = 0;
    if (width > 0 && height > 0) {
        const int64_t span = (int64_t(width) + mRowAlignMask) & ~int64_t(mRowAlignMask);
        needed = span * height * 4;
        if (needed > kMaxPixelBytes) needed = -1; // too large: as if memory ran out
    }

    if (needed <= 0) {
        std::free(mBlock);
        mBlock = nullptr;
        mAllocBytes = 0;
    } else if (!mBlock) {
        mBlock = std::malloc(size_t(needed) + 63);
        mAllocBytes = mBlock ? int(needed) : 0;
    } else if (mAllocBytes < needed) {
        const int64_t grown = std::min(needed + needed / 4, kMaxPixelBytes);
        if (void* block = std::realloc(mBlock, size_t(grown) + 63)) {
            mBlock = block;
            mAllocBytes = int(grown);
        } else {
            std::free(mBlock);
            mBlock = std::malloc(size_t(needed) + 63);
            mAllocBytes = mBlock ? int(needed) : 0;
        }
    }
    if (!mBlock) {
        mWidth = 0;
        mHeight = 0;
    }
    return true;
}

PIX_SysBitmap::PIX_SysBitmap(int width, int height) {
    resize(width, height);
}

PIX_SysBitmap::~PIX_SysBitmap() {
    GDI_DeleteGfxContext(mDC);
}

bool PIX_SysBitmap::resize(int width, int height) {
    if (width == mWidth && height == mHeight) return false;
    mWidth = width;
    mHeight = height;
    if (width > 0 && height > 0 && width <= mAllocWidth && height <= mAllocHeight && mBits)
        return true;

    mAllocWidth = width > 0 ? int((int64_t(width) + 3) & ~int64_t(3)) : width;
    mAllocHeight = height;
    GDI_DeleteGfxContext(mDC);
    mDC = nullptr;
    mBits = nullptr;
    if (mAllocWidth < 1 || mAllocHeight < 1) return false;

    mDC = GDI_CreateMemContext(mAllocWidth, mAllocHeight);
    mBits = static_cast<PIX_pixel*>(GDI_GetCtxFrameBuffer(mDC));
    if (!mBits) {
        mWidth = 0;
        mHeight = 0;
    }
    return true;
}
