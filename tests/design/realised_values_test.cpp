// The realised-values text: an error shows its sign, except where it rounds to zero, which rounding noise
// (a realised value one ulp below the wanted one) must never turn into "-0.000".
#include "design/realised_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace torvel {
namespace {

TEST(ErrorPercentText, SignShownExceptWhereTheErrorRoundsToZero)
{
    const struct {
        const char* rule;
        double error;
        int decimals;
        bool plusSign;
        const char* text;
    } rows[] = {
        {"exact zero", 0.0, 3, true, "0.000"},
        {"negative zero", -0.0, 3, true, "0.000"},
        {"one ulp below the wanted value", -2.220446049250313e-14, 3, true, "0.000"},
        {"one ulp above, plus sign asked for", 2.220446049250313e-14, 3, true, "0.000"},
        {"below half the last decimal", -0.0004999, 3, true, "0.000"},
        {"half the last decimal rounds away", -0.0005001, 3, true, "-0.001"},
        {"positive with plus sign", 1.2345, 3, true, "+1.234"},
        {"positive without plus sign", 1.2345, 2, false, "1.23"},
        {"negative keeps its sign", -0.52, 2, false, "-0.52"},
        {"two decimals, rounding noise", -1e-9, 2, false, "0.00"},
        {"large error", -45.6789, 3, true, "-45.679"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(errorPercentText(row.error, row.decimals, row.plusSign), row.text) << row.rule;
}

TEST(ErrorPercentText, NotANumberStaysVisible)
{
    // An error that could not be computed must not pass for a perfect part.
    EXPECT_NE(errorPercentText(std::numeric_limits<double>::quiet_NaN(), 3, true), "0.000");
}

}  // namespace
}  // namespace torvel
