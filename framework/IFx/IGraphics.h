#pragma once

#include "IFxStructs.h"
#include "UTL_Mutex.h"
#include "UTL_PtrList.h"
#include "UTL_String.h"
#include "pix.h"

#include <memory>
#include <vector>

class IControl;
class IFxBase;
class IParam;
class IPopupMenu;

// Colour, opacity and blend method in the raster library's terms. A null blend is kBlendAlpha at
// full weight.
PIX_pixel PixColor(const IColor& color);
float PixWeight(const IChannelBlend* blend);
int PixBlendMode(const IChannelBlend* blend);

// The platform-independent editor: an ordered list of controls bound to the plug-in's
// parameters, drawn into an off-screen surface and fed the user's mouse and key events. A
// platform back end derives from it and supplies the window, the screen copy, menus, text entry
// and image loading.
//
// Threads: events, drawing and prompts run on the user-interface thread. SetParameterFromPlug
// and SetControlFromPlug may come from the host's or the audio thread; they only write control
// values and dirty flags, which the controls keep in relaxed atomics, so the drawing thread
// reads whole values and at worst repaints one tick later. No editor operation locks.
class IGraphics {
public:
    // fps 0 or below selects 25 ticks per second.
    IGraphics(IFxBase* plug, int width, int height, int fps = 0);
    IGraphics(const IGraphics&) = delete;
    IGraphics& operator=(const IGraphics&) = delete;

    // ---- The platform interface; the order of declaration is the order of the slots. ----

    // Copies the given area of the surface to the window.
    virtual bool DrawScreen(const IRECT& rect) = 0;
    // DrawIText in measuring mode.
    virtual bool MeasureIText(IText* text, const char* str, IRECT* rect);
    // Closes an open text entry.
    virtual void ForceEndUserEdit() = 0;
    // Deletes every control and rebuilds the surface at the new size; the caller attaches its
    // controls again.
    virtual void Resize(int width, int height);
    virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
    virtual const char* GetGUIAPI() { return ""; }
    // Returns the platform's answer code.
    virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
    // Shows the menu at rect. On a choice, records it in the menu chosen from (menu or one of
    // its submenus) and returns that menu; null when the user dismissed it.
    virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, const IRECT& rect) = 0;
    // Opens a text field over rect holding str; when editing ends the platform calls
    // SetFromStringAfterPrompt(control, param, newText).
    virtual void CreateTextEntry(IControl* control, const IText* text, const IRECT& rect,
                                 const char* str, IParam* param) = 0;
    virtual void HostPath(UTL_String* path) = 0;
    virtual void PluginPath(UTL_String* path) = 0;
    virtual void DesktopPath(UTL_String* path) = 0;
    virtual void AppSupportPath(UTL_String* path, bool isSystem = false) = 0;
    virtual void SandboxSafeAppSupportPath(UTL_String* path) = 0;
    // fileName receives the chosen path, "" when cancelled; dir, when given, the starting folder
    // in and the chosen file's folder out. extensions: separated by blanks.
    virtual void PromptForFile(UTL_String* fileName, EFileAction action = kFileOpen,
                               UTL_String* dir = nullptr, const char* extensions = "") = 0;
    virtual bool PromptForColor(IColor* color, const char* prompt = "") = 0;
    virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr,
                         const char* confirmMsg = nullptr, const char* errMsg = nullptr) = 0;
    // Creates the editor's view inside the host's parent view and returns it.
    virtual void* OpenWindow(void* parent) = 0;
    // The form for hosts that hand over a window and a control; not supported by default.
    virtual void* OpenWindow(void* /*parent*/, void* /*control*/, int /*w*/, int /*h*/) {
        return nullptr;
    }
    virtual void AttachSubWindow(void* /*parentWindowRef*/) {}
    virtual void RemoveSubWindow() {}
    virtual void CloseWindow() = 0;
    // The view, or null while closed.
    virtual void* GetWindow() = 0;
    virtual bool GetTextFromClipboard(UTL_String* text) = 0;
    virtual ~IGraphics();
    virtual void HideMouseCursor() {}
    virtual void ShowMouseCursor() {}
    virtual void UpdateTooltips() = 0;
    // The image resource as a new bitmap the caller owns, or null when it cannot be loaded.
    virtual PIX_IBitmap* OSLoadBitmap(int id, const char* name) = 0;

    // ---- Building ----

    // Creates the surface at the editor's size and an empty scratch bitmap.
    void PrepDraw();
    // Inserts at index 0 the image as an unbound bitmap control copied without alpha.
    void AttachBackground(int id, const char* name);
    // Inserts at index 0 a panel of the colour covering the editor.
    void AttachPanelBackground(const IColor& color);
    // Takes ownership; returns the control's index.
    int AttachControl(IControl* control);
    // The control that takes key presses over no other control; owned, not in the list. An
    // earlier key catcher is dropped without being deleted.
    void AttachKeyCatcher(IControl* control);

    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int FPS() const { return mFPS; }
    int NControls() const { return mControlList.GetSize(); }
    // Null for an index outside the list.
    IControl* GetControl(int index) const { return mControlList.Get(index); }
    IFxBase* GetPlug() const { return mPlugRef; }
    int GetMouseOver() const { return mMouseOverIdx; }
    bool TooltipsEnabled() const { return mTooltipsEnabled; }
    void EnableTooltips(bool enable) { mTooltipsEnabled = enable; }
    void HandleMouseOver(bool handle) { mHandleMouseOver = handle; }
    // Debug overlay: control outlines and the pointer position.
    void ShowControlBounds(bool show) { mShowControlBounds = show; }
    void SetStrictDrawing(bool strict);
    void SetAllControlsDirty();
    // Every control bound to a parameter shows the parameter's name as its tooltip.
    void AssignParamNameToolTips();

    // ---- Parameters ----

    // Hands value (normalised, or real units converted by the parameter) to every control
    // bound to paramIdx, as its value or as one of its auxiliary parameters.
    void SetParameterFromPlug(int paramIdx, double value, bool normalized);
    // Feeds a control by index (meters, lamps); an index outside the list is ignored.
    void SetControlFromPlug(int controlIdx, double normalizedValue);
    // Every control bound to paramIdx takes the value as user input and reports it.
    void SetParameterFromGUI(int paramIdx, double normalizedValue);
    void ClampControl(int paramIdx, double lo, double hi, bool normalized);
    void HideControl(int paramIdx, bool hide);
    void GrayOutControl(int paramIdx, bool gray);
    // Asks the user for a new value: a menu of the display texts for enumerations and booleans
    // that have them, a text entry otherwise. Null arguments do nothing.
    void PromptUserInput(IControl* control, IParam* param, const IRECT* rect);
    // Called by the platform when a text entry ends.
    void SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text);

    // ---- Drawing passes ----

    // Adds the area of every dirty control to rect; true when there was any.
    bool IsDirty(IRECT* rect);
    // The same, also appending each dirty control's own area to areas (or the whole of rect
    // when the control bounds are shown), so that a platform can repaint small changes far
    // apart without everything between them.
    bool IsDirty(IRECT* rect, std::vector<IRECT>* areas);
    // Draws what rect needs into the surface and copies rect to the screen.
    bool Draw(const IRECT& rect);

    // ---- Events (editor pixels, origin top-left) ----

    void OnMouseDown(int x, int y, const IMouseMod& mod);
    void OnMouseUp(int x, int y, const IMouseMod& mod);
    void OnMouseDrag(int x, int y, const IMouseMod& mod);
    // True when the double click was delivered as a press.
    bool OnMouseDblClick(int x, int y, const IMouseMod& mod);
    void OnMouseWheel(int x, int y, const IMouseMod& mod, float delta);
    // False at once unless mouse-over handling is on.
    bool OnMouseOver(int x, int y, const IMouseMod& mod);
    void OnMouseOut();
    // True when a control took the key.
    bool OnKeyDown(int x, int y, int key);
    void OnGUIIdle();
    void ReleaseMouseCapture();
    // The control under the pointer, or the captured one; -1 for none.
    int GetMouseControlIdx(int x, int y, bool mouseOver = false);
    // The parameter of the control under the pointer; -1 over the background or nothing.
    int GetParamIdxForPTAutomation(int x, int y);
    // The last result of GetParamIdxForPTAutomation, once.
    int GetLastClickedParamForPTAutomation();

    // ---- Drawing primitives, on the surface; each returns true. A null blend draws with
    // source alpha at full weight. ----

    // Copies dest's size from (srcX, srcY) of the image, clipped to the draw pass's area.
    bool DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY,
                    const IChannelBlend* blend = nullptr);
    // Frame 1 .. frameCount of the image.
    bool DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int frame = 1,
                    const IChannelBlend* blend = nullptr);
    // The whole image centred on (centreX, centreY), turned by angle radians.
    bool DrawRotatedBitmap(const IBitmap& bitmap, int centreX, int centreY, double angle,
                           int yOffsetZeroDeg = 0, const IChannelBlend* blend = nullptr);
    // A knob made of three equal images: base, mask added at angle (degrees), top turned
    // likewise over it; drawn at (x, y), clipped to the draw pass's area.
    bool DrawRotatedMask(const IBitmap& base, const IBitmap& mask, const IBitmap& top, int x, int y,
                         double angle, const IChannelBlend* blend = nullptr);
    // Strings in a bitmap font: frame c - 31 of font is character c (' ' to '~'), every cell
    // charWidth x charHeight, charOffset pixels between cells. Aligned as text says; multiline
    // wraps at the rectangle's width; vCenter centres the lines vertically.
    bool DrawBitmapText(const IBitmap& font, const IRECT& rect, const IText& text,
                        const IChannelBlend* blend, const char* str, bool vCenter = true,
                        bool multiline = false, int charWidth = 6, int charHeight = 12,
                        int charOffset = 0);
    bool DrawPoint(const IColor& color, float x, float y, const IChannelBlend* blend = nullptr,
                   bool antiAlias = false);
    // Writes the colour into the surface unblended; a point off the surface writes nothing.
    bool ForcePixel(const IColor& color, int x, int y);
    // Coordinates truncated toward zero.
    bool DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                  const IChannelBlend* blend = nullptr, bool antiAlias = false);
    // Angles in radians, 0 pointing up, growing clockwise.
    bool DrawArc(const IColor& color, float cx, float cy, float r, float minAngle, float maxAngle,
                 const IChannelBlend* blend = nullptr, bool antiAlias = false);
    bool DrawCircle(const IColor& color, float cx, float cy, float r,
                    const IChannelBlend* blend = nullptr, bool antiAlias = false);
    bool RoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                   int cornerRadius, bool antiAlias);
    bool FillRoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                       int cornerRadius, bool antiAlias);
    bool FillIRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend = nullptr);
    bool FillCircle(const IColor& color, int cx, int cy, float r,
                    const IChannelBlend* blend = nullptr, bool antiAlias = false);
    bool FillTriangle(const IColor& color, int x1, int y1, int x2, int y2, int x3, int y3,
                      const IChannelBlend* blend = nullptr);
    bool FillIConvexPolygon(const IColor& color, const int* x, const int* y, int npoints,
                            const IChannelBlend* blend = nullptr);
    // One-pixel lines, ends included, copied at full weight.
    bool DrawVerticalLine(const IColor& color, int xi, int yLo, int yHi);
    bool DrawHorizontalLine(const IColor& color, int yi, int xLo, int xHi);
    // At x (0 left .. 1 right) across rect, from top to bottom.
    bool DrawVerticalLine(const IColor& color, const IRECT& rect, float x);
    // At y (0 bottom edge .. 1 top) across rect, from left to right.
    bool DrawHorizontalLine(const IColor& color, const IRECT& rect, float y);
    // The outline covers column right and row bottom, one beyond the rectangle.
    bool DrawRect(const IColor& color, const IRECT& rect);
    // From radius rMin to rMax at angle radians (0 up, clockwise) about (cx, cy).
    bool DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin,
                        float rMax, const IChannelBlend* blend = nullptr, bool antiAlias = false);
    IColor GetPoint(int x, int y);
    // The surface's pixels, null before PrepDraw.
    void* GetBits();

    // Draws str in rect, or with measure rewrites rect to the text's extent placed as the
    // alignment says. An empty string does neither and succeeds; false when no font could be
    // made.
    bool DrawIText(IText* text, const char* str, IRECT* rect, bool measure = false);

    // ---- Images and fonts ----

    // The image for resource id, loaded on first use and shared by every editor of the process
    // under that id. A missing image is reported and gives a handle that draws nothing. What
    // the platform loads may be only the image's size, its pixels decoded when an editor opens
    // or first draws it.
    IBitmap LoadIBitmap(int id, const char* name, int frameCount = 1,
                        bool framesAreHorizontal = false);
    // Has the pixels of every image this editor loaded decoded now, for an editor about to be
    // shown: its window then never appears before its pictures do.
    void DecodeImages();
    // New images, kept in the cache until ReleaseBitmap.
    IBitmap ScaleBitmap(const IBitmap& bitmap, int destW, int destH);
    IBitmap CropBitmap(const IBitmap& bitmap, const IRECT& rect);
    void RetainBitmap(const IBitmap& bitmap);
    // Removes the image from the cache and deletes it; an image not there is left alone.
    void ReleaseBitmap(const IBitmap& bitmap);
    // The font for the style, from the cache or made and cached; recorded in text. Null when
    // the platform cannot make it.
    PIX_IFont* CacheFont(IText* text);

protected:
    UTL_Mutex mMutex;
    UTL_PtrList<IControl> mControlList;
    IFxBase* mPlugRef;
    IRECT mDrawClip;
    bool mCursorHidden = false;
    int mHiddenCursorX = -1, mHiddenCursorY = -1;
    std::unique_ptr<PIX_SysBitmap> mDrawSurface;
    std::unique_ptr<PIX_MemBitmap> mScratchBitmap;

private:
    std::vector<int> mImageIds; // what LoadIBitmap found, by id
    // Toward zero, held to the int range; NaN gives 0. Drawing coordinates come from float
    // arithmetic and must never overflow a conversion.
    static int Trunc(double value);

    // The non-strict passes: everything over a dirty background, or each dirty control with
    // what overlaps it.
    void DrawWithBackground();
    void DrawDirtyControls();
    void DrawControlBounds();

    int mWidth, mHeight;
    int mFPS;
    int mMouseCapture = -1;
    int mMouseOverIdx = -1;
    int mMouseX = 0, mMouseY = 0;
    int mLastClickedParam = -1;
    bool mHandleMouseOver = false;
    bool mStrictDrawing = true;
    bool mTooltipsEnabled = false;
    bool mShowControlBounds = false;
    IControl* mKeyCatcher = nullptr;
};

// The process-wide store of loaded images, shared by every editor; it owns them. Each operation
// holds the store's own lock.
class BitmapStorage {
public:
    struct BitmapKey {
        int id;
        PIX_IBitmap* bitmap;
    };

    BitmapStorage() = default;
    ~BitmapStorage();
    BitmapStorage(const BitmapStorage&) = delete;
    BitmapStorage& operator=(const BitmapStorage&) = delete;

    // The first image stored under id, or null.
    PIX_IBitmap* Find(int id);
    // The first image stored under id; when there is none, the one load() makes, stored under
    // id (or null, storing nothing). Loads under the store's lock, so editors opening on several
    // threads at once load each image once.
    template <class Load> PIX_IBitmap* FindOrLoad(int id, Load load) {
        UTL_MutexLock lock(&mMutex);
        if (PIX_IBitmap* found = Find(id)) return found;
        PIX_IBitmap* loaded = load();
        if (loaded) Add(loaded, id);
        return loaded;
    }
    // Takes ownership; an id stored twice keeps answering with the first image.
    void Add(PIX_IBitmap* bitmap, int id);
    // Deletes the image; one not stored is left alone.
    void Remove(PIX_IBitmap* bitmap);

private:
    UTL_PtrList<BitmapKey> mBitmaps;
    UTL_Mutex mMutex;
};

// The process-wide store of fonts, keyed by size, orientation, style and face name (colour and
// quality are not part of the key); it owns them. Each operation holds the store's own lock.
class FontStorage {
public:
    struct FontKey {
        int size;
        int orientation;
        int style;
        char face[36];
        PIX_IFont* font;
    };

    FontStorage() = default;
    ~FontStorage();
    FontStorage(const FontStorage&) = delete;
    FontStorage& operator=(const FontStorage&) = delete;

    PIX_IFont* Find(const IText* text);
    // Takes ownership.
    void Add(PIX_IFont* font, const IText* text);

private:
    UTL_PtrList<FontKey> mFonts;
    UTL_Mutex mMutex;
};

extern BitmapStorage s_bitmapCache;
extern FontStorage s_fontCache;
