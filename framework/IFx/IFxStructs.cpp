#include "IFxStructs.h"

#include <climits>
#include <cstring>
#include <functional>

namespace {
// True when [startPos, startPos + count) lies inside size bytes; computed in 64 bits so that
// huge values cannot wrap around into range.
bool InRange(int startPos, int count, int size) {
    return startPos >= 0 && count >= 0 &&
           static_cast<int64_t>(startPos) + static_cast<int64_t>(count) <= size;
}
} // namespace

int ByteChunk::PutBytes(const void* source, int count) {
    const int oldSize = Size();
    if (count < 0 || static_cast<int64_t>(oldSize) + count > INT_MAX) return 0;
    if (count == 0) return oldSize;
    if (!source) return 0;

    // The source may lie inside this chunk (a chunk appended to itself), and growing may move
    // the storage, so remember where it was.
    const unsigned char* bytes = static_cast<const unsigned char*>(source);
    const unsigned char* oldData = mBytes.Get();
    const std::less<const unsigned char*> before;
    const bool fromSelf = oldData && !before(bytes, oldData) && before(bytes, oldData + oldSize);
    const ptrdiff_t selfOffset = fromSelf ? bytes - oldData : 0;

    unsigned char* data = mBytes.Resize(oldSize + count);
    if (!data) return 0;
    std::memcpy(data + oldSize, fromSelf ? data + selfOffset : bytes, static_cast<size_t>(count));
    return Size();
}

int ByteChunk::PutStr(const char* text) {
    const size_t length = text ? std::strlen(text) : 0;
    if (length > static_cast<size_t>(INT_MAX - 4)) return 0;
    const int32_t storedLength = static_cast<int32_t>(length);
    const int oldSize = Size();
    if (Put(&storedLength) <= 0 || PutBytes(text, storedLength) <= 0) {
        mBytes.Resize(oldSize); // never leave a length without its characters
        return 0;
    }
    return Size();
}

int ByteChunk::PutBool(bool value) {
    const unsigned char byte = value ? 1 : 0;
    return PutBytes(&byte, 1);
}

int ByteChunk::PutChunk(const ByteChunk* other) {
    if (!other) return 0;
    return PutBytes(other->GetBytes(), other->Size());
}

int ByteChunk::Resize(int newSize) {
    const int oldSize = Size();
    mBytes.Resize(newSize);
    return oldSize;
}

int ByteChunk::GetBytes(void* dest, int count, int startPos) const {
    if (!InRange(startPos, count, Size()) || (count > 0 && !dest)) return -1;
    if (count > 0) std::memcpy(dest, mBytes.Get() + startPos, static_cast<size_t>(count));
    return startPos + count;
}

int ByteChunk::GetStr(UTL_String* dest, int startPos) const {
    int32_t length = 0;
    const int textPos = Get(&length, startPos);
    if (textPos < 0) return -1;
    if (length == 0) return textPos;
    if (!InRange(textPos, length, Size())) return -1;
    if (dest) dest->Set(reinterpret_cast<const char*>(mBytes.Get() + textPos), length);
    return textPos + length;
}

int ByteChunk::GetBool(bool* dest, int startPos) const {
    unsigned char byte = 0;
    const int pos = GetBytes(&byte, 1, startPos);
    if (pos >= 0 && dest) *dest = byte != 0;
    return pos;
}

IPreset::IPreset(int) {
    SetName("empty");
}

void IPreset::SetName(const char* name) {
    UTL_CopyText(mName, sizeof mName, name);
}
