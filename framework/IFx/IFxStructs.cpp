#include "IFxStructs.h"

#include <algorithm>
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

IRECT::IRECT(int x, int y, const IBitmap& bitmap) : left(x), top(y), right(x + bitmap.width) {
    // A handle made without frames still has one.
    bottom = y + bitmap.height / std::max(bitmap.frameCount, 1);
}

IRECT IRECT::Intersect(const IRECT& other) const {
    if (!Intersects(other)) return IRECT();
    return IRECT(std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                 std::min(bottom, other.bottom));
}

IRECT IRECT::Union(const IRECT& other) const {
    if (Empty()) return other;
    if (other.Empty()) return *this;
    return IRECT(std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                 std::max(bottom, other.bottom));
}

namespace {
// Edges of slice sliceIdx of numSlices along [lo, hi), in single precision as the layouts
// that use them were made with.
void Slice(int lo, int hi, int numSlices, int sliceIdx, int* newLo, int* newHi) {
    if (numSlices < 1) {
        *newLo = lo;
        *newHi = hi;
        return;
    }
    const float size = float(hi - lo) / float(numSlices);
    *newLo = lo + int(size * float(sliceIdx));
    *newHi = int(float(*newLo) + size);
}
} // namespace

IRECT IRECT::SubRectHorizontal(int numSlices, int sliceIdx) const {
    IRECT slice = *this;
    Slice(left, right, numSlices, sliceIdx, &slice.left, &slice.right);
    return slice;
}

IRECT IRECT::SubRectVertical(int numSlices, int sliceIdx) const {
    IRECT slice = *this;
    Slice(top, bottom, numSlices, sliceIdx, &slice.top, &slice.bottom);
    return slice;
}

IText::IText(int textSize, const IColor* textColor, const char* fontName, EStyle textStyle,
             EAlign textAlign, int textOrientation, EQuality textQuality,
             const IColor* entryBGColor, const IColor* entryFGColor)
    : size(textSize), color(textColor ? *textColor : DEFAULT_TEXT_COLOR),
      textEntryBGColor(entryBGColor ? *entryBGColor : DEFAULT_TEXT_ENTRY_BGCOLOR),
      textEntryFGColor(entryFGColor ? *entryFGColor : DEFAULT_TEXT_ENTRY_FGCOLOR), style(textStyle),
      align(textAlign), orientation(textOrientation), quality(textQuality) {
    UTL_CopyText(font, sizeof font, fontName ? fontName : DEFAULT_FONT);
}
