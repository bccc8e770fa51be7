// A number that carries its derivative along one direction: forward-mode differentiation.
//
// The section's figures are short chains of products, quotients and square roots of its parts. Carrying
// d(part) through the same code that computes the figures gives their derivatives exactly (to rounding),
// without the step-size trade-off of finite differences, and keeps one code path for value and slope.
#pragma once

#include <cmath>

namespace torvel::tolerance {

struct Dual {
    double value = 0;
    double slope = 0;  // the derivative along the chosen direction

    constexpr Dual() = default;
    constexpr Dual(double v) : value(v) {}  // NOLINT: a constant has no slope
    constexpr Dual(double v, double d) : value(v), slope(d) {}

    constexpr Dual& operator+=(Dual o) { value += o.value; slope += o.slope; return *this; }
    constexpr Dual& operator-=(Dual o) { value -= o.value; slope -= o.slope; return *this; }
    constexpr Dual& operator*=(Dual o) { *this = *this * o; return *this; }
    constexpr Dual& operator/=(Dual o) { *this = *this / o; return *this; }

    friend constexpr Dual operator+(Dual a, Dual b) { return {a.value + b.value, a.slope + b.slope}; }
    friend constexpr Dual operator-(Dual a, Dual b) { return {a.value - b.value, a.slope - b.slope}; }
    friend constexpr Dual operator-(Dual a) { return {-a.value, -a.slope}; }
    friend constexpr Dual operator*(Dual a, Dual b) { return {a.value * b.value, a.slope * b.value + a.value * b.slope}; }
    friend constexpr Dual operator/(Dual a, Dual b)
    {
        const double q = a.value / b.value;
        return {q, (a.slope - q * b.slope) / b.value};
    }
    friend constexpr bool operator==(Dual a, Dual b) { return a.value == b.value && a.slope == b.slope; }
};

inline Dual sqrt(Dual a)
{
    const double r = std::sqrt(a.value);
    return {r, a.slope / (2 * r)};
}

/// |a| with the slope of the side it lies on.
inline Dual abs(Dual a) { return a.value < 0 ? -a : a; }

/// The value of a number, dual or plain.
constexpr double valueOf(double a) { return a; }
constexpr double valueOf(Dual a) { return a.value; }

/// The slope of a number; a plain number has none.
constexpr double slopeOf(double) { return 0; }
constexpr double slopeOf(Dual a) { return a.slope; }

}  // namespace torvel::tolerance
