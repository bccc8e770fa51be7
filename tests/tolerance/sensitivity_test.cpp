// Sensitivities against the classical results of the loop, against the sums that impedance and frequency
// scaling fix, and against central differences of figures read from the node-equation solver alone.
#include "approx/polynomial_roots.h"
#include "cascade/first_order_section.h"
#include "designed_sections.h"
#include "design/response_formulas.h"
#include "tolerance/sensitivity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace torvel::tolerance {
namespace {

using testing::designedOfType;
using testing::mismatchedOfType;
using testing::typeName;

int slotOf(Field f) { return static_cast<int>(f); }

const SensitivityRow* rowOf(const SectionSensitivities& s, Field part)
{
    for (const SensitivityRow& row : s.rows)
        if (row.slot == slotOf(part))
            return &row;
    return nullptr;
}

// With ideal op-amps every type shares the loop's denominator
//   fo = sqrt(R6 / (C1 C2 R2 R3 R5)) / 2 pi,   Q = R1 sqrt(R6 C1 / (R2 C2 R3 R5)),
// so each S is an exponent; R4 and the summing stage do not touch the loop.
TEST(Sensitivity, ClassicalExponentsOfTheLoopForEveryType)
{
    const struct {
        Field part;
        double fo, Q;
    } rows[] = {
        {Field::R1, 0, 1},        {Field::R2, -0.5, -0.5}, {Field::R3, -0.5, -0.5}, {Field::R4, 0, 0},
        {Field::R5, -0.5, -0.5},  {Field::R6, 0.5, 0.5},   {Field::C1, -0.5, 0.5},  {Field::C2, -0.5, -0.5},
    };
    for (FilterType type : kAllFilterTypes) {
        for (const cascade::SectionCircuit& circuit : {designedOfType(type), mismatchedOfType(type)}) {
            const SectionSensitivities s = sectionSensitivities(circuit, {});
            for (const auto& row : rows) {
                const SensitivityRow* found = rowOf(s, row.part);
                ASSERT_NE(found, nullptr);
                // Exponents come out of the dual numbers to the last bits or so.
                EXPECT_NEAR(found->of(Figure::Fo), row.fo, 1e-12) << typeName(type) << " " << fieldInfo(row.part).key;
                EXPECT_NEAR(found->of(Figure::Q), row.Q, 1e-12) << typeName(type) << " " << fieldInfo(row.part).key;
            }
        }
    }
}

TEST(Sensitivity, GainOfTheLowPassAndBandPassIsAResistorRatio)
{
    // LPF: H = R3/R4 (DC gain of A3); BPF: H = R1/R4 (A1's gain at fo).
    const SectionSensitivities lpf = sectionSensitivities(mismatchedOfType(FilterType::Lpf), {});
    EXPECT_NEAR(rowOf(lpf, Field::R3)->of(Figure::H), 1, 1e-12);
    EXPECT_NEAR(rowOf(lpf, Field::R4)->of(Figure::H), -1, 1e-12);
    EXPECT_NEAR(rowOf(lpf, Field::R6)->of(Figure::H), 0, 1e-12);
    const SectionSensitivities bpf = sectionSensitivities(mismatchedOfType(FilterType::Bpf), {});
    EXPECT_NEAR(bpf.rows.size(), 8u, 0);
    EXPECT_NEAR(rowOf(bpf, Field::R1)->of(Figure::H), 1, 1e-12);
    EXPECT_NEAR(rowOf(bpf, Field::R4)->of(Figure::H), -1, 1e-12);
    EXPECT_NEAR(rowOf(bpf, Field::C1)->of(Figure::H), 0, 1e-12);
}

TEST(Sensitivity, FirstOrderSectionsOfWholeFilters)
{
    // Low-pass: fo = 1 / (2 pi R1 C1), H = R1 / R4; high-pass: fo = 1 / (2 pi R4 C1), H = R1 / R4.
    const struct {
        bool highPass;
        Field part;
        double fo, H;
    } rows[] = {
        {false, Field::R1, -1, 1}, {false, Field::C1, -1, 0}, {false, Field::R4, 0, -1},
        {true, Field::R1, 0, 1},   {true, Field::C1, -1, 0},  {true, Field::R4, -1, -1},
    };
    for (const auto& row : rows) {
        const cascade::SectionCircuit circuit = cascade::firstOrderCircuit(cascade::designFirstOrder(row.highPass, 700, 2, 24, 6, 4700));
        const SectionSensitivities s = sectionSensitivities(circuit, {});
        ASSERT_EQ(s.rows.size(), 3u);
        const SensitivityRow* found = rowOf(s, row.part);
        ASSERT_NE(found, nullptr);
        const char* name = row.highPass ? "high-pass" : "low-pass";
        EXPECT_NEAR(found->of(Figure::Fo), row.fo, 1e-12) << name << " " << fieldInfo(row.part).key;
        EXPECT_NEAR(found->of(Figure::H), row.H, 1e-12) << name << " " << fieldInfo(row.part).key;
        EXPECT_TRUE(std::isnan(found->of(Figure::Q)));
    }
}

// Scaling every resistor by k and every capacitor by 1/k changes no transfer function (the op-amps are
// voltage sources with no impedance of their own), so for every figure the resistors' sensitivities sum
// to the capacitors'. Scaling the capacitors alone scales an ideal circuit's frequencies: fo and fn sum to
// -1 over the capacitors, H and Q to 0.
TEST(Sensitivity, SumsThatScalingFixes)
{
    for (FilterType type : kAllFilterTypes) {
        for (const OpAmpModel& opAmp : {OpAmpModel{}, OpAmpModel{1e6, 1e5}}) {
            const SectionSensitivities s = sectionSensitivities(designedOfType(type), opAmp, 1300.0);
            for (Figure f : kAllFigures) {
                if (!hasFigure(s.form, f))
                    continue;
                double resistors = 0, capacitors = 0;
                for (const SensitivityRow& row : s.rows)
                    (partClass(row.slot) == PartClass::Resistor ? resistors : capacitors) += row.of(f);
                const std::string where = typeName(type) + " " + std::string(figureName(f)) + (opAmp.ideal() ? " ideal" : " 1M");
                EXPECT_NEAR(resistors, capacitors, 1e-9) << where;
                if (opAmp.ideal()) {
                    const bool frequency = f == Figure::Fo || f == Figure::Fn;
                    EXPECT_NEAR(resistors, frequency ? -1 : 0, 1e-9) << where;
                    EXPECT_NEAR(capacitors, frequency ? -1 : 0, 1e-9) << where;
                }
            }
            double resistors = 0, capacitors = 0;
            for (const SensitivityRow& row : s.rows)
                (partClass(row.slot) == PartClass::Resistor ? resistors : capacitors) += row.level;
            EXPECT_NEAR(resistors, capacitors, 1e-9) << typeName(type) << " level";
        }
    }
}

TEST(Sensitivity, RowsAreSortedByMagnitudeAndCoverTheLayoutsParts)
{
    const struct {
        FilterType type;
        std::size_t parts;
    } rows[] = {{FilterType::Lpf, 8}, {FilterType::Bpf, 8}, {FilterType::Hpf, 12}, {FilterType::TzfLow, 12},
                {FilterType::TzfHigh, 12}, {FilterType::Notch, 11}, {FilterType::Apf, 11}};
    for (const auto& row : rows) {
        const SectionSensitivities s = sectionSensitivities(designedOfType(row.type), {});
        EXPECT_EQ(s.rows.size(), row.parts) << typeName(row.type);
        for (std::size_t k = 1; k < s.rows.size(); ++k)
            EXPECT_GE(s.rows[k - 1].largest(), s.rows[k].largest()) << typeName(row.type);
        const std::vector<SensitivityRow> byQ = sortedByFigure(s.rows, Figure::Q);
        EXPECT_EQ(byQ.front().slot, slotOf(Field::R1)) << typeName(row.type);  // Q goes with R1 to the first power
        for (std::size_t k = 1; k < byQ.size(); ++k)
            EXPECT_GE(std::abs(byQ[k - 1].of(Figure::Q)), std::abs(byQ[k].of(Figure::Q))) << typeName(row.type);
    }
}

// --- Figures from the solver alone ------------------------------------------------------------------
//
// For any op-amps V3 = -G4 G2 G5 / P, P the loop's characteristic polynomial, so 1/V3 is a polynomial
// whose roots are the circuit's poles. Its real part is the even part of P in x = (jw)^2 and its
// imaginary part jw times the odd part; both are fitted by least squares to the solver's 1/V3 at
// frequencies from a tenth of fo to beyond the op-amps' own poles. The output's numerator is V_out / V3
// times the same constant, a polynomial as long as the output is no summing op-amp's with a real
// op-amp. Roots are taken by the approximation layer's root finder, not by the code under test.

using Coefficients = std::vector<double>;

// Least squares by modified Gram-Schmidt on columns scaled to unit norm.
Coefficients leastSquares(std::vector<std::vector<double>> columns, std::vector<double> rhs)
{
    const std::size_t n = columns.size(), m = rhs.size();
    std::vector<double> scale(n);
    for (std::size_t j = 0; j < n; ++j) {
        double norm = 0;
        for (double v : columns[j])
            norm += v * v;
        scale[j] = std::sqrt(norm);
        for (double& v : columns[j])
            v /= scale[j];
    }
    std::vector<std::vector<double>> r(n, std::vector<double>(n, 0));
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < j; ++i) {
            double dot = 0;
            for (std::size_t k = 0; k < m; ++k)
                dot += columns[i][k] * columns[j][k];
            r[i][j] = dot;
            for (std::size_t k = 0; k < m; ++k)
                columns[j][k] -= dot * columns[i][k];
        }
        double norm = 0;
        for (double v : columns[j])
            norm += v * v;
        r[j][j] = std::sqrt(norm);
        for (double& v : columns[j])
            v /= r[j][j];
    }
    std::vector<double> qtb(n, 0);
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t k = 0; k < m; ++k)
            qtb[j] += columns[j][k] * rhs[k];
        for (std::size_t k = 0; k < m; ++k)
            rhs[k] -= qtb[j] * columns[j][k];
    }
    Coefficients x(n, 0);
    for (std::size_t j = n; j-- > 0;) {
        double sum = qtb[j];
        for (std::size_t i = j + 1; i < n; ++i)
            sum -= r[j][i] * x[i];
        x[j] = sum / r[j][j];
    }
    for (std::size_t j = 0; j < n; ++j)
        x[j] /= scale[j];
    return x;
}

// The polynomial of degree `degree` in s' = s / w0 whose values at j w'_k are `values`.
Coefficients fitPolynomial(const std::vector<double>& w, const std::vector<std::complex<double>>& values, int degree)
{
    // Even part from the real parts, odd part from the imaginary parts over w.
    Coefficients c(static_cast<std::size_t>(degree + 1), 0);
    for (int parity = 0; parity < 2; ++parity) {
        // Each equation weighted by the size of its rounding, |value| (over w for the odd part), so that the
        // large values far above fo do not drown the small ones near it.
        std::vector<double> weight;
        for (std::size_t i = 0; i < w.size(); ++i)
            weight.push_back((parity == 0 ? 1 : w[i]) / std::abs(values[i]));
        std::vector<std::vector<double>> columns;
        std::vector<int> powers;
        for (int k = parity; k <= degree; k += 2) {
            std::vector<double> column;
            for (std::size_t i = 0; i < w.size(); ++i)
                column.push_back(weight[i] * std::pow(-w[i] * w[i], (k - parity) / 2));
            columns.push_back(column);
            powers.push_back(k);
        }
        if (columns.empty())
            continue;
        std::vector<double> rhs;
        for (std::size_t i = 0; i < w.size(); ++i)
            rhs.push_back(weight[i] * (parity == 0 ? values[i].real() : values[i].imag() / w[i]));
        const Coefficients fitted = leastSquares(columns, rhs);
        for (std::size_t k = 0; k < powers.size(); ++k)
            c[static_cast<std::size_t>(powers[k])] = fitted[k];
    }
    return c;
}

std::vector<std::complex<double>> sortedRoots(const Coefficients& c)
{
    std::vector<std::complex<double>> roots;
    std::size_t zeros = 0;
    while (zeros < c.size() && c[zeros] == 0)
        ++zeros;
    roots.assign(zeros, 0);
    if (c.size() - zeros >= 2) {
        const auto found = approx::polynomialRoots(Coefficients(c.begin() + static_cast<std::ptrdiff_t>(zeros), c.end()));
        EXPECT_TRUE(found.has_value());
        if (found)
            roots.insert(roots.end(), found->begin(), found->end());
    }
    std::stable_sort(roots.begin(), roots.end(), [](auto a, auto b) { return std::abs(a) < std::abs(b); });
    return roots;
}

// The figures of N/P (s' = s / w0) read from their roots: the dominant poles and zeros, the far ones
// normalised to 1 at DC.
Figures figuresFromRoots(const Coefficients& n, const Coefficients& p, const SectionForm& form, double w0)
{
    const auto poles = sortedRoots(p), zeros = sortedRoots(n);
    std::complex<double> k = n.back() / p.back();
    for (std::size_t i = 2; i < poles.size(); ++i)
        k /= -poles[i];
    for (std::size_t i = static_cast<std::size_t>(form.zeros); i < zeros.size(); ++i)
        k *= -zeros[i];
    const double c = (poles[0] * poles[1]).real(), b = -(poles[0] + poles[1]).real();
    double zn0 = 1;
    if (form.zeros == 1)
        zn0 = -zeros[0].real();
    else if (form.zeros == 2)
        zn0 = (zeros[0] * zeros[1]).real();
    Figures f;
    f[Figure::Fo] = std::sqrt(c) * w0 / kTwoPi;
    f[Figure::Q] = std::sqrt(c) / b;
    if (form.hasZeroFrequency)
        f[Figure::Fn] = std::sqrt(zn0) * w0 / kTwoPi;
    // In s' the gains at DC and at high frequency are what they are in s; the one at fo scales by w0.
    switch (form.gain) {
    case GainSense::Dc: f[Figure::H] = std::abs(k.real() * zn0 / c); break;
    case GainSense::HighFrequency: f[Figure::H] = std::abs(k.real()); break;
    case GainSense::AtFo: f[Figure::H] = std::abs(k.real() / b); break;
    }
    return f;
}

// Figures of `circuit` from solveCircuit alone; H and fn only where the output's numerator is a
// polynomial (NaN otherwise).
Figures solverFigures(const cascade::SectionCircuit& circuit, const OpAmpModel& opAmp, double w0)
{
    const FilterType type = *circuit.type;
    const int out = circuit.outputIndex();
    const bool numeratorIsPolynomial = opAmp.ideal() || !filterTypeInfo(type).hasA4;
    std::vector<double> w;
    std::vector<std::complex<double>> loop, numerator;
    for (int i = 0; i <= 40; ++i) {
        const double wk = std::pow(10.0, -1 + 4.5 * i / 40);
        const OutputVoltages v = solveCircuit(circuit.parts, type, opAmp, wk * w0 / kTwoPi);
        w.push_back(wk);
        loop.push_back(1.0 / v[2]);
        numerator.push_back(v[static_cast<std::size_t>(out)] / v[2]);
    }
    const int degree = opAmp.ideal() ? 2 : 5;  // three op-amp poles join the loop's two
    const Coefficients p = fitPolynomial(w, loop, degree);
    const SectionForm form = sectionFormOf(type);
    if (!numeratorIsPolynomial) {
        SectionForm loopOnly = form;
        loopOnly.zeros = 0;
        Figures f = figuresFromRoots({1}, p, loopOnly, w0);
        f[Figure::H] = Figures::kNaN;
        f[Figure::Fn] = Figures::kNaN;
        return f;
    }
    // V_out / V3 is the numerator over the same constant as 1/V3: its degree is the output's, the band-pass
    // gaining two from the op-amps' poles in A2 and A3.
    const int numeratorDegree = out == 2 ? 0 : form.zeros == 1 ? (opAmp.ideal() ? 1 : 3) : 2;
    const Coefficients n = fitPolynomial(w, numerator, numeratorDegree);
    Figures f = figuresFromRoots(n, p, form, w0);
    return f;
}

TEST(Sensitivity, AgreesWithCentralDifferencesOfTheSolversFigures)
{
    // The difference quotient of logarithms is exact for a pure power law and second-order accurate
    // otherwise; with a 0.1 % step its error is near 1e-7, the fit's rounding near 1e-10, both well
    // inside the 1e-4 asked for. Sensitivities that are 0 in theory are compared absolutely to 1e-6.
    constexpr double h = 1e-3;
    for (const OpAmpModel& opAmp : {OpAmpModel{}, OpAmpModel{1e6, 1e5}, OpAmpModel{2e5, 1e5}}) {
        for (FilterType type : kAllFilterTypes) {
            for (const cascade::SectionCircuit& circuit : {designedOfType(type), mismatchedOfType(type)}) {
                const double w0 = kTwoPi * sectionFigures(circuit, {})[Figure::Fo];
                const SectionSensitivities s = sectionSensitivities(circuit, opAmp);
                const Figures base = solverFigures(circuit, opAmp, w0);
                for (Figure f : kAllFigures) {
                    if (hasFigure(s.form, f) && !std::isnan(base[f])) {
                        EXPECT_NEAR(base[f], s.nominal[f], 1e-9 * std::abs(s.nominal[f]))
                            << typeName(type) << " " << figureName(f) << " gbw " << opAmp.gainBandwidthHz;
                    }
                }
                for (const SensitivityRow& row : s.rows) {
                    PartValues up = partValues(circuit), down = up;
                    up[static_cast<std::size_t>(row.slot)] *= 1 + h;
                    down[static_cast<std::size_t>(row.slot)] *= 1 - h;
                    const Figures a = solverFigures(withParts(circuit, up), opAmp, w0);
                    const Figures b = solverFigures(withParts(circuit, down), opAmp, w0);
                    for (Figure f : kAllFigures) {
                        if (!hasFigure(s.form, f) || std::isnan(a[f]))
                            continue;
                        const double difference = std::log(a[f] / b[f]) / std::log((1 + h) / (1 - h));
                        EXPECT_NEAR(row.of(f), difference, std::max(1e-4 * std::abs(difference), 1e-6))
                            << typeName(type) << " S(" << figureName(f) << ", " << partName(row.slot) << ") gbw "
                            << opAmp.gainBandwidthHz;
                    }
                }
            }
        }
    }
}

TEST(Sensitivity, AgreesWithCentralDifferencesOfTheModelWhereTheSolverGivesNoPolynomial)
{
    // H and fn of the summing types with real op-amps: A4's own pole makes V4/V3 no polynomial, so the
    // difference is taken of the figures of the node-equation polynomials, which the model test holds
    // against the solver at every frequency.
    constexpr double h = 1e-4;
    const OpAmpModel opAmp{1e6, 1e5};
    for (FilterType type : {FilterType::Hpf, FilterType::TzfLow, FilterType::TzfHigh, FilterType::Notch, FilterType::Apf}) {
        const cascade::SectionCircuit circuit = mismatchedOfType(type);
        const SectionSensitivities s = sectionSensitivities(circuit, opAmp, 700.0);
        for (const SensitivityRow& row : s.rows) {
            PartValues up = partValues(circuit), down = up;
            up[static_cast<std::size_t>(row.slot)] *= 1 + h;
            down[static_cast<std::size_t>(row.slot)] *= 1 - h;
            const cascade::SectionCircuit a = withParts(circuit, up), b = withParts(circuit, down);
            const Figures fa = sectionFigures(a, opAmp), fb = sectionFigures(b, opAmp);
            for (Figure f : {Figure::H, Figure::Fn}) {
                // These parts put the high-pass notch's zeros on the real axis: it has no fn.
                if (!hasFigure(s.form, f) || std::isnan(s.nominal[f]))
                    continue;
                const double difference = std::log(fa[f] / fb[f]) / std::log((1 + h) / (1 - h));
                EXPECT_NEAR(row.of(f), difference, std::max(1e-4 * std::abs(difference), 1e-6))
                    << typeName(type) << " S(" << figureName(f) << ", " << partName(row.slot) << ")";
            }
            const auto level = [&](const cascade::SectionCircuit& c) {
                return std::abs(solveCircuit(c.parts, type, opAmp, 700.0)[3]);
            };
            const double difference = std::log(level(a) / level(b)) / std::log((1 + h) / (1 - h));
            EXPECT_NEAR(row.level, difference, std::max(1e-4 * std::abs(difference), 1e-6))
                << typeName(type) << " level " << partName(row.slot);
        }
    }
}

}  // namespace
}  // namespace torvel::tolerance
