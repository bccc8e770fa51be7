#include "opamp/polynomial.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace torvel {
namespace {

using Complex = std::complex<double>;

// Simultaneous iteration converges for any start that is not symmetric to the roots, quadratically to
// simple roots (10 to 30 steps for degree 6). Near-double roots, such as the poles of two op-amps with the
// same noise gain, converge only linearly and to about the square root of the working precision; after
// the last step a root counts as found when the polynomial vanishes there to within kBackwardError of the
// size of its terms.
constexpr int kMaxIterations = 200;
constexpr double kSettled = 1e-14;
constexpr double kBackwardError = 1e-10;
// Bairstow's steps shrink quadratically to the rounding noise of the coefficients, about 1e-15 of them.
constexpr int kMaxBairstowSteps = 100;
constexpr double kPairSettled = 1e-13;

Polynomial power(int k)
{
    Polynomial z{0, 1};
    Polynomial out{1};
    for (int i = 0; i < k; ++i)
        out = out * z;
    return out;
}

// A root whose imaginary part is this small relative to its magnitude counts as real, and two roots this
// close to each other's mirror image as a conjugate pair: a double real root (Q = 0.5) splits into two
// roots about 1e-8 apart in any direction.
constexpr double kRealTolerance = 1e-6;

}  // namespace

Polynomial::Polynomial(std::initializer_list<double> coefficients)
{
    std::size_t k = 0;
    for (double c : coefficients)
        m_c[k++] = c;
}

int Polynomial::degree() const
{
    for (int k = kCapacity - 1; k > 0; --k)
        if (m_c[static_cast<std::size_t>(k)] != 0)
            return k;
    return 0;
}

Complex Polynomial::at(Complex z) const
{
    Complex sum = 0;
    for (int k = degree(); k >= 0; --k)
        sum = sum * z + m_c[static_cast<std::size_t>(k)];
    return sum;
}

Polynomial operator+(const Polynomial& a, const Polynomial& b)
{
    Polynomial out;
    for (std::size_t k = 0; k < Polynomial::kCapacity; ++k)
        out.m_c[k] = a.m_c[k] + b.m_c[k];
    return out;
}

Polynomial operator-(const Polynomial& a, const Polynomial& b) { return a + (-1.0) * b; }

Polynomial operator*(const Polynomial& a, const Polynomial& b)
{
    Polynomial out;
    const int da = a.degree();
    const int db = b.degree();
    for (int i = 0; i <= da; ++i)
        for (int j = 0; j <= db && i + j < Polynomial::kCapacity; ++j)
            out.m_c[static_cast<std::size_t>(i + j)] += a.m_c[static_cast<std::size_t>(i)] * b.m_c[static_cast<std::size_t>(j)];
    return out;
}

Polynomial operator*(double k, const Polynomial& a)
{
    Polynomial out = a;
    for (double& c : out.m_c)
        c *= k;
    return out;
}

std::vector<Complex> polynomialRoots(const Polynomial& p)
{
    const int n = p.degree();
    if (n == 0)
        return {};
    // Monic, so that the values stay of the roots' own scale.
    std::vector<double> c(static_cast<std::size_t>(n + 1));
    for (int k = 0; k <= n; ++k)
        c[static_cast<std::size_t>(k)] = p[k] / p[n];
    const auto value = [&](Complex z, Complex& derivative) {
        Complex f = 1;
        derivative = 0;
        for (int k = n - 1; k >= 0; --k) {
            derivative = derivative * z + f;
            f = f * z + c[static_cast<std::size_t>(k)];
        }
        return f;
    };

    // Start on a circle of the roots' geometric mean magnitude, turned off the real axis so that no start
    // is the mirror image of another.
    const double radius = std::pow(std::max(std::fabs(c[0]), 1e-300), 1.0 / n);
    std::vector<Complex> z(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        z[static_cast<std::size_t>(k)] = std::polar(radius, 2 * std::numbers::pi * (k + 0.25) / n + 0.4);

    bool settled = false;
    for (int iteration = 0; iteration < kMaxIterations && !settled; ++iteration) {
        settled = true;
        for (std::size_t i = 0; i < z.size(); ++i) {
            Complex derivative;
            const Complex f = value(z[i], derivative);
            if (f == Complex(0))
                continue;
            const Complex ratio = f / derivative;
            Complex repulsion = 0;
            for (std::size_t j = 0; j < z.size(); ++j)
                if (j != i)
                    repulsion += 1.0 / (z[i] - z[j]);
            const Complex step = ratio / (1.0 - ratio * repulsion);
            if (!std::isfinite(step.real()) || !std::isfinite(step.imag()))
                return {};
            z[i] -= step;
            if (std::abs(step) > kSettled * std::max(std::abs(z[i]), 1e-300))
                settled = false;
        }
    }
    if (!settled) {
        for (Complex root : z) {
            double size = 0;
            for (int k = n; k >= 0; --k)
                size = size * std::abs(root) + std::fabs(c[static_cast<std::size_t>(k)]);
            Complex derivative;
            if (!(std::abs(value(root, derivative)) <= kBackwardError * size))
                return {};
        }
    }
    for (Complex& root : z) {
        for (int polish = 0; polish < 2; ++polish) {
            Complex derivative;
            const Complex f = value(root, derivative);
            if (derivative != Complex(0))
                root -= f / derivative;
        }
    }
    return z;
}

std::optional<QuadraticFactor> dominantPair(const Polynomial& p)
{
    std::vector<Complex> roots = polynomialRoots(p);
    if (roots.size() < 2)
        return std::nullopt;
    std::sort(roots.begin(), roots.end(), [](Complex a, Complex b) { return std::abs(a) < std::abs(b); });
    const Complex a = roots[0];
    const Complex b = roots[1];
    const auto isReal = [](Complex z) { return std::fabs(z.imag()) <= kRealTolerance * std::abs(z); };
    const bool conjugate = std::abs(a - std::conj(b)) <= kRealTolerance * std::abs(a);
    if (!(isReal(a) && isReal(b)) && !conjugate)
        return std::nullopt;
    return QuadraticFactor{-(a + b).real(), (a * b).real()};
}

std::optional<QuadraticFactor> refinePair(const Polynomial& p, QuadraticFactor guess)
{
    // Bairstow on x^2 - r x - s, r = -u, s = -v: synthetic division by the quadratic twice gives the
    // remainder and its derivatives with respect to r and s.
    const int n = p.degree();
    if (n < 2)
        return std::nullopt;
    if (n == 2)
        return QuadraticFactor{p[1] / p[2], p[0] / p[2]};
    double r = -guess.u;
    double s = -guess.v;
    std::array<double, Polynomial::kCapacity> b{};
    std::array<double, Polynomial::kCapacity> c{};
    for (int iteration = 0; iteration < kMaxBairstowSteps; ++iteration) {
        for (int k = n; k >= 0; --k) {
            const std::size_t i = static_cast<std::size_t>(k);
            const double b1 = k + 1 <= n ? b[i + 1] : 0;
            const double b2 = k + 2 <= n ? b[i + 2] : 0;
            b[i] = p[k] / p[n] + r * b1 + s * b2;
            const double c1 = k + 1 <= n ? c[i + 1] : 0;
            const double c2 = k + 2 <= n ? c[i + 2] : 0;
            c[i] = b[i] + r * c1 + s * c2;
        }
        const double det = c[2] * c[2] - c[3] * c[1];
        if (!(std::fabs(det) > 0))
            return std::nullopt;
        const double dr = (-b[1] * c[2] + b[0] * c[3]) / det;
        const double ds = (-b[0] * c[2] + b[1] * c[1]) / det;
        r += dr;
        s += ds;
        if (!std::isfinite(r) || !std::isfinite(s))
            return std::nullopt;
        if (std::fabs(dr) + std::fabs(ds) <= kPairSettled * (1 + std::fabs(r) + std::fabs(s)))
            return QuadraticFactor{-r, -s};
    }
    return std::nullopt;
}

bool pairIsDominant(const Polynomial& p, const QuadraticFactor& pair)
{
    // The other roots are those of the quotient of p by the pair's quadratic.
    const int n = p.degree();
    if (n <= 2)
        return true;
    std::array<double, Polynomial::kCapacity> b{};
    for (int k = n; k >= 2; --k) {
        const std::size_t i = static_cast<std::size_t>(k);
        b[i] = p[k] - pair.u * (k + 1 <= n ? b[i + 1] : 0) - pair.v * (k + 2 <= n ? b[i + 2] : 0);
    }
    Polynomial quotient;
    for (int k = 2; k <= n; ++k)
        quotient = quotient + Polynomial{b[static_cast<std::size_t>(k)]} * power(k - 2);
    // The quotient has no root in the closed disc of the pair's radius R when its constant term outweighs
    // all the others there, |q0| > sum |qk| R^k (Rouche): a few operations settle the usual case, where
    // the op-amps' poles lie far outside the loop's.
    const double pairRadius = std::sqrt(std::fabs(pair.v));
    double others = 0;
    for (int k = quotient.degree(); k >= 1; --k)
        others = (others + std::fabs(quotient[k])) * pairRadius;
    if (std::fabs(quotient[0]) > others)
        return true;
    const std::vector<Complex> roots = polynomialRoots(quotient);
    if (roots.empty() && quotient.degree() > 0)
        return false;
    for (Complex z : roots)
        if (!(std::abs(z) > pairRadius))
            return false;
    return true;
}

std::array<double, 3> taylorAtZero(const Polynomial& n, const Polynomial& d)
{
    const double c0 = n[0] / d[0];
    const double c1 = (n[1] - c0 * d[1]) / d[0];
    const double c2 = (n[2] - c1 * d[1] - c0 * d[2]) / d[0];
    return {c0, c1, c2};
}

}  // namespace torvel
