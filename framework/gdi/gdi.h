#pragma once

// The GDI layer: platform drawing contexts the raster library draws into. For now only memory
// contexts; fonts and text measuring join them here.

// A drawing context: a pixel surface the platform can put on screen.
struct GDI_GfxContext;

// A memory drawing context of width x height pixels, 4 bytes per pixel in the raster library's
// byte order (alpha ignored), rows stored top-down and exactly width pixels apart, cleared to
// zero, its first pixel on a 64-byte boundary. Null when a size is below 1 or memory is short.
GDI_GfxContext* GDI_CreateMemContext(int width, int height);

// The first pixel of the top row of a memory context, or null (null context).
void* GDI_GetCtxFrameBuffer(GDI_GfxContext* ctx);

// Size of a memory context in pixels; 0 for a null context.
int GDI_GetCtxWidth(GDI_GfxContext* ctx);
int GDI_GetCtxHeight(GDI_GfxContext* ctx);

// Releases a context and its pixels; null is ignored.
void GDI_DeleteGfxContext(GDI_GfxContext* ctx);
