// Runs a netlist through ngspice's AC analysis in batch mode, so that the tests can hold the library's
// numbers against a circuit simulator nobody here wrote.
#pragma once

#include <complex>
#include <string>
#include <vector>

namespace torvel::testing {

struct AcPoint {
    double frequency = 0;
    std::vector<std::complex<double>> voltages;  // one per node asked for, in that order
};

/// The voltages of `nodes` ("v1", "out") over an AC sweep of `pointsPerDecade` from `fromHz` to `toHz`;
/// the netlist's own analysis lines are replaced. Empty (with a test failure) when ngspice wrote nothing.
std::vector<AcPoint> simulateAc(const std::string& netlist, const std::vector<std::string>& nodes, int pointsPerDecade,
                                double fromHz, double toHz);

}  // namespace torvel::testing
