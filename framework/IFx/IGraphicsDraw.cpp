#include "IGraphics.h"

#include "Trace.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

BitmapStorage s_bitmapCache;

PIX_pixel PixColor(const IColor& color) {
    return PIX_RGBA(color.red, color.green, color.blue, color.alpha);
}

float PixWeight(const IChannelBlend* blend) {
    return blend ? blend->weight : 1.0f;
}

int PixBlendMode(const IChannelBlend* blend) {
    if (!blend) return PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA;
    switch (blend->method) {
    case IChannelBlend::kBlendOverwrite:
        return PIX_COMBINE_COPY;
    case IChannelBlend::kBlendAdd:
        return PIX_COMBINE_ADD | PIX_COMBINE_USE_SOURCE_ALPHA;
    case IChannelBlend::kBlendDodge:
        return PIX_COMBINE_DODGE | PIX_COMBINE_USE_SOURCE_ALPHA;
    case IChannelBlend::kBlendAlpha:
    default:
        return PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA;
    }
}

int IGraphics::Trunc(double value) {
    if (std::isnan(value)) return 0;
    if (value <= double(INT_MIN)) return INT_MIN;
    if (value >= double(INT_MAX)) return INT_MAX;
    return static_cast<int>(value);
}

bool IGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY,
                           const IChannelBlend* blend) {
    const IRECT r = dest.Intersect(mDrawClip);
    PIX_Blit(mDrawSurface.get(), bitmap.image, r.left, r.top, srcX + r.left - dest.left,
             srcY + r.top - dest.top, r.W(), r.H(), PixWeight(blend), PixBlendMode(blend));
    return true;
}

bool IGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int frame,
                           const IChannelBlend* blend) {
    int srcX = 0, srcY = 0;
    if (bitmap.frameCount >= 2 && frame >= 2) {
        const double step = double(frame - 1) / bitmap.frameCount;
        if (bitmap.framesAreHorizontal)
            srcX = Trunc(bitmap.width * step + 0.5);
        else
            srcY = Trunc(bitmap.height * step + 0.5);
    }
    return DrawBitmap(bitmap, dest, srcX, srcY, blend);
}

bool IGraphics::DrawRotatedBitmap(const IBitmap& bitmap, int centreX, int centreY, double angle,
                                  int yOffsetZeroDeg, const IChannelBlend* blend) {
    const int w = bitmap.width, h = bitmap.height;
    PIX_RotatedBlit(mDrawSurface.get(), bitmap.image, centreX - w / 2, centreY - h / 2, w, h, 0.0f,
                    0.0f, float(w), float(h), float(angle), false, PixWeight(blend),
                    PixBlendMode(blend) | PIX_COMBINE_FILTER_BILINEAR, 0.0f, float(yOffsetZeroDeg));
    return true;
}

bool IGraphics::DrawRotatedMask(const IBitmap& base, const IBitmap& mask, const IBitmap& top, int x,
                                int y, double angle, const IChannelBlend* blend) {
    const float radians = float(angle * 3.14159265358979323846 / 180.0);
    const int w = base.width, h = base.height;
    // An odd width turns about the middle of its centre pixel.
    const float xOffset = w % 2 ? -0.5f : 0.0f;
    if (!mScratchBitmap) mScratchBitmap = std::make_unique<PIX_MemBitmap>(0, 0, 4);
    PIX_MemBitmap* scratch = mScratchBitmap.get();

    PIX_Copy(scratch, base.image);
    PIX_ClearRect(scratch, 0, 0, w, h, 0xFFFFFF00, 0);
    PIX_RotatedBlit(scratch, mask.image, 0, 0, w, h, 0.0f, 0.0f, float(w), float(h), radians, true,
                    1.0f,
                    PIX_COMBINE_ADD | PIX_COMBINE_FILTER_BILINEAR | PIX_COMBINE_USE_SOURCE_ALPHA,
                    xOffset, 0.0f);
    PIX_RotatedBlit(scratch, top.image, 0, 0, w, h, 0.0f, 0.0f, float(w), float(h), radians, true,
                    1.0f,
                    PIX_COMBINE_COPY | PIX_COMBINE_FILTER_BILINEAR | PIX_COMBINE_USE_SOURCE_ALPHA,
                    xOffset, 0.0f);

    const IRECT r = IRECT(x, y, x + w, y + h).Intersect(mDrawClip);
    PIX_Blit(mDrawSurface.get(), scratch, r.left, r.top, r.left - x, r.top - y, r.W(), r.H(),
             PixWeight(blend), PixBlendMode(blend));
    return true;
}

bool IGraphics::DrawBitmapText(const IBitmap& font, const IRECT& rect, const IText& text,
                               const IChannelBlend* blend, const char* str, bool vCenter,
                               bool multiline, int charWidth, int charHeight, int charOffset) {
    if (!str || !*str || charWidth <= 0 || charHeight <= 0) return true;
    const int length = static_cast<int>(std::strlen(str));
    const int advance = charWidth + charOffset;
    // How many cells fit on a line; a single line takes the whole string.
    int perLine = length;
    if (multiline && advance > 0)
        perLine = std::clamp((rect.W() - charWidth) / advance + 1, 1, length);
    const int lines = (length + perLine - 1) / perLine;
    int y = vCenter ? rect.top + (rect.H() - lines * charHeight) / 2 : rect.top;

    for (int first = 0; first < length; first += perLine, y += charHeight) {
        const int count = std::min(perLine, length - first);
        const int lineWidth = (count - 1) * advance + charWidth;
        int x = rect.left;
        if (text.align == IText::kAlignCenter)
            x = rect.left + (rect.W() - lineWidth) / 2;
        else if (text.align == IText::kAlignRight)
            x = rect.right - lineWidth;
        for (int i = first; i < first + count; ++i, x += advance) {
            const int frame = static_cast<unsigned char>(str[i]) - ' ' + 1;
            // Characters outside the font leave their cell empty.
            if (frame < 1 || frame > font.frameCount) continue;
            DrawBitmap(font, IRECT(x, y, x + charWidth, y + charHeight), frame, blend);
        }
    }
    return true;
}

bool IGraphics::DrawPoint(const IColor& color, float x, float y, const IChannelBlend* blend, bool) {
    PIX_PutPixel(mDrawSurface.get(), Trunc(x + 0.5), Trunc(y + 0.5), PixColor(color),
                 PixWeight(blend), PixBlendMode(blend));
    return true;
}

bool IGraphics::ForcePixel(const IColor& color, int x, int y) {
    PIX_SysBitmap* surface = mDrawSurface.get();
    PIX_pixel* bits = surface ? surface->getBits() : nullptr;
    if (!bits || x < 0 || y < 0 || x >= surface->getWidth() || y >= surface->getHeight())
        return true;
    bits[size_t(y) * size_t(surface->getRowSpan()) + size_t(x)] = PixColor(color);
    return true;
}

bool IGraphics::FillIRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend) {
    PIX_FillRect(mDrawSurface.get(), rect.left, rect.top, rect.W(), rect.H(), PixColor(color),
                 PixWeight(blend), PixBlendMode(blend));
    return true;
}

IColor IGraphics::GetPoint(int x, int y) {
    const PIX_pixel pixel = PIX_GetPixel(mDrawSurface.get(), x, y);
    return IColor(PIX_GETA(pixel), PIX_GETR(pixel), PIX_GETG(pixel), PIX_GETB(pixel));
}

void* IGraphics::GetBits() {
    return mDrawSurface ? mDrawSurface->getBits() : nullptr;
}

IBitmap IGraphics::LoadIBitmap(int id, const char* name, int frameCount, bool framesAreHorizontal) {
    PIX_IBitmap* image = s_bitmapCache.FindOrLoad(id, [&] { return OSLoadBitmap(id, name); });
    if (!image) {
        // The editor carries on without the image rather than take the host down with it.
        const char* shownName = name ? name : "";
        TRACE("imgResourceFound:%d:%s", id, shownName);
        std::fprintf(stderr,
                     "framework/IFx/IGraphics: LoadIBitmap: imgResourceFound failed for image "
                     "%d \"%s\"; it will not be drawn\n",
                     id, shownName);
        return IBitmap(nullptr, 0, 0, frameCount, framesAreHorizontal);
    }
    mImageIds.push_back(id);
    return IBitmap(image, image->getWidth(), image->getHeight(), frameCount, framesAreHorizontal);
}

void IGraphics::DecodeImages() {
    // By id: an image released since is no longer asked for.
    for (int id : mImageIds)
        if (PIX_IBitmap* image = s_bitmapCache.Find(id)) image->getBits();
}

IBitmap IGraphics::ScaleBitmap(const IBitmap& bitmap, int destW, int destH) {
    auto* scaled = new PIX_MemBitmap(destW, destH, 4);
    PIX_ScaledBlit(scaled, bitmap.image, 0, 0, destW, destH, 0.0f, 0.0f, float(bitmap.width),
                   float(bitmap.height), 1.0f, PIX_COMBINE_COPY | PIX_COMBINE_FILTER_BILINEAR);
    const IBitmap result(scaled, destW, destH, bitmap.frameCount, false);
    RetainBitmap(result);
    return result;
}

IBitmap IGraphics::CropBitmap(const IBitmap& bitmap, const IRECT& rect) {
    auto* cropped = new PIX_MemBitmap(rect.W(), rect.H(), 4);
    PIX_Blit(cropped, bitmap.image, 0, 0, rect.left, rect.top, rect.W(), rect.H(), 1.0f,
             PIX_COMBINE_COPY);
    const IBitmap result(cropped, rect.W(), rect.H(), bitmap.frameCount, false);
    RetainBitmap(result);
    return result;
}

void IGraphics::RetainBitmap(const IBitmap& bitmap) {
    if (bitmap.image) s_bitmapCache.Add(bitmap.image, -1);
}

void IGraphics::ReleaseBitmap(const IBitmap& bitmap) {
    s_bitmapCache.Remove(bitmap.image);
}

BitmapStorage::~BitmapStorage() {
    for (int i = 0; i < mBitmaps.GetSize(); ++i)
        delete mBitmaps.Get(i)->bitmap;
    mBitmaps.Empty(true);
}

PIX_IBitmap* BitmapStorage::Find(int id) {
    UTL_MutexLock lock(&mMutex);
    for (int i = 0; i < mBitmaps.GetSize(); ++i)
        if (mBitmaps.Get(i)->id == id) return mBitmaps.Get(i)->bitmap;
    return nullptr;
}

void BitmapStorage::Add(PIX_IBitmap* bitmap, int id) {
    UTL_MutexLock lock(&mMutex);
    mBitmaps.Add(new BitmapKey{id, bitmap});
}

void BitmapStorage::Remove(PIX_IBitmap* bitmap) {
    UTL_MutexLock lock(&mMutex);
    for (int i = 0; i < mBitmaps.GetSize(); ++i) {
        if (mBitmaps.Get(i)->bitmap == bitmap) {
            mBitmaps.Delete(i, true);
            delete bitmap;
            return;
        }
    }
}
