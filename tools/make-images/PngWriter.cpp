#include "PngWriter.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct WriteState {
    std::string message;
};

void OnPngError(png_structp png, png_const_charp message) {
    static_cast<WriteState*>(png_get_error_ptr(png))->message = message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Encodes into an open file; false with state.message set on failure.
bool Encode(PIX_IBitmap* bm, FILE* file, WriteState& state) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        state.message = "out of memory";
        return false;
    }
    const int w = bm->getWidth(), h = bm->getHeight();
    std::vector<png_byte> row(size_t(w) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const PIX_pixel p = PIX_GetPixel(bm, x, y);
            png_byte* out = &row[size_t(x) * 4];
            out[0] = png_byte(PIX_GETR(p));
            out[1] = png_byte(PIX_GETG(p));
            out[2] = png_byte(PIX_GETB(p));
            out[3] = png_byte(PIX_GETA(p));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool WritePng(PIX_IBitmap* bm, const std::string& path, std::string* error) {
    const std::string temporary = path + ".part";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        *error = std::strerror(errno);
        return false;
    }
    WriteState state;
    const bool encoded = Encode(bm, file, state);
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !closed) {
        *error = encoded ? std::strerror(errno) : state.message;
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
