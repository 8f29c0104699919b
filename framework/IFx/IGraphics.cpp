#include "IGraphics.h"

#include "IControl.h"
#include "IFxBase.h"
#include "IPopupMenu.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

IGraphics::IGraphics(IFxBase* plug, int width, int height, int fps)
    : mPlugRef(plug), mWidth(width), mHeight(height), mFPS(fps > 0 ? fps : 25) {}

IGraphics::~IGraphics() {
    // A key catcher that was also attached as a control is deleted with the list.
    if (mControlList.Find(mKeyCatcher) < 0) delete mKeyCatcher;
    for (int i = mControlList.GetSize() - 1; i >= 0; --i)
        mControlList.Delete(i, true);
    mDrawSurface.reset();
    mScratchBitmap.reset();
}

void IGraphics::PrepDraw() {
    mDrawSurface = std::make_unique<PIX_SysBitmap>(mWidth, mHeight);
    mScratchBitmap = std::make_unique<PIX_MemBitmap>(0, 0, 4);
}

void IGraphics::AttachBackground(int id, const char* name) {
    const IBitmap background = LoadIBitmap(id, name, 1);
    mControlList.Insert(
        0, new IBitmapControl(mPlugRef, 0, 0, -1, background, IChannelBlend::kBlendOverwrite));
}

void IGraphics::AttachPanelBackground(const IColor& color) {
    mControlList.Insert(0, new IPanelControl(mPlugRef, IRECT(0, 0, mWidth, mHeight), color));
}

int IGraphics::AttachControl(IControl* control) {
    mControlList.Add(control);
    return mControlList.GetSize() - 1;
}

void IGraphics::AttachKeyCatcher(IControl* control) {
    mKeyCatcher = control;
}

void IGraphics::SetStrictDrawing(bool strict) {
    mStrictDrawing = strict;
    SetAllControlsDirty();
}

void IGraphics::SetAllControlsDirty() {
    for (int i = 0; i < mControlList.GetSize(); ++i)
        mControlList.Get(i)->SetDirty(false);
}

void IGraphics::AssignParamNameToolTips() {
    for (int i = 0; i < mControlList.GetSize(); ++i) {
        IControl* control = mControlList.Get(i);
        if (const IParam* param = control->GetParam()) control->SetTooltip(param->GetNameForHost());
    }
}

void IGraphics::Resize(int width, int height) {
    mWidth = width;
    mHeight = height;
    ReleaseMouseCapture();
    // Indices of the old controls mean nothing any more.
    mMouseOverIdx = -1;
    mControlList.Empty(true);
    mDrawSurface.reset();
    mScratchBitmap.reset();
    PrepDraw();
    if (mPlugRef) mPlugRef->ResizeGraphics(width, height);
}

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized) {
    if (!normalized) {
        const IParam* param = mPlugRef ? mPlugRef->GetParam(paramIdx) : nullptr;
        if (!param) return;
        value = param->GetNormalized(value);
    }
    for (int i = 0; i < mControlList.GetSize(); ++i) {
        IControl* control = mControlList.Get(i);
        if (control->ParamIdx() == paramIdx) control->SetValueFromPlug(value);
        const int auxIdx = control->AuxParamIdx(paramIdx);
        if (auxIdx >= 0) control->SetAuxParamValueFromPlug(auxIdx, value);
    }
}

void IGraphics::SetControlFromPlug(int controlIdx, double normalizedValue) {
    if (IControl* control = mControlList.Get(controlIdx))
        control->SetValueFromPlug(normalizedValue);
}

void IGraphics::SetParameterFromGUI(int paramIdx, double normalizedValue) {
    for (int i = 0; i < mControlList.GetSize(); ++i) {
        IControl* control = mControlList.Get(i);
        if (control->ParamIdx() == paramIdx) control->SetValueFromUserInput(normalizedValue);
    }
}

void IGraphics::ClampControl(int paramIdx, double lo, double hi, bool normalized) {
    if (!normalized) {
        const IParam* param = mPlugRef ? mPlugRef->GetParam(paramIdx) : nullptr;
        if (!param) return;
        lo = param->GetNormalized(lo);
        hi = param->GetNormalized(hi);
    }
    for (int i = 0; i < mControlList.GetSize(); ++i) {
        IControl* control = mControlList.Get(i);
        if (control->ParamIdx() == paramIdx) control->Clamp(lo, hi);
    }
}

void IGraphics::HideControl(int paramIdx, bool hide) {
    for (int i = 0; i < mControlList.GetSize(); ++i) {
        IControl* control = mControlList.Get(i);
        if (control->ParamIdx() == paramIdx) control->Hide(hide);
    }
}

void IGraphics::GrayOutControl(int paramIdx, bool gray) {
    for (int i = 0; i < mControlList.GetSize(); ++i) {
        IControl* control = mControlList.Get(i);
        if (control->ParamIdx() == paramIdx) control->GrayOut(gray);
    }
}

void IGraphics::PromptUserInput(IControl* control, IParam* param, const IRECT* rect) {
    if (!control || !param || !rect) return;
    const int nDisplayTexts = param->GetNDisplayTexts();
    const EParamKind kind = param->Type();
    char current[IParam::kTextSize * 2];

    // A parameter with a fixed set of texts is chosen from a menu; anything else is typed.
    if ((kind != kParamKindEnum && kind != kParamKindBool) || nDisplayTexts <= 0) {
        param->GetDisplayForHostNoDisplayText(current, sizeof current);
        CreateTextEntry(control, control->GetText(), *rect, current, param);
        return;
    }

    param->GetDisplayForHost(current, sizeof current);
    IPopupMenu menu(0, false);
    for (int i = 0; i < nDisplayTexts; ++i) {
        const char* text = param->GetDisplayTextAtIdx(i);
        menu.AddItem(text, -1, std::strcmp(text, current) == 0 ? IPopupMenu::kChecked : 0);
    }
    if (const IPopupMenu* chosenFrom = CreateIPopupMenu(&menu, *rect)) {
        const int chosen = chosenFrom->GetChosenItemIdx();
        if (chosen >= 0) control->SetValueFromUserInput(param->GetNormalized(double(chosen)));
    }
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text) {
    if (!control || !param) return;
    if (!text) text = "";
    double value = 0.0;
    const EParamKind kind = param->Type();
    if (kind == kParamKindEnum || kind == kParamKindBool) {
        param->MapDisplayText(text, &value);
    } else {
        value = std::strtod(text, nullptr);
        // "nan" reads as a number to strtod but is none to the user.
        if (std::isnan(value)) value = 0.0;
        if (param->DisplayIsNegated()) value = -value;
    }
    control->SetValueFromUserInput(param->GetNormalized(value));
}

bool IGraphics::IsDirty(IRECT* rect) {
    return IsDirty(rect, nullptr);
}

bool IGraphics::IsDirty(IRECT* rect, std::vector<IRECT>* areas) {
    if (mShowControlBounds) {
        *rect = mDrawClip;
        if (areas) areas->push_back(mDrawClip);
        return true;
    }
    bool dirty = false;
    for (int i = 0; i < mControlList.GetSize(); ++i) {
        IControl* control = mControlList.Get(i);
        if (control->IsDirty()) {
            *rect = rect->Union(control->GetRECT());
            if (areas) areas->push_back(control->GetRECT());
            dirty = true;
        }
    }
    return dirty;
}

bool IGraphics::Draw(const IRECT& rect) {
    const int n = mControlList.GetSize();
    if (n == 0) return true;

    if (mStrictDrawing) {
        mDrawClip = rect;
        for (int i = 0; i < n; ++i) {
            IControl* control = mControlList.Get(i);
            if (!control->IsHidden() && rect.Intersects(control->GetRECT())) control->Draw(this);
        }
        for (int i = 0; i < n; ++i)
            mControlList.Get(i)->SetClean();
    } else if (mControlList.Get(0)->IsDirty()) {
        DrawWithBackground();
    } else {
        DrawDirtyControls();
    }

    if (mShowControlBounds) DrawControlBounds();
    return DrawScreen(rect);
}

void IGraphics::DrawWithBackground() {
    mDrawClip = mControlList.Get(0)->GetRECT();
    for (int i = 0; i < mControlList.GetSize(); ++i) {
        IControl* control = mControlList.Get(i);
        if (i == 0 || !control->IsHidden()) {
            control->Draw(this);
            control->SetClean();
        }
    }
}

void IGraphics::DrawDirtyControls() {
    const int n = mControlList.GetSize();
    for (int j = 1; j < n; ++j) {
        IControl* dirty = mControlList.Get(j);
        if (!dirty->IsDirty()) continue;
        mDrawClip = dirty->GetRECT();
        for (int k = 0; k < n; ++k) {
            IControl* control = mControlList.Get(k);
            if (control->IsHidden()) continue;
            if (k == j || control->GetRECT().Intersects(mDrawClip)) control->Draw(this);
        }
        dirty->SetClean();
    }
}

void IGraphics::DrawControlBounds() {
    for (int i = 1; i < mControlList.GetSize(); ++i)
        DrawRect(COLOR_GREEN, mControlList.Get(i)->GetRECT());
    char position[32];
    std::snprintf(position, sizeof position, "x: %i, y: %i", mMouseX, mMouseY);
    IText text(20, &COLOR_GREEN, nullptr, IText::kStyleNormal, IText::kAlignCenter);
    IRECT where(mWidth - 150, mHeight - 20, mWidth, mHeight);
    DrawIText(&text, position, &where);
}
