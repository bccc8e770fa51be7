// Every way a formula can fault, and the ways it must not.
#include "values/checked_real.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace torvel {
namespace {

const Real kNaN = std::numeric_limits<double>::quiet_NaN();
const Real kInf = std::numeric_limits<double>::infinity();

struct FaultRow {
    const char* name;
    std::function<Real()> formula;
    FaultKind kind;
    const char* text;
};

TEST(CheckedReal, FaultsWithTheKindAndTextOfEachCase)
{
    const FaultRow rows[] = {
        {"division_by_zero", [] { return Real(1) / Real(0); }, FaultKind::DivisionByZero, "Floating point division by zero."},
        {"zero_by_zero", [] { return Real(0) / Real(0); }, FaultKind::InvalidOperation, "Invalid floating point operation."},
        {"sqrt_of_negative", [] { return sqrt(Real(-1)); }, FaultKind::InvalidOperation, "Invalid floating point operation."},
        {"log_of_negative", [] { return log10(Real(-1)); }, FaultKind::InvalidOperation, "Invalid floating point operation."},
        {"log_of_zero", [] { return ln(Real(0)); }, FaultKind::DivisionByZero, "Floating point division by zero."},
        {"overflow_in_product", [] { return Real(1e300) * Real(1e300); }, FaultKind::Overflow, "Floating point overflow."},
        {"overflow_in_sum", [] { return Real(1.7e308) + Real(1.7e308); }, FaultKind::Overflow, "Floating point overflow."},
        {"overflow_in_exp", [] { return exp(Real(1000)); }, FaultKind::Overflow, "Floating point overflow."},
        {"infinity_minus_infinity", [] { return kInf - kInf; }, FaultKind::InvalidOperation, "Invalid floating point operation."},
        {"less_than_nan", [] { return Real(kNaN < Real(1) ? 1 : 0); }, FaultKind::InvalidOperation, "Invalid floating point operation."},
        {"nan_greater_equal", [] { return Real(Real(1) >= kNaN ? 1 : 0); }, FaultKind::InvalidOperation, "Invalid floating point operation."},
    };
    for (const FaultRow& row : rows) {
        try {
            row.formula();
            ADD_FAILURE() << row.name << ": no fault";
        } catch (const FloatFault& fault) {
            EXPECT_EQ(fault.kind(), row.kind) << row.name;
            EXPECT_STREQ(fault.what(), row.text) << row.name;
        }
    }
}

TEST(CheckedReal, QuietNaNPropagatesAndEqualityNeverFaults)
{
    EXPECT_TRUE(isNaN(kNaN + Real(1)));
    EXPECT_TRUE(isNaN(kNaN / Real(0)));  // a NaN divided by zero stays a quiet NaN
    EXPECT_TRUE(isNaN(sqrt(kNaN)));
    EXPECT_FALSE(kNaN == kNaN);
    EXPECT_FALSE(kNaN == Real(0));
    EXPECT_EQ(sqrt(Real(-0.0)).value(), 0.0);  // -0 is not a negative radicand
    EXPECT_EQ(Real(1e-300) * Real(1e-300), Real(0));  // underflow is not a fault
}

TEST(CheckedReal, RoundsHalvesToEven)
{
    EXPECT_EQ(roundToInteger(Real(2.5)), 2);
    EXPECT_EQ(roundToInteger(Real(3.5)), 4);
    EXPECT_EQ(roundToInteger(Real(-2.5)), -2);
    EXPECT_EQ(truncateToInteger(Real(-2.7)), -2);
    EXPECT_THROW(roundToInteger(kNaN), FloatFault);
    EXPECT_THROW(roundToInteger(Real(1e300)), FloatFault);
}

}  // namespace
}  // namespace torvel
