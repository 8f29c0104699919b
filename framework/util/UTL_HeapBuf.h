#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>
#include <vector>

// Growable block of raw bytes. Capacity grows in whole multiples of the granularity so that
// repeated small resizes do not reallocate each time.
class UTL_HeapBuf {
public:
    explicit UTL_HeapBuf(int granularity = 4096)
        : mGranularity(granularity > 0 ? granularity : 1) {}

    void* Get() { return mBytes.empty() ? nullptr : mBytes.data(); }
    const void* Get() const { return mBytes.empty() ? nullptr : mBytes.data(); }
    int GetSize() const { return static_cast<int>(mBytes.size()); }

    // Sets the size to newSize bytes, keeping the leading contents; bytes added at the end are
    // zero. Returns the (possibly moved) block, or null when newSize is negative or memory ran
    // out, in which case the buffer is unchanged.
    void* Resize(int newSize);

private:
    std::vector<unsigned char> mBytes;
    size_t mGranularity;
};

// Growable array of one trivially copyable element type, stored in a UTL_HeapBuf.
template <class T> class UTL_TypedBuf {
    static_assert(std::is_trivially_copyable_v<T>, "UTL_TypedBuf holds plain values only");

public:
    explicit UTL_TypedBuf(int granularity = 4096) : mBuf(granularity) {}

    T* Get() { return static_cast<T*>(mBuf.Get()); }
    const T* Get() const { return static_cast<const T*>(mBuf.Get()); }
    int GetSize() const { return mBuf.GetSize() / static_cast<int>(sizeof(T)); }

    // Null when count is negative, too large to address, or memory ran out (buffer unchanged).
    T* Resize(int count) {
        if (count < 0 || static_cast<size_t>(count) > kMaxCount) return nullptr;
        return static_cast<T*>(mBuf.Resize(count * static_cast<int>(sizeof(T))));
    }

    // Appends one element; returns its address, or null when the buffer could not grow.
    T* Add(const T& value) {
        const int size = GetSize();
        T* items = Resize(size + 1);
        if (!items) return nullptr;
        std::memcpy(static_cast<void*>(items + size), &value, sizeof(T));
        return items + size;
    }

private:
    static constexpr size_t kMaxCount = static_cast<size_t>(0x7fffffff) / sizeof(T);

    UTL_HeapBuf mBuf;
};
