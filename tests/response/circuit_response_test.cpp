// The node-equation solver against the closed formulas: where the components keep their type's relations
// and the op-amps are ideal, every output must peak where the peak-level report says, as high.
#include "design/circuit_response.h"
#include "design/model_session.h"
#include "design/response_formulas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace torvel {
namespace {

CircuitComponents designed(FilterType type, const char* Q, const char* fn)
{
    ModelSession s;
    s.panel.checkRadio(type);
    s.panel.setComboText(Combo::EvalE1, "∞");  // unrounded, so every relation holds exactly
    for (auto [field, text] : {std::pair{Field::H, "1"}, {Field::Fo, "1000"}, {Field::Q, Q}, {Field::Fn, fn}})
        s.panel.setFieldText(field, text);
    EXPECT_EQ(s.designer.synthesize().status, CommandStatus::Completed);
    return componentsOf(s.designer.record());
}

struct Expected {
    double frequencyHz;
    double levelDb;
};

// The peak-level report's formulas for each output of a matched circuit.
std::array<Expected, 4> reportedPeaks(const CircuitComponents& p, FilterType type)
{
    const double w0 = 1 / std::sqrt(p.r(2) * p.r(3) * p.C1 * p.C2 * p.r(5) / p.r(6));
    const double fo = w0 / (2 * std::numbers::pi);
    const double Q = p.r(1) * p.C1 * w0;
    const double b = LowPassPeakFactor(Q).value();
    const double lowPassF = fo * std::sqrt(1 - 1 / (2 * Q * Q));
    std::array<Expected, 4> peaks = {{{fo, 20 * std::log10(p.r(1) / p.r(4))},
                                      {lowPassF, 20 * std::log10(p.r(3) / p.r(4) * p.r(5) / p.r(6) * b)},
                                      {lowPassF, 20 * std::log10(p.r(3) / p.r(4) * b)},
                                      {0, 0}}};
    if (type == FilterType::Hpf) {
        peaks[3] = {fo / std::sqrt(1 - 1 / (2 * Q * Q)), 20 * std::log10(p.r(10) / p.r(9) * b)};
    } else if (type == FilterType::TzfLow || type == FilterType::TzfHigh) {
        const double ratio = p.r(3) / p.r(4) * p.r(9) / p.r(8);
        const double wn = type == FilterType::TzfLow ? w0 * std::sqrt(ratio * p.r(5) / p.r(6) + 1) : w0 * std::sqrt(1 - ratio);
        const double fn = wn / (2 * std::numbers::pi);
        double v = TzfPeakLevel(Q, fo, fn).value() * p.r(10) / p.r(9);
        if (wn > w0)
            v *= (wn / w0) * (wn / w0);
        peaks[3] = {TzfPeakFrequency(Q, fo, fn).value(), 20 * std::log10(v)};
    }
    return peaks;
}

struct PeakRow {
    const char* name;
    FilterType type;
    const char *Q, *fn;
};

class AgreesWithTheReport : public ::testing::TestWithParam<PeakRow> {};

TEST_P(AgreesWithTheReport, EveryOutputPeaksWhereAndAsHighAsReported)
{
    const PeakRow& row = GetParam();
    const CircuitComponents parts = designed(row.type, row.Q, row.fn);
    const std::array<Expected, 4> expected = reportedPeaks(parts, row.type);
    const int outputs = filterTypeInfo(row.type).hasA4 ? 4 : 3;
    for (int k = 0; k < outputs; ++k) {
        const ResponsePeak peak = findPeak(parts, row.type, OpAmpModel{}, k, 10, 100e3);
        EXPECT_NEAR(peak.levelDb, expected[static_cast<std::size_t>(k)].levelDb, 0.01) << "A" << k + 1;
        EXPECT_NEAR(peak.frequencyHz / expected[static_cast<std::size_t>(k)].frequencyHz, 1, 1e-3) << "A" << k + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(
    MatchedCircuits, AgreesWithTheReport,
    ::testing::Values(PeakRow{"lpf", FilterType::Lpf, "2", ""}, PeakRow{"bpf", FilterType::Bpf, "5", ""},
                      PeakRow{"hpf", FilterType::Hpf, "2", ""}, PeakRow{"tzf_low", FilterType::TzfLow, "2", "2000"},
                      PeakRow{"tzf_high", FilterType::TzfHigh, "2", "500"}),
    [](const ::testing::TestParamInfo<PeakRow>& row) { return std::string(row.param.name); });

TEST(CircuitResponse, MatchedTypesHaveTheirTransferFunctions)
{
    // Notch: zero transmission at fo; all-pass: flat magnitude at the passband gain.
    const CircuitComponents notch = designed(FilterType::Notch, "2", "");
    const double w0 = 1 / std::sqrt(notch.r(2) * notch.r(3) * notch.C1 * notch.C2);
    EXPECT_LT(std::abs(solveCircuit(notch, FilterType::Notch, {}, w0 / (2 * std::numbers::pi))[3]), 1e-9);

    const CircuitComponents allPass = designed(FilterType::Apf, "1", "");
    for (double f : {10.0, 300.0, 1000.0, 5000.0, 1e5})
        EXPECT_NEAR(std::abs(solveCircuit(allPass, FilterType::Apf, {}, f)[3]), 1.0, 1e-9) << f;

    // Low-pass gain at DC is R3/R4 at A3, inverted.
    const CircuitComponents lpf = designed(FilterType::Lpf, "0.7071", "");
    const auto dc = solveCircuit(lpf, FilterType::Lpf, {}, 1e-3);
    EXPECT_NEAR(dc[2].real(), -lpf.r(3) / lpf.r(4), 1e-6);
}

TEST(CircuitResponse, InverterGainScalesTheNaturalFrequency)
{
    // A3's gain R6/R5 enters the loop gain: R6 = 2 R5 moves the band-pass peak up by sqrt 2.
    CircuitComponents parts = designed(FilterType::Bpf, "5", "");
    const double before = findPeak(parts, FilterType::Bpf, {}, 0, 10, 100e3).frequencyHz;
    parts.R[5] = 2 * parts.R[4];
    const double after = findPeak(parts, FilterType::Bpf, {}, 0, 10, 100e3).frequencyHz;
    EXPECT_NEAR(after / before, std::sqrt(2.0), 1e-4);
}

TEST(CircuitResponse, RealOpAmpsRaiseQAndIdealLimitAgrees)
{
    CircuitComponents parts = designed(FilterType::Bpf, "10", "");
    // Scale to 10 kHz: the integrators' extra phase lag from a 1 MHz op-amp then matters.
    parts.C1 /= 10;
    parts.C2 /= 10;
    const double ideal = findPeak(parts, FilterType::Bpf, {}, 0, 100, 1e6).levelDb;
    const double slow = findPeak(parts, FilterType::Bpf, OpAmpModel{1e6, 1e5}, 0, 100, 1e6).levelDb;
    const double fast = findPeak(parts, FilterType::Bpf, OpAmpModel{1e13, 1e9}, 0, 100, 1e6).levelDb;
    EXPECT_GT(slow, ideal + 0.5);         // Q enhancement
    EXPECT_NEAR(fast, ideal, 1e-3);       // a near-ideal op-amp is the ideal one
}

TEST(CircuitResponse, CurvesAndGroupDelay)
{
    const CircuitComponents parts = designed(FilterType::Lpf, "0.7071", "");
    const ResponseCurves curves = frequencyResponse(parts, FilterType::Lpf, {}, 10, 100e3, 2000);
    ASSERT_EQ(curves.frequencyHz.size(), 2000u);
    EXPECT_NEAR(curves.frequencyHz.front(), 10, 1e-9);
    EXPECT_NEAR(curves.frequencyHz.back(), 100e3, 1e-6);
    EXPECT_EQ(curves.outputIndex, 2);
    // A second-order low-pass delays DC by 1/(w0 Q) ... here 2 Q/w0 ... : tau(0) = 1/(Q w0) * Q^2 ... use
    // the exact form for H = 1/(1 + s/(w0 Q) + s^2/w0^2): tau(0) = 1/(w0 Q).
    const double w0 = 1 / std::sqrt(parts.r(2) * parts.r(3) * parts.C1 * parts.C2);
    const double Q = parts.r(1) * parts.C1 * w0;
    EXPECT_NEAR(curves.outputGroupDelay.front() * w0 * Q, 1, 1e-3);
}

}  // namespace
}  // namespace torvel
