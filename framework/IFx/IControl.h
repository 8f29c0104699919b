#pragma once

#include "IFxStructs.h"
#include "UTL_PtrList.h"
#include "UTL_Relaxed.h"
#include "UTL_String.h"

#include <vector>

class IFxBase;
class IGraphics;
class IParam;
class ITextControl;

// One rectangular element of the editor. It draws itself, reacts to the events the editor
// routes to it and may be bound to a parameter whose normalised value (0..1) it holds.
//
// The value and the dirty and redraw flags are written from the audio and host threads
// (SetValueFromPlug) and read by the drawing thread, so they are relaxed atomics; gestures and
// drawing run on the user-interface thread.
class IControl {
public:
    enum EDirection { kDirVertical = 0, kDirHorizontal };

    struct AuxParam {
        UTL_Relaxed<double> mValue = 0.0;
        int mParamIdx;

        explicit AuxParam(int paramIdx) : mParamIdx(paramIdx) {}
    };

    // paramIdx -1: bound to no parameter.
    IControl(IFxBase* plug, const IRECT& rect, int paramIdx = -1,
             IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendAlpha);
    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;

    // The virtual interface; the order of declaration is the order of the slots.
    virtual ~IControl();
    // A right press opens the value prompt.
    virtual void OnMouseDown(int x, int y, const IMouseMod& mod);
    virtual void OnMouseUp(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {}
    virtual void OnMouseDrag(int /*x*/, int /*y*/, int /*dX*/, int /*dY*/,
                             const IMouseMod& /*mod*/) {}
    // Restores the default value (the first one the plug-in pushed).
    virtual void OnMouseDblClick(int x, int y, const IMouseMod& mod);
    virtual void OnMouseWheel(int /*x*/, int /*y*/, const IMouseMod& /*mod*/, float /*d*/) {}
    // True when the control took the key.
    virtual bool OnKeyDown(int /*x*/, int /*y*/, int /*key*/) { return false; }
    virtual void OnMouseOver(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {}
    virtual void OnMouseOut() {}
    virtual bool Draw(IGraphics* graphics) = 0;
    // Stores the value and marks the control dirty, never reporting back. The first value
    // becomes the double-click default.
    virtual void SetValueFromPlug(double value);
    // Stores the value and reports it to the plug-in.
    virtual void SetValueFromUserInput(double value);
    virtual void TextFromTextEntry(const char* /*text*/) {}
    virtual void Hide(bool hide);
    virtual void GrayOut(bool gray);
    virtual bool IsHit(int x, int y);
    // Clamps the value and marks the control dirty; with push, reports the value to the plug-in
    // and refreshes the display companions.
    virtual void SetDirty(bool push = true);
    // Dirty stays set for one more pass after Redraw().
    virtual void SetClean();
    virtual bool IsDirty() { return mDirty; }
    virtual void OnGUIIdle() {}
    virtual void SetAuxParamValueFromPlug(int auxParamIdx, double value);

    void Redraw() { mRedraw = true; }
    // Bounds applied at the next SetDirty.
    void Clamp(double lo, double hi);

    // Opens the editor's value prompt over the control (or rect), unless the control is bound
    // to no parameter or its prompt is off.
    void PromptUserInput();
    void PromptUserInput(const IRECT& rect);
    void DisablePrompt(bool disable) { mPromptDisabled = disable; }
    void SetMOWhenGrayed(bool allow) { mMOWhenGrayed = allow; }
    void SetDblAsSingleClick(bool single) { mDblAsSingleClick = single; }
    void SetTextEntryLength(int length) { mTextEntryLength = length; }
    void SetTargetArea(const IRECT& rect) { mTargetRect = rect; }

    // Auxiliary parameters: further parameters the control follows.
    void AddAuxParam(int paramIdx);
    AuxParam* GetAuxParam(int auxParamIdx);
    // The position of paramIdx among the auxiliary parameters, or -1.
    int AuxParamIdx(int paramIdx) const;
    int NAuxParams() const { return mAuxParams.GetSize(); }
    void SetAllAuxParamsFromGUI();

    // Text controls that show the bound parameter's value text and name after each gesture;
    // not owned.
    void SetValueDisplayControl(ITextControl* control) { mValueDisplayControl = control; }
    void SetNameDisplayControl(ITextControl* control) { mNameDisplayControl = control; }

    int ParamIdx() const { return mParamIdx; }
    // The bound parameter, or null.
    IParam* GetParam() const;
    double GetValue() const { return mValue; }
    double GetDefaultValue() const { return mDefaultValue; }
    const IRECT& GetRECT() const { return mRect; }
    const IRECT& GetTargetRECT() const { return mTargetRect; }
    IText* GetText() { return &mTextStyle; }
    const IChannelBlend& GetBlend() const { return mBlend; }
    int GetTextEntryLength() const { return mTextEntryLength; }
    bool IsHidden() const { return mHidden; }
    bool IsGrayed() const { return mGrayed; }
    bool IsPromptDisabled() const { return mPromptDisabled; }
    bool GetMOWhenGrayed() const { return mMOWhenGrayed; }
    bool MouseDblAsSingleClick() const { return mDblAsSingleClick; }
    void SetTooltip(const char* tooltip) { mTooltip.Set(tooltip); }
    const char* GetTooltip() const { return mTooltip.Get(); }

protected:
    // The editor of the owning plug-in, or null.
    IGraphics* GetGUI() const;
    // The frame of an n-frame image that shows value: 1 + trunc(0.5 + value x (n - 1)), held to
    // 1..n (1 for a value that is not a number).
    static int FrameForValue(double value, int n);

    int mTextEntryLength = 7;
    IText mTextStyle;
    IFxBase* mOwnerPlug;
    IRECT mRect;
    IRECT mTargetRect;
    int mParamIdx;
    UTL_PtrList<AuxParam> mAuxParams; // owned; held by pointer as their values are atomic
    UTL_Relaxed<double> mValue = 0.0;
    UTL_Relaxed<double> mDefaultValue = -1.0; // below 0: none pushed yet
    double mClampLo = 0.0, mClampHi = 1.0;
    UTL_Relaxed<bool> mDirty = true;
    UTL_Relaxed<bool> mHidden = false;
    UTL_Relaxed<bool> mGrayed = false;
    UTL_Relaxed<bool> mRedraw = false;
    bool mPromptDisabled = true;
    bool mDblAsSingleClick = false;
    bool mMOWhenGrayed = false;
    IChannelBlend mBlend;
    ITextControl* mValueDisplayControl = nullptr;
    ITextControl* mNameDisplayControl = nullptr;
    UTL_String mTooltip;
};

// ---- Plain and bitmap controls ----

// A rectangle filled with one colour.
class IPanelControl : public IControl {
public:
    IPanelControl(IFxBase* plug, const IRECT& rect, const IColor& color);
    bool Draw(IGraphics* graphics) override;

private:
    IColor mColor;
};

// One frame of an image, chosen by the value: 1 at 0, the last at 1.
class IBitmapControl : public IControl {
public:
    IBitmapControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                   IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendAlpha);
    IBitmapControl(IFxBase* plug, int x, int y, const IBitmap& bitmap,
                   IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendAlpha);
    bool Draw(IGraphics* graphics) override;

protected:
    IBitmap mBitmap;
};

// Each press steps to the next frame, wrapping to the first after the last; a double click
// counts as a press.
class ISwitchControl : public IBitmapControl {
public:
    ISwitchControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                   IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendAlpha);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseDblClick(int x, int y, const IMouseMod& mod) override;
};

// A press opens the parameter's value prompt.
class ISwitchPopUpControl : public ISwitchControl {
public:
    ISwitchPopUpControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                        IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendAlpha);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
};

// A press on part i of the image (of as many parts as frames) selects frame i.
class ISwitchFramesControl : public ISwitchControl {
public:
    ISwitchFramesControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                         bool framesAreHorizontal = false,
                         IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendAlpha);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;

private:
    std::vector<IRECT> mSlices;
};

// An area that toggles its parameter between 0 and 1; draws nothing.
class IInvisibleSwitchControl : public IControl {
public:
    IInvisibleSwitchControl(IFxBase* plug, const IRECT& rect, int paramIdx);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    bool Draw(IGraphics*) override { return true; }
};

// count buttons spread evenly over the rectangle, each drawn from a two-frame image: frame 2
// for the chosen one. reverse lays them out from the bottom (or right) edge.
class IRadioButtonsControl : public IControl {
public:
    IRadioButtonsControl(IFxBase* plug, const IRECT& rect, int paramIdx, int count,
                         const IBitmap& bitmap, EDirection direction = kDirVertical,
                         bool reverse = false);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    bool Draw(IGraphics* graphics) override;

    const std::vector<IRECT>& GetButtons() const { return mButtons; }

private:
    std::vector<IRECT> mButtons;
    IBitmap mBitmap;
};

// A switch that springs back to 0 on release.
class IContactControl : public ISwitchControl {
public:
    IContactControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                    IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendAlpha);
    void OnMouseUp(int x, int y, const IMouseMod& mod) override;
};

// A switch shown only while on (value 0.5 or more). While off it is hit in targetArea instead
// of its own rectangle, so a click there brings it up.
class IBitmapOverlayControl : public ISwitchControl {
public:
    IBitmapOverlayControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                          const IRECT& targetArea,
                          IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendAlpha);
    bool Draw(IGraphics* graphics) override;
    bool IsHit(int x, int y) override;

private:
    IRECT mTargetArea;
};

// Asks for a file on a press and counts the choices in its value (0, 1, 0, ...); shows its
// image only while the dialog is open.
class IFileSelectorControl : public IControl {
public:
    enum EFileSelectorState { kFSNone, kFSSelecting, kFSDone };

    // extensions: separated by blanks.
    IFileSelectorControl(IFxBase* plug, const IRECT& rect, int paramIdx, const IBitmap& bitmap,
                         EFileAction action, const char* dir = "", const char* extensions = "");
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    bool Draw(IGraphics* graphics) override;
    // Dirty once more after a file was chosen.
    bool IsDirty() override;

    void GetLastSelectedFileForPlug(UTL_String* path) const { path->Set(mFile.Get()); }
    void SetLastSelectedFileFromPlug(const char* path) { mFile.Set(path); }
    EFileSelectorState GetState() const { return mState; }

private:
    IBitmap mBitmap;
    UTL_String mDir, mFile, mExtensions;
    EFileAction mFileAction;
    EFileSelectorState mState = kFSNone;
};

// ---- Knobs and faders ----

// Turned by vertical (or horizontal) drags: one control height of travel changes the value by
// 1 / gearing, ten times finer with shift or control. The editor hides the cursor from the
// press to the release of a drag. Draws nothing of its own.
class IKnobControl : public IControl {
public:
    IKnobControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                 EDirection direction = kDirVertical, double gearing = 4.0);
    // A right press prompts for a value instead.
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseUp(int x, int y, const IMouseMod& mod) override;
    void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
    void OnMouseWheel(int x, int y, const IMouseMod& mod, float d) override;
    bool Draw(IGraphics*) override { return true; }

    void SetGearing(double gearing) { mGearing = gearing; }

    static constexpr double kPi = 3.14159265358979323846;

protected:
    EDirection mDirection;
    double mGearing;
};

// A line from the centre between two radii, at an angle (radians, 0 up, clockwise) that
// follows the value from minAngle to maxAngle.
class IKnobLineControl : public IKnobControl {
public:
    // outerRadius 0: half the rectangle's width.
    IKnobLineControl(IFxBase* plug, const IRECT& rect, int paramIdx, const IColor& color,
                     double innerRadius = 0.0, double outerRadius = 0.0,
                     double minAngle = -0.75 * kPi, double maxAngle = 0.75 * kPi,
                     EDirection direction = kDirVertical, double gearing = 4.0);
    bool Draw(IGraphics* graphics) override;

private:
    IColor mColor;
    float mMinAngle, mMaxAngle, mInnerRadius, mOuterRadius;
};

// An image turned about its centre by an angle (radians) that follows the value.
class IKnobRotaterControl : public IKnobControl {
public:
    IKnobRotaterControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                        double minAngle = -0.75 * kPi, double maxAngle = 0.75 * kPi,
                        int yOffsetZeroDeg = 0, EDirection direction = kDirVertical,
                        double gearing = 4.0);
    bool Draw(IGraphics* graphics) override;

private:
    IBitmap mBitmap;
    double mMinAngle, mMaxAngle;
    int mYOffset;
};

// The frame of a filmstrip image that the value selects.
class IKnobMultiControl : public IKnobControl {
public:
    IKnobMultiControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                      EDirection direction = kDirVertical, double gearing = 4.0);
    bool Draw(IGraphics* graphics) override;

private:
    IBitmap mBitmap;
};

// A knob composed of a base, a mask and a top image turned by an angle (degrees) that follows
// the value.
class IKnobRotatingMaskControl : public IKnobControl {
public:
    IKnobRotatingMaskControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& base,
                             const IBitmap& mask, const IBitmap& top, double minAngle = -135.0,
                             double maxAngle = 135.0, EDirection direction = kDirVertical,
                             double gearing = 4.0);
    bool Draw(IGraphics* graphics) override;

private:
    IBitmap mBase, mMask, mTop;
    double mMinAngle, mMaxAngle;
};

// A handle image that slides along a track of len pixels; value 1 at the top (or right).
class IFaderControl : public IControl {
public:
    IFaderControl(IFxBase* plug, int x, int y, int len, int paramIdx, const IBitmap& handle,
                  EDirection direction = kDirVertical, bool onlyHandle = false);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
    void OnMouseWheel(int x, int y, const IMouseMod& mod, float d) override;
    bool Draw(IGraphics* graphics) override;
    // With onlyHandle, only the handle is hit.
    bool IsHit(int x, int y) override;
    // Moves the value to put the handle's centre under the pointer.
    virtual void SnapToMouse(int x, int y);

    int GetLength() const { return mLen; }
    int GetHandleHeadroom() const { return mHandleHeadroom; }
    // Where the handle is drawn for value.
    IRECT GetHandleRECT(double value) const;
    IRECT GetHandleRECT() const { return GetHandleRECT(mValue); }

private:
    int mLen, mHandleHeadroom;
    IBitmap mHandleBitmap;
    EDirection mDirection;
    bool mOnlyHandle;
};

// ---- Text controls ----

// A string in a text style; bound to no parameter.
class ITextControl : public IControl {
public:
    // text null: the default style.
    ITextControl(IFxBase* plug, const IRECT& rect, const IText* text, const char* str = "");
    bool Draw(IGraphics* graphics) override;
    // A different string marks the control dirty.
    void SetTextFromPlug(const char* str);
    const char* GetTextString() const { return mStr.Get(); }

protected:
    UTL_String mStr;
};

// The bound parameter's display text, with its label when showParamLabel; a press or double
// click opens the value prompt.
class ICaptionControl : public ITextControl {
public:
    ICaptionControl(IFxBase* plug, const IRECT& rect, int paramIdx, const IText* text,
                    bool showParamLabel = true);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseDblClick(int x, int y, const IMouseMod& mod) override;
    bool Draw(IGraphics* graphics) override;

private:
    bool mShowParamLabel;
};

// Opens a web address on a press, or the backup address when that fails; draws nothing.
class IURLControl : public IControl {
public:
    IURLControl(IFxBase* plug, const IRECT& rect, const char* url, const char* backupURL = nullptr,
                const char* errMsgOnFailure = nullptr);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    bool Draw(IGraphics*) override { return true; }

private:
    char mURL[256];
    char mBackupURL[256];
    char mErrMsg[1024];
};

// A string drawn in a bitmap font (see IGraphics::DrawBitmapText).
class IBitmapTextControl : public IControl {
public:
    IBitmapTextControl(IFxBase* plug, const IRECT& rect, const IBitmap& font,
                       const IText* text = nullptr, const char* str = "", int charWidth = 6,
                       int charHeight = 12, int charOffset = 0, bool multiLine = false,
                       bool vCenter = true);
    bool Draw(IGraphics* graphics) override;
    void SetTextFromPlug(const char* str);
    const char* GetTextString() const { return mStr.Get(); }

private:
    UTL_String mStr;
    IBitmap mFontBitmap;
    int mCharWidth, mCharHeight, mCharOffset;
    bool mMultiLine, mVCenter;
};
