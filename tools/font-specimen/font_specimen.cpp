// Renders a specimen of the built-in face (every printable character and some panel labels at
// several sizes, weights and styles) into a PNG, for judging the lettering by eye.
//   font_specimen OUT.png

#include "gdi.h"
#include "pix.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

bool WritePng(PIX_IBitmap* bm, const char* path) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info && !setjmp(png_jmpbuf(png))) {
        const int w = bm->getWidth(), h = bm->getHeight();
        png_init_io(png, file);
        png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        std::vector<png_byte> row(size_t(w) * 3);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const PIX_pixel p = PIX_GetPixel(bm, x, y);
                row[size_t(x) * 3] = png_byte(PIX_GETR(p));
                row[size_t(x) * 3 + 1] = png_byte(PIX_GETG(p));
                row[size_t(x) * 3 + 2] = png_byte(PIX_GETB(p));
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, info);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

struct Style {
    int weight;
    bool italic;
    int quality;
    const char* name;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: font_specimen OUT.png\n");
        return 2;
    }
    const char* lines[] = {"AMP  EQUALIZER  LIMITER  GAIN  TONE  DRIVE  NOISE",
                           "ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789", "abcdefghijklmnopqrstuvwxyz",
                           "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~",
                           "Radio 1.1 kHz -12 dB, 250 ms; Wave (Soft) + Hum 50/60 Hz"};
    const int sizes[] = {8, 10, 14, 24, 40, 60};
    const Style styles[] = {{400, false, 4, "regular"},
                            {700, false, 4, "bold"},
                            {400, true, 4, "italic"},
                            {400, false, 3, "aliased"}};

    PIX_MemBitmap bm(2000, 3200);
    PIX_Clear(&bm, PIX_RGBA(240, 238, 232, 255));
    PIX_FillRect(&bm, 1000, 0, 1000, 3200, PIX_RGBA(38, 40, 44, 255), 1.0f, PIX_COMBINE_COPY);
    PIX_CachedFont label;
    label.SetFromHFont(GDI_CreateFont(12, 0, 0, 0, 400, false, false, false, 0, 0, 0, 4, 0, ""),
                       PIX_FONT_FLAG_OWNS_HFONT | PIX_FONT_FLAG_CACHE_GLYPHS);
    label.SetTextColor(PIX_RGBA(200, 60, 40, 255));

    for (int panel = 0; panel < 2; ++panel) {
        const int left = panel * 1000 + 10;
        int y = 10;
        for (const Style& style : styles) {
            for (int size : sizes) {
                if (style.weight != 400 || style.italic || style.quality == 3)
                    if (size > 24) continue;
                PIX_CachedFont font;
                font.SetFromHFont(GDI_CreateFont(size, 0, 0, 0, style.weight, style.italic, false,
                                                 false, 0, 0, 0, style.quality, 0, "Arial"),
                                  PIX_FONT_FLAG_OWNS_HFONT | PIX_FONT_FLAG_CACHE_GLYPHS);
                font.SetTextColor(panel ? PIX_RGBA(230, 226, 214, 255) : PIX_RGBA(20, 20, 24, 255));
                const std::string tag = std::string(style.name) + " " + std::to_string(size);
                PIX_Rect tagRect{left, y, left + 980, y + 12};
                label.DrawText(&bm, tag.c_str(), -1, &tagRect, 0);
                y += 13;
                for (const char* text : lines) {
                    PIX_Rect r{left, y, left + 980, y + size};
                    y += font.DrawText(&bm, text, -1, &r, 0);
                }
                y += 6;
            }
        }
        // Alignment, rotation and multi-line text.
        PIX_CachedFont font;
        font.SetFromHFont(GDI_CreateFont(18, 0, 0, 0, 400, false, true, false, 0, 0, 0, 4, 0, ""),
                          PIX_FONT_FLAG_OWNS_HFONT | PIX_FONT_FLAG_CACHE_GLYPHS);
        font.SetTextColor(panel ? PIX_RGBA(230, 226, 214, 255) : PIX_RGBA(20, 20, 24, 255));
        PIX_Rect box{left, y, left + 400, y + 60};
        PIX_RoundRect(&bm, box.left, box.top, 400, 60, 8, PIX_RGBA(200, 60, 40, 255), 1.0f, 0,
                      true);
        font.DrawText(&bm, "Left\nunderlined", -1, &box, 0);
        font.DrawText(&bm, "Centre\ntwo lines", -1, &box, PIX_DT_CENTER);
        font.DrawText(&bm, "Right\nend", -1, &box, PIX_DT_RIGHT);
        y += 70;
        PIX_CachedFont turned;
        turned.SetFromHFont(
            GDI_CreateFont(20, 0, 300, 300, 700, false, false, false, 0, 0, 0, 4, 0, ""),
            PIX_FONT_FLAG_OWNS_HFONT);
        turned.SetTextColor(panel ? PIX_RGBA(230, 226, 214, 255) : PIX_RGBA(20, 20, 24, 255));
        PIX_Rect tr{left, y, left + 400, y + 200};
        turned.DrawText(&bm, "TURNED 30 DEGREES", -1, &tr, 0);
    }
    if (!WritePng(&bm, argv[1])) {
        std::fprintf(stderr, "font_specimen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
