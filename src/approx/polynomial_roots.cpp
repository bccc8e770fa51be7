#include "approx/polynomial_roots.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace torvel::approx {

namespace {

using Complex = std::complex<double>;

constexpr int kMaxIterations = 500;
// A root this close to the real axis, relative to its magnitude, is taken as real.
constexpr double kRealTolerance = 1e-9;

struct Evaluation {
    Complex newtonStep;  // p(x) / p'(x)
    bool atRoundingLevel = false;
};

// p(x) and p'(x) by Horner's scheme, with the bound on the rounding error of p(x): once |p(x)| is within
// it, no further step can make the root more accurate. A fixed step size would not do: the Bessel
// polynomials of degree 12 already evaluate with relative noise near 1e-11 at their roots.
Evaluation evaluate(const std::vector<double>& c, Complex x)
{
    Complex p = c.back();
    Complex dp = 0;
    double bound = std::abs(c.back());
    for (std::size_t i = c.size() - 1; i-- > 0;) {
        dp = dp * x + p;
        p = p * x + c[i];
        bound = bound * std::abs(x) + std::abs(c[i]);
    }
    const double degree = static_cast<double>(c.size() - 1);
    return {p / dp, std::abs(p) <= 4 * degree * std::numeric_limits<double>::epsilon() * bound};
}

}  // namespace

std::optional<std::vector<std::complex<double>>> polynomialRoots(const std::vector<double>& coefficients)
{
    if (coefficients.size() < 2 || coefficients.back() == 0 || coefficients.front() == 0)
        return std::nullopt;
    const std::size_t degree = coefficients.size() - 1;

    // Start on a circle of the roots' geometric-mean radius; the angular offset keeps the starting set
    // from being symmetric about the real axis, which would stall the iteration on conjugate pairs.
    const double radius = std::pow(std::abs(coefficients.front() / coefficients.back()), 1.0 / static_cast<double>(degree));
    std::vector<Complex> roots(degree);
    for (std::size_t k = 0; k < degree; ++k)
        roots[k] = std::polar(radius, 2 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(degree) + 0.4);

    std::vector<bool> done(degree);
    for (int iteration = 0; iteration < kMaxIterations && std::find(done.begin(), done.end(), false) != done.end(); ++iteration) {
        for (std::size_t k = 0; k < degree; ++k) {
            if (done[k])
                continue;
            const Evaluation e = evaluate(coefficients, roots[k]);
            if (e.atRoundingLevel) {
                done[k] = true;
                continue;
            }
            if (!std::isfinite(std::abs(e.newtonStep))) {  // on a root of p': step aside and retry
                roots[k] += 1e-3 * radius * Complex(1, 1);
                continue;
            }
            Complex repulsion = 0;
            for (std::size_t j = 0; j < degree; ++j)
                if (j != k)
                    repulsion += 1.0 / (roots[k] - roots[j]);
            roots[k] -= e.newtonStep / (1.0 - e.newtonStep * repulsion);
        }
    }
    if (std::find(done.begin(), done.end(), false) != done.end())
        return std::nullopt;

    std::vector<Complex> upper, lower, real;
    for (const Complex& root : roots) {
        if (std::abs(root.imag()) <= kRealTolerance * std::abs(root))
            real.emplace_back(root.real(), 0.0);
        else
            (root.imag() > 0 ? upper : lower).push_back(root);
    }
    if (upper.size() != lower.size())
        return std::nullopt;
    // Each upper root stands for its pair, so the pair is exactly conjugate as the real polynomial's are.
    std::vector<Complex> result;
    for (const Complex& root : upper) {
        result.push_back(root);
        result.push_back(std::conj(root));
    }
    std::sort(real.begin(), real.end(), [](Complex a, Complex b) { return a.real() < b.real(); });
    result.insert(result.end(), real.begin(), real.end());
    return result;
}

}  // namespace torvel::approx
