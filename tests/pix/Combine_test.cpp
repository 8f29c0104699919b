#include "PixTestUtil.h"
#include "pix_combine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

namespace {

struct Bytes {
    int a, r, g, b;
};

// Runs one combine class on a destination pixel and returns the result's channels.
template <class C> Bytes Combine(Bytes dest, int r, int g, int b, int a, int w) {
    PIX_pixel p = PIX_RGBA(dest.r, dest.g, dest.b, dest.a);
    C::doPix(reinterpret_cast<unsigned char*>(&p), r, g, b, a, w);
    return {PIX_GETA(p), PIX_GETR(p), PIX_GETG(p), PIX_GETB(p)};
}

} // namespace

TEST(PixelFormat, PacksChannelsAndStoresAlphaFirst) {
    const PIX_pixel p = PIX_RGBA(0x11, 0x22, 0x33, 0x44);
    EXPECT_EQ(p, 0x33221144u);
    unsigned char bytes[4];
    std::memcpy(bytes, &p, 4);
    EXPECT_EQ(bytes[PIX_BYTEPOS_ALPHA], 0x44);
    EXPECT_EQ(bytes[PIX_BYTEPOS_RED], 0x11);
    EXPECT_EQ(bytes[PIX_BYTEPOS_GREEN], 0x22);
    EXPECT_EQ(bytes[PIX_BYTEPOS_BLUE], 0x33);
    EXPECT_EQ(PIX_GETR(p), 0x11);
    EXPECT_EQ(PIX_GETG(p), 0x22);
    EXPECT_EQ(PIX_GETB(p), 0x33);
    EXPECT_EQ(PIX_GETA(p), 0x44);
    EXPECT_EQ(PIX_RGBA(0x111, -1, 0, 0), 0x00ff1100u); // each channel masked to 8 bits
}

TEST(CombineClasses, CopyTruncatesTowardZero) {
    // 201 + (0 - 201) x 255 / 256 = 201 - 200: a floor division would give 0.
    EXPECT_EQ((Combine<_PIX_CombinePixelsCopyNoClamp>({0, 0, 0, 0}, 201, 0, 0, 0, 1).r), 1);
    EXPECT_EQ((Combine<_PIX_CombinePixelsCopyNoClamp>({0, 0, 0, 0}, 201, 0, 0, 0, 1).a), 0);
    const Bytes half =
        Combine<_PIX_CombinePixelsCopyNoClamp>({10, 100, 0, 255}, 200, 50, 0, 30, 128);
    EXPECT_EQ(half.r, 150);
    EXPECT_EQ(half.g, 25);
    EXPECT_EQ(half.b, 127);
    EXPECT_EQ(half.a, 20);
}

TEST(CombineClasses, ClampingAndPlainStoresDifferOnlyOutOfRange) {
    EXPECT_EQ((Combine<_PIX_CombinePixelsClobberNoClamp>({0, 0, 0, 0}, 300, -1, 7, 256, 256).r),
              44);
    EXPECT_EQ((Combine<_PIX_CombinePixelsClobberNoClamp>({0, 0, 0, 0}, 300, -1, 7, 256, 256).g),
              255);
    const Bytes clamped =
        Combine<_PIX_CombinePixelsClobberClamp>({0, 0, 0, 0}, 300, -1, 7, 256, 256);
    EXPECT_EQ(clamped.r, 255);
    EXPECT_EQ(clamped.g, 0);
    EXPECT_EQ(clamped.b, 7);
    EXPECT_EQ(clamped.a, 255);
    // A weight above full extrapolates past the source: 200 + (100 - 200) x (-256) / 256 = 300.
    EXPECT_EQ((Combine<_PIX_CombinePixelsCopyNoClamp>({0, 100, 0, 0}, 200, 0, 0, 0, 512).r),
              300 & 255);
    EXPECT_EQ((Combine<_PIX_CombinePixelsCopyClamp>({0, 100, 0, 0}, 200, 0, 0, 0, 512).r), 255);
}

TEST(CombineClasses, HalfMixAddDodgeMulOverlay) {
    EXPECT_EQ((Combine<_PIX_CombinePixelsHalfMixNoClamp>({1, 10, 255, 0}, 21, 255, 0, 4, 7).r), 15);
    const Bytes added = Combine<_PIX_CombinePixelsAdd>({250, 100, 10, 0}, 200, 7, 255, 100, 128);
    EXPECT_EQ(added.r, 200);
    EXPECT_EQ(added.g, 13);
    EXPECT_EQ(added.b, 127);
    EXPECT_EQ(added.a, 255); // 250 + 50 clamped
    // A negative weight subtracts: 100 + 200 x (-128) / 256.
    EXPECT_EQ((Combine<_PIX_CombinePixelsAdd>({0, 100, 0, 0}, 200, 0, 0, 0, -128).r), 0);
    EXPECT_EQ((Combine<_PIX_CombinePixelsAdd>({0, 150, 0, 0}, 200, 0, 0, 0, -128).r), 50);

    // Dodge with a white source at full weight: q = 1, so any light becomes full and black stays.
    const Bytes dodged =
        Combine<_PIX_CombinePixelsColorDodge>({0, 1, 0, 200}, 255, 255, 255, 255, 256);
    EXPECT_EQ(dodged.r, 255);
    EXPECT_EQ(dodged.g, 0);
    EXPECT_EQ(dodged.b, 255);
    // q = 256 - 128 = 128: D x 2.
    EXPECT_EQ((Combine<_PIX_CombinePixelsColorDodge>({0, 60, 0, 0}, 128, 0, 0, 0, 256).r), 120);

    // Multiply: D x ((256 - w) << 8 + S x w) >> 16.
    EXPECT_EQ((Combine<_PIX_CombinePixelsMulNoClamp>({0, 200, 0, 0}, 128, 0, 0, 0, 256).r), 100);
    EXPECT_EQ((Combine<_PIX_CombinePixelsMulNoClamp>({0, 200, 0, 0}, 0, 0, 0, 0, 128).r), 100);
    EXPECT_EQ((Combine<_PIX_CombinePixelsMulNoClamp>({0, 255, 0, 0}, 255, 0, 0, 0, 256).r), 254);
    // Weight 512 with a white source: 255 x (-65536 + 130560) >> 16 = 253; a negative weight
    // with a black source brightens, and the two stores part where it overshoots.
    EXPECT_EQ((Combine<_PIX_CombinePixelsMulNoClamp>({0, 255, 0, 0}, 255, 0, 0, 0, 512).r), 253);
    EXPECT_EQ((Combine<_PIX_CombinePixelsMulClamp>({0, 100, 0, 0}, 0, 0, 0, 0, -256).r), 200);
    EXPECT_EQ((Combine<_PIX_CombinePixelsMulClamp>({0, 200, 0, 0}, 0, 0, 0, 0, -256).r), 255);
    EXPECT_EQ((Combine<_PIX_CombinePixelsMulNoClamp>({0, 200, 0, 0}, 0, 0, 0, 0, -256).r),
              400 & 255);

    // Overlay: mid grey at full weight is neutral; white and black push away from the middle.
    for (int d : {0, 1, 77, 128, 254, 255})
        EXPECT_EQ((Combine<_PIX_CombinePixelsOverlay>({0, d, 0, 0}, 128, 0, 0, 0, 256).r), d);
    // k = 255 x 256 = 65280: 100 x (100 x (32768 - 65280) / 256 + 65280) >> 15 = 160.
    EXPECT_EQ((Combine<_PIX_CombinePixelsOverlay>({0, 100, 0, 0}, 255, 0, 0, 0, 256).r), 160);
    EXPECT_EQ((Combine<_PIX_CombinePixelsOverlay>({0, 100, 0, 0}, 0, 0, 0, 0, 256).r), 39);
}

TEST(CombineClasses, SourceAlphaCopyWeighsBySourceAlpha) {
    // w2 = 256 x 129 / 256 = 129; red 200 + (0 - 200) x 127 / 256 = 101; alpha 129 + 0.
    const Bytes c =
        Combine<_PIX_CombinePixelsCopySourceAlphaNoClamp>({0, 0, 0, 0}, 200, 0, 0, 128, 256);
    EXPECT_EQ(c.r, 101);
    EXPECT_EQ(c.a, 129);
    // Alpha adds up and saturates at 255 in both stores.
    EXPECT_EQ(
        (Combine<_PIX_CombinePixelsCopySourceAlphaNoClamp>({200, 0, 0, 0}, 0, 0, 0, 128, 256).a),
        255);
    EXPECT_EQ(
        (Combine<_PIX_CombinePixelsCopySourceAlphaClamp>({200, 0, 0, 0}, 0, 0, 0, 128, 256).a),
        255);
    // A transparent source leaves the pixel alone.
    EXPECT_EQ(
        (Combine<_PIX_CombinePixelsCopySourceAlphaNoClamp>({9, 8, 7, 6}, 200, 0, 0, 0, 256).r), 8);

    // Full weight ignores the weight: opaque stores exactly, transparent does nothing, between
    // blends by 255 - a: 200 + (0 - 200) x 127 / 256 = 101, alpha 128 + 0.
    using Full = _PIX_CombinePixelsCopySourceAlphaIgnoreAlphaParmNoClamp;
    const Bytes opaque = Combine<Full>({17, 90, 91, 92}, 1, 2, 3, 255, 256);
    EXPECT_EQ(opaque.a, 255);
    EXPECT_EQ(opaque.r, 1);
    EXPECT_EQ(opaque.g, 2);
    EXPECT_EQ(opaque.b, 3);
    const Bytes none = Combine<Full>({17, 90, 91, 92}, 1, 2, 3, 0, 256);
    EXPECT_EQ(none.a, 17);
    EXPECT_EQ(none.r, 90);
    const Bytes mid = Combine<Full>({0, 0, 0, 0}, 200, 0, 0, 128, 256);
    EXPECT_EQ(mid.r, 101);
    EXPECT_EQ(mid.a, 128);
    EXPECT_EQ((Combine<_PIX_CombinePixelsCopySourceAlphaIgnoreAlphaParmClamp>({200, 0, 0, 0}, 0, 0,
                                                                              0, 100, 256)
                   .a),
              255);
}

TEST(CombineClasses, OtherSourceAlphaClassesScaleTheWeight) {
    // a = 127: w2 = 256 x 128 / 256 = 128, so Add adds half the source.
    EXPECT_EQ((Combine<_PIX_CombinePixelsAddSourceAlpha>({0, 10, 0, 0}, 100, 0, 0, 127, 256).r),
              60);
    EXPECT_EQ((Combine<_PIX_CombinePixelsAddSourceAlpha>({0, 10, 0, 0}, 100, 0, 0, 0, 256).r), 10);
    EXPECT_EQ(
        (Combine<_PIX_CombinePixelsMulSourceAlphaNoClamp>({0, 200, 0, 0}, 0, 0, 0, 127, 256).r),
        100);
    EXPECT_EQ((Combine<_PIX_CombinePixelsMulSourceAlphaClamp>({0, 200, 0, 0}, 0, 0, 0, 0, 256).r),
              200);
    // Dodge and overlay run even for a transparent source, with w2 = 1: overlay then darkens
    // the alpha 5 by the transparent source's 0 to 4.
    EXPECT_EQ(
        (Combine<_PIX_CombinePixelsColorDodgeSourceAlpha>({0, 100, 0, 0}, 255, 0, 0, 0, 256).r),
        100);
    EXPECT_EQ((Combine<_PIX_CombinePixelsOverlaySourceAlpha>({5, 100, 0, 0}, 255, 0, 0, 0, 256).a),
              4);
}

TEST(HueSaturationValue, InverseTableAndConversions) {
    EXPECT_EQ(__PIX_RGB2HSV_invtab[0], 0);
    EXPECT_EQ(__PIX_RGB2HSV_invtab[1], 65535);
    EXPECT_EQ(__PIX_RGB2HSV_invtab[2], 32767);
    EXPECT_EQ(__PIX_RGB2HSV_invtab[3], 21844);
    EXPECT_EQ(__PIX_RGB2HSV_invtab[255], 256);

    int h, s, v;
    __PIX_RGB2HSV(255, 0, 0, &h, &s, &v);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(s, 255);
    EXPECT_EQ(v, 255);
    __PIX_RGB2HSV(0, 255, 0, &h, &s, &v);
    EXPECT_EQ(h, 128);
    __PIX_RGB2HSV(0, 0, 255, &h, &s, &v);
    EXPECT_EQ(h, 256);
    __PIX_RGB2HSV(255, 0, 128, &h, &s, &v); // red toward blue: the last sector, counting down
    EXPECT_EQ(h, 383 + (-128 * 257) / 1024);
    __PIX_RGB2HSV(90, 90, 90, &h, &s, &v);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(v, 90);

    EXPECT_EQ(__PIX_HSV2Pix(0, 255, 255, 255), PIX_RGBA(255, 0, 0, 255));
    EXPECT_EQ(__PIX_HSV2Pix(128, 255, 255, 7), PIX_RGBA(0, 255, 0, 7));
    EXPECT_EQ(__PIX_HSV2Pix(256, 0, 200, 0x1ff), PIX_RGBA(200, 200, 200, 0xff));
}

TEST(HueSaturationValue, NeutralAdjustKeepsColourAndTakesSourceAlpha) {
    // Mid grey changes nothing but the round trip's rounding, and the alpha becomes the source's.
    const PIX_pixel colours[] = {PIX_RGBA(255, 0, 0, 9),     PIX_RGBA(12, 200, 99, 0),
                                 PIX_RGBA(250, 251, 3, 255), PIX_RGBA(40, 40, 41, 100),
                                 PIX_RGBA(0, 0, 0, 1),       PIX_RGBA(128, 64, 255, 77)};
    for (const PIX_pixel c : colours) {
        PIX_pixel p = c;
        _PIX_CombinePixelsHSVAdjust::doPix(reinterpret_cast<unsigned char*>(&p), 128, 128, 128, 200,
                                           256);
        EXPECT_EQ(PIX_GETA(p), 200);
        EXPECT_NEAR(PIX_GETR(p), PIX_GETR(c), 3) << std::hex << c;
        EXPECT_NEAR(PIX_GETG(p), PIX_GETG(c), 3) << std::hex << c;
        EXPECT_NEAR(PIX_GETB(p), PIX_GETB(c), 3) << std::hex << c;
    }
    // Value down to 0 at full weight with blue 0: black.
    PIX_pixel p = PIX_RGBA(200, 100, 50, 255);
    _PIX_CombinePixelsHSVAdjust::doPix(reinterpret_cast<unsigned char*>(&p), 128, 128, 0, 255, 256);
    EXPECT_EQ(p, PIX_RGBA(0, 0, 0, 255));
    // A hue turn of 214 + 107 - 192 = 129 (of 384) takes red just past green.
    p = PIX_RGBA(255, 0, 0, 255);
    _PIX_CombinePixelsHSVAdjust::doPix(reinterpret_cast<unsigned char*>(&p), 214, 128, 128, 255,
                                       256);
    EXPECT_EQ(p, PIX_RGBA(0, 255, 255 * (16384 - 63 * 255) / 16384, 255));
}

TEST(CombineDispatch, ModeWordChoosesTheClass) {
    const PIX_pixel dest = PIX_RGBA(0, 0, 0, 0), src = PIX_RGBA(200, 0, 0, 128);
    // Full-weight source-alpha copy is the class that ignores the weight: alpha 128.
    EXPECT_EQ(PIX_CombinePixels(dest, src, 1.0f, PIX_COMBINE_USE_SOURCE_ALPHA),
              PIX_RGBA(101, 0, 0, 128));
    // Below full weight it is the weighted class: w2 = 128 x 129 / 256 = 64.
    EXPECT_EQ(PIX_CombinePixels(dest, src, 0.5f, PIX_COMBINE_USE_SOURCE_ALPHA),
              PIX_RGBA(50, 0, 0, 64));
    EXPECT_EQ(PIX_CombinePixels(dest, src, 1.0f, PIX_COMBINE_COPY), src);
    EXPECT_EQ(PIX_CombinePixels(0x01020304, src, 0.0f, PIX_COMBINE_ADD), 0x01020304u);
    EXPECT_EQ(PIX_CombinePixels(0x01020304, src, -1.0f, PIX_COMBINE_COPY), 0x01020304u);
    EXPECT_EQ(PIX_CombinePixels(PIX_RGBA(10, 0, 0, 0), src, 1.0f, PIX_COMBINE_ADD),
              PIX_RGBA(210, 0, 0, 128));
    EXPECT_EQ(
        PIX_CombinePixels(PIX_RGBA(10, 0, 0, 0), src, 1.0f, 0x40 | PIX_COMBINE_FILTER_BILINEAR),
        PIX_RGBA(10, 0, 0, 0));
    EXPECT_EQ(PIX_CombinePixels(PIX_RGBA(10, 0, 0, 0), src, 1.0f, 6), PIX_RGBA(10, 0, 0, 0));
    EXPECT_EQ(PIX_CombinePixels(PIX_RGBA(10, 0, 0, 0), src, 1.0f, PIX_COMBINE_CHANNEL_COPY),
              PIX_RGBA(10, 0, 0, 0));
    // Unlisted bits are ignored.
    EXPECT_EQ(PIX_CombinePixels(dest, src, 1.0f, 0x2000000), src);

    PIX_pixel p = PIX_RGBA(0, 0, 0, 0);
    PIX_CombinePixels2(&p, 300, 0, 0, 255, 256, PIX_COMBINE_COPY);
    EXPECT_EQ(p, PIX_RGBA(44, 0, 0, 255));
    PIX_CombinePixels2Clamp(&p, 300, 0, 0, 255, 256, PIX_COMBINE_COPY);
    EXPECT_EQ(p, PIX_RGBA(255, 0, 0, 255));
    PIX_CombinePixels2Clamp(&p, 300, 0, 0, 255, 0, PIX_COMBINE_ADD);
    EXPECT_EQ(p, PIX_RGBA(255, 0, 0, 255));
    PIX_CombinePixels2(nullptr, 1, 2, 3, 4, 256, PIX_COMBINE_COPY); // a null pixel is ignored
}

TEST(CombineDispatch, HugeWeightsAreHeldWithoutOverflow) {
    // An opacity of a million still multiplies only within range: the weight stops at 16 x 256.
    EXPECT_EQ(
        PIX_CombinePixels(PIX_RGBA(200, 0, 0, 0), PIX_RGBA(255, 0, 0, 0), 1e6f, PIX_COMBINE_MUL),
        PIX_CombinePixels(PIX_RGBA(200, 0, 0, 0), PIX_RGBA(255, 0, 0, 0), 16.0f, PIX_COMBINE_MUL));
    EXPECT_EQ(PIX_CombinePixels(PIX_RGBA(1, 2, 3, 4), PIX_RGBA(255, 0, 0, 0), -1e30f,
                                PIX_COMBINE_HSVADJUST),
              PIX_CombinePixels(PIX_RGBA(1, 2, 3, 4), PIX_RGBA(255, 0, 0, 0), -16.0f,
                                PIX_COMBINE_HSVADJUST));
    EXPECT_EQ(
        PIX_CombinePixels(0x01020304, 0, std::numeric_limits<float>::quiet_NaN(), PIX_COMBINE_ADD),
        0x01020304u);
    PIX_pixel p = PIX_RGBA(200, 0, 0, 0);
    PIX_CombinePixels2(&p, 255, 0, 0, 0, INT32_MAX, PIX_COMBINE_OVERLAY);
    EXPECT_EQ(p, PIX_CombinePixels(PIX_RGBA(200, 0, 0, 0), PIX_RGBA(255, 0, 0, 0), 16.0f,
                                   PIX_COMBINE_OVERLAY));
}

TEST(CombineClasses, SourceAlphaRowMatchesPixelByPixel) {
    // The whole-row form against the per-pixel class, over every source alpha, channel
    // extremes and random pixels, in rows of every length up to 11 (groups of four and tails).
    std::vector<PIX_pixel> src, dest;
    const int levels[] = {0, 1, 2, 127, 128, 200, 254, 255};
    for (int a = 0; a < 256; ++a)
        for (int s : levels)
            for (int d : levels) {
                src.push_back(PIX_RGBA(s, 255 - s, s / 2, a));
                dest.push_back(PIX_RGBA(d, d, 255 - d, d));
            }
    for (int i = 0; i < 20000; ++i) {
        src.push_back(PatternPixel(i, 1));
        dest.push_back(PatternPixel(i, 2));
    }
    for (const bool clamp : {false, true})
        for (size_t start = 0, n = 1; start + n <= src.size(); start += n, n = n % 11 + 1) {
            std::vector<PIX_pixel> byRow(dest.begin() + long(start),
                                         dest.begin() + long(start + n));
            std::vector<PIX_pixel> byPixel = byRow;
            if (clamp)
                _PIX_CombinePixelsCopySourceAlphaIgnoreAlphaParmClamp::doRow(byRow.data(),
                                                                             &src[start], int(n));
            else
                _PIX_CombinePixelsCopySourceAlphaIgnoreAlphaParmNoClamp::doRow(byRow.data(),
                                                                               &src[start], int(n));
            for (size_t i = 0; i < n; ++i) {
                const PIX_pixel s = src[start + i];
                auto* d = reinterpret_cast<unsigned char*>(&byPixel[i]);
                if (clamp)
                    _PIX_CombinePixelsCopySourceAlphaIgnoreAlphaParmClamp::doPix(
                        d, PIX_GETR(s), PIX_GETG(s), PIX_GETB(s), PIX_GETA(s), 256);
                else
                    _PIX_CombinePixelsCopySourceAlphaIgnoreAlphaParmNoClamp::doPix(
                        d, PIX_GETR(s), PIX_GETG(s), PIX_GETB(s), PIX_GETA(s), 256);
            }
            ASSERT_EQ(byRow, byPixel) << "at " << start << " clamp " << clamp;
        }
}
