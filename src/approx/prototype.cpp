#include "approx/prototype.h"

#include "approx/prototype_families.h"

#include <cmath>
#include <numbers>

namespace torvel::approx {

namespace {

using Complex = std::complex<double>;

// Upper pole k (1-based) of a Chebyshev prototype: on an ellipse with semi-axes sinh(mu) and cosh(mu),
// at the Butterworth angles (2k - 1) pi / 2n from the imaginary axis.
Complex chebyshevPole(int k, int order, double mu)
{
    const double theta = (2 * k - 1) * std::numbers::pi / (2 * order);
    return {-std::sinh(mu) * std::sin(theta), std::cosh(mu) * std::cos(theta)};
}

void addPair(std::vector<Complex>& roots, Complex upper)
{
    roots.push_back(upper);
    roots.push_back(std::conj(upper));
}

}  // namespace

double unitDcGain(const Zpk& zpk)
{
    Complex g = 1;
    for (const Complex& p : zpk.poles)
        g *= -p;
    for (const Complex& z : zpk.zeros)
        g /= -z;
    return g.real();
}

double powerRatioMinusOne(double db)
{
    return std::expm1(db * std::log(10.0) / 10);
}

Zpk butterworthPrototype(int order)
{
    Zpk zpk;
    for (int k = 1; 2 * k <= order; ++k) {
        const double theta = (2 * k - 1) * std::numbers::pi / (2 * order);
        addPair(zpk.poles, {-std::sin(theta), std::cos(theta)});
    }
    if (order % 2)
        zpk.poles.emplace_back(-1.0, 0.0);
    zpk.gain = 1;  // every pole is on the unit circle
    return zpk;
}

Zpk chebyshevPrototype(int order, double rippleDb)
{
    const double epsilonSquared = powerRatioMinusOne(rippleDb);
    const double mu = std::asinh(1 / std::sqrt(epsilonSquared)) / order;
    Zpk zpk;
    for (int k = 1; 2 * k <= order; ++k)
        addPair(zpk.poles, chebyshevPole(k, order, mu));
    if (order % 2)
        zpk.poles.emplace_back(-std::sinh(mu), 0.0);
    zpk.gain = unitDcGain(zpk);
    // An even order starts at the bottom of a ripple.
    if (order % 2 == 0)
        zpk.gain /= std::sqrt(1 + epsilonSquared);
    return zpk;
}

Zpk inverseChebyshevPrototype(int order, double attenuationDb)
{
    // The reciprocals of a Chebyshev prototype's poles and of its passband's ripple peaks, with the
    // stopband's ripple factor 1 / epsilon_s in place of epsilon: equiripple at -attenuationDb above 1.
    const double mu = std::asinh(std::sqrt(powerRatioMinusOne(attenuationDb))) / order;
    Zpk zpk;
    for (int k = 1; 2 * k <= order; ++k) {
        addPair(zpk.poles, std::conj(1.0 / chebyshevPole(k, order, mu)));
        const double theta = (2 * k - 1) * std::numbers::pi / (2 * order);
        addPair(zpk.zeros, {0.0, 1 / std::cos(theta)});
    }
    if (order % 2)
        zpk.poles.emplace_back(-1 / std::sinh(mu), 0.0);
    zpk.gain = unitDcGain(zpk);
    return zpk;
}

std::optional<Zpk> lowPassPrototype(Approximation approximation, int order, double rippleDb, double attenuationDb)
{
    if (order < kMinOrder || order > kMaxOrder)
        return std::nullopt;
    const bool rippleOk = std::isfinite(rippleDb) && rippleDb > 0;
    const bool attenuationOk = std::isfinite(attenuationDb) && attenuationDb > 0;
    switch (approximation) {
    case Approximation::Butterworth:
        return butterworthPrototype(order);
    case Approximation::Chebyshev:
        return rippleOk ? std::optional(chebyshevPrototype(order, rippleDb)) : std::nullopt;
    case Approximation::Bessel:
        return besselPrototype(order);
    case Approximation::InverseChebyshev:
        return attenuationOk ? std::optional(inverseChebyshevPrototype(order, attenuationDb)) : std::nullopt;
    case Approximation::Elliptic:
        if (!rippleOk || !attenuationOk || attenuationDb <= rippleDb)
            return std::nullopt;
        return ellipticPrototype(order, rippleDb, attenuationDb);
    }
    return std::nullopt;
}

}  // namespace torvel::approx
