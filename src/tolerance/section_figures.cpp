#include "tolerance/section_figures.h"

#include "approx/polynomial_roots.h"
#include "design/filter_types.h"
#include "design/response_formulas.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <type_traits>
#include <vector>

namespace torvel::tolerance {
namespace {

using Complex = std::complex<double>;

// One row per filter type, in the types' order: where H is read and whether fn is a figure follow the
// type's own definitions (the notch's zero is a figure, the all-pass's mirrored zeros are not).
constexpr std::array<SectionForm, kFilterTypeCount> kForms = {{
    {2, 0, GainSense::Dc, false},             // LPF
    {2, 2, GainSense::HighFrequency, false},  // HPF
    {2, 1, GainSense::AtFo, false},           // BPF
    {2, 2, GainSense::Dc, true},              // TZF (Wo<Wn)
    {2, 2, GainSense::HighFrequency, true},   // TZF (Wn<Wo)
    {2, 2, GainSense::HighFrequency, true},   // Notch
    {2, 2, GainSense::HighFrequency, false},  // APF
}};

constexpr bool formsAgreeWithTypes()
{
    for (const FilterTypeInfo& info : kFilterTypes) {
        const SectionForm& form = kForms[static_cast<std::size_t>(info.type)];
        // A type with a zero of its own (or the notch, whose zero is fo) has fn; only the summing types
        // have two zeros.
        if (form.hasZeroFrequency != (info.hasZero || info.type == FilterType::Notch))
            return false;
        if ((form.zeros == 2) != info.hasA4)
            return false;
    }
    return true;
}
static_assert(formsAgreeWithTypes(), "a section form contradicts its filter type");

Polynomial<double> valuesOf(const Polynomial<double>& p) { return p; }
Polynomial<double> valuesOf(const Polynomial<Dual>& p)
{
    Polynomial<double> v;
    v.size = p.size;
    for (int k = 0; k < p.size; ++k)
        v[k] = p[k].value;
    return v;
}
Polynomial<double> slopesOf(const Polynomial<Dual>& p)
{
    Polynomial<double> v;
    v.size = p.size;
    for (int k = 0; k < p.size; ++k)
        v[k] = p[k].slope;
    return v;
}

// Every root; exact zero coefficients at the low end are roots at the origin, which the root finder
// does not take.
std::optional<std::vector<Complex>> rootsOf(const Polynomial<double>& p)
{
    int zeros = 0;
    while (zeros < p.size && p[zeros] == 0)
        ++zeros;
    std::vector<Complex> roots(static_cast<std::size_t>(zeros), Complex(0));
    if (p.size - zeros >= 2) {
        std::vector<double> c(p.c.begin() + zeros, p.c.begin() + p.size);
        const auto found = approx::polynomialRoots(c);
        if (!found)
            return std::nullopt;
        roots.insert(roots.end(), found->begin(), found->end());
    }
    return roots;
}

// The `count` roots nearest the origin, nearest first (a conjugate pair has one magnitude and stays
// together).
std::optional<std::vector<Complex>> nearestRoots(const Polynomial<double>& p, std::size_t count)
{
    std::optional<std::vector<Complex>> roots = rootsOf(p);
    if (!roots || roots->size() < count)
        return std::nullopt;
    std::stable_sort(roots->begin(), roots->end(), [](Complex a, Complex b) { return std::abs(a) < std::abs(b); });
    roots->resize(count);
    return roots;
}

// For p = Q R + r with Q = s^2 + b s + c: the remainder r and the matrix of d(r)/d(b, c) up to sign, so
// that a change dQ = db s + dc that makes Q a factor of p + dp solves
//   [v1 u1] [db]   [r1 + dp1]
//   [v0 u0] [dc] = [r0 + dp0],   with (u0, u1) = R mod Q, (v0, v1) = s R mod Q, dp the change of p mod Q.
struct FactorEquations {
    double r0 = 0, r1 = 0, u0 = 0, u1 = 0, v0 = 0, v1 = 0;
    std::pair<double, double> solve(double rhs0, double rhs1) const
    {
        const double det = v1 * u0 - u1 * v0;
        return {(rhs1 * u0 - u1 * rhs0) / det, (v1 * rhs0 - v0 * rhs1) / det};
    }
};

FactorEquations factorEquations(const Polynomial<double>& p, double b, double c)
{
    const QuadraticDivision<double> division = divideByQuadratic(p, b, c);
    const QuadraticDivision<double> u = divideByQuadratic(division.quotient, b, c);
    Polynomial<double> shifted;
    shifted.size = division.quotient.size + 1;
    for (int k = 0; k < division.quotient.size; ++k)
        shifted[k + 1] = division.quotient[k];
    const QuadraticDivision<double> v = divideByQuadratic(shifted, b, c);
    return {division.r0, division.r1, u.r0, u.r1, v.r0, v.r1};
}

// The op-amps' poles and zeros lie far above the section's own, so near fo the polynomial is nearly its
// three lowest terms, and their quadratic is within a few fo/GBW of the factor sought. Newton's method on
// the factor (Bairstow's) from there settles in a few steps, where finding every root takes many more:
// this is what keeps Monte Carlo runs with real op-amps fast. Anything that does not settle promptly, or
// settles far from the start (op-amps too slow for the section to have a dominant pair), goes to the root
// finder instead.
std::optional<std::pair<double, double>> factorFromLowestTerms(const Polynomial<double>& p)
{
    const double b0 = p[1] / p[2], c0 = p[0] / p[2];
    if (!(c0 > 0) || !std::isfinite(b0))
        return std::nullopt;
    double b = b0, c = c0;
    for (int step = 0; step < 12; ++step) {
        const FactorEquations e = factorEquations(p, b, c);
        const auto [db, dc] = e.solve(e.r0, e.r1);
        if (!std::isfinite(db) || !std::isfinite(dc))
            return std::nullopt;
        b += db;
        c += dc;
        const double scale = std::sqrt(c0);
        if (std::abs(db) <= 1e-14 * scale && std::abs(dc) <= 1e-14 * c0) {
            if (std::abs(b - b0) > 0.5 * scale || std::abs(c - c0) > 0.5 * c0)
                return std::nullopt;
            return std::pair{b, c};
        }
    }
    return std::nullopt;
}

template <typename T>
struct QuadraticFactor {
    T b, c;               // p = (s^2 + b s + c) cofactor
    Polynomial<T> cofactor;
};

// The factor of the two roots nearest the origin. Its coefficients stay smooth where the two roots meet
// (Q = 1/2), so their slopes come from the factor equations rather than from each root.
template <typename T>
std::optional<QuadraticFactor<T>> nearestQuadraticFactor(const Polynomial<T>& p)
{
    if (p.degree() < 2)
        return std::nullopt;
    if (p.degree() == 2)
        return QuadraticFactor<T>{p[1] / p[2], p[0] / p[2], Polynomial<T>{p[2]}};
    const Polynomial<double> values = valuesOf(p);
    double b = 0, c = 0;
    if (const auto fast = factorFromLowestTerms(values)) {
        std::tie(b, c) = *fast;
    } else {
        const auto roots = nearestRoots(values, 2);
        if (!roots)
            return std::nullopt;
        b = -((*roots)[0] + (*roots)[1]).real();
        c = ((*roots)[0] * (*roots)[1]).real();
        // Two Newton steps on the factor itself take the last rounding of the roots out of b and c.
        for (int step = 0; step < 2; ++step) {
            const FactorEquations e = factorEquations(values, b, c);
            const auto [db, dc] = e.solve(e.r0, e.r1);
            if (std::isfinite(db) && std::isfinite(dc)) {
                b += db;
                c += dc;
            }
        }
    }
    QuadraticFactor<T> f;
    if constexpr (std::is_same_v<T, Dual>) {
        const QuadraticDivision<double> slope = divideByQuadratic(slopesOf(p), b, c);
        const auto [db, dc] = factorEquations(values, b, c).solve(slope.r0, slope.r1);
        f.b = Dual(b, db);
        f.c = Dual(c, dc);
    } else {
        f.b = b;
        f.c = c;
    }
    f.cofactor = divideByQuadratic(p, f.b, f.c).quotient;
    return f;
}

template <typename T>
struct LinearFactor {
    T root;                // p = (s - root) cofactor
    Polynomial<T> cofactor;
};

template <typename T>
std::optional<LinearFactor<T>> nearestLinearFactor(const Polynomial<T>& p)
{
    if (p.degree() < 1)
        return std::nullopt;
    if (p.degree() == 1)
        return LinearFactor<T>{-p[0] / p[1], Polynomial<T>{p[1]}};
    const Polynomial<double> values = valuesOf(p);
    const auto roots = nearestRoots(values, 1);
    if (!roots)
        return std::nullopt;
    const double z = (*roots)[0].real();  // the circuit's single zero or pole is real
    LinearFactor<T> f;
    if constexpr (std::is_same_v<T, Dual>) {
        // p(z) = 0 moves with the parts as dp(z) + p'(z) dz = 0.
        Polynomial<double> derivative;
        derivative.size = values.size - 1;
        for (int k = 1; k < values.size; ++k)
            derivative[k - 1] = k * values[k];
        f.root = Dual(z, -evaluate(slopesOf(p), z).real() / evaluate(derivative, z).real());
    } else {
        f.root = z;
    }
    f.cofactor = divideByLinear(p, f.root);
    return f;
}

}  // namespace

std::string_view figureName(Figure figure)
{
    constexpr std::array<std::string_view, kFigureCount> kNames = {"fo", "Q", "H", "fn"};
    return kNames[static_cast<std::size_t>(figure)];
}

SectionForm sectionFormOf(FilterType type) { return kForms[static_cast<std::size_t>(type)]; }

SectionForm sectionForm(const cascade::SectionCircuit& circuit)
{
    if (circuit.type)
        return sectionFormOf(*circuit.type);
    return circuit.firstOrder.highPass ? SectionForm{1, 1, GainSense::HighFrequency, false}
                                       : SectionForm{1, 0, GainSense::Dc, false};
}

bool hasFigure(const SectionForm& form, Figure figure)
{
    switch (figure) {
    case Figure::Fo:
    case Figure::H: return true;
    case Figure::Q: return form.poles == 2;
    case Figure::Fn: return form.hasZeroFrequency;
    }
    return false;
}

template <typename T>
std::array<T, kFigureCount> figuresOf(const OutputPolynomials<T>& output, const SectionForm& form)
{
    using std::abs;
    using std::sqrt;
    const T nan = T(Figures::kNaN);
    std::array<T, kFigureCount> f = {nan, nan, nan, nan};
    const auto set = [&](Figure figure, T value) { f[static_cast<std::size_t>(figure)] = value; };

    // The dominant poles: D = (s^2 + b s + c) Rd, or (s + c) Rd for a first-order section.
    T b = nan, c = nan;
    Polynomial<T> rd;
    if (form.poles == 2) {
        const auto factor = nearestQuadraticFactor(output.denominator);
        if (!factor)
            return f;
        b = factor->b;
        c = factor->c;
        rd = factor->cofactor;
        set(Figure::Q, sqrt(c) / b);
    } else {
        const auto factor = nearestLinearFactor(output.denominator);
        if (!factor)
            return f;
        c = -factor->root;
        rd = factor->cofactor;
    }
    set(Figure::Fo, (form.poles == 2 ? sqrt(c) : c) / kTwoPi);

    // The section's own zeros: N = Zn Rn with Zn monic; zn0 = Zn(0).
    T zn0 = T(1);
    Polynomial<T> rn = output.numerator;
    if (form.zeros == 1) {
        const auto factor = nearestLinearFactor(output.numerator);
        if (!factor)
            return f;
        zn0 = -factor->root;
        rn = factor->cofactor;
    } else if (form.zeros == 2) {
        const auto factor = nearestQuadraticFactor(output.numerator);
        if (!factor)
            return f;
        zn0 = factor->c;
        rn = factor->cofactor;
        if (form.hasZeroFrequency)
            set(Figure::Fn, sqrt(zn0) / kTwoPi);
    }

    // The dominant part is K Zn / (s^2 + b s + c), the far part normalised to 1 at DC.
    const T k = rn.constant() / rd.constant();
    switch (form.gain) {
    case GainSense::Dc: set(Figure::H, abs(k * zn0 / c)); break;
    case GainSense::HighFrequency: set(Figure::H, abs(k)); break;
    case GainSense::AtFo: set(Figure::H, abs(k / b)); break;
    }
    return f;
}

template std::array<double, kFigureCount> figuresOf(const OutputPolynomials<double>&, const SectionForm&);
template std::array<Dual, kFigureCount> figuresOf(const OutputPolynomials<Dual>&, const SectionForm&);

Figures sectionFigures(const cascade::SectionCircuit& circuit, const OpAmpModel& opAmp)
{
    Figures out;
    out.values = figuresOf(outputPolynomials(circuit, opAmp), sectionForm(circuit));
    return out;
}

}  // namespace torvel::tolerance
