// PNG decoding through libpng into bitmaps of bytes alpha, red, green, blue.

#include "pix.h"

#include "Trace.h"

#include <png.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <strings.h>
#include <unistd.h>

namespace {

// Hostile headers must not make us allocate without bound: images beyond these are refused
// before any pixel storage is made, and no ancillary chunk may take more than kMaxChunkBytes.
constexpr png_uint_32 kMaxDimension = 16384;
constexpr uint64_t kMaxPixels = uint64_t(1) << 25;
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;
constexpr png_uint_32 kMaxAncillaryChunks = 1000;

// libpng's messages go to the trace log, not to stderr: a bad image is reported by a null
// result. Errors return to the recovery point of the read.
void OnPngError(png_structp png, png_const_charp message) {
    TRACE("libpng error: %s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp message) {
    TRACE("libpng warning: %s", message);
}

struct MemoryReader {
    const unsigned char* next;
    int remaining;
};

// Short reads leave zeros, which libpng then rejects as a broken chunk.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    std::memset(out, 0, length);
    const size_t n = std::min(length, size_t(reader->remaining));
    std::memcpy(out, reader->next, n);
    reader->next += n;
    reader->remaining -= int(n);
}

// The header's transforms to 8-bit alpha, red, green, blue, and the bitmap sized for the image.
// Runs under the caller's recovery point; on return *created holds a bitmap made here, if any.
PIX_IBitmap* PrepareImage(png_structp png, png_infop info, PIX_IBitmap* bmp,
                          PIX_IBitmap** created) {
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (uint64_t(width) * height > kMaxPixels) {
        TRACE("PNG of %u x %u pixels refused", unsigned(width), unsigned(height));
        return nullptr;
    }

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        colorType |= PNG_COLOR_MASK_ALPHA;
    }
    if (bitDepth == 16) png_set_strip_16(png);
    if (bitDepth < 8) png_set_packing(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (colorType & PNG_COLOR_MASK_ALPHA)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0xff, PNG_FILLER_BEFORE);

    PIX_IBitmap* target = bmp;
    if (target) {
        target->resize(int(width), int(height));
    } else {
        target = new (std::nothrow) PIX_MemBitmap(int(width), int(height), 4);
        *created = target;
    }
    if (!target || target->getWidth() != int(width) || target->getHeight() != int(height) ||
        !target->getBits() || target->getRowSpan() < int(width))
        return nullptr;
    return target;
}

// The limits of every read, of the header alone or of the whole image.
void SetLimits(png_structp png) {
    png_set_user_limits(png, kMaxDimension, kMaxDimension);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_chunk_cache_max(png, kMaxAncillaryChunks);
}

// Decodes from a reader already attached to png. Null on any failure, with a bitmap made here
// deleted; bmp itself is never deleted.
PIX_IBitmap* DecodeImage(png_structp png, png_infop info, PIX_IBitmap* bmp) {
    SetLimits(png);

    // Written after the recovery point is set, so volatile: a long jump keeps their values.
    PIX_IBitmap* volatile created = nullptr;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(rows);
        delete created;
        return nullptr;
    }

    PIX_IBitmap* made = nullptr;
    PIX_IBitmap* target = PrepareImage(png, info, bmp, &made);
    created = made;
    if (!target) {
        delete made;
        return nullptr;
    }

    const int height = target->getHeight(), span = target->getRowSpan();
    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * size_t(height)));
    if (!rows) {
        delete made;
        return nullptr;
    }
    PIX_pixel* bits = target->getBits();
    const bool flipped = target->isFlipped();
    for (int i = 0; i < height; ++i) {
        const int stored = flipped ? height - 1 - i : i;
        rows[i] = reinterpret_cast<png_bytep>(bits + ptrdiff_t(stored) * span);
    }
    png_read_image(png, rows);
    std::free(rows);
    return target;
}

png_structp CreateReadStruct() {
    return png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
}

// The file's size, from its header alone, under the limits a decode applies; false when the
// file is missing, not a PNG or refused.
bool ReadPNGSize(const char* filename, int* width, int* height) {
    FILE* file = std::fopen(filename, "rb");
    if (!file) return false;
    png_structp png = CreateReadStruct();
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool read = false;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        SetLimits(png);
        png_read_info(png, info);
        const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
        if (uint64_t(w) * h <= kMaxPixels) {
            *width = int(w);
            *height = int(h);
            read = true;
        }
    }
    png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
    std::fclose(file);
    return read;
}

// A PNG file known by its size until something needs its pixels; then decoded once, by
// whichever thread asks first, exactly as PIX_LoadPNG decodes it.
class DeferredPNGBitmap : public PIX_IBitmap {
public:
    DeferredPNGBitmap(const char* filename, int width, int height)
        : mFilename(filename), mWidth(width), mHeight(height) {}

    PIX_pixel* getBits() override { return Decoded().getBits(); }
    int getWidth() override { return mWidth; }
    int getHeight() override { return mHeight; }
    int getRowSpan() override { return Decoded().getRowSpan(); }
    bool isFlipped() override { return Decoded().isFlipped(); }
    bool resize(int width, int height) override {
        const bool changed = Decoded().resize(width, height);
        mWidth = mPixels->getWidth();
        mHeight = mPixels->getHeight();
        return changed;
    }

private:
    PIX_IBitmap& Decoded() {
        std::call_once(mDecodeOnce, [this] {
            PIX_IBitmap* decoded = PIX_LoadPNG(mFilename.c_str());
            // A file that changed since its header was read shows nothing rather than pixels
            // of another size.
            if (decoded && (decoded->getWidth() != mWidth || decoded->getHeight() != mHeight)) {
                delete decoded;
                decoded = nullptr;
            }
            if (!decoded) {
                TRACE("PNG %s could not be decoded; it stays blank", mFilename.c_str());
                decoded = new PIX_MemBitmap(0, 0, 4);
            }
            mPixels.reset(decoded);
        });
        return *mPixels;
    }

    std::string mFilename;
    int mWidth, mHeight;
    std::once_flag mDecodeOnce;
    std::unique_ptr<PIX_IBitmap> mPixels;
};

} // namespace

PIX_IBitmap* PIX_OpenPNG(const char* filename) {
    int width = 0, height = 0;
    if (!filename || !ReadPNGSize(filename, &width, &height)) return nullptr;
    return new DeferredPNGBitmap(filename, width, height);
}

PIX_IBitmap* PIX_LoadPNG(const char* filename, PIX_IBitmap* bmp) {
    if (!filename) return nullptr;
    FILE* file = std::fopen(filename, "rb");
    if (!file) return nullptr;
    png_structp png = CreateReadStruct();
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    PIX_IBitmap* result = nullptr;
    if (info) {
        png_init_io(png, file);
        result = DecodeImage(png, info, bmp);
    }
    png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
    std::fclose(file);
    return result;
}

PIX_IBitmap* PIX_LoadPNGFromMemory(const void* data, int length, PIX_IBitmap* bmp) {
    if (!data || length < 8 || png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0)
        return nullptr;
    png_structp png = CreateReadStruct();
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    PIX_IBitmap* result = nullptr;
    if (info) {
        MemoryReader reader = {static_cast<const unsigned char*>(data), length};
        png_set_read_fn(png, &reader, ReadFromMemory);
        result = DecodeImage(png, info, bmp);
    }
    png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
    return result;
}

bool PIX_GetMainBundlePath(char* path, size_t size) {
    if (!path || size == 0) return false;
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    if (n <= 0) return false;
    exe[n] = '\0';
    // A bundled program lies in <bundle>/Contents/<platform>/; a bare one is its own bundle.
    char* contents = nullptr;
    for (char* p = std::strstr(exe, "/Contents/"); p; p = std::strstr(p + 1, "/Contents/"))
        contents = p;
    char* end = contents ? contents : std::strrchr(exe, '/');
    if (!end) return false;
    *end = '\0';
    if (std::strlen(exe) + 1 > size) return false;
    std::memcpy(path, exe, std::strlen(exe) + 1);
    return true;
}

PIX_IBitmap* PIX_LoadPNGFromNamedResource(const char* name, PIX_IBitmap* bmp) {
    if (!name || std::strlen(name) > 400) return nullptr;
    char bundle[1536];
    if (!PIX_GetMainBundlePath(bundle, sizeof(bundle))) return nullptr;
    char path[1536 + 400 + 32];
    std::snprintf(path, sizeof(path), "%s/Contents/Resources/%s", bundle, name);
    return PIX_LoadPNG(path, bmp);
}

PIX_IBitmap* PIX_LoadPNGFromResource(void*, int, PIX_IBitmap*) {
    return nullptr;
}

PIX_ImageLoader_rec* PIX_ImageLoader_list = nullptr;

namespace {

// The PNG entry of the loader list, linked in when the program starts.
class PIX_PNGLoader {
public:
    PIX_PNGLoader() {
        mRecord.loadfunc = Load;
        mRecord.get_extlist = Extensions;
        mRecord._next = PIX_ImageLoader_list;
        PIX_ImageLoader_list = &mRecord;
    }

private:
    static PIX_IBitmap* Load(const char* filename, bool checkFileName, PIX_IBitmap* bmp) {
        if (!filename) return nullptr;
        if (checkFileName) {
            const char* dot = nullptr;
            for (const char* p = filename + std::strlen(filename); p > filename; --p) {
                if (p[-1] == '/' || p[-1] == '\\') break;
                if (p[-1] == '.') {
                    dot = p - 1;
                    break;
                }
            }
            if (!dot || strcasecmp(dot, ".png") != 0) return nullptr;
        }
        return PIX_LoadPNG(filename, bmp);
    }

    static const char* Extensions() { return "PNG files (*.PNG)\0*.PNG\0"; }

    PIX_ImageLoader_rec mRecord;
};

PIX_PNGLoader sPNGLoader;

} // namespace
