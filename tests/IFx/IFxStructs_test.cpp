#include "IFxStructs.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {
std::vector<unsigned char> Bytes(const ByteChunk& chunk) {
    const unsigned char* bytes = chunk.GetBytes();
    return bytes ? std::vector<unsigned char>(bytes, bytes + chunk.Size())
                 : std::vector<unsigned char>();
}

// A chunk holding one 32-bit length and the given bytes after it.
ByteChunk StringRecord(int32_t length, const char* text) {
    ByteChunk chunk;
    chunk.Put(&length);
    chunk.PutBytes(text, static_cast<int>(std::strlen(text)));
    return chunk;
}
} // namespace

TEST(ByteChunk, PutsStoreRawNativeBytes) {
    ByteChunk chunk;
    EXPECT_EQ(chunk.Size(), 0);
    EXPECT_EQ(chunk.GetBytes(), nullptr);
    const int32_t i = -2;
    const uint32_t u = 0x01020304;
    const double d = 1.0;
    EXPECT_EQ(chunk.Put(&i), 4);
    EXPECT_EQ(chunk.Put(&u), 8);
    EXPECT_EQ(chunk.Put(&d), 16);
    EXPECT_EQ(chunk.PutBool(true), 17);
    EXPECT_EQ(chunk.PutBool(false), 18);
    EXPECT_EQ(chunk.PutStr("ab"), 24);
    const std::vector<unsigned char> expected = {0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01,
                                                 0,    0,    0,    0,    0,    0,    0xF0, 0x3F,
                                                 1,    0,    2,    0,    0,    0,    'a',  'b'};
    EXPECT_EQ(Bytes(chunk), expected);

    int32_t i2 = 0;
    uint32_t u2 = 0;
    double d2 = 0;
    bool b1 = false, b2 = true;
    UTL_String s;
    int pos = chunk.Get(&i2, 0);
    pos = chunk.Get(&u2, pos);
    pos = chunk.Get(&d2, pos);
    pos = chunk.GetBool(&b1, pos);
    pos = chunk.GetBool(&b2, pos);
    pos = chunk.GetStr(&s, pos);
    EXPECT_EQ(pos, 24);
    EXPECT_EQ(i2, i);
    EXPECT_EQ(u2, u);
    EXPECT_EQ(d2, d);
    EXPECT_TRUE(b1);
    EXPECT_FALSE(b2);
    EXPECT_STREQ(s.Get(), "ab");

    chunk.GetBytes()[16] = 0x80; // any non-zero byte reads as true
    EXPECT_EQ(chunk.GetBool(&b2, 16), 17);
    EXPECT_TRUE(b2);
}

TEST(ByteChunk, EmptyStringIsFourZeroBytesAndReadsAsNoChange) {
    ByteChunk chunk;
    EXPECT_EQ(chunk.PutStr(""), 4);
    EXPECT_EQ(chunk.PutStr(nullptr), 8);
    EXPECT_EQ(Bytes(chunk), std::vector<unsigned char>(8, 0));
    UTL_String s("kept");
    EXPECT_EQ(chunk.GetStr(&s, 0), 4);
    EXPECT_STREQ(s.Get(), "kept");
}

TEST(ByteChunk, HostileReadsReturnMinusOneAndTouchNothing) {
    ByteChunk chunk;
    const double d = 2.5;
    chunk.Put(&d);
    chunk.Put(&d); // 16 bytes

    double value = 7.0;
    for (int pos : {-1, -8, 9, 16, 17, INT_MAX, INT_MAX - 4, INT_MIN})
        EXPECT_EQ(chunk.Get(&value, pos), -1) << pos;
    EXPECT_EQ(value, 7.0);
    EXPECT_EQ(chunk.Get(&value, 8), 16); // the last whole value still reads

    unsigned char bytes[4] = {9, 9, 9, 9};
    EXPECT_EQ(chunk.GetBytes(bytes, -1, 0), -1);
    EXPECT_EQ(chunk.GetBytes(bytes, INT_MAX, 8), -1); // start + count would wrap in 32 bits
    EXPECT_EQ(chunk.GetBytes(bytes, 4, INT_MAX), -1);
    EXPECT_EQ(chunk.GetBytes(nullptr, 4, 0), -1);
    EXPECT_EQ(bytes[0], 9);
    EXPECT_EQ(chunk.GetBytes(bytes, 0, 16), 16);

    bool flag = true;
    EXPECT_EQ(chunk.GetBool(&flag, 16), -1);
    EXPECT_EQ(chunk.GetBool(&flag, -1), -1);
    EXPECT_TRUE(flag);

    UTL_String s("kept");
    EXPECT_EQ(chunk.GetStr(&s, 13), -1); // the length itself is cut off
    EXPECT_EQ(StringRecord(INT_MAX, "abc").GetStr(&s, 0), -1);
    EXPECT_EQ(StringRecord(INT_MAX - 2, "abc").GetStr(&s, 0), -1);
    EXPECT_EQ(StringRecord(4, "abc").GetStr(&s, 0), -1); // one byte too long
    EXPECT_EQ(StringRecord(-4, "abcd").GetStr(&s, 0), -1);
    EXPECT_EQ(StringRecord(INT_MIN, "abcd").GetStr(&s, 0), -1);
    EXPECT_STREQ(s.Get(), "kept");
    EXPECT_EQ(StringRecord(3, "abc").GetStr(&s, 0), 7);
    EXPECT_STREQ(s.Get(), "abc");
}

TEST(ByteChunk, RefusedPutsAppendNothing) {
    ByteChunk chunk;
    const int32_t i = 1;
    chunk.Put(&i);
    EXPECT_EQ(chunk.PutBytes(&i, -1), 0);
    EXPECT_EQ(chunk.PutBytes(nullptr, 4), 0);
    EXPECT_EQ(chunk.PutBytes(&i, INT_MAX), 0); // size would pass the int range
    EXPECT_EQ(chunk.PutChunk(nullptr), 0);
    EXPECT_EQ(chunk.PutBytes(&i, 0), 4);
    EXPECT_EQ(chunk.Size(), 4);
}

TEST(ByteChunk, ChunksCopyAppendResizeAndClear) {
    ByteChunk a;
    a.PutStr("xy");
    ByteChunk b;
    b.PutBool(true);
    EXPECT_EQ(b.PutChunk(&a), 7);
    EXPECT_EQ(b.PutChunk(&b), 14); // appending a chunk to itself doubles it
    std::vector<unsigned char> half = {1, 2, 0, 0, 0, 'x', 'y'};
    std::vector<unsigned char> twice = half;
    twice.insert(twice.end(), half.begin(), half.end());
    EXPECT_EQ(Bytes(b), twice);

    ByteChunk copy = b;
    copy.GetBytes()[0] = 42;
    EXPECT_EQ(b.GetBytes()[0], 1); // copies own their bytes

    EXPECT_EQ(b.Resize(20), 14);
    EXPECT_EQ(b.Size(), 20);
    for (int i = 14; i < 20; ++i)
        EXPECT_EQ(b.GetBytes()[i], 0);
    EXPECT_EQ(b.Resize(-3), 20);
    EXPECT_EQ(b.Size(), 20);
    EXPECT_EQ(b.Resize(2), 20);
    EXPECT_EQ(Bytes(b), (std::vector<unsigned char>{1, 2}));
    b.Clear();
    EXPECT_EQ(b.Size(), 0);
}

TEST(IPreset, StartsEmptyAndCutsLongNames) {
    IPreset preset(3);
    EXPECT_FALSE(preset.mInitialized);
    EXPECT_STREQ(preset.mName, "empty");
    EXPECT_EQ(preset.mChunk.Size(), 0);
    const std::string longName(300, 'n');
    preset.SetName(longName.c_str());
    EXPECT_EQ(std::string(preset.mName), longName.substr(0, 255));
    preset.SetName(nullptr);
    EXPECT_STREQ(preset.mName, "");
}

TEST(IRECT, EmptyOnlyWhenAllZero) {
    EXPECT_TRUE(IRECT().Empty());
    EXPECT_FALSE(IRECT(5, 5, 5, 10).Empty()); // zero width elsewhere is a rectangle
    EXPECT_EQ(IRECT(2, 3, 12, 8).W(), 10);
    EXPECT_EQ(IRECT(2, 3, 12, 8).H(), 5);
    EXPECT_FLOAT_EQ(IRECT(0, 0, 5, 5).MW(), 2.5f);
    EXPECT_FLOAT_EQ(IRECT(0, 1, 5, 4).MH(), 2.5f);
}

TEST(IRECT, ContainsIsHalfOpenAndFalseForEmpty) {
    const IRECT r(0, 0, 10, 10);
    EXPECT_TRUE(r.Contains(0, 0));
    EXPECT_TRUE(r.Contains(9, 9));
    EXPECT_FALSE(r.Contains(10, 5));
    EXPECT_FALSE(r.Contains(5, 10));
    EXPECT_FALSE(r.Contains(-1, 5));
    EXPECT_FALSE(IRECT().Contains(0, 0));
}

TEST(IRECT, IntersectsIsAsymmetricAtASharedEdge) {
    const IRECT a(0, 0, 10, 10), b(10, 0, 20, 10);
    EXPECT_TRUE(a.Intersects(b));
    EXPECT_FALSE(b.Intersects(a));
    const IRECT seam = a.Intersect(b);
    EXPECT_EQ(seam, IRECT(10, 0, 10, 10));
    EXPECT_FALSE(seam.Empty());
    EXPECT_EQ(b.Intersect(a), IRECT());

    // The same rule on the other axis.
    const IRECT below(0, 10, 10, 20);
    EXPECT_TRUE(a.Intersects(below));
    EXPECT_FALSE(below.Intersects(a));

    EXPECT_FALSE(IRECT().Intersects(a));
    EXPECT_FALSE(a.Intersects(IRECT()));
    EXPECT_EQ(IRECT(0, 0, 10, 10).Intersect(IRECT(5, -5, 8, 20)), IRECT(5, 0, 8, 10));
    EXPECT_EQ(IRECT(0, 0, 10, 10).Intersect(IRECT(30, 30, 40, 40)), IRECT());
}

TEST(IRECT, UnionIgnoresTheEmptyRectangle) {
    const IRECT r(3, 4, 5, 6);
    EXPECT_EQ(IRECT().Union(r), r);
    EXPECT_EQ(r.Union(IRECT()), r);
    EXPECT_EQ(IRECT(0, 0, 10, 10).Union(IRECT(20, 20, 30, 30)), IRECT(0, 0, 30, 30));
    // Union with the empty rectangle does not stretch to the origin.
    EXPECT_EQ(IRECT(20, 20, 30, 30).Union(IRECT()), IRECT(20, 20, 30, 30));
}

TEST(IRECT, SubRectsTruncateTheirEdges) {
    const IRECT r(0, 0, 100, 10);
    EXPECT_EQ(r.SubRectHorizontal(3, 0), IRECT(0, 0, 33, 10));
    EXPECT_EQ(r.SubRectHorizontal(3, 1), IRECT(33, 0, 66, 10));
    EXPECT_EQ(r.SubRectHorizontal(3, 2), IRECT(66, 0, 99, 10)); // the last column is left over
    const IRECT tall(5, 10, 15, 110);
    EXPECT_EQ(tall.SubRectVertical(3, 1), IRECT(5, 43, 15, 76));
    EXPECT_EQ(IRECT(10, 0, 17, 4).SubRectHorizontal(2, 1), IRECT(13, 0, 16, 4));

    // No slices at all: the whole rectangle rather than a division by zero.
    EXPECT_EQ(r.SubRectHorizontal(0, 0), r);
    EXPECT_EQ(r.SubRectVertical(0, 2), r);
    EXPECT_EQ(r.SubRectVertical(-3, 0), r);
}

TEST(IRECT, FromABitmapIsOneVerticalFrame) {
    const IBitmap knob(nullptr, 48, 4800, 100);
    EXPECT_EQ(IRECT(10, 20, knob), IRECT(10, 20, 58, 68));
    EXPECT_EQ(IRECT(0, 0, IBitmap(nullptr, 20, 41, 2)), IRECT(0, 0, 20, 20));
    // A handle without frames counts as one frame.
    EXPECT_EQ(IRECT(1, 2, IBitmap(nullptr, 8, 9, 0)), IRECT(1, 2, 9, 11));
}

TEST(IColor, ConstantsAndDefaults) {
    EXPECT_EQ(COLOR_GRAY, IColor(255, 127, 127, 127));
    EXPECT_EQ(COLOR_ORANGE, IColor(255, 255, 127, 0));
    EXPECT_EQ(COLOR_TRANSPARENT, IColor(0, 0, 0, 0));
    EXPECT_EQ(DEFAULT_TEXT_COLOR, COLOR_BLACK);
    EXPECT_EQ(DEFAULT_TEXT_ENTRY_BGCOLOR, COLOR_WHITE);
    EXPECT_EQ(DEFAULT_TEXT_ENTRY_FGCOLOR, COLOR_BLACK);
    const IColor c(1, 2, 3, 4);
    EXPECT_EQ(c.alpha, 1); // alpha first, as constructed
    EXPECT_EQ(c.blue, 4);
}

TEST(IText, NullPointersTakeTheDefaults) {
    const IText text(12, nullptr, nullptr, IText::kStyleBold, IText::kAlignRight, 90,
                     IText::kQualityAliased, nullptr, nullptr);
    EXPECT_STREQ(text.font, "Monaco");
    EXPECT_EQ(text.color, COLOR_BLACK);
    EXPECT_EQ(text.textEntryBGColor, COLOR_WHITE);
    EXPECT_EQ(text.textEntryFGColor, COLOR_BLACK);
    EXPECT_EQ(text.size, 12);
    EXPECT_EQ(text.style, IText::kStyleBold);
    EXPECT_EQ(text.align, IText::kAlignRight);
    EXPECT_EQ(text.orientation, 90);
    EXPECT_EQ(text.cachedFont, nullptr);

    const IText plain;
    EXPECT_EQ(plain.size, 10);
    EXPECT_EQ(plain.align, IText::kAlignCenter);
    EXPECT_EQ(plain.style, IText::kStyleNormal);
    EXPECT_EQ(plain.quality, IText::kQualityDefault);

    const IColor red = COLOR_RED, blue = COLOR_BLUE;
    const IText styled(10, &red, "Courier", IText::kStyleNormal, IText::kAlignLeft, 0,
                       IText::kQualityDefault, &blue, &red);
    EXPECT_EQ(styled.color, COLOR_RED);
    EXPECT_EQ(styled.textEntryBGColor, COLOR_BLUE);
    EXPECT_STREQ(styled.font, "Courier");
}

TEST(IText, LongFaceNamesAreCutTo31Characters) {
    const std::string longName(40, 'f');
    const IText text(10, nullptr, longName.c_str());
    EXPECT_EQ(std::string(text.font), std::string(31, 'f'));
}
