// Polynomials in s of the small degrees a section's transfer function has (at most 7), with
// coefficients of any number type (plain or dual), held in place so that a Monte Carlo run allocates
// nothing.
#pragma once

#include "tolerance/dual.h"

#include <array>
#include <cassert>
#include <complex>
#include <initializer_list>

namespace torvel::tolerance {

template <typename T>
struct Polynomial {
    static constexpr int kCapacity = 8;
    std::array<T, kCapacity> c{};  // c[0] + c[1] s + ... + c[size - 1] s^(size - 1)
    int size = 0;

    Polynomial() = default;
    Polynomial(std::initializer_list<T> coefficients)
    {
        for (const T& k : coefficients)
            c[static_cast<std::size_t>(size++)] = k;
        trim();
    }

    int degree() const { return size - 1; }  // -1 for the zero polynomial
    const T& operator[](int k) const { return c[static_cast<std::size_t>(k)]; }
    T& operator[](int k) { return c[static_cast<std::size_t>(k)]; }
    T leading() const { return c[static_cast<std::size_t>(size - 1)]; }
    T constant() const { return size > 0 ? c[0] : T(0); }

    /// Drops leading coefficients that are exactly zero: an ideal op-amp's 1/A is exactly 0, and the terms
    /// it multiplies vanish exactly, so the degree falls to that of the ideal circuit.
    void trim()
    {
        while (size > 0 && valueOf(c[static_cast<std::size_t>(size - 1)]) == 0
               && slopeOf(c[static_cast<std::size_t>(size - 1)]) == 0)
            --size;
    }

    friend Polynomial operator+(const Polynomial& a, const Polynomial& b)
    {
        Polynomial r;
        r.size = a.size > b.size ? a.size : b.size;
        for (int k = 0; k < r.size; ++k)
            r[k] = (k < a.size ? a[k] : T(0)) + (k < b.size ? b[k] : T(0));
        r.trim();
        return r;
    }
    friend Polynomial operator*(const Polynomial& a, const Polynomial& b)
    {
        Polynomial r;
        if (a.size == 0 || b.size == 0)
            return r;
        r.size = a.size + b.size - 1;
        assert(r.size <= kCapacity);
        for (int i = 0; i < a.size; ++i)
            for (int j = 0; j < b.size; ++j)
                r[i + j] += a[i] * b[j];
        r.trim();
        return r;
    }
    friend Polynomial operator*(T k, const Polynomial& a)
    {
        Polynomial r = a;
        for (int i = 0; i < r.size; ++i)
            r[i] = k * r[i];
        r.trim();
        return r;
    }
    friend Polynomial operator-(const Polynomial& a) { return T(-1) * a; }
};

/// p(s) by Horner's scheme.
inline std::complex<double> evaluate(const Polynomial<double>& p, std::complex<double> s)
{
    std::complex<double> v = 0;
    for (int k = p.size; k-- > 0;)
        v = v * s + p[k];
    return v;
}

/// |p(jw)|^2 for real coefficients: the even powers of jw are real, the odd ones imaginary, and both are
/// polynomials in (jw)^2 = -w^2. Cheaper than complex arithmetic in the Monte Carlo runs' inner loop.
inline double squaredMagnitudeOnAxis(const Polynomial<double>& p, double omega)
{
    const double x = -omega * omega;
    double even = 0, odd = 0;
    for (int k = p.size - 1; k >= 0; --k) {
        if (k % 2 == 0)
            even = even * x + p[k];
        else
            odd = odd * x + p[k];
    }
    return even * even + omega * omega * odd * odd;
}

/// The value part and the slope part of a dual polynomial at s.
inline std::complex<double> evaluateValue(const Polynomial<Dual>& p, std::complex<double> s)
{
    std::complex<double> v = 0;
    for (int k = p.size; k-- > 0;)
        v = v * s + p[k].value;
    return v;
}
inline std::complex<double> evaluateSlope(const Polynomial<Dual>& p, std::complex<double> s)
{
    std::complex<double> v = 0;
    for (int k = p.size; k-- > 0;)
        v = v * s + p[k].slope;
    return v;
}

/// p = q (s^2 + b s + c) + r1 s + r0: the quotient and the remainder (r0, r1).
template <typename T>
struct QuadraticDivision {
    Polynomial<T> quotient;
    T r0 = T(0), r1 = T(0);
};

template <typename T>
QuadraticDivision<T> divideByQuadratic(const Polynomial<T>& p, T b, T c)
{
    QuadraticDivision<T> d;
    if (p.size < 3) {
        d.r0 = p.constant();
        d.r1 = p.size > 1 ? p[1] : T(0);
        return d;
    }
    Polynomial<T> rest = p;
    d.quotient.size = p.size - 2;
    for (int k = p.size - 1; k >= 2; --k) {
        const T q = rest[k];
        d.quotient[k - 2] = q;
        rest[k - 1] -= q * b;
        rest[k - 2] -= q * c;
    }
    d.r0 = rest[0];
    d.r1 = rest[1];
    return d;
}

/// p = q (s - z) + r: the quotient (the remainder p(z) is dropped).
template <typename T>
Polynomial<T> divideByLinear(const Polynomial<T>& p, T z)
{
    Polynomial<T> q;
    if (p.size < 2)
        return q;
    q.size = p.size - 1;
    T carry = p.leading();
    for (int k = p.size - 2; k >= 0; --k) {
        q[k] = carry;
        carry = p[k] + carry * z;
    }
    return q;
}

}  // namespace torvel::tolerance
