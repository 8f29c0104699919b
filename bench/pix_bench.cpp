// Our blits against pixman doing the same job on the same sizes: a 700 x 700 surface (the
// editor's) and 128 x 128 sprites (knob-sized). Every case comes in a pair, Ours_<case> and
// Pixman_<case>; bench/compare prints the time ratios.
//
// Pixel formats: we blend straight (non-premultiplied) alpha in our own layout; pixman is given
// its native premultiplied a8r8g8b8, on which its fastest paths run. Both hold the same images
// (converted once, outside the timing), so each side does the job in its own best format. Our
// source-alpha copy does more arithmetic than pixman's OVER for the same result (it cannot
// skip the multiply of the source colour by alpha), which is counted against us.

#include "pix.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kSurface = 700;
constexpr int kSprite = 128;
constexpr int kSpriteX = 131, kSpriteY = 217; // an unaligned spot on the surface
constexpr double kAngle = 0.5236;             // 30 degrees

// A knob-like sprite: an opaque disc with a soft rim and transparent corners.
PIX_pixel KnobPixel(int x, int y) {
    const double dx = x + 0.5 - kSprite / 2.0, dy = y + 0.5 - kSprite / 2.0;
    const double edge = kSprite / 2.0 - 2.0 - std::sqrt(dx * dx + dy * dy);
    const int alpha = edge >= 1.0 ? 255 : edge <= -1.0 ? 0 : int(127.5 * (edge + 1.0));
    return PIX_RGBA(x * 2, y * 2, (x + y) & 255, alpha);
}

// A sprite with every pixel half transparent: the per-pixel blend's worst case.
PIX_pixel GlassPixel(int x, int y) {
    return PIX_RGBA(x * 2, y * 2, (x ^ y) & 255, 128);
}

PIX_pixel SurfacePixel(int x, int y) {
    return PIX_RGBA(x & 255, y & 255, (x * y) & 255, 255);
}

// The same image for pixman: premultiplied a8r8g8b8.
uint32_t ToPixman(PIX_pixel p) {
    const uint32_t a = PIX_GETA(p);
    const auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
    return a << 24 | pre(PIX_GETR(p)) << 16 | pre(PIX_GETG(p)) << 8 | pre(PIX_GETB(p));
}

struct Image {
    PIX_MemBitmap ours;
    std::vector<uint32_t> pixmanBits;
    pixman_image_t* pixman = nullptr;

    Image(int w, int h, PIX_pixel (*pixel)(int, int)) : ours(w, h, 4), pixmanBits(size_t(w) * h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                PIX_PutPixel(&ours, x, y, pixel(x, y), 1.0f, PIX_COMBINE_COPY);
                pixmanBits[size_t(y) * w + x] = ToPixman(pixel(x, y));
            }
        pixman = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, pixmanBits.data(), w * 4);
    }
    ~Image() { pixman_image_unref(pixman); }
};

struct Scene {
    Image surface{kSurface, kSurface, SurfacePixel};
    Image target{kSurface, kSurface, SurfacePixel};
    Image knob{kSprite, kSprite, KnobPixel};
    Image glass{kSprite, kSprite, GlassPixel};
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

pixman_transform_t Scale(double factor) {
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(factor), pixman_double_to_fixed(factor));
    return t;
}

// Destination to source: about the sprite's centre, turning the other way.
pixman_transform_t Rotation() {
    pixman_transform_t t;
    const pixman_fixed_t c = pixman_double_to_fixed(kSprite / 2.0);
    pixman_transform_init_translate(&t, -c, -c);
    pixman_transform_rotate(&t, nullptr, pixman_double_to_fixed(std::cos(kAngle)),
                            pixman_double_to_fixed(std::sin(kAngle)));
    pixman_transform_translate(&t, nullptr, c, c);
    return t;
}

// Runs a pixman composite with a transform and filter on the source for the whole benchmark.
void PixmanTransformed(benchmark::State& state, pixman_op_t op, pixman_image_t* src,
                       const pixman_transform_t& transform, int dstX, int dstY, int w, int h) {
    Scene& s = TheScene();
    pixman_image_set_transform(src, &transform);
    pixman_image_set_filter(src, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    for (auto _ : state) {
        pixman_image_composite32(op, src, nullptr, s.target.pixman, 0, 0, 0, 0, dstX, dstY, w, h);
        benchmark::ClobberMemory();
    }
    pixman_image_set_transform(src, nullptr);
    pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
    state.SetItemsProcessed(state.iterations() * int64_t(w) * h);
}

template <class Fn> void Ours(benchmark::State& state, int pixels, Fn&& blit) {
    for (auto _ : state) {
        blit(TheScene());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(pixels));
}

// Plain copy: the whole surface, and a sprite onto it.

void Ours_CopySurface(benchmark::State& state) {
    Ours(state, kSurface * kSurface, [](Scene& s) {
        PIX_Blit(&s.target.ours, &s.surface.ours, 0, 0, nullptr, 1.0f, PIX_COMBINE_COPY);
    });
}
void Pixman_CopySurface(benchmark::State& state) {
    Scene& s = TheScene();
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, s.surface.pixman, nullptr, s.target.pixman, 0, 0, 0,
                                 0, 0, 0, kSurface, kSurface);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSurface * kSurface);
}

void Ours_CopySprite(benchmark::State& state) {
    Ours(state, kSprite * kSprite, [](Scene& s) {
        PIX_Blit(&s.target.ours, &s.knob.ours, kSpriteX, kSpriteY, nullptr, 1.0f, PIX_COMBINE_COPY);
    });
}
void Pixman_CopySprite(benchmark::State& state) {
    Scene& s = TheScene();
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, s.knob.pixman, nullptr, s.target.pixman, 0, 0, 0, 0,
                                 kSpriteX, kSpriteY, kSprite, kSprite);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSprite * kSprite);
}

// Copy with source alpha (pixman OVER): a knob, and an all half-transparent sprite.

void OursSourceAlpha(benchmark::State& state, Image Scene::*sprite) {
    Ours(state, kSprite * kSprite, [sprite](Scene& s) {
        PIX_Blit(&s.target.ours, &(s.*sprite).ours, kSpriteX, kSpriteY, nullptr, 1.0f,
                 PIX_COMBINE_USE_SOURCE_ALPHA);
    });
}
void PixmanOver(benchmark::State& state, Image Scene::*sprite) {
    Scene& s = TheScene();
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, (s.*sprite).pixman, nullptr, s.target.pixman, 0, 0,
                                 0, 0, kSpriteX, kSpriteY, kSprite, kSprite);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSprite * kSprite);
}
void Ours_AlphaKnob(benchmark::State& state) {
    OursSourceAlpha(state, &Scene::knob);
}
void Pixman_AlphaKnob(benchmark::State& state) {
    PixmanOver(state, &Scene::knob);
}
void Ours_AlphaGlass(benchmark::State& state) {
    OursSourceAlpha(state, &Scene::glass);
}
void Pixman_AlphaGlass(benchmark::State& state) {
    PixmanOver(state, &Scene::glass);
}

// Bilinear scaling: a sprite up 2x onto the surface, and the surface down 2x.

void Ours_ScaleUp2x(benchmark::State& state) {
    Ours(state, 4 * kSprite * kSprite, [](Scene& s) {
        PIX_ScaledBlit(&s.target.ours, &s.knob.ours, kSpriteX, kSpriteY, 2 * kSprite, 2 * kSprite,
                       0, 0, kSprite, kSprite, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    });
}
void Pixman_ScaleUp2x(benchmark::State& state) {
    PixmanTransformed(state, PIXMAN_OP_SRC, TheScene().knob.pixman, Scale(0.5), kSpriteX, kSpriteY,
                      2 * kSprite, 2 * kSprite);
}

void Ours_ScaleDown2x(benchmark::State& state) {
    Ours(state, kSurface * kSurface / 4, [](Scene& s) {
        PIX_ScaledBlit(&s.target.ours, &s.surface.ours, 0, 0, kSurface / 2, kSurface / 2, 0, 0,
                       kSurface, kSurface, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    });
}
void Pixman_ScaleDown2x(benchmark::State& state) {
    PixmanTransformed(state, PIXMAN_OP_SRC, TheScene().surface.pixman, Scale(2.0), 0, 0,
                      kSurface / 2, kSurface / 2);
}

// Bilinear rotation of a sprite by 30 degrees: copied, and with source alpha (the editor's
// rotating knobs).

void Ours_Rotate(benchmark::State& state) {
    Ours(state, kSprite * kSprite, [](Scene& s) {
        PIX_RotatedBlit(&s.target.ours, &s.knob.ours, kSpriteX, kSpriteY, kSprite, kSprite, 0, 0,
                        kSprite, kSprite, float(kAngle), false, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    });
}
void Pixman_Rotate(benchmark::State& state) {
    PixmanTransformed(state, PIXMAN_OP_SRC, TheScene().knob.pixman, Rotation(), kSpriteX, kSpriteY,
                      kSprite, kSprite);
}

void Ours_RotateAlpha(benchmark::State& state) {
    Ours(state, kSprite * kSprite, [](Scene& s) {
        PIX_RotatedBlit(&s.target.ours, &s.knob.ours, kSpriteX, kSpriteY, kSprite, kSprite, 0, 0,
                        kSprite, kSprite, float(kAngle), false, 1.0f,
                        PIX_COMBINE_FILTER_BILINEAR | PIX_COMBINE_USE_SOURCE_ALPHA);
    });
}
void Pixman_RotateAlpha(benchmark::State& state) {
    PixmanTransformed(state, PIXMAN_OP_OVER, TheScene().knob.pixman, Rotation(), kSpriteX, kSpriteY,
                      kSprite, kSprite);
}

} // namespace

BENCHMARK(Ours_CopySurface);
BENCHMARK(Pixman_CopySurface);
BENCHMARK(Ours_CopySprite);
BENCHMARK(Pixman_CopySprite);
BENCHMARK(Ours_AlphaKnob);
BENCHMARK(Pixman_AlphaKnob);
BENCHMARK(Ours_AlphaGlass);
BENCHMARK(Pixman_AlphaGlass);
BENCHMARK(Ours_ScaleUp2x);
BENCHMARK(Pixman_ScaleUp2x);
BENCHMARK(Ours_ScaleDown2x);
BENCHMARK(Pixman_ScaleDown2x);
BENCHMARK(Ours_Rotate);
BENCHMARK(Pixman_Rotate);
BENCHMARK(Ours_RotateAlpha);
BENCHMARK(Pixman_RotateAlpha);

BENCHMARK_MAIN();
