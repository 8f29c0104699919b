// The effect's definition: identity, parameters, construction and what each parameter change
// recomputes.
#include "Brindlex.h"

#include "IControl.h"
#include "UTL_Mutex.h"
#include "config.h"
#include "resource.h"

namespace {
void SetLamp(IControl* lamp, bool on) {
    if (lamp) lamp->SetValueFromPlug(on ? 1.0 : 0.0);
}

IFxInstanceInfo MakeInstanceInfo() {
    IFxInstanceInfo info;
    info.mBundleID.Set(brindlex::kBundleID);
    info.mCocoaViewFactoryClassName.Set(brindlex::kViewClassName);
    return info;
}
} // namespace

Brindlex::Brindlex(const IFxInstanceInfo& instanceInfo, EEditor editor)
    : IFxAU(instanceInfo, kNumParams, "1-1 2-2", 1, brindlex::kEffectName, brindlex::kProductName,
            brindlex::kMfrName, brindlex::kEffectVersion,
            brindlex::FourCharCode(brindlex::kUniqueID), brindlex::FourCharCode(brindlex::kMfrID),
            0, false, false, false, 0) {
    // The stage switches are left as constructed: unnamed, 0 to 1 in steps of 1, off. The
    // others start linear and take their curve afterwards.
    for (int i = 0; i < kNumParams; ++i) {
        const brindlex::ParameterInfo& info = brindlex::kParameters[i];
        if (brindlex::IsSwitch(info)) continue;
        GetParam(i)->InitDouble(info.name, info.defaultValue, info.minimum, info.maximum, 0.01, "%",
                                "", 1.0);
        if (info.shape != 1.0) GetParam(i)->SetShape(info.shape);
    }

    if (editor == kWithEditor) {
        IGraphics* graphics =
            MakeGraphics(this, brindlex::kEditorWidth, brindlex::kEditorHeight, 0);
        LayOutEditor(graphics);
        AttachGraphics(graphics);
    }
    MakeDefaultPreset("-", 1);

    mAttack = 1.0 / (0.3 * GetSampleRate());
    mRelease = 1.0 / (0.8 * GetSampleRate());

    mInputLowPass.coefs = kInputLowPassCoefs;
    mInputHighPass.coefs = kInputHighPassCoefs;
    mShaperPeak.coefs = kShaperPeakCoefs;
}

void Brindlex::Reset() {
    // Filters, envelopes and the noise carry on across a reset.
    IMutexLock lock(this);
}

void Brindlex::OnParamChange(int paramIdx) {
    IMutexLock lock(this);
    const IParam* param = GetParam(paramIdx);
    if (!param) return;
    switch (paramIdx) {
    case kLimiterAttenuation:
        mSettings.threshold = param->Value() / 100.0;
        break;
    case kLimiterOn:
        mSettings.limiterOn = param->Bool();
        SetLamp(mIndicators[Indicator::kLimiterLight], mSettings.limiterOn);
        break;
    case kEQFreq:
        mEQFreq = param->Value();
        RedesignEQ();
        break;
    case kEQLevel:
        mEQLevel = param->Value();
        RedesignEQ();
        break;
    case kEQWide:
        mEQWide = param->Bool();
        SetLamp(mIndicators[Indicator::kEQWidthLight], mEQWide);
        RedesignEQ();
        break;
    case kEQOn:
        mSettings.eqOn = param->Bool();
        SetLamp(mIndicators[Indicator::kEQLight], mSettings.eqOn);
        break;
    case kAmpGain:
        mSettings.ampGain = param->Value();
        break;
    case kAmpTone:
        mTone = param->Value();
        calcTone();
        break;
    case kAmpNoiseReduction:
        mSettings.noiseMix = param->Value() / 100.0;
        break;
    case kAmpOn:
        mSettings.ampOn = param->Bool();
        SetLamp(mIndicators[Indicator::kAmpLight], mSettings.ampOn);
        break;
    default:
        return;
    }
    mProcessSettings.Publish(mSettings);
}

// The shelves move the other way from the peak, by the same number of decibels.
void Brindlex::RedesignEQ() {
    calcPF(mEQFreq, 1.0, mEQLevel);
    const double offset = mEQWide ? 5000.0 : 1000.0;
    calcHS(mEQFreq + offset, 1.0, -mEQLevel);
    calcLS(mEQFreq - offset, 1.0, -mEQLevel);
}

void Brindlex::calcLS(double freq, double, double gainDB) {
    mSettings.eqLowShelf = DesignLowShelf(freq, gainDB);
}

void Brindlex::calcHS(double freq, double, double gainDB) {
    mSettings.eqHighShelf = DesignHighShelf(freq, gainDB);
}

void Brindlex::calcPF(double freq, double q, double gainDB) {
    mSettings.eqPeak = DesignPeak(freq, q, gainDB);
}

void Brindlex::calcTone() {
    mSettings.tone = DesignTone(mTone);
}

Biquad Brindlex::GetFilter(EFilter filter) const {
    switch (filter) {
    case kEQHighShelf:
        return WithCoefs(mEQHighShelf, mSettings.eqHighShelf);
    case kEQPeak:
        return WithCoefs(mEQPeak, mSettings.eqPeak);
    case kShaperPeak:
        return mShaperPeak;
    case kToneFilter:
        return WithCoefs(mToneFilter, mSettings.tone);
    case kEQLowShelf:
        return WithCoefs(mEQLowShelf, mSettings.eqLowShelf);
    case kInputHighPass:
        return mInputHighPass;
    case kInputLowPass:
        break;
    }
    return mInputLowPass;
}

IFxAU* MakePlug() {
    static UTL_Mutex sMakeMutex;
    UTL_MutexLock lock(&sMakeMutex);
    return new Brindlex(MakeInstanceInfo());
}
