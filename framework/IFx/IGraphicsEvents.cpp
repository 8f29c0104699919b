#include "IGraphics.h"

#include "IControl.h"
#include "IFxBase.h"

int IGraphics::GetMouseControlIdx(int x, int y, bool mouseOver) {
    // The captured control takes every event until release, wherever the pointer is.
    if (mMouseCapture >= 0) return mMouseCapture;
    for (int i = mControlList.GetSize() - 1; i >= 0; --i) {
        IControl* control = mControlList.Get(i);
        if (control->IsHidden()) continue;
        if (control->IsGrayed() && !(mouseOver && control->GetMOWhenGrayed())) continue;
        if (control->IsHit(x, y)) return i;
    }
    return -1;
}

void IGraphics::ReleaseMouseCapture() {
    mMouseCapture = -1;
    mMouseX = -1;
    mMouseY = -1;
}

void IGraphics::OnMouseDown(int x, int y, const IMouseMod& mod) {
    ReleaseMouseCapture();
    const int c = GetMouseControlIdx(x, y, false);
    IControl* control = mControlList.Get(c);
    if (!control) return;
    mMouseCapture = c;
    mMouseX = x;
    mMouseY = y;
    const int paramIdx = control->ParamIdx();
    if (paramIdx >= 0 && mPlugRef) mPlugRef->BeginInformHostOfParamChange(paramIdx);
    control->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseUp(int x, int y, const IMouseMod& mod) {
    const int c = GetMouseControlIdx(x, y, false);
    ReleaseMouseCapture();
    IControl* control = mControlList.Get(c);
    if (!control) return;
    const int paramIdx = control->ParamIdx();
    control->OnMouseUp(x, y, mod);
    if (paramIdx >= 0 && mPlugRef) mPlugRef->EndInformHostOfParamChange(paramIdx);
}

void IGraphics::OnMouseDrag(int x, int y, const IMouseMod& mod) {
    IControl* control = mControlList.Get(mMouseCapture);
    if (!control || (x == mMouseX && y == mMouseY)) return;
    const int dX = x - mMouseX, dY = y - mMouseY;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDrag(x, y, dX, dY, mod);
}

bool IGraphics::OnMouseDblClick(int x, int y, const IMouseMod& mod) {
    ReleaseMouseCapture();
    const int c = GetMouseControlIdx(x, y, false);
    IControl* control = mControlList.Get(c);
    if (!control) return false;
    if (control->MouseDblAsSingleClick()) {
        mMouseCapture = c;
        mMouseX = x;
        mMouseY = y;
        control->OnMouseDown(x, y, mod);
        return true;
    }
    control->OnMouseDblClick(x, y, mod);
    return false;
}

void IGraphics::OnMouseWheel(int x, int y, const IMouseMod& mod, float delta) {
    if (IControl* control = mControlList.Get(GetMouseControlIdx(x, y, false)))
        control->OnMouseWheel(x, y, mod, delta);
}

bool IGraphics::OnMouseOver(int x, int y, const IMouseMod& mod) {
    if (!mHandleMouseOver) return false;
    const int c = GetMouseControlIdx(x, y, true);
    if (IControl* control = mControlList.Get(c)) {
        mMouseX = x;
        mMouseY = y;
        control->OnMouseOver(x, y, mod);
        if (mMouseOverIdx >= 0 && mMouseOverIdx != c)
            if (IControl* previous = mControlList.Get(mMouseOverIdx)) previous->OnMouseOut();
        mMouseOverIdx = c;
    }
    return true;
}

void IGraphics::OnMouseOut() {
    for (int i = 0; i < mControlList.GetSize(); ++i)
        mControlList.Get(i)->OnMouseOut();
    mMouseOverIdx = -1;
}

bool IGraphics::OnKeyDown(int x, int y, int key) {
    const int c = GetMouseControlIdx(x, y, false);
    // The background never takes keys itself; they go to the key catcher.
    if (c > 0) return mControlList.Get(c)->OnKeyDown(x, y, key);
    if (mKeyCatcher) return mKeyCatcher->OnKeyDown(x, y, key);
    return false;
}

void IGraphics::OnGUIIdle() {
    for (int i = 0; i < mControlList.GetSize(); ++i)
        mControlList.Get(i)->OnGUIIdle();
}

int IGraphics::GetParamIdxForPTAutomation(int x, int y) {
    const int c = GetMouseControlIdx(x, y, false);
    mLastClickedParam = c > 0 ? mControlList.Get(c)->ParamIdx() : -1;
    return mLastClickedParam;
}

int IGraphics::GetLastClickedParamForPTAutomation() {
    const int param = mLastClickedParam;
    mLastClickedParam = -1;
    return param;
}
