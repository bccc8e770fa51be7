// Checked floating-point arithmetic.
//
// The design commands make no range checks of their own: a division by zero, a square root or logarithm
// of a negative number, an overflow, or an ordered comparison with a NaN ends the running command at that
// step with one of three fault texts, and whatever the command wrote before stays. `Real` is a double that
// carries those rules in its operators, portably and explicitly: every operation checks its own result and
// throws `FloatFault`, which the commands catch at their edge. No hardware traps, no signal handlers.
//
// The rules follow IEEE 754 exception semantics for quiet NaNs: arithmetic on a NaN operand propagates the
// NaN silently (the commands carry unreadable hidden fields as NaN), an equality test or an explicit NaN
// test never faults, and an ordered comparison (<, >, <=, >=) with a NaN operand faults as an invalid
// operation. Underflow and inexact results are not faults.
#pragma once

#include <cmath>
#include <compare>
#include <exception>
#include <string>

namespace torvel {

enum class FaultKind { InvalidOperation, DivisionByZero, Overflow };

/// The one fault type of the design logic. `what()` is the text the user sees, full stop included.
class FloatFault : public std::exception {
public:
    explicit FloatFault(FaultKind kind) noexcept : m_kind(kind) {}
    FaultKind kind() const noexcept { return m_kind; }
    const char* what() const noexcept override;

private:
    FaultKind m_kind;
};

/// Text of the fault box for a kind, e.g. "Floating point division by zero.".
std::string faultText(FaultKind kind);

[[noreturn]] void raiseFault(FaultKind kind);

class Real {
public:
    constexpr Real() = default;
    constexpr Real(double value) : m_value(value) {}  // NOLINT: implicit on purpose, formulas mix literals

    constexpr double value() const { return m_value; }
    bool isNaN() const { return std::isnan(m_value); }

    friend Real operator+(Real a, Real b);
    friend Real operator-(Real a, Real b);
    friend Real operator*(Real a, Real b);
    friend Real operator/(Real a, Real b);
    friend Real operator-(Real a) { return Real(-a.m_value); }

    Real& operator+=(Real b) { return *this = *this + b; }
    Real& operator-=(Real b) { return *this = *this - b; }
    Real& operator*=(Real b) { return *this = *this * b; }
    Real& operator/=(Real b) { return *this = *this / b; }

    // Equality never faults; a NaN is unequal to everything, itself included.
    friend bool operator==(Real a, Real b) { return a.m_value == b.m_value; }

    // Ordered comparisons fault on a NaN operand.
    friend bool operator<(Real a, Real b);
    friend bool operator>(Real a, Real b) { return b < a; }
    friend bool operator<=(Real a, Real b);
    friend bool operator>=(Real a, Real b) { return b <= a; }

private:
    double m_value = 0.0;
};

bool isNaN(Real x);
Real abs(Real x);
Real sqrt(Real x);   // negative radicand (not -0): invalid operation
Real ln(Real x);     // natural logarithm: 0 gives division by zero, negative gives invalid operation
Real log10(Real x);  // as ln
Real exp(Real x);    // overflow when the result leaves the range of a double
/// Rounds to the nearest integer, halves to even. A NaN or a value outside the int64 range is invalid.
long long roundToInteger(Real x);
/// Truncates toward zero. A NaN or a value outside the int64 range is invalid.
long long truncateToInteger(Real x);

}  // namespace torvel
