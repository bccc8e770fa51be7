// The op-amp checks and the noise of whole filters: the gain sharing seen through the checks (every
// section's output peaks at the filter's gain), one section as the section's own check, worked noise of
// the first-order sections, and the passband the noise total defaults to.
#include "cascade/gain_split.h"
#include "opamp/cascade_checks.h"
#include "opamp/cascade_noise.h"
#include "opamp/signal_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace torvel {
namespace {

using approx::Approximation;
using approx::ResponseKind;

constexpr double kFourKT = 4 * kBoltzmann * kNoiseTemperature;

cascade::Cascade designed(ResponseKind kind, Approximation approximation, int order, double fc, double bandwidth = 0,
                          double gain = 1, const char* resistors = "24")
{
    cascade::CascadeRequest r;
    r.filter.kind = kind;
    r.filter.approximation = approximation;
    r.filter.order = order;
    r.filter.fcHz = fc;
    r.filter.bandwidthHz = bandwidth;
    r.filter.rippleDb = 0.5;
    r.filter.attenuationDb = 50;
    r.filter.gain = gain;
    r.parts = {resistors, "6", "4.7K"};
    cascade::CascadeResult result = cascade::designCascade(r);
    EXPECT_TRUE(result.cascade) << result.error;
    return std::move(*result.cascade);
}

cascade::Cascade fromMask(ResponseKind kind, approx::Mask mask)
{
    cascade::CascadeRequest r;
    r.filter.kind = kind;
    r.filter.approximation = Approximation::Chebyshev;
    r.filter.mask = mask;
    cascade::CascadeResult result = cascade::designCascade(r);
    EXPECT_TRUE(result.cascade) << result.error;
    return std::move(*result.cascade);
}

TEST(CascadeChecks, EverySectionsOutputPeaksAtTheFiltersGain)
{
    // The gain is shared so that the op-amp driving the next section rises to G and no higher; with
    // unrounded resistors (capacitors rounded first, resistors computed from them) the built sections
    // are the wanted ones, so along the cascade each of those outputs peaks at G times the input. The
    // parts are read back from the panel's field texts, five significant digits each: a few 1e-5.
    const struct {
        const char* name;
        ResponseKind kind;
        Approximation approximation;
        int order;
        double fc, bandwidth;
    } rows[] = {
        {"chebyshev_lp5", ResponseKind::LowPass, Approximation::Chebyshev, 5, 1e3, 0},
        {"butterworth_hp4", ResponseKind::HighPass, Approximation::Butterworth, 4, 300, 0},
        {"elliptic_bp4", ResponseKind::BandPass, Approximation::Elliptic, 4, 10e3, 2e3},
    };
    for (const auto& row : rows) {
        const cascade::Cascade c = designed(row.kind, row.approximation, row.order, row.fc, row.bandwidth, 2, "∞");
        const auto [lowest, highest] = cascade::sectionFrequencyRange(c.design);
        const CascadeSignalChecks checks = checkCascadeSignal(c, OpAmpFigures{}, 0.5, lowest * 1e-3, highest * 1e3);
        std::size_t outputsChecked = 0;
        for (const CascadeOutputCheck& o : checks.outputs) {
            if (outputIndex(o.check.amplifier) != c.sections[static_cast<std::size_t>(o.section)].circuit.outputIndex())
                continue;
            EXPECT_NEAR(o.check.peakV / (0.5 * 2), 1, 2e-4) << row.name << " section " << o.section + 1;
            ++outputsChecked;
        }
        EXPECT_EQ(outputsChecked, c.sections.size()) << row.name;
        EXPECT_TRUE(checks.warnings.empty()) << row.name;  // an ideal op-amp has no limits
    }
}

TEST(CascadeChecks, OneSectionIsTheSectionsOwnCheck)
{
    // A second-order low-pass is one LPF section: the cascade's checks are the section's, whose warnings
    // name the section too.
    const cascade::Cascade c = designed(ResponseKind::LowPass, Approximation::Chebyshev, 2, 1e3);
    ASSERT_EQ(c.sections.size(), 1u);
    const cascade::SectionCircuit& circuit = c.sections[0].circuit;
    OpAmpFigures spec;
    spec.gainBandwidthHz = 300e3;
    spec.railNegative = -2;
    spec.railPositive = 2;
    spec.slewRate = 0.01e6;
    const SignalChecks section = checkSignal(circuit.parts, *circuit.type, spec, 3, 10, 100e3);
    const CascadeSignalChecks whole = checkCascadeSignal(c, spec, 3, 10, 100e3);
    ASSERT_EQ(whole.outputs.size(), section.outputs.size());
    for (std::size_t k = 0; k < section.outputs.size(); ++k) {
        EXPECT_EQ(whole.outputs[k].section, 0);
        EXPECT_NEAR(whole.outputs[k].check.peakV / section.outputs[k].peakV, 1, 1e-9) << k;
        EXPECT_NEAR(whole.outputs[k].check.peakHz / section.outputs[k].peakHz, 1, 1e-6) << k;
        EXPECT_NEAR(whole.outputs[k].check.slewNeeded / section.outputs[k].slewNeeded, 1, 1e-9) << k;
    }
    ASSERT_EQ(whole.warnings.size(), section.warnings.size());
    ASSERT_FALSE(whole.warnings.empty());
    EXPECT_EQ(whole.warnings[0].rfind("第1段 A1 の出力が振幅の限界を超えます", 0), 0u) << whole.warnings[0];
}

TEST(CascadeNoise, WorkedFirstOrderSections)
{
    // One op-amp, input admittance Yi, feedback Yf, an ideal op-amp (Z = 1/Yf). Per Hz at the output:
    //   R4 (in series with the input) 4kT R4 |Yi/Yf|^2, R1 (a current into the node) 4kT/R1 |1/Yf|^2,
    //   en |(Yi + Yf)/Yf|^2 en^2, in |1/Yf|^2 in^2.
    // Low-pass: Yi = 1/R4, Yf = 1/R1 + jwC1. High-pass: Yi = jwC1 / (1 + jw R4 C1), Yf = 1/R1.
    OpAmpFigures spec;
    spec.voltageNoise = 5e-9;
    spec.currentNoise = 1e-12;
    for (ResponseKind kind : {ResponseKind::LowPass, ResponseKind::HighPass}) {
        const cascade::Cascade c = designed(kind, Approximation::Butterworth, 1, 1e3, 0, 3);
        ASSERT_TRUE(c.sections[0].circuit.isFirstOrder());
        const cascade::FirstOrderParts& p = c.sections[0].circuit.firstOrder;
        const std::vector<NoiseSection> sections = cascadeNoiseSections(c, spec);
        NoiseSettings settings;
        settings.fromHz = 10;
        settings.toHz = 100e3;
        settings.points = 5;
        const NoiseResult noise = outputNoise(sections, settings);
        for (std::size_t i = 0; i < noise.frequencyHz.size(); ++i) {
            const std::complex<double> s(0, 2 * std::numbers::pi * noise.frequencyHz[i]);
            const bool high = kind == ResponseKind::HighPass;
            const std::complex<double> yi = high ? s * p.C1 / (1.0 + s * p.R4 * p.C1) : 1 / p.R4;
            const std::complex<double> yf = high ? 1 / p.R1 : 1 / p.R1 + s * p.C1;
            const double expected = std::sqrt(kFourKT * p.R4 * std::norm(yi / yf) + kFourKT / p.R1 * std::norm(1.0 / yf)
                                              + std::norm((yi + yf) / yf) * 25e-18 + std::norm(1.0 / yf) * 1e-24);
            EXPECT_NEAR(noise.density[i] / expected, 1, 1e-9) << (high ? "high-pass " : "low-pass ") << noise.frequencyHz[i];
        }
        EXPECT_EQ(noise.sources.size(), 4u);  // R1, R4, A1 en, A1 in
    }
}

TEST(CascadeNoise, TheDefaultBandIsThePassband)
{
    const auto band = [](const cascade::Cascade& c) { return passbandOf(c); };
    // Low-pass from its mask: a thousandth of fp up to fp.
    NoiseBand b = band(fromMask(ResponseKind::LowPass, {1e3, 2e3, 0, 0, 1, 40}));
    EXPECT_DOUBLE_EQ(b.lowHz, 1);
    EXPECT_DOUBLE_EQ(b.highHz, 1e3);
    // High-pass by order: fc up to a thousand times fc.
    b = band(designed(ResponseKind::HighPass, Approximation::Butterworth, 3, 300));
    EXPECT_DOUBLE_EQ(b.lowHz, 300);
    EXPECT_DOUBLE_EQ(b.highHz, 300e3);
    // Band-pass by order: the edges lie geometrically about the centre, a bandwidth apart.
    b = band(designed(ResponseKind::BandPass, Approximation::Butterworth, 2, 1e3, 500));
    EXPECT_NEAR(b.lowHz * b.highHz, 1e6, 1e-6);
    EXPECT_NEAR(b.highHz - b.lowHz, 500, 1e-9);
    // Band-stop from its mask: both passbands and the stopband between them.
    b = band(fromMask(ResponseKind::BandStop, {40, 48, 60, 52, 1, 30}));
    EXPECT_NEAR(b.lowHz, 40e-3, 1e-12);
    EXPECT_GE(b.highHz, 60e3);  // the mask is made symmetric by widening a passband edge, never narrowing it
}

}  // namespace
}  // namespace torvel
