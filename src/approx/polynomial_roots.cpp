#include "approx/polynomial_roots.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace torvel::approx {

namespace {

using Complex = std::complex<double>;

constexpr int kMaxIterations = 500;
// Iterates count as settled when no root moved by more than this fraction of its magnitude. The
// iteration converges cubically, so the Newton step that follows brings the roots to rounding level.
constexpr double kSettled = 1e-12;
// A root whose imaginary part is below this fraction of its magnitude is taken as real.
constexpr double kRealTolerance = 1e-9;

// p(x) / p'(x) by Horner's scheme.
Complex newtonRatio(const std::vector<double>& c, Complex x)
{
    Complex p = c.back();
    Complex dp = 0;
    for (std::size_t i = c.size() - 1; i-- > 0;) {
        dp = dp * x + p;
        p = p * x + c[i];
    }
    return p / dp;
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

    bool settled = false;
    for (int iteration = 0; iteration < kMaxIterations && !settled; ++iteration) {
        settled = true;
        for (std::size_t k = 0; k < degree; ++k) {
            const Complex ratio = newtonRatio(coefficients, roots[k]);
            if (!std::isfinite(ratio.real()) || !std::isfinite(ratio.imag()))
                return std::nullopt;
            Complex repulsion = 0;
            for (std::size_t j = 0; j < degree; ++j)
                if (j != k)
                    repulsion += 1.0 / (roots[k] - roots[j]);
            const Complex step = ratio / (1.0 - ratio * repulsion);
            roots[k] -= step;
            if (std::abs(step) > kSettled * std::abs(roots[k]))
                settled = false;
        }
    }
    if (!settled)
        return std::nullopt;

    std::vector<Complex> upper, lower, real;
    for (Complex root : roots) {
        root -= newtonRatio(coefficients, root);
        if (std::abs(root.imag()) <= kRealTolerance * std::abs(root))
            real.emplace_back(root.real(), 0.0);
        else
            (root.imag() > 0 ? upper : lower).push_back(root);
    }
    if (upper.size() != lower.size())
        return std::nullopt;
    // Each upper root stands for its pair; averaging with its lower partner would need a matching step
    // that the polished roots do not need.
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
