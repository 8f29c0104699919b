#include "IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {
std::string Display(const IParam& param, double value, bool normalized = false,
                    bool withDisplayText = true) {
    char text[IParam::kTextSize];
    param.GetDisplayForHost(value, normalized, text, sizeof text, withDisplayText);
    return text;
}

IParam DoubleParam(double min, double max, double step, double shape = 1.0) {
    IParam param;
    param.InitDouble("Level", min, min, max, step, "dB", "", shape);
    return param;
}
} // namespace

TEST(IParam, ConstructionDefaults) {
    IParam param;
    EXPECT_EQ(param.Type(), kParamKindNone);
    double lo = -1, hi = -1;
    param.GetBounds(&lo, &hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 1.0);
    EXPECT_STREQ(param.GetNameForHost(), "");
    EXPECT_TRUE(param.GetCanAutomate());
    // An uninitialised switch still snaps to its step.
    param.SetNormalized(0.7);
    EXPECT_EQ(param.Value(), 1.0);
    EXPECT_EQ(Display(param, 0.7), "0");
}

TEST(IParam, InitDoubleFixesRangeAndDerivesPrecision) {
    IParam empty;
    empty.InitDouble("Gain", 0.0, 0.0, 0.0, 1.0, "", "");
    double lo, hi;
    empty.GetBounds(&lo, &hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 1.0); // min + step, not 0

    const struct {
        double step;
        int precision;
    } cases[] = {{1.0, 0},  {0.5, 1},  {0.1, 1},   {0.2, 1},       {0.05, 2},
                 {0.01, 2}, {0.25, 2}, {0.001, 3}, {1.0 / 3.0, 6}, {2.0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(DoubleParam(0, 100, c.step).GetPrecision(), c.precision) << c.step;

    IParam param;
    param.InitDouble("A name that is much longer than thirty-one characters", 3.0, -5.0, 5.0, 0.5,
                     "a label longer than thirty-one characters", "group", 2.0);
    EXPECT_EQ(param.Type(), kParamKindDouble);
    EXPECT_EQ(param.Value(), 3.0);
    EXPECT_EQ(param.GetDefault(), 3.0);
    EXPECT_EQ(param.GetShape(), 2.0);
    EXPECT_EQ(std::strlen(param.GetNameForHost()), 31u);
    EXPECT_STREQ(param.GetNameForHost(), "A name that is much longer than");
    EXPECT_STREQ(param.GetLabelForHost(), "a label longer than thirty-one ");
    EXPECT_STREQ(param.GetParamGroupForHost(), "group");
}

TEST(IParam, KindIsSetByTheFirstInitialisationOnly) {
    IParam boolean;
    boolean.InitBool("Switch", true);
    EXPECT_EQ(boolean.Type(), kParamKindBool);
    EXPECT_EQ(boolean.Value(), 1.0);
    double lo, hi;
    boolean.GetBounds(&lo, &hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 1.0);
    EXPECT_EQ(boolean.GetStep(), 1.0);
    EXPECT_EQ(boolean.GetPrecision(), 0);
    ASSERT_EQ(boolean.GetNDisplayTexts(), 2);
    double value = -1;
    EXPECT_STREQ(boolean.GetDisplayTextAtIdx(0, &value), "off");
    EXPECT_EQ(value, 0.0);
    EXPECT_STREQ(boolean.GetDisplayTextAtIdx(1, &value), "on");
    EXPECT_EQ(value, 1.0);
    EXPECT_EQ(Display(boolean, 0.2), "off");
    EXPECT_EQ(Display(boolean, 1.0), "on");
    EXPECT_STREQ(boolean.GetLabelForHost(), "");

    IParam enumeration;
    enumeration.InitEnum("Mode", 2, 4, "", "");
    EXPECT_EQ(enumeration.Type(), kParamKindEnum);
    enumeration.GetBounds(&lo, &hi);
    EXPECT_EQ(hi, 3.0);

    IParam integer;
    integer.InitInt("Count", 5, -10, 10, "", "");
    EXPECT_EQ(integer.Type(), kParamKindInt);
    EXPECT_EQ(integer.Int(), 5);
    integer.InitDouble("Count", 0.5, 0.0, 1.0, 0.1, "", "");
    EXPECT_EQ(integer.Type(), kParamKindInt); // a second initialisation keeps the kind
    EXPECT_EQ(integer.GetPrecision(), 1);
}

TEST(IParam, SetShapeIgnoresZero) {
    IParam param = DoubleParam(0, 10, 0.01, 3.0);
    param.SetShape(0.0);
    EXPECT_EQ(param.GetShape(), 3.0);
    param.SetShape(2.0);
    EXPECT_EQ(param.GetShape(), 2.0);
}

TEST(IParam, SetClampsWithoutStepping) {
    IParam param = DoubleParam(-12, 12, 1.0);
    param.Set(3.7);
    EXPECT_EQ(param.Value(), 3.7);
    EXPECT_EQ(param.Int(), 3);
    EXPECT_TRUE(param.Bool());
    param.Set(-2.9);
    EXPECT_EQ(param.Int(), -2);
    EXPECT_FALSE(param.Bool());
    param.Set(100.0);
    EXPECT_EQ(param.Value(), 12.0);
    param.Set(-100.0);
    EXPECT_EQ(param.Value(), -12.0);
    param.Set(std::nan(""));
    EXPECT_EQ(param.Value(), -12.0); // a NaN from a host or a chunk keeps the value
    EXPECT_NEAR(param.DBToAmp(), 0.251189, 1e-6);
    EXPECT_NEAR(DBToAmp(20.0), 10.0, 1e-9);
}

TEST(IParam, NormalisedMappingSnapsAndCapsOnlyAtTheTop) {
    IParam integer;
    integer.InitInt("Count", 0, 0, 3, "", "");
    integer.SetNormalized(0.5);
    EXPECT_EQ(integer.Value(), 2.0); // 1.5 rounds up

    IParam offset;
    offset.InitInt("Count", 3, 3, 6, "", "");
    offset.SetNormalized(0.25); // 3.75 snaps to 4, counted from zero
    EXPECT_EQ(offset.Value(), 4.0);

    IParam shaped = DoubleParam(0, 10, 0.01, 2.0);
    shaped.SetNormalized(0.5);
    EXPECT_DOUBLE_EQ(shaped.Value(), 2.5);
    EXPECT_DOUBLE_EQ(shaped.GetNormalized(), 0.5);
    EXPECT_DOUBLE_EQ(shaped.GetNonNormalized(0.5), 2.5);
    EXPECT_DOUBLE_EQ(ToNormalizedParam(25.0, 0, 100, 2.0), 0.5);
    shaped.SetNormalized(1.2);
    EXPECT_EQ(shaped.Value(), 10.0);
    shaped.SetNormalized(std::nan(""));
    EXPECT_EQ(shaped.Value(), 10.0);

    IParam linear = DoubleParam(0, 10, 0.01);
    linear.SetNormalized(-0.2);
    EXPECT_DOUBLE_EQ(linear.Value(), -2.0); // no lower clamp
    EXPECT_EQ(linear.GetNormalized(-5.0), 0.0);
    EXPECT_EQ(linear.GetNormalized(50.0), 1.0);
    EXPECT_EQ(linear.GetNormalized(std::nan("")), 0.0);
}

TEST(IParam, DisplayTextTable) {
    IParam param;
    param.InitEnum("Mode", 0, 3, "ms", "");
    EXPECT_STREQ(param.GetDisplayText(1), "");
    param.SetDisplayText(1, "first");
    param.SetDisplayText(1, "second");
    param.SetDisplayText(2, "");
    param.SetDisplayText(0, "a display text longer than thirty-one characters");
    EXPECT_EQ(param.GetNDisplayTexts(), 4);
    EXPECT_STREQ(param.GetDisplayText(1), "first");
    EXPECT_STREQ(param.GetDisplayText(7), "");
    EXPECT_STREQ(param.GetDisplayText(0), "a display text longer than thir");

    double value = -1;
    EXPECT_TRUE(param.MapDisplayText("second", &value));
    EXPECT_EQ(value, 1.0);
    value = -1;
    EXPECT_FALSE(param.MapDisplayText("Second", &value));
    EXPECT_FALSE(param.MapDisplayText(nullptr, &value));
    EXPECT_EQ(value, -1.0);

    value = -1;
    EXPECT_STREQ(param.GetDisplayTextAtIdx(4, &value), "");
    EXPECT_STREQ(param.GetDisplayTextAtIdx(-1, &value), "");
    EXPECT_EQ(value, -1.0);

    // The label hides behind a non-empty display text only.
    param.Set(1.0);
    EXPECT_STREQ(param.GetLabelForHost(), "");
    param.Set(2.0);
    EXPECT_STREQ(param.GetLabelForHost(), "ms");
    EXPECT_EQ(Display(param, 2.0), "2");
}

TEST(IParam, DisplayFormatting) {
    IParam fine = DoubleParam(-10, 10, 0.01);
    EXPECT_EQ(Display(fine, 3.14159), "3.14");
    EXPECT_EQ(Display(fine, 0.5, true), "0.00");
    fine.NegateDisplay();
    EXPECT_EQ(Display(fine, 3.14159), "-3.14");

    IParam coarse = DoubleParam(-10, 10, 1.0);
    EXPECT_EQ(Display(coarse, 2.9), "2");
    EXPECT_EQ(Display(coarse, -2.9), "-2");
    EXPECT_EQ(Display(coarse, -0.5), "0");

    IParam boolean;
    boolean.InitBool("Switch", false);
    EXPECT_EQ(Display(boolean, 1.0, false, false), "1");
    EXPECT_EQ(Display(boolean, 1.0, true), "on");
    char text[IParam::kTextSize];
    boolean.Set(1.0);
    boolean.GetDisplayForHost(text, sizeof text);
    EXPECT_STREQ(text, "on");
    boolean.GetDisplayForHostNoDisplayText(text, sizeof text);
    EXPECT_STREQ(text, "1");
}

TEST(IParam, DisplayOfExtremeValuesStaysInsideTheBuffer) {
    const double inf = std::numeric_limits<double>::infinity();
    const double extremes[] = {1e300, -1e300, std::nan(""), inf,
                               -inf,  3e9,    -3e9,         std::numeric_limits<double>::max()};
    IParam coarse = DoubleParam(-1, 1, 1.0);
    IParam fine = DoubleParam(-1, 1, 0.000001);
    for (const IParam* param : {&coarse, &fine}) {
        for (double value : extremes) {
            for (size_t size : {size_t{1}, size_t{4}, size_t{IParam::kTextSize}}) {
                char buffer[64];
                std::memset(buffer, '#', sizeof buffer);
                param->GetDisplayForHost(value, false, buffer, size, true);
                const size_t length = std::strlen(buffer);
                EXPECT_LT(length, size) << value;
                for (size_t i = size; i < sizeof buffer; ++i)
                    ASSERT_EQ(buffer[i], '#') << value << " overran a buffer of " << size;
            }
        }
    }
    // Whole numbers beyond the int range print without a cast; too long ones fall back to %g.
    EXPECT_EQ(Display(coarse, 3e9), "3000000000");
    EXPECT_EQ(Display(coarse, -3e9), "-3000000000");
    EXPECT_EQ(Display(coarse, 1e300), "1e+300");
    EXPECT_EQ(Display(fine, -1e300), "-1e+300");
    EXPECT_EQ(Display(coarse, inf), "inf");
    EXPECT_EQ(Display(fine, -inf), "-inf");
    EXPECT_EQ(Display(coarse, std::nan("")).find("nan") != std::string::npos, true);

    IParam huge;
    huge.InitDouble("Huge", 0, -1e300, 1e300, 1.0, "", "");
    huge.Set(1e300);
    EXPECT_EQ(huge.Int(), std::numeric_limits<int>::max());
    huge.Set(-1e300);
    EXPECT_EQ(huge.Int(), std::numeric_limits<int>::min());
    EXPECT_STREQ(huge.GetLabelForHost(), "");
}
