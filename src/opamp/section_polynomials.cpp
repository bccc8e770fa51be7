#include "opamp/section_polynomials.h"

#include "design/filter_types.h"

#include <cmath>
#include <numbers>

namespace torvel {
namespace {

// The ideal loop's natural frequency, the reference that keeps z near 1 at fo.
double idealOmega(const CircuitComponents& p)
{
    return std::sqrt(p.r(6) / (p.r(5) * p.r(2) * p.r(3) * p.C1 * p.C2));
}

// The pair of `real` that the ideal circuit's quadratic turns into: Bairstow's method from the ideal pair,
// and where that does not settle on the pair nearest the origin (the op-amps' poles close by), every root.
std::optional<QuadraticFactor> followPair(const Polynomial& ideal, const Polynomial& real)
{
    const std::optional<QuadraticFactor> start = refinePair(ideal, {});
    if (!start)
        return std::nullopt;
    const std::optional<QuadraticFactor> pair = refinePair(real, *start);
    // Near a double real root (Q near 0.5) Bairstow may settle on one loop root and one op-amp pole, which
    // the dominance check tells.
    if (pair && pairIsDominant(real, *pair))
        return pair;
    return dominantPair(real);
}

}  // namespace

SectionPolynomials sectionPolynomials(const CircuitComponents& p, FilterType type, const OpAmpModel& opAmp,
                                      double omegaRef)
{
    const double scale = p.r(5);
    const auto g = [&](int n) { return scale / p.r(n); };
    // sC in units of the normalised conductances: z omegaRef C scale.
    const Polynomial c1{0, omegaRef * p.C1 * scale};
    const Polynomial c2{0, omegaRef * p.C2 * scale};
    const Polynomial e = opAmp.ideal()
        ? Polynomial{}
        : Polynomial{1 / opAmp.dcGain, omegaRef / (2 * std::numbers::pi * opAmp.gainBandwidthHz)};
    const auto constant = [](double k) { return Polynomial{k}; };

    SectionPolynomials out;
    out.omegaRef = omegaRef;
    const Polynomial d1 = constant(g(1)) + c1 + e * (constant(g(1) + g(3) + g(4)) + c1);
    const Polynomial d2 = c2 + e * (constant(g(2)) + c2);
    const Polynomial d3 = constant(g(6)) + e * constant(g(5) + g(6));
    out.loop = d1 * d2 * d3 + constant(g(2) * g(3) * g(5));
    // P V1 ... P V3: the loop outputs times the loop polynomial.
    out.numerator[0] = -g(4) * (d2 * d3);
    out.numerator[1] = (g(2) * g(4)) * d3;
    out.numerator[2] = constant(-g(2) * g(4) * g(5));

    const FilterTypeInfo& info = filterTypeInfo(type);
    if (info.hasA4) {
        const double g8 = info.r8From ? g(8) : 0;
        out.summing = constant(g(10)) + e * constant(g(7) + g8 + g(9) + g(10));
        Polynomial sum = g(9) * out.loop + g(7) * out.numerator[0];
        if (info.r8From)
            sum = sum + g8 * out.numerator[static_cast<std::size_t>(outputIndex(*info.r8From))];
        out.numerator[3] = -1.0 * sum;
    }
    return out;
}

NaturalFrequency naturalFrequency(const QuadraticFactor& pair, double omegaRef)
{
    const double w = std::sqrt(pair.v);
    return {w * omegaRef / (2 * std::numbers::pi), w / pair.u};
}

std::optional<NaturalFrequency> loopNaturalFrequency(const CircuitComponents& parts, const OpAmpModel& opAmp)
{
    const double omegaRef = idealOmega(parts);
    if (!(omegaRef > 0) || !std::isfinite(omegaRef))
        return std::nullopt;
    // The loop polynomial does not depend on the type: the layout's FilterType only adds A4.
    const Polynomial ideal = sectionPolynomials(parts, FilterType::Lpf, OpAmpModel{}, omegaRef).loop;
    const Polynomial loop = sectionPolynomials(parts, FilterType::Lpf, opAmp, omegaRef).loop;
    const std::optional<QuadraticFactor> pair = followPair(ideal, loop);
    if (!pair || !(pair->v > 0) || !(pair->u > 0))
        return std::nullopt;
    return naturalFrequency(*pair, omegaRef);
}

std::optional<NaturalFrequency> zeroNaturalFrequency(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp)
{
    const double omegaRef = idealOmega(parts);
    if (!filterTypeInfo(type).hasA4 || !(omegaRef > 0) || !std::isfinite(omegaRef))
        return std::nullopt;
    const Polynomial ideal = sectionPolynomials(parts, type, OpAmpModel{}, omegaRef).numerator[3];
    const Polynomial zeros = sectionPolynomials(parts, type, opAmp, omegaRef).numerator[3];
    if (ideal.degree() != 2)
        return std::nullopt;  // the high-pass: a double zero at the origin, no pair to follow
    const std::optional<QuadraticFactor> pair = followPair(ideal, zeros);
    if (!pair || !(pair->v > 0))
        return std::nullopt;
    return naturalFrequency(*pair, omegaRef);
}

bool sectionIsStable(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp)
{
    const double omegaRef = idealOmega(parts);
    const SectionPolynomials polynomials = sectionPolynomials(parts, type, opAmp, omegaRef);
    for (const Polynomial* p : {&polynomials.loop, &polynomials.summing}) {
        if (p->degree() == 0)
            continue;
        const std::vector<std::complex<double>> roots = polynomialRoots(*p);
        if (roots.empty())
            return false;
        for (std::complex<double> root : roots)
            if (!(root.real() < 0))
                return false;
    }
    return true;
}

}  // namespace torvel
