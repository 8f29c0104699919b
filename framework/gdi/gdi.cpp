#include "gdi.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>

struct GDI_GfxContext {
    void* block;  // as allocated, for free()
    void* pixels; // block rounded up to 64 bytes
    int width;
    int height;
};

GDI_GfxContext* GDI_CreateMemContext(int width, int height) {
    if (width < 1 || height < 1) return nullptr;
    // Byte sizes stay within int so that every caller's pixel arithmetic fits.
    if (int64_t(width) * height > (INT_MAX - 63) / 4) return nullptr;
    const size_t bytes = size_t(width) * size_t(height) * 4 + 63;

    void* block = std::calloc(bytes, 1);
    if (!block) return nullptr;
    void* pixels =
        reinterpret_cast<void*>((reinterpret_cast<uintptr_t>(block) + 63) & ~uintptr_t(63));
    auto* ctx = new (std::nothrow) GDI_GfxContext{block, pixels, width, height};
    if (!ctx) std::free(block);
    return ctx;
}

void* GDI_GetCtxFrameBuffer(GDI_GfxContext* ctx) {
    return ctx ? ctx->pixels : nullptr;
}

int GDI_GetCtxWidth(GDI_GfxContext* ctx) {
    return ctx ? ctx->width : 0;
}

int GDI_GetCtxHeight(GDI_GfxContext* ctx) {
    return ctx ? ctx->height : 0;
}

void GDI_DeleteGfxContext(GDI_GfxContext* ctx) {
    if (!ctx) return;
    std::free(ctx->block);
    delete ctx;
}
