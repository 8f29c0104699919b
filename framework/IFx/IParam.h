#pragma once

#include "UTL_HeapBuf.h"

#include <cstddef>
#include <cstdint>

enum EParamKind {
    kParamKindNone = 0,
    kParamKindBool,
    kParamKindInt,
    kParamKindEnum,
    kParamKindDouble
};

// Real value of a normalised one: min + n^shape * (max - min).
double FromNormalizedParam(double normalizedValue, double min, double max, double shape);
// Inverse of FromNormalizedParam: ((v - min) / (max - min))^(1 / shape).
double ToNormalizedParam(double nonNormalizedValue, double min, double max, double shape);
// 10^(dB / 20).
double DBToAmp(double dB);

// One automatable parameter: its value in real units, range, step, response shape, the texts a
// host shows for it and the flags a host adapter reads.
class IParam {
public:
    // Room of the name, label, group and display-text fields, terminator included: longer texts
    // are cut to 31 characters.
    static constexpr int kTextSize = 32;

    struct DisplayText {
        int32_t mValue;
        char mText[kTextSize];
    };

    IParam() = default;

    // Each Init sets its own kind only while the kind is still kParamKindNone, then delegates
    // to the next more general one, so a parameter keeps the kind of its first initialisation.
    void InitBool(const char* name, bool defaultValue, const char* label = "",
                  const char* group = "");
    void InitEnum(const char* name, int defaultValue, int nEnums, const char* label = "",
                  const char* group = "");
    void InitInt(const char* name, int defaultValue, int minValue, int maxValue,
                 const char* label = "", const char* group = "");
    void InitDouble(const char* name, double defaultValue, double minValue, double maxValue,
                    double step, const char* label = "", const char* group = "",
                    double shape = 1.0);

    // A shape of exactly 0 would collapse the mapping, so it keeps the old shape.
    void SetShape(double shape);
    // Appends an entry; an earlier entry with the same value keeps winning lookups by value.
    void SetDisplayText(int value, const char* text);

    void NegateDisplay(bool negate = true) { mNegateDisplay = negate; }
    void SetCanAutomate(bool canAutomate) { mCanAutomate = canAutomate; }
    void SetIsMeta(bool isMeta) { mIsMeta = isMeta; }

    double Value() const { return mValue; }
    bool Bool() const { return mValue >= 0.5; }
    // The value truncated toward zero, saturated to the int range (NaN gives 0).
    int Int() const;
    EParamKind Type() const { return mKind; }
    double GetDefault() const { return mDefault; }
    double GetStep() const { return mStep; }
    double GetShape() const { return mShape; }
    int GetPrecision() const { return mDisplayPrecision; }
    void GetBounds(double* lo, double* hi) const;
    double DBToAmp() const { return ::DBToAmp(mValue); }

    // Clamps to [minimum, maximum]; the step is not applied. A NaN is ignored.
    void Set(double value);
    // Maps from [0, 1]; snaps to the step for all but double parameters and caps at the
    // maximum (there is no lower clamp). A NaN is ignored.
    void SetNormalized(double normalizedValue);
    double GetNormalized() const { return GetNormalized(mValue); }
    double GetNormalized(double nonNormalizedValue) const;
    // Maps from [0, 1] with neither step nor clamp.
    double GetNonNormalized(double normalizedValue) const;

    const char* GetNameForHost() const { return mName; }
    // Empty when a non-empty display text stands for the current value.
    const char* GetLabelForHost() const;
    const char* GetParamGroupForHost() const { return mParamGroup; }
    // The unit label whatever the current value (GetLabelForHost hides it behind display texts).
    const char* GetLabel() const { return mLabel; }
    bool DisplayIsNegated() const { return mNegateDisplay; }
    bool GetCanAutomate() const { return mCanAutomate; }
    bool GetIsMeta() const { return mIsMeta; }

    // The first entry's text for value; "" when there is none.
    const char* GetDisplayText(int value) const;
    int GetNDisplayTexts() const { return mDisplayTexts.GetSize(); }
    // Entry index's text, its value into *value when value is not null; "" (value untouched)
    // for an index outside the table.
    const char* GetDisplayTextAtIdx(int index, double* value = nullptr) const;
    // Byte-exact lookup of text; sets *value and returns true for the first entry that matches.
    bool MapDisplayText(const char* text, double* value) const;

    // Writes the text that stands for value into buffer, never more than bufferSize bytes with
    // the terminator. A value whose printed digits do not fit falls back to the shorter %g form.
    void GetDisplayForHost(double value, bool normalized, char* buffer, size_t bufferSize,
                           bool withDisplayText = true) const;
    void GetDisplayForHost(char* buffer, size_t bufferSize) const {
        GetDisplayForHost(mValue, false, buffer, bufferSize, true);
    }
    void GetDisplayForHostNoDisplayText(char* buffer, size_t bufferSize) const {
        GetDisplayForHost(mValue, false, buffer, bufferSize, false);
    }

private:
    EParamKind mKind = kParamKindNone;
    double mValue = 0.0;
    double mMin = 0.0;
    double mMax = 1.0;
    double mStep = 1.0;
    double mShape = 1.0;
    double mDefault = 0.0;
    int mDisplayPrecision = 0;
    char mName[kTextSize] = {};
    char mLabel[kTextSize] = {};
    char mParamGroup[kTextSize] = {};
    bool mNegateDisplay = false;
    bool mCanAutomate = true;
    bool mIsMeta = false;
    UTL_TypedBuf<DisplayText> mDisplayTexts;
};
