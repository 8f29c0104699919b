#include "IControl.h"

#include "IGraphics.h"

#include <algorithm>
#include <cmath>

IPanelControl::IPanelControl(IFxBase* plug, const IRECT& rect, const IColor& color)
    : IControl(plug, rect), mColor(color) {}

bool IPanelControl::Draw(IGraphics* graphics) {
    return graphics->FillIRect(mColor, mRect, &mBlend);
}

IBitmapControl::IBitmapControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                               IChannelBlend::EBlendMethod blendMethod)
    : IControl(plug, IRECT(x, y, bitmap), paramIdx, blendMethod), mBitmap(bitmap) {}

IBitmapControl::IBitmapControl(IFxBase* plug, int x, int y, const IBitmap& bitmap,
                               IChannelBlend::EBlendMethod blendMethod)
    : IBitmapControl(plug, x, y, -1, bitmap, blendMethod) {}

bool IBitmapControl::Draw(IGraphics* graphics) {
    return graphics->DrawBitmap(mBitmap, mRect, FrameForValue(mValue, mBitmap.frameCount), &mBlend);
}

ISwitchControl::ISwitchControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                               IChannelBlend::EBlendMethod blendMethod)
    : IBitmapControl(plug, x, y, paramIdx, bitmap, blendMethod) {}

void ISwitchControl::OnMouseDown(int, int, const IMouseMod&) {
    const int n = mBitmap.frameCount;
    double value = mValue + (n > 1 ? 1.0 / (n - 1) : 1.0);
    // A little beyond 1 still counts as the last step, so rounding cannot skip it.
    if (value > 1.001) value = 0.0;
    mValue = value;
    SetDirty(true);
}

void ISwitchControl::OnMouseDblClick(int x, int y, const IMouseMod& mod) {
    // The second click of a double click is a press like the first, whatever a press does.
    OnMouseDown(x, y, mod);
}

ISwitchPopUpControl::ISwitchPopUpControl(IFxBase* plug, int x, int y, int paramIdx,
                                         const IBitmap& bitmap,
                                         IChannelBlend::EBlendMethod blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod) {
    // Its one gesture is the prompt.
    mPromptDisabled = false;
}

void ISwitchPopUpControl::OnMouseDown(int, int, const IMouseMod&) {
    PromptUserInput();
    SetDirty(true);
}

ISwitchFramesControl::ISwitchFramesControl(IFxBase* plug, int x, int y, int paramIdx,
                                           const IBitmap& bitmap, bool framesAreHorizontal,
                                           IChannelBlend::EBlendMethod blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod) {
    mPromptDisabled = false;
    const int n = bitmap.frameCount;
    for (int i = 0; i < n; ++i)
        mSlices.push_back(framesAreHorizontal ? mRect.SubRectHorizontal(n, i)
                                              : mRect.SubRectVertical(n, i));
}

void ISwitchFramesControl::OnMouseDown(int x, int y, const IMouseMod&) {
    const int n = static_cast<int>(mSlices.size());
    for (int i = 0; i < n; ++i) {
        if (mSlices[static_cast<size_t>(i)].Contains(x, y)) {
            mValue = n > 1 ? double(i) / (n - 1) : 0.0;
            break;
        }
    }
    SetDirty(true);
}

IInvisibleSwitchControl::IInvisibleSwitchControl(IFxBase* plug, const IRECT& rect, int paramIdx)
    : IControl(plug, rect, paramIdx, IChannelBlend::kBlendOverwrite) {}

void IInvisibleSwitchControl::OnMouseDown(int, int, const IMouseMod&) {
    mValue = mValue < 0.5 ? 1.0 : 0.0;
    SetDirty(true);
}

IRadioButtonsControl::IRadioButtonsControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                                           int count, const IBitmap& bitmap, EDirection direction,
                                           bool reverse)
    : IControl(plug, rect, paramIdx), mBitmap(bitmap) {
    const IRECT frame(0, 0, bitmap);
    const bool vertical = direction == kDirVertical;
    const int size = vertical ? frame.H() : frame.W();
    const int length = vertical ? rect.H() : rect.W();
    // One button has nowhere to be spaced to.
    const int spacing = count > 1 ? (length - count * size) / (count - 1) : 0;
    for (int i = 0; i < count; ++i) {
        const int offset = i * (size + spacing);
        IRECT button;
        if (vertical) {
            const int top = reverse ? rect.bottom - offset - size : rect.top + offset;
            button = IRECT(rect.left, top, rect.left + frame.W(), top + size);
        } else {
            const int left = reverse ? rect.right - offset - size : rect.left + offset;
            button = IRECT(left, rect.top, left + size, rect.top + frame.H());
        }
        mButtons.push_back(button);
    }
}

void IRadioButtonsControl::OnMouseDown(int x, int y, const IMouseMod& mod) {
    if (mod.right) {
        PromptUserInput();
        return;
    }
    const int n = static_cast<int>(mButtons.size());
    for (int i = 0; i < n; ++i) {
        if (mButtons[static_cast<size_t>(i)].Contains(x, y)) {
            mValue = n > 1 ? double(i) / (n - 1) : 0.0;
            break;
        }
    }
    SetDirty(true);
}

bool IRadioButtonsControl::Draw(IGraphics* graphics) {
    const int n = static_cast<int>(mButtons.size());
    // The chosen button is the frame a value of n frames would show.
    const int chosen = FrameForValue(mValue, n) - 1;
    for (int i = 0; i < n; ++i)
        graphics->DrawBitmap(mBitmap, mButtons[static_cast<size_t>(i)], i == chosen ? 2 : 1,
                             &mBlend);
    return true;
}

IContactControl::IContactControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                                 IChannelBlend::EBlendMethod blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod) {}

void IContactControl::OnMouseUp(int, int, const IMouseMod&) {
    mValue = 0.0;
    SetDirty(true);
}

IBitmapOverlayControl::IBitmapOverlayControl(IFxBase* plug, int x, int y, int paramIdx,
                                             const IBitmap& bitmap, const IRECT& targetArea,
                                             IChannelBlend::EBlendMethod blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod), mTargetArea(targetArea) {}

bool IBitmapOverlayControl::Draw(IGraphics* graphics) {
    if (mValue < 0.5) return true;
    return IBitmapControl::Draw(graphics);
}

bool IBitmapOverlayControl::IsHit(int x, int y) {
    return mValue < 0.5 ? mTargetArea.Contains(x, y) : mTargetRect.Contains(x, y);
}

IFileSelectorControl::IFileSelectorControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                                           const IBitmap& bitmap, EFileAction action,
                                           const char* dir, const char* extensions)
    : IControl(plug, rect, paramIdx), mBitmap(bitmap), mDir(dir), mExtensions(extensions),
      mFileAction(action) {}

void IFileSelectorControl::OnMouseDown(int, int, const IMouseMod&) {
    IGraphics* gui = GetGUI();
    if (!gui) return;
    mState = kFSSelecting;
    SetDirty(false);
    gui->PromptForFile(&mFile, mFileAction, &mDir, mExtensions.Get());
    double value = mValue + 1.0;
    if (value > 1.0) value = 0.0;
    mValue = value;
    mState = kFSDone;
    SetDirty(true);
}

bool IFileSelectorControl::Draw(IGraphics* graphics) {
    if (mState != kFSSelecting) return true;
    return graphics->DrawBitmap(mBitmap, mRect, 1, &mBlend);
}

bool IFileSelectorControl::IsDirty() {
    if (mState == kFSDone) {
        mState = kFSNone;
        return true;
    }
    return IControl::IsDirty();
}
