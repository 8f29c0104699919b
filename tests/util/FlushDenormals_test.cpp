#include "UTL_FlushDenormals.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

// Through volatiles, so that the arithmetic runs under the mode in force, not in the compiler.
double Divide(double a, double b) {
    volatile double x = a, y = b;
    return x / y;
}

float ToFloat(double value) {
    volatile double x = value;
    return static_cast<float>(x);
}

TEST(UTL_FlushDenormals, FlushesSubnormalsInItsScopeAndRestoresTheModeAfter) {
    const double subnormal = Divide(DBL_MIN, 4.0);
    ASSERT_EQ(std::fpclassify(subnormal), FP_SUBNORMAL);
    ASSERT_EQ(std::fpclassify(ToFloat(1e-40)), FP_SUBNORMAL);
    const double third = Divide(1.0, 3.0);
    {
        UTL_FlushDenormals flush;
        EXPECT_EQ(Divide(DBL_MIN, 4.0), 0.0) << "a subnormal result";
        EXPECT_EQ(Divide(subnormal, 0.5), 0.0) << "a subnormal operand";
        EXPECT_EQ(ToFloat(1e-40), 0.0f) << "a conversion to a subnormal float";
        EXPECT_EQ(Divide(1.0, 3.0), third) << "normal results stay exact";
        EXPECT_EQ(ToFloat(third), static_cast<float>(1.0 / 3.0));
        { UTL_FlushDenormals nested; }
        EXPECT_EQ(Divide(DBL_MIN, 4.0), 0.0) << "an inner guard restores the outer mode";
    }
    EXPECT_EQ(Divide(DBL_MIN, 4.0), subnormal);
    EXPECT_EQ(std::fpclassify(ToFloat(1e-40)), FP_SUBNORMAL);
}

} // namespace
