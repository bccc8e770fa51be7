// The whole built cascade's netlist through a real circuit simulator: its output must match the library's
// built response, with ideal op-amps and with single-pole ones, for every response kind.
#include "cascade/cascade_netlist.h"
#include "cascade/cascade_response.h"
#include "ngspice_ac.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace torvel::cascade {
namespace {

using approx::Approximation;
using approx::ResponseKind;

struct Row {
    const char* name;
    ResponseKind kind;
    Approximation approximation;
    int order;
    double fc, bandwidth, gbw;  // gbw 0: ideal op-amps
};

class CascadeNetlist : public ::testing::TestWithParam<Row> {};

TEST_P(CascadeNetlist, SimulatorAgreesWithTheBuiltResponse)
{
    const Row& row = GetParam();
    CascadeRequest r;
    r.filter.kind = row.kind;
    r.filter.approximation = row.approximation;
    r.filter.order = row.order;
    r.filter.fcHz = row.fc;
    r.filter.bandwidthHz = row.bandwidth;
    r.filter.rippleDb = 0.5;
    r.filter.attenuationDb = 60;
    const CascadeResult designed = designCascade(r);
    ASSERT_TRUE(designed.cascade) << designed.error;
    OpAmpModel opAmp;
    opAmp.gainBandwidthHz = row.gbw;

    const double from = row.fc / 30, to = row.fc * 30;
    const auto points = testing::simulateAc(cascadeNetlist(*designed.cascade, opAmp, from, to), {"out"}, 40, from, to);
    ASSERT_GT(points.size(), 100u);
    for (const testing::AcPoint& p : points) {
        const std::complex<double> theirs = p.voltages[0];
        const std::complex<double> ours = builtResponse(*designed.cascade, opAmp, p.frequency);
        const double ourDb = 20 * std::log10(std::abs(ours));
        // The simulator's "ideal" op-amps have a gain of 1e9, and deep in a stopband both sides lose
        // digits to cancellation: compare levels only down to 100 dB below the passband.
        if (ourDb < -100)
            continue;
        EXPECT_NEAR(20 * std::log10(std::abs(theirs)), ourDb, 0.01) << row.name << " at " << p.frequency << " Hz";
        const double phase = std::remainder(std::arg(theirs / ours) * 180 / std::numbers::pi, 360);
        EXPECT_NEAR(phase, 0, 0.1) << row.name << " at " << p.frequency << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Designs, CascadeNetlist,
    ::testing::Values(Row{"elliptic_lp5_ideal", ResponseKind::LowPass, Approximation::Elliptic, 5, 12e3, 0, 0},
                      Row{"elliptic_lp5_gbw", ResponseKind::LowPass, Approximation::Elliptic, 5, 12e3, 0, 3e6},
                      Row{"chebyshev_hp3_ideal", ResponseKind::HighPass, Approximation::Chebyshev, 3, 1e3, 0, 0},
                      Row{"elliptic_bp4_gbw", ResponseKind::BandPass, Approximation::Elliptic, 4, 10e3, 2e3, 10e6},
                      Row{"inverse_chebyshev_bs3", ResponseKind::BandStop, Approximation::InverseChebyshev, 3, 1e3, 500, 0}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace torvel::cascade
