#pragma once

#include "UTL_HeapBuf.h"
#include "UTL_String.h"

#include <cstdint>
#include <type_traits>

// Growable byte buffer that all plug-in state passes through. Scalars are stored as their raw
// native bytes without alignment or tags; a string as a 32-bit length and its bytes without a
// terminator. Reads take a start position and return the position after what they read, or -1
// (destination untouched) when the read would leave the stored bytes.
class ByteChunk {
public:
    // Put functions return the new size, or 0 when nothing could be appended (a negative count,
    // a size beyond the int range, memory exhausted).
    int PutBytes(const void* source, int count);
    template <class T> int Put(const T* value) {
        static_assert(kIsStorable<T>, "chunks store 32-bit ints and doubles");
        return PutBytes(value, static_cast<int>(sizeof(T)));
    }
    int PutStr(const char* text);
    int PutBool(bool value);
    int PutChunk(const ByteChunk* other);

    void Clear() { mBytes.Resize(0); }
    int Size() const { return mBytes.GetSize(); }
    // Bytes added at the end are zero. Returns the old size; a negative or unattainable size
    // leaves the chunk as it was.
    int Resize(int newSize);

    // Null while the chunk is empty.
    unsigned char* GetBytes() { return mBytes.Get(); }
    const unsigned char* GetBytes() const { return mBytes.Get(); }

    int GetBytes(void* dest, int count, int startPos) const;
    template <class T> int Get(T* dest, int startPos) const {
        static_assert(kIsStorable<T>, "chunks store 32-bit ints and doubles");
        return GetBytes(dest, static_cast<int>(sizeof(T)), startPos);
    }
    // A zero length leaves the string as it was and returns the position after the length; a
    // negative length or one that runs past the end is malformed data and returns -1.
    int GetStr(UTL_String* dest, int startPos) const;
    // Any non-zero byte reads as true.
    int GetBool(bool* dest, int startPos) const;

private:
    template <class T>
    static constexpr bool kIsStorable =
        std::is_same_v<T, int32_t> || std::is_same_v<T, uint32_t> || std::is_same_v<T, double>;

    UTL_TypedBuf<unsigned char> mBytes;
};

// One preset: a name and the state bytes SerializeState wrote for it.
struct IPreset {
    static constexpr int kNameSize = 256; // 255 characters and the terminator

    // Presets are made in index order; the index itself is not kept.
    explicit IPreset(int index);

    // Cuts longer names to 255 characters.
    void SetName(const char* name);

    bool mInitialized = false;
    char mName[kNameSize] = {};
    ByteChunk mChunk;
};

// A short MIDI message at a frame offset into the current block.
struct IMidiMsg {
    int mOffset = 0;
    uint8_t mStatus = 0;
    uint8_t mData1 = 0;
    uint8_t mData2 = 0;
};

// A system-exclusive message; the bytes belong to the sender.
struct ISysEx {
    int mOffset = 0;
    const uint8_t* mData = nullptr;
    int mSize = 0;
};

// Transport and musical time as the host reports it.
struct ITimeInfo {
    double mTempo = 120.0;
    double mSamplePos = 0.0;
    double mPPQPos = 0.0;
    double mLastBar = 0.0;
    int mNumerator = 4;
    int mDenominator = 4;
    bool mTransportIsRunning = false;
    bool mTransportLoopEnabled = false;
};
