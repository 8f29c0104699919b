#include "IControl.h"

#include "IGraphics.h"
#include "IParam.h"

ITextControl::ITextControl(IFxBase* plug, const IRECT& rect, const IText* text, const char* str)
    : IControl(plug, rect), mStr(str) {
    if (text) mTextStyle = *text;
}

bool ITextControl::Draw(IGraphics* graphics) {
    if (mStr.Empty()) return true;
    IRECT rect = mRect;
    return graphics->DrawIText(&mTextStyle, mStr.Get(), &rect);
}

void ITextControl::SetTextFromPlug(const char* str) {
    if (!(mStr == str)) {
        SetDirty(false);
        mStr.Set(str);
    }
}

ICaptionControl::ICaptionControl(IFxBase* plug, const IRECT& rect, int paramIdx, const IText* text,
                                 bool showParamLabel)
    : ITextControl(plug, rect, text), mShowParamLabel(showParamLabel) {
    mParamIdx = paramIdx;
    // Its gestures are the prompt.
    mPromptDisabled = false;
}

void ICaptionControl::OnMouseDown(int, int, const IMouseMod& mod) {
    if (mod.left || mod.right) PromptUserInput();
}

void ICaptionControl::OnMouseDblClick(int, int, const IMouseMod&) {
    PromptUserInput();
}

bool ICaptionControl::Draw(IGraphics* graphics) {
    if (const IParam* param = GetParam()) {
        char display[IParam::kTextSize * 2];
        param->GetDisplayForHost(display, sizeof display);
        mStr.Set(display);
        const char* label = param->GetLabelForHost();
        if (mShowParamLabel && *label) {
            mStr.Append(" ");
            mStr.Append(label);
        }
    }
    return ITextControl::Draw(graphics);
}

IURLControl::IURLControl(IFxBase* plug, const IRECT& rect, const char* url, const char* backupURL,
                         const char* errMsgOnFailure)
    : IControl(plug, rect) {
    UTL_CopyText(mURL, sizeof mURL, url);
    UTL_CopyText(mBackupURL, sizeof mBackupURL, backupURL);
    UTL_CopyText(mErrMsg, sizeof mErrMsg, errMsgOnFailure);
}

void IURLControl::OnMouseDown(int, int, const IMouseMod&) {
    IGraphics* gui = GetGUI();
    if (!gui) return;
    const bool opened = *mURL && gui->OpenURL(mURL, nullptr, nullptr, mErrMsg);
    if (!opened && *mBackupURL) gui->OpenURL(mBackupURL, nullptr, nullptr, mErrMsg);
}

IBitmapTextControl::IBitmapTextControl(IFxBase* plug, const IRECT& rect, const IBitmap& font,
                                       const IText* text, const char* str, int charWidth,
                                       int charHeight, int charOffset, bool multiLine, bool vCenter)
    : IControl(plug, rect), mStr(str), mFontBitmap(font), mCharWidth(charWidth),
      mCharHeight(charHeight), mCharOffset(charOffset), mMultiLine(multiLine), mVCenter(vCenter) {
    if (text) mTextStyle = *text;
}

bool IBitmapTextControl::Draw(IGraphics* graphics) {
    return graphics->DrawBitmapText(mFontBitmap, mRect, mTextStyle, &mBlend, mStr.Get(), mVCenter,
                                    mMultiLine, mCharWidth, mCharHeight, mCharOffset);
}

void IBitmapTextControl::SetTextFromPlug(const char* str) {
    if (!(mStr == str)) {
        SetDirty(false);
        mStr.Set(str);
    }
}
