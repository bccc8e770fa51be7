// The section's polynomials against the node-equation solver: every output of every type, ideal and
// single-pole op-amps, designed and mismatched parts; the first-order sections against their formulas.
#include "cascade/built_section.h"
#include "cascade/first_order_section.h"
#include "design/response_formulas.h"
#include "designed_sections.h"
#include "tolerance/section_figures.h"
#include "tolerance/section_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvel::tolerance {
namespace {

using testing::designedOfType;
using testing::mismatchedOfType;
using testing::typeName;

std::complex<double> ratioAt(const Polynomial<double>& n, const Polynomial<double>& d, double f)
{
    const std::complex<double> s(0, kTwoPi * f);
    return evaluate(n, s) / evaluate(d, s);
}

TEST(SectionModel, EveryOutputAgreesWithTheNodeEquationSolver)
{
    const struct {
        const char* name;
        OpAmpModel opAmp;
    } models[] = {{"ideal", {}}, {"gbw 1M", {1e6, 1e5}}, {"gbw 100k, A0 1e4", {1e5, 1e4}}};
    for (const auto& model : models) {
        for (FilterType type : kAllFilterTypes) {
            for (const cascade::SectionCircuit& circuit : {designedOfType(type), mismatchedOfType(type)}) {
                const SectionPolynomials<double> p = nodeEquationPolynomials(circuit, partValues(circuit), model.opAmp);
                for (double f : {1.0, 120.0, 1e3, 2.2e3, 9e3, 1e5, 3e6}) {
                    const OutputVoltages solved = solveCircuit(circuit.parts, type, model.opAmp, f);
                    for (std::size_t k = 0; k < 4; ++k) {
                        const std::complex<double> reference = solved[k];
                        const std::complex<double> mine = ratioAt(p.numerator[k], p.denominator, f);
                        // The solver's LU and the polynomials round differently; 1e-9 is far below anything
                        // a design shows and catches any wrong term.
                        EXPECT_LE(std::abs(mine - reference), 1e-9 * std::max(std::abs(reference), 1e-6))
                            << model.name << " " << typeName(type) << " V" << k + 1 << " at " << f << " Hz";
                    }
                }
            }
        }
    }
}

TEST(SectionModel, IdealPolynomialsAreTheClosedForms)
{
    for (FilterType type : kAllFilterTypes) {
        const cascade::SectionCircuit circuit = mismatchedOfType(type);
        const SectionPolynomials<double> p = nodeEquationPolynomials(circuit, partValues(circuit), OpAmpModel{});
        // An ideal op-amp's 1/A is exactly 0: no higher power survives.
        EXPECT_EQ(p.denominator.degree(), 2) << typeName(type);
        const OutputPolynomials<double> closed = outputPolynomials(circuit, {});
        const Polynomial<double>& n = p.numerator[static_cast<std::size_t>(circuit.outputIndex())];
        for (double f : {10.0, 1e3, 1e5}) {
            const std::complex<double> a = ratioAt(n, p.denominator, f), b = ratioAt(closed.numerator, closed.denominator, f);
            EXPECT_LE(std::abs(a - b), 1e-12 * std::abs(b)) << typeName(type) << " at " << f;
        }
        const Figures fromClosed = sectionFigures(circuit, {});
        Figures fromNodes;
        fromNodes.values = figuresOf(OutputPolynomials<double>{n, p.denominator}, sectionForm(circuit));
        for (Figure fig : kAllFigures) {
            if (std::isnan(fromClosed[fig])) {
                EXPECT_TRUE(std::isnan(fromNodes[fig])) << typeName(type) << " " << figureName(fig);
                continue;
            }
            EXPECT_NEAR(fromNodes[fig], fromClosed[fig], 1e-12 * std::abs(fromClosed[fig])) << typeName(type) << " " << figureName(fig);
        }
    }
}

TEST(SectionModel, FiguresOfIdealCircuitsAreTheCalculatorsRealisedValues)
{
    // circuitFigures is how the calculator reads a built section; with ideal op-amps the dominant pair is
    // the whole denominator and the figures must be the same numbers.
    for (FilterType type : kAllFilterTypes) {
        const cascade::SectionCircuit circuit = designedOfType(type);
        const cascade::CircuitFigures expected = cascade::circuitFigures(circuit, cascade::sectionKindOf(type));
        const Figures mine = sectionFigures(circuit, {});
        EXPECT_NEAR(mine[Figure::Fo], expected.foHz, 1e-12 * expected.foHz) << typeName(type);
        EXPECT_NEAR(mine[Figure::Q], expected.Q, 1e-12 * expected.Q) << typeName(type);
        EXPECT_NEAR(mine[Figure::H], expected.H, 1e-12 * expected.H) << typeName(type);
        if (sectionFormOf(type).hasZeroFrequency)
            EXPECT_NEAR(mine[Figure::Fn], type == FilterType::Notch ? expected.foHz : expected.fnHz, 1e-9 * expected.foHz)
                << typeName(type);
        else
            EXPECT_TRUE(std::isnan(mine[Figure::Fn])) << typeName(type);
    }
}

TEST(SectionModel, SinglePoleOpAmpsRaiseQAndLeaveFoNearlyAlone)
{
    // The integrators' excess phase lag raises the loop's Q; by about 4 Q fo / GBW for a section like
    // this one (Q 2, 1 kHz, 1 MHz: +0.8 %, plus the A0 term).
    const cascade::SectionCircuit lpf = designedOfType(FilterType::Lpf);
    const Figures ideal = sectionFigures(lpf, {});
    const Figures real = sectionFigures(lpf, {1e6, 1e5});
    EXPECT_GT(real[Figure::Q], ideal[Figure::Q] * 1.004);
    EXPECT_LT(real[Figure::Q], ideal[Figure::Q] * 1.02);
    EXPECT_NEAR(real[Figure::Fo], ideal[Figure::Fo], 0.005 * ideal[Figure::Fo]);
    EXPECT_NEAR(real[Figure::H], ideal[Figure::H], 0.005 * ideal[Figure::H]);
}

TEST(SectionModel, FirstOrderSectionsAgreeWithTheirOwnResponse)
{
    for (bool highPass : {false, true}) {
        const cascade::FirstOrderParts parts = cascade::designFirstOrder(highPass, 1300, 2, 24, 6, 4700);
        const cascade::SectionCircuit circuit = cascade::firstOrderCircuit(parts);
        for (const OpAmpModel& opAmp : {OpAmpModel{}, OpAmpModel{1e6, 1e5}}) {
            const OutputPolynomials<double> p = outputPolynomials(circuit, opAmp);
            for (double f : {10.0, 1e3, 1e5}) {
                const std::complex<double> reference = cascade::firstOrderOutput(parts, opAmp, f);
                EXPECT_LE(std::abs(ratioAt(p.numerator, p.denominator, f) - reference), 1e-12 * std::abs(reference))
                    << (highPass ? "high-pass" : "low-pass") << " at " << f;
            }
        }
        const Figures figures = sectionFigures(circuit, {});
        EXPECT_NEAR(figures[Figure::Fo], cascade::firstOrderFo(parts), 1e-12 * cascade::firstOrderFo(parts));
        EXPECT_NEAR(figures[Figure::H], cascade::firstOrderGain(parts), 1e-12 * cascade::firstOrderGain(parts));
        EXPECT_TRUE(std::isnan(figures[Figure::Q]));
    }
}

}  // namespace
}  // namespace torvel::tolerance
