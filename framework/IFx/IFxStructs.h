#pragma once

#include "UTL_HeapBuf.h"
#include "UTL_String.h"

#include <cstdint>
#include <type_traits>

class PIX_IBitmap;
class PIX_IFont;

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

// ---------------------------------------------------------------------------------------------
// Editor records: small values passed between the editor core, the controls and the drawing
// primitives.

struct IBitmap;

// Integer rectangle in editor pixels, right and bottom exclusive. Only the all-zero rectangle is
// empty; a rectangle of zero width elsewhere is not.
struct IRECT {
    int left = 0, top = 0, right = 0, bottom = 0;

    IRECT() = default;
    IRECT(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    // One frame of a vertically stacked image placed at (x, y).
    IRECT(int x, int y, const IBitmap& bitmap);

    bool Empty() const { return !left && !top && !right && !bottom; }
    int W() const { return right - left; }
    int H() const { return bottom - top; }
    float MW() const { return 0.5f * float(left + right); }
    float MH() const { return 0.5f * float(top + bottom); }

    bool Contains(int x, int y) const {
        return !Empty() && x >= left && x < right && y >= top && y < bottom;
    }
    // Not symmetric: a rectangle whose right edge touches other's left edge intersects it, but
    // not the other way round.
    bool Intersects(const IRECT& other) const {
        return !Empty() && !other.Empty() && right >= other.left && left < other.right &&
               bottom >= other.top && top < other.bottom;
    }
    IRECT Intersect(const IRECT& other) const;
    IRECT Union(const IRECT& other) const;
    // Slice sliceIdx (from 0) of numSlices equal columns or rows, edges truncated. Fewer than one
    // slice gives the whole rectangle.
    IRECT SubRectHorizontal(int numSlices, int sliceIdx) const;
    IRECT SubRectVertical(int numSlices, int sliceIdx) const;

    bool operator==(const IRECT& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
    bool operator!=(const IRECT& other) const { return !(*this == other); }
};

// Colour channels, each meant to lie in 0..255; nothing clamps them.
struct IColor {
    int alpha = 255, red = 0, green = 0, blue = 0;

    constexpr IColor() = default;
    constexpr IColor(int a, int r, int g, int b) : alpha(a), red(r), green(g), blue(b) {}

    constexpr bool operator==(const IColor& other) const {
        return alpha == other.alpha && red == other.red && green == other.green &&
               blue == other.blue;
    }
    constexpr bool operator!=(const IColor& other) const { return !(*this == other); }
};

inline constexpr IColor COLOR_TRANSPARENT(0, 0, 0, 0);
inline constexpr IColor COLOR_BLACK(255, 0, 0, 0);
inline constexpr IColor COLOR_GRAY(255, 127, 127, 127);
inline constexpr IColor COLOR_WHITE(255, 255, 255, 255);
inline constexpr IColor COLOR_RED(255, 255, 0, 0);
inline constexpr IColor COLOR_GREEN(255, 0, 255, 0);
inline constexpr IColor COLOR_BLUE(255, 0, 0, 255);
inline constexpr IColor COLOR_YELLOW(255, 255, 255, 0);
inline constexpr IColor COLOR_ORANGE(255, 255, 127, 0);
inline constexpr IColor DEFAULT_TEXT_COLOR = COLOR_BLACK;
inline constexpr IColor DEFAULT_TEXT_ENTRY_BGCOLOR = COLOR_WHITE;
inline constexpr IColor DEFAULT_TEXT_ENTRY_FGCOLOR = COLOR_BLACK;

// How a drawing operation combines its source with the surface, and at what opacity.
struct IChannelBlend {
    // Any other value draws as kBlendAlpha.
    enum EBlendMethod : int32_t { kBlendAlpha = 0, kBlendOverwrite, kBlendAdd, kBlendDodge };

    EBlendMethod method = kBlendAlpha;
    float weight = 1.0f; // 0 invisible .. 1 full

    IChannelBlend() = default;
    IChannelBlend(EBlendMethod m, float w = 1.0f) : method(m), weight(w) {}
};

// A handle on a loaded image of one or more equally sized frames; the bitmap cache owns the
// pixels. Frames are numbered from 1.
struct IBitmap {
    PIX_IBitmap* image = nullptr;
    int width = 0;  // the whole image, all frames
    int height = 0; // the whole image, all frames
    int frameCount = 1;
    bool framesAreHorizontal = false; // false: stacked top to bottom

    IBitmap() = default;
    IBitmap(PIX_IBitmap* img, int w, int h, int frames = 1, bool horizontal = false)
        : image(img), width(w), height(h), frameCount(frames), framesAreHorizontal(horizontal) {}
};

inline constexpr const char* DEFAULT_FONT = "Monaco";

// A text style. Held inside a control and passed by pointer, because the font cache records the
// font it found in it.
struct IText {
    enum EStyle : int32_t { kStyleNormal = 0, kStyleBold, kStyleItalic };
    enum EAlign : int32_t { kAlignLeft = 0, kAlignCenter, kAlignRight };
    enum EQuality : int32_t {
        kQualityDefault = 0,
        kQualityAliased,
        kQualityAntialiased,
        kQualitySubpixel
    };
    static constexpr int kFontNameSize = 32; // 31 characters and the terminator

    char font[kFontNameSize] = {};
    int size = 10; // font height in pixels
    IColor color = DEFAULT_TEXT_COLOR;
    IColor textEntryBGColor = DEFAULT_TEXT_ENTRY_BGCOLOR;
    IColor textEntryFGColor = DEFAULT_TEXT_ENTRY_FGCOLOR;
    EStyle style = kStyleNormal;
    EAlign align = kAlignCenter;
    int orientation = 0; // degrees
    EQuality quality = kQualityDefault;
    PIX_IFont* cachedFont = nullptr; // found in the font cache on first use; not owned

    // Null pointers take the defaults; a face name longer than 31 characters is cut.
    explicit IText(int size = 10, const IColor* color = nullptr, const char* font = nullptr,
                   EStyle style = kStyleNormal, EAlign align = kAlignCenter, int orientation = 0,
                   EQuality quality = kQualityDefault, const IColor* textEntryBGColor = nullptr,
                   const IColor* textEntryFGColor = nullptr);
};

// Mouse buttons and modifier keys of a mouse event. right also stands for command-click.
struct IMouseMod {
    bool left = false, right = false, shift = false, control = false, alt = false;

    IMouseMod() = default;
    IMouseMod(bool l, bool r = false, bool s = false, bool c = false, bool a = false)
        : left(l), right(r), shift(s), control(c), alt(a) {}
};

// What a file prompt asks for.
enum EFileAction { kFileOpen = 0, kFileSave = 1 };
