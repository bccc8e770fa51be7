// Real polynomials of low degree and their roots. A section with single-pole op-amps has a characteristic
// polynomial of degree 5 (the two integrating capacitors and one pole per loop op-amp), 6 with the
// summing amplifier; its dominant pair of roots is the section's fo and Q.
#pragma once

#include <array>
#include <complex>
#include <initializer_list>
#include <optional>
#include <vector>

namespace torvel {

class Polynomial {
public:
    static constexpr int kCapacity = 12;

    Polynomial() = default;
    /// Coefficients from the constant term up: {c0, c1, c2} is c0 + c1 z + c2 z^2.
    Polynomial(std::initializer_list<double> coefficients);

    /// The highest power with a non-zero coefficient; 0 for a constant (also for 0).
    int degree() const;
    double operator[](int power) const { return m_c[static_cast<std::size_t>(power)]; }

    std::complex<double> at(std::complex<double> z) const;

    friend Polynomial operator+(const Polynomial& a, const Polynomial& b);
    friend Polynomial operator-(const Polynomial& a, const Polynomial& b);
    friend Polynomial operator*(const Polynomial& a, const Polynomial& b);
    friend Polynomial operator*(double k, const Polynomial& a);

private:
    std::array<double, kCapacity> m_c{};
};

/// Every root, by simultaneous (Aberth-Ehrlich) iteration polished with Newton steps on the polynomial.
/// Empty for a constant or when the iteration does not settle.
std::vector<std::complex<double>> polynomialRoots(const Polynomial& p);

/// z^2 + u z + v: a pair of roots, complex conjugate or both real.
struct QuadraticFactor {
    double u = 0;
    double v = 0;
};

/// The two roots of least magnitude as a quadratic factor, when they form a conjugate pair or are both
/// real (a section's poles or zeros closest to the origin). Nothing when one of them belongs to a
/// complex pair whose other half lies further out, or when the roots cannot be found.
std::optional<QuadraticFactor> dominantPair(const Polynomial& p);

/// The quadratic factor of p nearest to `guess`, by Bairstow's method: quadratic convergence from a guess
/// near a pair of simple roots. Nothing when it does not settle.
std::optional<QuadraticFactor> refinePair(const Polynomial& p, QuadraticFactor guess);

/// Whether every other root of p lies further from the origin than the pair's roots.
bool pairIsDominant(const Polynomial& p, const QuadraticFactor& pair);

/// The first terms of the Taylor series of n(z)/d(z) at z = 0: c0, c1, c2.
std::array<double, 3> taylorAtZero(const Polynomial& n, const Polynomial& d);

}  // namespace torvel
