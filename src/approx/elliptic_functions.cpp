#include "approx/elliptic_functions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace torvel::approx {

namespace {

constexpr double kPi = std::numbers::pi;
// Size at which a series term or a Landen modulus no longer changes a double.
constexpr double kNegligible = 1e-17;

// Stops at a relative gap of 1e-15: the mean of the last pair is then exact to rounding, as the gap
// squares with every step.
double agm(double a, double b)
{
    if (a == 0 || b == 0)
        return 0;
    for (int i = 0; i < 64 && std::abs(a - b) > 1e-15 * a; ++i) {
        const double next = 0.5 * (a + b);
        b = std::sqrt(a * b);
        a = next;
    }
    return 0.5 * (a + b);
}

double carlsonRF(double x, double y, double z)
{
    // Duplication until the three arguments agree to 1e-3, where the fifth-order series is exact to
    // rounding (its error goes as the sixth power of that spread).
    for (int i = 0; i < 100; ++i) {
        const double mean = (x + y + z) / 3;
        const double spread = std::max({std::abs(mean - x), std::abs(mean - y), std::abs(mean - z)});
        if (spread <= 1e-3 * mean) {
            const double dx = (mean - x) / mean, dy = (mean - y) / mean, dz = -(dx + dy);
            const double e2 = dx * dy - dz * dz, e3 = dx * dy * dz;
            return (1 - e2 / 10 + e3 / 14 + e2 * e2 / 24 - 3 * e2 * e3 / 44) / std::sqrt(mean);
        }
        const double sx = std::sqrt(x), sy = std::sqrt(y), sz = std::sqrt(z);
        const double lambda = sx * sy + sy * sz + sz * sx;
        x = 0.25 * (x + lambda);
        y = 0.25 * (y + lambda);
        z = 0.25 * (z + lambda);
    }
    return std::numeric_limits<double>::quiet_NaN();
}

// k = theta2^2 / theta3^2 for the nome q, good for q up to exp(-pi), where at most six terms matter.
double modulusSeries(double q)
{
    double even = 0, odd = 0;  // sum q^(m(m+1)) for m >= 0, sum q^(m^2) for m >= 1
    for (int m = 0; m < 40; ++m) {
        const double a = std::pow(q, m * (m + 1));
        const double b = std::pow(q, (m + 1) * (m + 1));
        even += a;
        odd += b;
        if (a < kNegligible * even)
            break;
    }
    const double ratio = even / (1 + 2 * odd);
    return 4 * std::sqrt(q) * ratio * ratio;
}

}  // namespace

Modulus Modulus::fromK(double k)
{
    return {k, std::sqrt((1 - k) * (1 + k))};
}

double ellipticK(Modulus m)
{
    return 0.5 * kPi / agm(1, m.complement);
}

double ellipticF(double phi, Modulus m)
{
    const double s = std::sin(phi), c = std::cos(phi);
    // 1 - k^2 sin^2 = cos^2 + k'^2 sin^2 keeps its digits when k is near 1.
    return s * carlsonRF(c * c, c * c + m.complement * m.complement * s * s, 1);
}

JacobiValues jacobi(double u, Modulus m)
{
    constexpr int kMaxSteps = 16;
    std::array<double, kMaxSteps + 1> a{}, c{};
    a[0] = 1;
    c[0] = m.k;
    double b = m.complement;
    int steps = 0;
    while (steps < kMaxSteps && std::abs(c[static_cast<std::size_t>(steps)]) > kNegligible) {
        const auto i = static_cast<std::size_t>(steps);
        a[i + 1] = 0.5 * (a[i] + b);
        c[i + 1] = 0.5 * (a[i] - b);
        b = std::sqrt(a[i] * b);
        ++steps;
    }
    const double quarterPeriod = 0.5 * kPi / a[static_cast<std::size_t>(steps)];
    // Near the quarter period cn and dn are small and the descent below returns them only to an absolute
    // accuracy; from w = K - u, sn(u) = cd(w), cn(u) = k' sd(w), dn(u) = k' nd(w) keep them relative. The
    // elliptic prototype's high-Q poles are computed there.
    const bool reflected = std::abs(u - quarterPeriod) < 0.5 * quarterPeriod;
    const double argument = reflected ? quarterPeriod - u : u;

    double phi = std::ldexp(a[static_cast<std::size_t>(steps)] * argument, steps);
    for (int i = steps; i > 0; --i) {
        const auto n = static_cast<std::size_t>(i);
        phi = 0.5 * (phi + std::asin(c[n] / a[n] * std::sin(phi)));
    }
    const double sn = std::sin(phi), cn = std::cos(phi);
    // dn from k'^2 + k^2 cn^2 rather than the Landen ratio cos(phi0) / cos(phi1 - phi0), which is 0 / 0
    // at the quarter period.
    const double dn = std::sqrt(m.complement * m.complement + m.k * m.k * cn * cn);
    if (reflected)
        return {cn / dn, m.complement * sn / dn, m.complement / dn};
    return {sn, cn, dn};
}

double logNome(Modulus m)
{
    return -kPi * agm(1, m.complement) / agm(1, m.k);
}

Modulus modulusFromLogNome(double logNome)
{
    // The nome q and the complementary nome q' obey ln q * ln q' = pi^2; q = q' = exp(-pi) at k = 1/sqrt(2).
    if (logNome <= -kPi)
        return Modulus::fromK(modulusSeries(std::exp(logNome)));
    return Modulus::fromK(modulusSeries(std::exp(kPi * kPi / logNome))).swapped();
}

}  // namespace torvel::approx
