#include "IControl.h"

#include "IGraphics.h"

#include <algorithm>
#include <cmath>

namespace {
// A wheel step moves the value by a hundredth, ten times finer with shift or control.
double WheelStep(const IMouseMod& mod, float d) {
    return (mod.shift || mod.control ? 0.001 : 0.01) * d;
}
} // namespace

IKnobControl::IKnobControl(IFxBase* plug, const IRECT& rect, int paramIdx, EDirection direction,
                           double gearing)
    : IControl(plug, rect, paramIdx), mDirection(direction), mGearing(gearing) {}

void IKnobControl::OnMouseDown(int x, int y, const IMouseMod& mod) {
    IControl::OnMouseDown(x, y, mod);
    // The pointer would only get in the way of a fine drag; it comes back where it was.
    if (IGraphics* gui = GetGUI(); gui && !mod.right) gui->HideMouseCursor();
}

void IKnobControl::OnMouseUp(int, int, const IMouseMod&) {
    if (IGraphics* gui = GetGUI()) gui->ShowMouseCursor();
}

void IKnobControl::OnMouseDrag(int, int, int dX, int dY, const IMouseMod& mod) {
    double gearing = mGearing;
    if (mod.shift || mod.control) gearing *= 10.0;
    // Upwards (negative dY) raises the value: the travel is top - bottom.
    const double travel = mDirection == kDirVertical ? mRect.top - mRect.bottom : mRect.W();
    const int delta = mDirection == kDirVertical ? dY : dX;
    // A knob without extent or gearing has no scale to turn a drag into a value.
    if (travel == 0.0 || gearing == 0.0 || !std::isfinite(gearing)) return;
    mValue += delta / travel / gearing;
    SetDirty(true);
}

void IKnobControl::OnMouseWheel(int, int, const IMouseMod& mod, float d) {
    mValue += WheelStep(mod, d);
    SetDirty(true);
}

IKnobLineControl::IKnobLineControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                                   const IColor& color, double innerRadius, double outerRadius,
                                   double minAngle, double maxAngle, EDirection direction,
                                   double gearing)
    : IKnobControl(plug, rect, paramIdx, direction, gearing), mColor(color),
      mMinAngle(float(minAngle)), mMaxAngle(float(maxAngle)), mInnerRadius(float(innerRadius)),
      mOuterRadius(float(outerRadius)) {
    mBlend = IChannelBlend(IChannelBlend::kBlendOverwrite);
    if (mOuterRadius == 0.0f) mOuterRadius = 0.5f * float(rect.W());
}

bool IKnobLineControl::Draw(IGraphics* graphics) {
    const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
    return graphics->DrawRadialLine(mColor, mRect.MW(), mRect.MH(), float(angle), mInnerRadius,
                                    mOuterRadius, &mBlend, true);
}

IKnobRotaterControl::IKnobRotaterControl(IFxBase* plug, int x, int y, int paramIdx,
                                         const IBitmap& bitmap, double minAngle, double maxAngle,
                                         int yOffsetZeroDeg, EDirection direction, double gearing)
    : IKnobControl(plug, IRECT(x, y, bitmap), paramIdx, direction, gearing), mBitmap(bitmap),
      mMinAngle(minAngle), mMaxAngle(maxAngle), mYOffset(yOffsetZeroDeg) {}

bool IKnobRotaterControl::Draw(IGraphics* graphics) {
    const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
    return graphics->DrawRotatedBitmap(mBitmap, static_cast<int>(mRect.MW()),
                                       static_cast<int>(mRect.MH()), angle, mYOffset, &mBlend);
}

IKnobMultiControl::IKnobMultiControl(IFxBase* plug, int x, int y, int paramIdx,
                                     const IBitmap& bitmap, EDirection direction, double gearing)
    : IKnobControl(plug, IRECT(x, y, bitmap), paramIdx, direction, gearing), mBitmap(bitmap) {}

bool IKnobMultiControl::Draw(IGraphics* graphics) {
    return graphics->DrawBitmap(mBitmap, mRect, FrameForValue(mValue, mBitmap.frameCount), &mBlend);
}

IKnobRotatingMaskControl::IKnobRotatingMaskControl(IFxBase* plug, int x, int y, int paramIdx,
                                                   const IBitmap& base, const IBitmap& mask,
                                                   const IBitmap& top, double minAngle,
                                                   double maxAngle, EDirection direction,
                                                   double gearing)
    : IKnobControl(plug, IRECT(x, y, base), paramIdx, direction, gearing), mBase(base), mMask(mask),
      mTop(top), mMinAngle(minAngle), mMaxAngle(maxAngle) {}

bool IKnobRotatingMaskControl::Draw(IGraphics* graphics) {
    const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
    return graphics->DrawRotatedMask(mBase, mMask, mTop, mRect.left, mRect.top, angle, &mBlend);
}

namespace {
IRECT FaderRect(int x, int y, int len, const IBitmap& handle, IControl::EDirection direction) {
    const IRECT frame(0, 0, handle);
    return direction == IControl::kDirVertical ? IRECT(x, y, x + frame.W(), y + len)
                                               : IRECT(x, y, x + len, y + frame.H());
}
} // namespace

IFaderControl::IFaderControl(IFxBase* plug, int x, int y, int len, int paramIdx,
                             const IBitmap& handle, EDirection direction, bool onlyHandle)
    : IControl(plug, FaderRect(x, y, len, handle, direction), paramIdx), mLen(len),
      mHandleBitmap(handle), mDirection(direction), mOnlyHandle(onlyHandle) {
    const IRECT frame(0, 0, handle);
    mHandleHeadroom = direction == kDirVertical ? frame.H() : frame.W();
}

IRECT IFaderControl::GetHandleRECT(double value) const {
    // The handle never leaves its track, whatever value it is handed.
    value = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
    const int travel = mLen - mHandleHeadroom;
    const IRECT frame(0, 0, mHandleBitmap);
    IRECT handle(mRect.left, mRect.top, mRect.left + frame.W(), mRect.top + frame.H());
    if (mDirection == kDirVertical) {
        const int offset = static_cast<int>((1.0 - value) * travel);
        handle.top += offset;
        handle.bottom += offset;
    } else {
        const int offset = static_cast<int>(value * travel);
        handle.left += offset;
        handle.right += offset;
    }
    return handle;
}

void IFaderControl::OnMouseDown(int x, int y, const IMouseMod& mod) {
    if (mod.left)
        SnapToMouse(x, y);
    else
        IControl::OnMouseDown(x, y, mod);
}

void IFaderControl::OnMouseDrag(int x, int y, int, int, const IMouseMod&) {
    SnapToMouse(x, y);
}

void IFaderControl::OnMouseWheel(int, int, const IMouseMod& mod, float d) {
    mValue += WheelStep(mod, d);
    SetDirty(true);
}

bool IFaderControl::Draw(IGraphics* graphics) {
    return graphics->DrawBitmap(mHandleBitmap, GetHandleRECT(), 1, &mBlend);
}

bool IFaderControl::IsHit(int x, int y) {
    return mOnlyHandle ? GetHandleRECT().Contains(x, y) : mTargetRect.Contains(x, y);
}

void IFaderControl::SnapToMouse(int x, int y) {
    const int travel = mLen - mHandleHeadroom;
    // A handle as long as its track has nowhere to go.
    if (travel <= 0) return;
    const int half = mHandleHeadroom / 2;
    if (mDirection == kDirVertical)
        mValue = 1.0 - double(y - mRect.top - half) / travel;
    else
        mValue = double(x - mRect.left - half) / travel;
    SetDirty(true);
}
