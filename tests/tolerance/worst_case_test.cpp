// The worst case: every corner of a section, the extremes the loop's formulas give in closed form, and a
// whole filter's envelope from its sections' own corners against the exhaustive corners of the filter.
#include "cascade/cascade.h"
#include "cascade/cascade_response.h"
#include "designed_sections.h"
#include "design/response_formulas.h"
#include "tolerance/worst_case.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvel::tolerance {
namespace {

using testing::designedOfType;
using testing::typeName;

Tolerances tolerances(double resistor, double capacitor)
{
    Tolerances t;
    t.resistor = resistor;
    t.capacitor = capacitor;
    return t;
}

TEST(WorstCase, EveryCornerOfTheLayoutsParts)
{
    const struct {
        FilterType type;
        std::int64_t corners;
    } rows[] = {{FilterType::Lpf, 256}, {FilterType::Bpf, 256}, {FilterType::Hpf, 4096}, {FilterType::TzfLow, 4096},
                {FilterType::Notch, 2048}, {FilterType::Apf, 2048}};
    for (const auto& row : rows) {
        const SectionWorstCase w = sectionWorstCase(designedOfType(row.type), tolerances(0.01, 0.05), {});
        EXPECT_EQ(w.corners, row.corners) << typeName(row.type);
        for (Figure f : kAllFigures) {
            const FigureExtremes& e = w.of(f);
            if (!hasFigure(w.form, f)) {
                EXPECT_TRUE(std::isnan(e.low)) << typeName(row.type);
                continue;
            }
            EXPECT_LT(e.low, e.nominal) << typeName(row.type) << " " << figureName(f);
            EXPECT_GT(e.high, e.nominal) << typeName(row.type) << " " << figureName(f);
        }
    }
    // Parts without a tolerance stay put: only the two capacitors vary.
    EXPECT_EQ(sectionWorstCase(designedOfType(FilterType::Hpf), tolerances(0, 0.05), {}).corners, 4);
}

TEST(WorstCase, LowPassExtremesAreTheLoopFormulasAtTheirCorners)
{
    // fo ~ sqrt(R6 / (C1 C2 R2 R3 R5)), Q ~ R1 sqrt(R6 C1 / (R2 C2 R3 R5)), H = R3 / R4: each figure is a
    // product of powers, so its extremes put every part at the end its exponent's sign asks for.
    const double r = 0.01, c = 0.05;
    const cascade::SectionCircuit lpf = designedOfType(FilterType::Lpf);
    const SectionWorstCase w = sectionWorstCase(lpf, tolerances(r, c), {});
    const Figures n = sectionFigures(lpf, {});
    const struct {
        Figure figure;
        double high, low;
    } rows[] = {
        {Figure::Fo, std::sqrt((1 + r) / (std::pow(1 - c, 2) * std::pow(1 - r, 3))),
         std::sqrt((1 - r) / (std::pow(1 + c, 2) * std::pow(1 + r, 3)))},
        {Figure::Q, (1 + r) * std::sqrt((1 + r) * (1 + c) / (std::pow(1 - r, 3) * (1 - c))),
         (1 - r) * std::sqrt((1 - r) * (1 - c) / (std::pow(1 + r, 3) * (1 + c)))},
        {Figure::H, (1 + r) / (1 - r), (1 - r) / (1 + r)},
    };
    for (const auto& row : rows) {
        EXPECT_NEAR(w.of(row.figure).high, n[row.figure] * row.high, 1e-12 * n[row.figure]) << figureName(row.figure);
        EXPECT_NEAR(w.of(row.figure).low, n[row.figure] * row.low, 1e-12 * n[row.figure]) << figureName(row.figure);
    }
}

cascade::Cascade thirdOrderLowPass()
{
    cascade::CascadeRequest r;
    r.filter.kind = approx::ResponseKind::LowPass;
    r.filter.approximation = approx::Approximation::Chebyshev;
    r.filter.order = 3;
    r.filter.fcHz = 1000;
    r.filter.rippleDb = 0.5;
    cascade::CascadeResult result = cascade::designCascade(r);
    EXPECT_TRUE(result.cascade.has_value()) << result.error;
    return *result.cascade;
}

TEST(WorstCase, FilterEnvelopeIsTheExhaustiveEnvelopeOfAllTheFiltersCorners)
{
    // A first-order section (C1, R1, R4) and a low-pass loop (eight parts): 2^11 corners of the whole
    // filter, few enough to try every one and compare with the sum of the sections' own extremes.
    const cascade::Cascade filter = thirdOrderLowPass();
    ASSERT_EQ(filter.sections.size(), 2u);
    const Tolerances t = tolerances(0.02, 0.1);
    const std::vector<double> f = {50, 700, 1000, 1150, 1500, 4000};
    const CascadeWorstCase worst = cascadeWorstCase(filter, t, {}, f, std::nullopt);

    std::vector<double> low(f.size(), INFINITY), high(f.size(), -INFINITY);
    const cascade::SectionCircuit& first = filter.sections[0].circuit;
    const cascade::SectionCircuit& second = filter.sections[1].circuit;
    const std::vector<int> firstParts = {0, 2, 5};  // C1, R1, R4
    const std::vector<int> secondParts = {0, 1, 2, 3, 4, 5, 6, 7};  // C1, C2, R1 ... R6
    for (int corner = 0; corner < 1 << 11; ++corner) {
        PartValues a = partValues(first), b = partValues(second);
        int bit = 0;
        for (int slot : firstParts)
            a[static_cast<std::size_t>(slot)] *= (corner >> bit++ & 1) ? 1 + t.of(slot) : 1 - t.of(slot);
        for (int slot : secondParts)
            b[static_cast<std::size_t>(slot)] *= (corner >> bit++ & 1) ? 1 + t.of(slot) : 1 - t.of(slot);
        const cascade::SectionCircuit ca = withParts(first, a), cb = withParts(second, b);
        for (std::size_t i = 0; i < f.size(); ++i) {
            const double level = 20 * std::log10(std::abs(cascade::sectionOutputs(ca, {}, f[i])[0]
                                                           * cascade::sectionOutputs(cb, {}, f[i])[2]));
            low[i] = std::min(low[i], level);
            high[i] = std::max(high[i], level);
        }
    }
    for (std::size_t i = 0; i < f.size(); ++i) {
        // Two ways of summing the same logarithms: equal to rounding.
        EXPECT_NEAR(worst.envelope.lowDb[i], low[i], 1e-9) << f[i] << " Hz";
        EXPECT_NEAR(worst.envelope.highDb[i], high[i], 1e-9) << f[i] << " Hz";
        EXPECT_NEAR(worst.envelope.nominalDb[i], 20 * std::log10(std::abs(cascade::builtResponse(filter, {}, f[i]))), 1e-9);
    }
}

TEST(WorstCase, MaskIsMetOnlyWhileEveryCornerKeepsIt)
{
    cascade::CascadeRequest r;
    r.filter.kind = approx::ResponseKind::LowPass;
    r.filter.approximation = approx::Approximation::Butterworth;
    r.filter.mask = approx::Mask{1000, 3000, 0, 0, 3, 30};
    r.parts = {"∞", "∞", "4.7K"};  // no rounding: the built filter is the wanted one
    const cascade::CascadeResult designed = cascade::designCascade(r);
    ASSERT_TRUE(designed.cascade) << designed.error;
    const auto& mask = designed.cascade->request.filter.mask;
    ASSERT_TRUE(checkMask(*designed.cascade, *mask, {}).metBuilt);
    // The order found has room to spare in the stopband but none at the passband edge, where the
    // Butterworth fit puts exactly Ap: any tolerance at all can break it there.
    EXPECT_EQ(cascadeWorstCase(*designed.cascade, tolerances(0, 0), {}, {}, mask).maskMet, std::optional(true));
    EXPECT_EQ(cascadeWorstCase(*designed.cascade, tolerances(0.01, 0.05), {}, {}, mask).maskMet, std::optional(false));
    EXPECT_FALSE(cascadeWorstCase(*designed.cascade, tolerances(0.01, 0.05), {}, {}, std::nullopt).maskMet.has_value());
}

}  // namespace
}  // namespace torvel::tolerance
