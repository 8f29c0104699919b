#include "IControl.h"

#include "IFxBase.h"
#include "IGraphics.h"
#include "UTL_Assert.h"

#include <cmath>

IControl::IControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                   IChannelBlend::EBlendMethod blendMethod)
    : mOwnerPlug(plug), mRect(rect), mTargetRect(rect), mParamIdx(paramIdx),
      mBlend(blendMethod, 1.0f) {}

IControl::~IControl() {
    mAuxParams.Empty(true);
}

void IControl::OnMouseDown(int, int, const IMouseMod& mod) {
    if (mod.right) PromptUserInput();
}

void IControl::OnMouseDblClick(int, int, const IMouseMod&) {
    if (mDefaultValue >= 0.0) {
        mValue = mDefaultValue.Load();
        SetDirty(true);
    }
}

void IControl::SetValueFromPlug(double value) {
    if (mDefaultValue < 0.0) {
        mDefaultValue = value;
        mValue = value;
    }
    if (mValue != value) {
        mValue = value;
        SetDirty(false);
        Redraw();
    }
}

void IControl::SetValueFromUserInput(double value) {
    if (mValue != value) {
        mValue = value;
        SetDirty(true);
        Redraw();
    }
}

void IControl::Hide(bool hide) {
    mHidden = hide;
    mRedraw = true;
    SetDirty(false);
}

void IControl::GrayOut(bool gray) {
    mGrayed = gray;
    mBlend.weight = gray ? 0.25f : 1.0f;
    SetDirty(false);
}

bool IControl::IsHit(int x, int y) {
    return mTargetRect.Contains(x, y);
}

namespace {
// A parameter's text, cut to the 32 characters a display shows of it.
void AppendCut(UTL_String* text, const char* part) {
    text->Append(part, 32);
}
} // namespace

void IControl::SetDirty(bool push) {
    double value = mValue;
    // A value that is not a number never reaches the parameter.
    if (std::isnan(value) || value < mClampLo)
        value = mClampLo;
    else if (value > mClampHi)
        value = mClampHi;
    mValue = value;
    mDirty = true;

    if (!push || !mOwnerPlug || mParamIdx < 0) return;
    mOwnerPlug->SetParameterFromGUI(mParamIdx, value);
    const IParam* param = GetParam();
    if (!param) return;
    if (mValueDisplayControl) {
        char display[IParam::kTextSize * 2];
        param->GetDisplayForHost(display, sizeof display);
        UTL_String text;
        AppendCut(&text, display);
        const char* label = param->GetLabelForHost();
        if (*label) {
            text.Append(" ");
            AppendCut(&text, label);
        }
        mValueDisplayControl->SetTextFromPlug(text.Get());
    }
    if (mNameDisplayControl) mNameDisplayControl->SetTextFromPlug(param->GetNameForHost());
}

void IControl::SetClean() {
    mDirty = mRedraw.Load();
    mRedraw = false;
}

void IControl::Clamp(double lo, double hi) {
    mClampLo = lo;
    mClampHi = hi;
}

void IControl::PromptUserInput() {
    IParam* param = GetParam();
    IGraphics* gui = GetGUI();
    if (mPromptDisabled || !param || !gui) return;
    if (param->GetNDisplayTexts() > 0) {
        gui->PromptUserInput(this, param, &mRect);
    } else {
        // A box for a few digits over the control's centre.
        const int cx = static_cast<int>(mRect.MW()), cy = static_cast<int>(mRect.MH());
        const IRECT box(cx - 20, cy - 8, cx + 20, cy + 8);
        gui->PromptUserInput(this, param, &box);
    }
    Redraw();
}

void IControl::PromptUserInput(const IRECT& rect) {
    IParam* param = GetParam();
    IGraphics* gui = GetGUI();
    if (mPromptDisabled || !param || !gui) return;
    gui->PromptUserInput(this, param, &rect);
    Redraw();
}

void IControl::AddAuxParam(int idx) {
    UTL_ASSERT(idx > -1);
    mAuxParams.Add(new AuxParam(idx));
}

IControl::AuxParam* IControl::GetAuxParam(int idx) {
    UTL_ASSERT(idx > -1 && idx < mAuxParams.GetSize());
    return mAuxParams.Get(idx);
}

int IControl::AuxParamIdx(int paramIdx) const {
    for (int i = 0; i < mAuxParams.GetSize(); ++i)
        if (mAuxParams.Get(i)->mParamIdx == paramIdx) return i;
    return -1;
}

void IControl::SetAuxParamValueFromPlug(int auxParamIdx, double value) {
    AuxParam* aux = GetAuxParam(auxParamIdx);
    if (aux->mValue != value) {
        aux->mValue = value;
        SetDirty(false);
        Redraw();
    }
}

void IControl::SetAllAuxParamsFromGUI() {
    if (!mOwnerPlug) return;
    for (int i = 0; i < mAuxParams.GetSize(); ++i) {
        const AuxParam* aux = mAuxParams.Get(i);
        mOwnerPlug->SetParameterFromGUI(aux->mParamIdx, aux->mValue);
    }
}

IParam* IControl::GetParam() const {
    return mOwnerPlug ? mOwnerPlug->GetParam(mParamIdx) : nullptr;
}

IGraphics* IControl::GetGUI() const {
    return mOwnerPlug ? mOwnerPlug->GetGUI() : nullptr;
}

int IControl::FrameForValue(double value, int n) {
    if (n <= 1 || std::isnan(value)) return 1;
    // Held in double before converting, so values far outside 0..1 convert safely.
    const double frame = 1.0 + std::trunc(0.5 + value * (n - 1));
    return frame < 1.0 ? 1 : frame > n ? n : static_cast<int>(frame);
}
