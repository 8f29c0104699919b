#include "IGraphics.h"

#include "gdi.h"

#include <cstring>

FontStorage s_fontCache;

bool IGraphics::MeasureIText(IText* text, const char* str, IRECT* rect) {
    return DrawIText(text, str, rect, true);
}

bool IGraphics::DrawIText(IText* text, const char* str, IRECT* rect, bool measure) {
    if (!str || !*str) return true;
    PIX_IFont* font = text->cachedFont;
    if (!font) font = CacheFont(text);
    if (!font) return false;

    font->SetTextColor(PixColor(text->color));
    unsigned flags = PIX_DT_NOCLIP;
    if (text->color.alpha < 255) flags |= PIX_DT_USEFGALPHA;
    if (text->align == IText::kAlignCenter)
        flags |= PIX_DT_CENTER;
    else if (text->align != IText::kAlignLeft)
        flags |= PIX_DT_RIGHT;

    if (!measure) {
        PIX_Rect r = {rect->left, rect->top, rect->right, rect->bottom};
        font->DrawText(mDrawSurface.get(), str, -1, &r, flags);
        return true;
    }

    PIX_Rect extent = {0, 0, 0, 0};
    font->DrawText(mDrawSurface.get(), str, -1, &extent, flags | PIX_DT_CALCRECT);
    const int width = extent.right, height = extent.bottom;
    if (text->align == IText::kAlignLeft) {
        rect->right = rect->left + width;
    } else if (text->align == IText::kAlignCenter) {
        rect->left = static_cast<int>(rect->MW()) - width / 2;
        rect->right = rect->left + width;
    } else {
        rect->left = rect->right - width;
        rect->right = rect->left + width;
    }
    rect->bottom = rect->top + height;
    return true;
}

PIX_IFont* IGraphics::CacheFont(IText* text) {
    if (PIX_IFont* cached = s_fontCache.Find(text)) {
        text->cachedFont = cached;
        return cached;
    }

    auto* font = new PIX_CachedFont;
    const int angle = text->orientation * 10; // tenths of a degree
    const int weight = text->style == IText::kStyleBold ? 700 : 400;
    const bool italic = text->style == IText::kStyleItalic;
    int quality = 0;
    if (text->quality == IText::kQualityAliased)
        quality = 3;
    else if (text->quality == IText::kQualityAntialiased ||
             text->quality == IText::kQualitySubpixel)
        quality = 4;

    // Platforms size fonts by different measures; a second font corrects the first one's
    // line height towards the size asked for.
    int height = text->size;
    for (int pass = 0; pass < 2; ++pass) {
        if (height < 2) height = 2;
        GDI_Font* platformFont = GDI_CreateFont(height, 0, angle, angle, weight, italic, false,
                                                false, 0, 0, 0, quality, 0, text->font);
        if (!platformFont) {
            delete font;
            return nullptr;
        }
        font->SetFromHFont(platformFont, PIX_FONT_FLAG_OWNS_HFONT | PIX_FONT_FLAG_CACHE_GLYPHS);
        const int lineHeight = font->GetLineHeight();
        if (pass == 1 || lineHeight == height || lineHeight <= 0) break;
        height = Trunc(double(height) * height / lineHeight + 0.5);
    }

    s_fontCache.Add(font, text);
    text->cachedFont = font;
    return font;
}

FontStorage::~FontStorage() {
    for (int i = 0; i < mFonts.GetSize(); ++i)
        delete mFonts.Get(i)->font;
    mFonts.Empty(true);
}

PIX_IFont* FontStorage::Find(const IText* text) {
    UTL_MutexLock lock(&mMutex);
    for (int i = 0; i < mFonts.GetSize(); ++i) {
        const FontKey* key = mFonts.Get(i);
        if (key->size == text->size && key->orientation == text->orientation &&
            key->style == text->style && std::strcmp(key->face, text->font) == 0)
            return key->font;
    }
    return nullptr;
}

void FontStorage::Add(PIX_IFont* font, const IText* text) {
    auto* key = new FontKey{text->size, text->orientation, text->style, {}, font};
    UTL_CopyText(key->face, sizeof key->face, text->font);
    UTL_MutexLock lock(&mMutex);
    mFonts.Add(key);
}
