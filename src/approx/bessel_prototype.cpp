#include "approx/polynomial_roots.h"
#include "approx/prototype_families.h"

#include <cmath>

namespace torvel::approx {

namespace {

// Coefficients (s^0 first) of the reverse Bessel polynomial of degree n, whose roots are the poles of the
// delay-normalised Bessel filter: a_k = (2n - k)! / (2^(n - k) k! (n - k)!), built down from a_n = 1 by
// a_(k-1) = a_k k (2n - k + 1) / (2 (n - k + 1)). Every a_k is an integer below 2^53 up to n = 12,
// so they are exact.
std::vector<double> reverseBesselPolynomial(int n)
{
    std::vector<double> a(static_cast<std::size_t>(n) + 1);
    a.back() = 1;
    for (int k = n; k > 0; --k)
        a[static_cast<std::size_t>(k) - 1] = a[static_cast<std::size_t>(k)] * k * (2 * n - k + 1) / (2 * (n - k + 1));
    return a;
}

}  // namespace

std::optional<Zpk> besselPrototype(int order)
{
    const auto roots = polynomialRoots(reverseBesselPolynomial(order));
    if (!roots)
        return std::nullopt;
    Zpk zpk;
    zpk.poles = *roots;
    // Normalise by magnitude: the delay-normalised filter is -3 dB at some omega3; dividing every pole
    // by omega3 moves that point to 1 rad/s.
    const auto omega3 = lossFrequency(zpk, 10 * std::log10(2.0));
    if (!omega3)
        return std::nullopt;
    std::complex<double> dcGain = 1;
    for (auto& p : zpk.poles) {
        p /= *omega3;
        dcGain *= -p;
    }
    zpk.gain = dcGain.real();
    return zpk;
}

}  // namespace torvel::approx
