#include "PixTestUtil.h"
#include "PngWriter.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

PIX_pixel RgbExpected(int x, int y) {
    return PIX_RGBA(x * 40, y * 30, x + y, 255);
}

std::unique_ptr<PIX_IBitmap> FromMemory(const std::vector<unsigned char>& data,
                                        PIX_IBitmap* bmp = nullptr) {
    return std::unique_ptr<PIX_IBitmap>(PIX_LoadPNGFromMemory(data.data(), int(data.size()), bmp));
}

// A scratch folder for the test's files, removed afterwards.
class PngFiles : public ::testing::Test {
protected:
    void SetUp() override {
        mDir = fs::temp_directory_path() / ("pix_png_test_" + std::to_string(::getpid()));
        fs::create_directories(mDir);
    }
    void TearDown() override { fs::remove_all(mDir); }

    std::string Write(const std::string& name, const std::vector<unsigned char>& data) {
        const fs::path path = mDir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
        return path.string();
    }

    fs::path mDir;
};

// Offset of the first byte after the chunk header of the named chunk.
size_t ChunkData(const std::vector<unsigned char>& png, const char* type) {
    for (size_t at = 8; at + 8 <= png.size();) {
        const size_t length = size_t(png[at]) << 24 | size_t(png[at + 1]) << 16 |
                              size_t(png[at + 2]) << 8 | png[at + 3];
        if (std::memcmp(&png[at + 4], type, 4) == 0) return at + 8;
        at += 12 + length;
    }
    return 0;
}

void PutBigEndian(std::vector<unsigned char>& png, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        png[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// Rewrites the header's size and its CRC so that only the size is hostile.
std::vector<unsigned char> WithHeaderSize(std::vector<unsigned char> png, uint32_t w, uint32_t h) {
    const size_t data = ChunkData(png, "IHDR");
    PutBigEndian(png, data, w);
    PutBigEndian(png, data + 4, h);
    PutBigEndian(png, data + 13, uint32_t(crc32(crc32(0, nullptr, 0), &png[data - 4], 17)));
    return png;
}

} // namespace

TEST(PngMemory, RgbLoadsOpaqueWithAlphaInByteZero) {
    const auto bm = FromMemory(WritePng(RgbImage(5, 3)));
    ASSERT_TRUE(bm);
    EXPECT_EQ(bm->getWidth(), 5);
    EXPECT_EQ(bm->getHeight(), 3);
    EXPECT_EQ(bm->getRowSpan(), 8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(PIX_GetPixel(bm.get(), x, y), RgbExpected(x, y));
    const auto* bytes = reinterpret_cast<const unsigned char*>(bm->getBits());
    EXPECT_EQ(bytes[0], 255);
    EXPECT_EQ(bytes[4 + 1], 40);
}

TEST(PngMemory, PaletteWithTransparencyGetsPerPixelAlpha) {
    PngImage image;
    image.width = 3;
    image.height = 2;
    image.colorType = PNG_COLOR_TYPE_PALETTE;
    image.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    image.paletteAlpha = {0, 128}; // the third entry stays opaque
    image.rows = {{0, 1, 2}, {2, 1, 0}};
    const auto bm = FromMemory(WritePng(image));
    ASSERT_TRUE(bm);
    EXPECT_EQ(PIX_GetPixel(bm.get(), 0, 0), PIX_RGBA(255, 0, 0, 0));
    EXPECT_EQ(PIX_GetPixel(bm.get(), 1, 0), PIX_RGBA(0, 255, 0, 128));
    EXPECT_EQ(PIX_GetPixel(bm.get(), 2, 0), PIX_RGBA(0, 0, 255, 255));
    EXPECT_EQ(PIX_GetPixel(bm.get(), 0, 1), PIX_RGBA(0, 0, 255, 255));
}

TEST(PngMemory, OneBitGreyLoadsBlackAndWhite) {
    PngImage image;
    image.width = 10;
    image.height = 2;
    image.colorType = PNG_COLOR_TYPE_GRAY;
    image.bitDepth = 1;
    image.rows = {{0b10110000, 0b01000000}, {0b01001111, 0b10000000}};
    const auto bm = FromMemory(WritePng(image));
    ASSERT_TRUE(bm);
    const char* expected[] = {"1011000001", "0100111110"};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(PIX_GetPixel(bm.get(), x, y),
                      expected[y][x] == '1' ? 0xffffffffu : 0x000000ffu)
                << x << "," << y;
}

TEST(PngMemory, SixteenBitRgbaKeepsTheHighBytes) {
    PngImage image;
    image.width = 2;
    image.height = 1;
    image.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    image.bitDepth = 16;
    image.rows = {{0x12, 0xff, 0x34, 0x00, 0x56, 0x80, 0x78, 0x7f, 0xff, 0xff, 0x00, 0xff, 0x01,
                   0x00, 0x80, 0x01}};
    const auto bm = FromMemory(WritePng(image));
    ASSERT_TRUE(bm);
    EXPECT_EQ(PIX_GetPixel(bm.get(), 0, 0), PIX_RGBA(0x12, 0x34, 0x56, 0x78));
    EXPECT_EQ(PIX_GetPixel(bm.get(), 1, 0), PIX_RGBA(0xff, 0x00, 0x01, 0x80));
}

TEST(PngMemory, GreyWithAlphaSpreadsGreyToColour) {
    PngImage image;
    image.width = 2;
    image.height = 1;
    image.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    image.rows = {{90, 10, 200, 255}};
    const auto bm = FromMemory(WritePng(image));
    ASSERT_TRUE(bm);
    EXPECT_EQ(PIX_GetPixel(bm.get(), 0, 0), PIX_RGBA(90, 90, 90, 10));
    EXPECT_EQ(PIX_GetPixel(bm.get(), 1, 0), PIX_RGBA(200, 200, 200, 255));
}

TEST(PngMemory, InterlacedEqualsPlain) {
    PngImage image = RgbImage(6, 5);
    const auto plain = FromMemory(WritePng(image));
    image.interlaced = true;
    const auto interlaced = FromMemory(WritePng(image));
    ASSERT_TRUE(plain && interlaced);
    EXPECT_EQ(PIX_BitmapCmp(plain.get(), interlaced.get()), 0);
}

TEST(PngMemory, FillsAGivenBitmapAndHonoursFlippedRows) {
    FlippedBitmap flipped(1, 1);
    EXPECT_EQ(PIX_LoadPNGFromMemory(WritePng(RgbImage(4, 3)).data(),
                                    int(WritePng(RgbImage(4, 3)).size()), &flipped),
              &flipped);
    EXPECT_EQ(flipped.getWidth(), 4);
    EXPECT_EQ(PIX_GetPixel(&flipped, 3, 0), RgbExpected(3, 0));
    EXPECT_EQ(StoredRow(&flipped, 2)[3], RgbExpected(3, 0)); // image row 0 is the last stored
}

TEST(PngMemory, ReaderGuardsAndTruncation) {
    const auto png = WritePng(RgbImage(16, 16));
    EXPECT_FALSE(FromMemory({png.begin(), png.begin() + 7}));
    std::vector<unsigned char> notPng(png.begin(), png.begin() + 8);
    notPng[1] = 'Q';
    EXPECT_FALSE(FromMemory(notPng));
    EXPECT_FALSE(FromMemory(std::vector<unsigned char>(png.begin(), png.begin() + 8)));
    EXPECT_EQ(PIX_LoadPNGFromMemory(nullptr, 100, nullptr), nullptr);
    EXPECT_EQ(PIX_LoadPNGFromMemory(png.data(), -5, nullptr), nullptr);
    // Cut anywhere before the image data ends, the read fails cleanly: the missing bytes read
    // as zeros, which no chunk survives. (The end chunk after the data is never read.)
    const size_t end = ChunkData(png, "IEND") - 8;
    for (size_t cut = 9; cut < end; cut += 5)
        EXPECT_FALSE(FromMemory({png.begin(), png.begin() + long(cut)})) << cut;
    // A given bitmap survives a failed read (ASan would see it freed).
    PIX_MemBitmap given(2, 2);
    EXPECT_EQ(PIX_LoadPNGFromMemory(png.data(), int(png.size()) - 20, &given), nullptr);
    PIX_FillRect(&given, 0, 0, 16, 16, 0x12345678, 1.0f, 0);
    EXPECT_EQ(PIX_GetPixel(&given, 1, 1), 0x12345678u);
}

TEST(PngMemory, HostileHeadersAndBadChunks) {
    const auto png = WritePng(RgbImage(16, 16));
    // Past libpng's user limits, and within them but past the pixel budget: refused before
    // any pixel storage is made.
    EXPECT_FALSE(FromMemory(WithHeaderSize(png, 1000000, 1000000)));
    EXPECT_FALSE(FromMemory(WithHeaderSize(png, 0x7fffffff, 1)));
    EXPECT_FALSE(FromMemory(WithHeaderSize(png, 16000, 16000)));
    EXPECT_FALSE(FromMemory(WithHeaderSize(png, 0, 16)));
    PIX_MemBitmap given(3, 3);
    EXPECT_EQ(
        PIX_LoadPNGFromMemory(WithHeaderSize(png, 16000, 16000).data(), int(png.size()), &given),
        nullptr);
    EXPECT_EQ(given.getWidth(), 3);
    // Declared larger than its data: the image data runs out.
    EXPECT_FALSE(FromMemory(WithHeaderSize(png, 16, 200)));

    // A damaged CRC on the header, and damaged compressed data with its CRC made to match.
    std::vector<unsigned char> badCrc = png;
    badCrc[ChunkData(png, "IHDR") + 13] ^= 0xff;
    EXPECT_FALSE(FromMemory(badCrc));
    std::vector<unsigned char> badData = png;
    const size_t idat = ChunkData(png, "IDAT");
    const size_t idatLength = size_t(png[idat - 8]) << 24 | size_t(png[idat - 7]) << 16 |
                              size_t(png[idat - 6]) << 8 | png[idat - 5];
    for (size_t i = 2; i < idatLength; i += 3)
        badData[idat + i] ^= 0x5a;
    PutBigEndian(
        badData, idat + idatLength,
        uint32_t(crc32(crc32(0, nullptr, 0), &badData[idat - 4], unsigned(idatLength + 4))));
    EXPECT_FALSE(FromMemory(badData));
}

TEST_F(PngFiles, LoadsFilesAndFailsCleanly) {
    const auto png = WritePng(RgbImage(7, 4));
    const std::string path = Write("image.png", png);
    std::unique_ptr<PIX_IBitmap> bm(PIX_LoadPNG(path.c_str()));
    ASSERT_TRUE(bm);
    EXPECT_EQ(PIX_GetPixel(bm.get(), 6, 3), RgbExpected(6, 3));

    EXPECT_EQ(PIX_LoadPNG((mDir / "missing.png").c_str()), nullptr);
    EXPECT_EQ(PIX_LoadPNG(nullptr), nullptr);
    EXPECT_EQ(PIX_LoadPNG(Write("text.png", {'h', 'e', 'l', 'l', 'o'}).c_str()), nullptr);
    const std::string truncated = Write("truncated.png", {png.begin(), png.end() - 30});
    EXPECT_EQ(PIX_LoadPNG(truncated.c_str()), nullptr);
    PIX_MemBitmap given(1, 1);
    EXPECT_EQ(PIX_LoadPNG(truncated.c_str(), &given), nullptr);
    EXPECT_EQ(PIX_LoadPNG(path.c_str(), &given), &given);
    EXPECT_EQ(PIX_GetPixel(&given, 0, 0), RgbExpected(0, 0));
}

// Opened, a file gives its size from its header alone and the pixels PIX_LoadPNG gives once
// they are asked for; a body found broken then draws nothing, a file that is no PNG is refused.
TEST_F(PngFiles, OpenedFilesDecodeWhenFirstDrawn) {
    const auto png = WritePng(RgbImage(7, 4));
    const std::string path = Write("image.png", png);
    std::unique_ptr<PIX_IBitmap> opened(PIX_OpenPNG(path.c_str()));
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->getWidth(), 7);
    EXPECT_EQ(opened->getHeight(), 4);
    std::unique_ptr<PIX_IBitmap> loaded(PIX_LoadPNG(path.c_str()));
    EXPECT_EQ(PIX_BitmapCmp(opened.get(), loaded.get()), 0);

    EXPECT_EQ(PIX_OpenPNG((mDir / "missing.png").c_str()), nullptr);
    EXPECT_EQ(PIX_OpenPNG(nullptr), nullptr);
    EXPECT_EQ(PIX_OpenPNG(Write("text.png", {'h', 'e', 'l', 'l', 'o'}).c_str()), nullptr);
    std::unique_ptr<PIX_IBitmap> truncated(
        PIX_OpenPNG(Write("truncated.png", {png.begin(), png.end() - 30}).c_str()));
    ASSERT_TRUE(truncated) << "the header is whole";
    PIX_MemBitmap surface(8, 8);
    PIX_FillRect(&surface, 0, 0, 8, 8, PIX_RGBA(1, 2, 3, 255), 1.0f, PIX_COMBINE_COPY);
    PIX_Blit(&surface, truncated.get(), 0, 0, 0, 0, 7, 4, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(truncated->getBits(), nullptr);
    EXPECT_EQ(PIX_GetPixel(&surface, 3, 2), PIX_RGBA(1, 2, 3, 255));
}

TEST_F(PngFiles, LoaderRecordChecksTheExtension) {
    PIX_ImageLoader_rec* loader = PIX_ImageLoader_list;
    ASSERT_NE(loader, nullptr);
    const char* types = loader->get_extlist();
    EXPECT_STREQ(types, "PNG files (*.PNG)");
    EXPECT_STREQ(types + std::strlen(types) + 1, "*.PNG");
    EXPECT_EQ(types[std::strlen(types) + 1 + 6], '\0');

    const auto png = WritePng(RgbImage(2, 2));
    const std::string upper = Write("IMAGE.PNG", png), jpg = Write("image.jpg", png);
    const std::string bare = Write("image", png), dotted = Write("dir.png", png);
    std::unique_ptr<PIX_IBitmap> loaded(loader->loadfunc(upper.c_str(), true, nullptr));
    EXPECT_TRUE(loaded);
    EXPECT_EQ(loader->loadfunc(jpg.c_str(), true, nullptr), nullptr);
    EXPECT_EQ(loader->loadfunc(bare.c_str(), true, nullptr), nullptr);
    loaded.reset(loader->loadfunc(jpg.c_str(), false, nullptr)); // unchecked: the content decides
    EXPECT_TRUE(loaded);
    // The dot must be in the file name, not in a folder name.
    fs::create_directories(mDir / "folder.png");
    const std::string inFolder = Write("folder.png/image", png);
    EXPECT_EQ(loader->loadfunc(inFolder.c_str(), true, nullptr), nullptr);
    EXPECT_EQ(loader->loadfunc(nullptr, true, nullptr), nullptr);
}

TEST(PngResources, NamedResourceComesFromTheMainBundle) {
    char bundle[1536];
    ASSERT_TRUE(PIX_GetMainBundlePath(bundle, sizeof(bundle)));
    EXPECT_TRUE(fs::is_directory(bundle));
    EXPECT_FALSE(PIX_GetMainBundlePath(bundle, 2));

    const fs::path resources = fs::path(bundle) / "Contents" / "Resources";
    const bool existed = fs::exists(resources);
    fs::create_directories(resources);
    const std::string name = "pix_test_" + std::to_string(::getpid()) + ".png";
    const auto png = WritePng(RgbImage(3, 3));
    std::ofstream(resources / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    std::unique_ptr<PIX_IBitmap> bm(PIX_LoadPNGFromNamedResource(name.c_str()));
    fs::remove(resources / name);
    if (!existed) fs::remove_all(fs::path(bundle) / "Contents");
    ASSERT_TRUE(bm);
    EXPECT_EQ(PIX_GetPixel(bm.get(), 2, 2), RgbExpected(2, 2));

    EXPECT_EQ(PIX_LoadPNGFromNamedResource(std::string(401, 'a').c_str()), nullptr);
    EXPECT_EQ(PIX_LoadPNGFromNamedResource(nullptr), nullptr);
    EXPECT_EQ(PIX_LoadPNGFromNamedResource("no_such_image.png"), nullptr);
    PIX_MemBitmap given(2, 2);
    EXPECT_EQ(PIX_LoadPNGFromResource(nullptr, 101, &given), nullptr);
}
