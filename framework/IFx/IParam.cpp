#include "IParam.h"

#include "UTL_String.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

static_assert(sizeof(IParam::DisplayText) == 36, "display texts are stored 36 bytes each");

namespace {
// Truncates toward zero when the result is representable; NaN and out-of-range values have no
// int to stand for them (a plain cast would be undefined).
bool TruncateToInt(double value, int* result) {
    if (!(value > static_cast<double>(INT_MIN) - 1.0 && value < static_cast<double>(INT_MAX) + 1.0))
        return false;
    *result = static_cast<int>(value);
    return true;
}
} // namespace

double FromNormalizedParam(double normalizedValue, double min, double max, double shape) {
    return min + std::pow(normalizedValue, shape) * (max - min);
}

double ToNormalizedParam(double nonNormalizedValue, double min, double max, double shape) {
    return std::pow((nonNormalizedValue - min) / (max - min), 1.0 / shape);
}

double DBToAmp(double dB) {
    return std::exp(0.1151292546497 * dB);
}

void IParam::InitBool(const char* name, bool defaultValue, const char* label, const char* group) {
    if (mKind == kParamKindNone) mKind = kParamKindBool;
    InitEnum(name, defaultValue ? 1 : 0, 2, label, group);
    SetDisplayText(0, "off");
    SetDisplayText(1, "on");
}

void IParam::InitEnum(const char* name, int defaultValue, int nEnums, const char* label,
                      const char* group) {
    if (mKind == kParamKindNone) mKind = kParamKindEnum;
    InitInt(name, defaultValue, 0, nEnums - 1, label, group);
}

void IParam::InitInt(const char* name, int defaultValue, int minValue, int maxValue,
                     const char* label, const char* group) {
    if (mKind == kParamKindNone) mKind = kParamKindInt;
    InitDouble(name, defaultValue, minValue, maxValue, 1.0, label, group, 1.0);
}

void IParam::InitDouble(const char* name, double defaultValue, double minValue, double maxValue,
                        double step, const char* label, const char* group, double shape) {
    if (mKind == kParamKindNone) mKind = kParamKindDouble;
    UTL_CopyText(mName, sizeof mName, name);
    UTL_CopyText(mLabel, sizeof mLabel, label);
    UTL_CopyText(mParamGroup, sizeof mParamGroup, group);

    mValue = defaultValue;
    mMin = minValue;
    mMax = minValue + step > maxValue ? minValue + step : maxValue;
    mStep = step;
    mDefault = defaultValue;

    // One decimal per power of ten the step needs to become whole, at most six.
    mDisplayPrecision = 0;
    for (double working = step; mDisplayPrecision < 6 && working != std::floor(working);
         working *= 10.0)
        ++mDisplayPrecision;

    SetShape(shape);
}

void IParam::SetShape(double shape) {
    if (shape != 0.0) mShape = shape;
}

void IParam::SetDisplayText(int value, const char* text) {
    DisplayText entry{};
    entry.mValue = value;
    UTL_CopyText(entry.mText, sizeof entry.mText, text);
    mDisplayTexts.Add(entry);
}

int IParam::Int() const {
    int result = 0;
    if (TruncateToInt(mValue, &result)) return result;
    if (std::isnan(mValue)) return 0;
    return mValue > 0.0 ? INT_MAX : INT_MIN;
}

void IParam::GetBounds(double* lo, double* hi) const {
    if (lo) *lo = mMin;
    if (hi) *hi = mMax;
}

void IParam::Set(double value) {
    if (std::isnan(value)) return;
    mValue = std::min(std::max(value, mMin), mMax);
}

void IParam::SetNormalized(double normalizedValue) {
    double value = FromNormalizedParam(normalizedValue, mMin, mMax, mShape);
    // Steps count from zero, not from the minimum.
    if (mKind != kParamKindDouble && mStep > 0.0) value = std::floor(0.5 + value / mStep) * mStep;
    value = std::min(value, mMax);
    if (!std::isnan(value)) mValue = value;
}

double IParam::GetNormalized(double nonNormalizedValue) const {
    if (!(mMax > mMin)) return 0.0;
    double value = nonNormalizedValue;
    if (!(value >= mMin)) value = mMin; // NaN counts as below the range
    if (value > mMax) value = mMax;
    return ToNormalizedParam(value, mMin, mMax, mShape);
}

double IParam::GetNonNormalized(double normalizedValue) const {
    return FromNormalizedParam(normalizedValue, mMin, mMax, mShape);
}

const char* IParam::GetLabelForHost() const {
    int key = 0;
    if (TruncateToInt(mValue, &key) && *GetDisplayText(key)) return "";
    return mLabel;
}

const char* IParam::GetDisplayText(int value) const {
    const DisplayText* entries = mDisplayTexts.Get();
    for (int i = 0; i < mDisplayTexts.GetSize(); ++i)
        if (entries[i].mValue == value) return entries[i].mText;
    return "";
}

const char* IParam::GetDisplayTextAtIdx(int index, double* value) const {
    if (index < 0 || index >= mDisplayTexts.GetSize()) return "";
    const DisplayText& entry = mDisplayTexts.Get()[index];
    if (value) *value = entry.mValue;
    return entry.mText;
}

bool IParam::MapDisplayText(const char* text, double* value) const {
    if (!text) return false;
    const DisplayText* entries = mDisplayTexts.Get();
    for (int i = 0; i < mDisplayTexts.GetSize(); ++i) {
        if (std::strcmp(entries[i].mText, text) == 0) {
            if (value) *value = entries[i].mValue;
            return true;
        }
    }
    return false;
}

void IParam::GetDisplayForHost(double value, bool normalized, char* buffer, size_t bufferSize,
                               bool withDisplayText) const {
    if (!buffer || bufferSize == 0) return;
    if (normalized) value = FromNormalizedParam(value, mMin, mMax, mShape);

    int key = 0;
    if (withDisplayText && TruncateToInt(value, &key)) {
        const char* text = GetDisplayText(key);
        if (*text) {
            UTL_CopyText(buffer, bufferSize, text);
            return;
        }
    }

    if (mNegateDisplay) value = -value;

    int written;
    if (mDisplayPrecision > 0)
        written = std::snprintf(buffer, bufferSize, "%.*f", mDisplayPrecision, value);
    else if (TruncateToInt(value, &key))
        written = std::snprintf(buffer, bufferSize, "%d", key);
    else // beyond the int range: the same whole-number text without the undefined cast
        written = std::snprintf(buffer, bufferSize, "%.0f", std::trunc(value));

    // A cut-off number would show a wrong value; the exponent form is short and still true.
    if (written < 0 || static_cast<size_t>(written) >= bufferSize)
        std::snprintf(buffer, bufferSize, "%g", value);
}
