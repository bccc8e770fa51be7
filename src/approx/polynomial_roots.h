// All roots of a polynomial with real coefficients, for the Bessel denominators.
#pragma once

#include <complex>
#include <optional>
#include <vector>

namespace torvel::approx {

/// Roots of c[0] + c[1] x + ... + c[n] x^n (n >= 1, c[0] and c[n] not 0), found together by the
/// Aberth-Ehrlich iteration, each to the accuracy the polynomial's rounding allows. Real roots come out
/// exactly real and complex ones as exact conjugate pairs, the upper one first. Empty when the iteration
/// does not settle.
std::optional<std::vector<std::complex<double>>> polynomialRoots(const std::vector<double>& coefficients);

}  // namespace torvel::approx
