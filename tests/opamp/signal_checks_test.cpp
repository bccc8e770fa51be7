// The swing and slew checks: worked peaks of designed sections, the margins' signs at the limits, and
// an op-amp without limits.
#include "design/response_formulas.h"
#include "opamp/signal_checks.h"
#include "opamp_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace torvel {
namespace {

using opamp_test::synthesised;

OpAmpFigures limited(double swing, double slewVPerUs)
{
    OpAmpFigures spec;
    spec.railNegative = -swing;
    spec.railPositive = swing;
    spec.slewRate = slewVPerUs * 1e6;
    return spec;
}

TEST(SignalChecks, WorkedPeaksOfDesignedSections)
{
    // Band-pass, H = 2, ideal op-amps, unrounded: A1 peaks at fo with 2 x the input.
    const DesignRecord bpf = synthesised(FilterType::Bpf, 1000, 3, "∞", 2);
    SignalChecks checks = checkSignal(componentsOf(bpf), FilterType::Bpf, limited(15, 10), 0.5, 10, 100e3);
    EXPECT_NEAR(checks.outputs[0].peakV, 2 * 0.5, 1e-9);
    EXPECT_NEAR(checks.outputs[0].peakHz / bpf.ActualFo.value(), 1, 1e-6);
    EXPECT_NEAR(checks.outputs[0].swingMarginV, 15 - 1, 1e-9);

    // Low-pass, H = 1, Q = 3: A3 peaks at Q / sqrt(1 - 1/(4 Q^2)) = 3.0424 times the input, at
    // fo sqrt(1 - 1/(2 Q^2)) = 0.9718 fo.
    const DesignRecord lpf = synthesised(FilterType::Lpf, 1000, 3);
    checks = checkSignal(componentsOf(lpf), FilterType::Lpf, limited(15, 10), 1, 10, 100e3);
    EXPECT_NEAR(checks.outputs[2].peakV, LowPassPeakFactor(3).value(), 1e-9);
    EXPECT_NEAR(checks.outputs[2].peakHz / 1000, lowPassPeakFrequencyRatio(3).value(), 1e-6);

    // High-pass with ideal op-amps: the output stays at H up to the top of the range, so the slope it
    // needs is largest there: 2 pi 100 kHz x 1 V.
    const DesignRecord hpf = synthesised(FilterType::Hpf, 1000, 0.707);
    checks = checkSignal(componentsOf(hpf), FilterType::Hpf, limited(15, 10), 1, 10, 100e3);
    EXPECT_NEAR(checks.outputs[3].slewHz, 100e3, 1e-6 * 100e3);
    EXPECT_NEAR(checks.outputs[3].slewNeeded / (2 * std::numbers::pi * 100e3), 1, 1e-3);
}

TEST(SignalChecks, WarningsTurnOnExactlyAtTheLimits)
{
    const CircuitComponents parts = componentsOf(synthesised(FilterType::Lpf, 1000, 3, "24"));
    const OpAmpFigures spec = limited(5, 0.1);
    const SignalChecks perVolt = checkSignal(parts, FilterType::Lpf, spec, 1, 10, 100e3);
    ASSERT_EQ(perVolt.outputs.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const double clipsAt = 5 / perVolt.outputs[k].peakV;
        const double slewsAt = spec.slewRate / perVolt.outputs[k].slewNeeded;
        for (double factor : {0.999, 1.001}) {
            const SignalChecks atSwing = checkSignal(parts, FilterType::Lpf, spec, factor * clipsAt, 10, 100e3);
            EXPECT_EQ(atSwing.outputs[k].clips(), factor > 1) << "A" << k + 1 << " x" << factor;
            EXPECT_NEAR(atSwing.outputs[k].swingMarginV, 5 * (1 - factor), 1e-9);
            const SignalChecks atSlew = checkSignal(parts, FilterType::Lpf, spec, factor * slewsAt, 10, 100e3);
            EXPECT_EQ(atSlew.outputs[k].slews(), factor > 1) << "A" << k + 1 << " x" << factor;
        }
    }
    const SignalChecks loud = checkSignal(parts, FilterType::Lpf, spec, 10, 10, 100e3);
    ASSERT_FALSE(loud.warnings.empty());
    EXPECT_NE(loud.warnings[0].find("A1"), std::string::npos) << loud.warnings[0];
    EXPECT_NE(loud.warnings[0].find("振幅"), std::string::npos) << loud.warnings[0];
}

TEST(SignalChecks, AnOpAmpWithoutLimitsNeverWarns)
{
    const CircuitComponents parts = componentsOf(synthesised(FilterType::Notch, 1000, 2));
    const SignalChecks checks = checkSignal(parts, FilterType::Notch, OpAmpFigures{}, 100, 1, 1e6);
    EXPECT_TRUE(checks.warnings.empty());
    ASSERT_EQ(checks.outputs.size(), 4u);
    for (const OutputCheck& c : checks.outputs) {
        EXPECT_TRUE(std::isinf(c.swingMarginV));
        EXPECT_TRUE(std::isinf(c.slewMargin));
    }
}

}  // namespace
}  // namespace torvel
