#include "PngFile.h"

#include "CommandError.h"
#include "PendingFile.h"

#include <png.h>

#include <new>
#include <vector>

namespace {

struct Encoding {
    std::vector<unsigned char> bytes;
    std::string error;
};

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* encoding = static_cast<Encoding*>(png_get_io_ptr(png));
    try {
        encoding->bytes.insert(encoding->bytes.end(), data, data + length);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

void OnError(png_structp png, png_const_charp message) {
    static_cast<Encoding*>(png_get_error_ptr(png))->error = message;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Encodes in memory, so that libpng's jumps never cross the file's clean-up. False, with the
// error set, on failure.
bool Encode(Encoding& encoding, int width, int height, const unsigned char* rgb) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &encoding, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        encoding.error = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &encoding, AppendBytes, nullptr);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, rgb + size_t(y) * size_t(width) * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

void WritePngFile(const std::string& path, int width, int height, const unsigned char* rgb) {
    if (width < 1 || height < 1 || !rgb) throw CommandError(path, "no image to write");
    PendingFile file(path);
    Encoding encoding;
    if (!Encode(encoding, width, height, rgb))
        throw CommandError(path, "cannot encode the image: " + encoding.error);
    file.Write(encoding.bytes.data(), encoding.bytes.size());
    file.Commit();
}
