#include "values/checked_real.h"

#include <limits>

namespace torvel {
namespace {

// A NaN that comes out of non-NaN operands is an invalid operation (0/0, inf - inf, 0 * inf);
// an infinity that comes out of finite operands is an overflow.
Real checkResult(double result, double a, double b)
{
    if (std::isnan(result)) {
        if (!std::isnan(a) && !std::isnan(b))
            raiseFault(FaultKind::InvalidOperation);
    } else if (std::isinf(result) && std::isfinite(a) && std::isfinite(b)) {
        raiseFault(FaultKind::Overflow);
    }
    return Real(result);
}

void checkOrdered(Real a, Real b)
{
    if (std::isnan(a.value()) || std::isnan(b.value()))
        raiseFault(FaultKind::InvalidOperation);
}

}  // namespace

const char* FloatFault::what() const noexcept
{
    switch (m_kind) {
    case FaultKind::InvalidOperation: return "Invalid floating point operation.";
    case FaultKind::DivisionByZero: return "Floating point division by zero.";
    case FaultKind::Overflow: return "Floating point overflow.";
    }
    return "Invalid floating point operation.";
}

std::string faultText(FaultKind kind) { return FloatFault(kind).what(); }

void raiseFault(FaultKind kind) { throw FloatFault(kind); }

Real operator+(Real a, Real b) { return checkResult(a.m_value + b.m_value, a.m_value, b.m_value); }
Real operator-(Real a, Real b) { return checkResult(a.m_value - b.m_value, a.m_value, b.m_value); }
Real operator*(Real a, Real b) { return checkResult(a.m_value * b.m_value, a.m_value, b.m_value); }

Real operator/(Real a, Real b)
{
    if (b.m_value == 0.0) {
        // NaN / 0 stays a quiet NaN and inf / 0 an infinity; 0 / 0 has no value at all.
        if (std::isnan(a.m_value) || std::isinf(a.m_value))
            return Real(a.m_value / b.m_value);
        raiseFault(a.m_value == 0.0 ? FaultKind::InvalidOperation : FaultKind::DivisionByZero);
    }
    return checkResult(a.m_value / b.m_value, a.m_value, b.m_value);
}

bool operator<(Real a, Real b)
{
    checkOrdered(a, b);
    return a.m_value < b.m_value;
}

bool operator<=(Real a, Real b)
{
    checkOrdered(a, b);
    return a.m_value <= b.m_value;
}

bool isNaN(Real x) { return std::isnan(x.value()); }

Real abs(Real x) { return Real(std::fabs(x.value())); }

Real sqrt(Real x)
{
    if (x.value() < 0.0)
        raiseFault(FaultKind::InvalidOperation);
    return Real(std::sqrt(x.value()));
}

namespace {
// The logarithm of 0 is a pole (-infinity), reported like a division by zero; of a negative number, nothing.
void checkLogArgument(Real x)
{
    if (x.value() < 0.0)
        raiseFault(FaultKind::InvalidOperation);
    if (x.value() == 0.0)
        raiseFault(FaultKind::DivisionByZero);
}
}  // namespace

Real ln(Real x)
{
    checkLogArgument(x);
    return Real(std::log(x.value()));
}

Real log10(Real x)
{
    checkLogArgument(x);
    return Real(std::log10(x.value()));
}

Real exp(Real x)
{
    const double result = std::exp(x.value());
    if (std::isinf(result) && std::isfinite(x.value()))
        raiseFault(FaultKind::Overflow);
    return Real(result);
}

namespace {
// 2^63 is exactly representable; every double below it in magnitude converts without overflow.
constexpr double kInt64Limit = 9223372036854775808.0;

long long toInteger(double rounded)
{
    if (std::isnan(rounded) || rounded >= kInt64Limit || rounded < -kInt64Limit)
        raiseFault(FaultKind::InvalidOperation);
    return static_cast<long long>(rounded);
}
}  // namespace

long long roundToInteger(Real x) { return toInteger(std::nearbyint(x.value())); }
long long truncateToInteger(Real x) { return toInteger(std::trunc(x.value())); }

}  // namespace torvel
