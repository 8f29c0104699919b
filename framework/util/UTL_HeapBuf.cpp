#include "UTL_HeapBuf.h"

#include <new>

void* UTL_HeapBuf::Resize(int newSize) {
    if (newSize < 0) return nullptr;
    const size_t size = static_cast<size_t>(newSize);
    try {
        if (size > mBytes.capacity()) {
            const size_t rounded = (size + mGranularity - 1) / mGranularity * mGranularity;
            mBytes.reserve(rounded);
        }
        mBytes.resize(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return Get();
}
