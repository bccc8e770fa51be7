// The closed-form transfer function is the circuit's: it agrees with the node-equation solver for any
// component set, matched or not.
#include "design/circuit_response.h"
#include "search/section_transfer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

namespace torvel::search {
namespace {

TEST(SectionTransfer, AgreesWithTheNodeEquationsForAnyComponents)
{
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> decade(0, 1);
    const auto resistor = [&] { return 1e3 * std::pow(1000.0, decade(random)); };
    const auto capacitor = [&] { return 100e-12 * std::pow(1e5, decade(random)); };
    for (int trial = 0; trial < 200; ++trial) {
        CircuitComponents parts;
        parts.C1 = capacitor();
        parts.C2 = capacitor();
        for (double& r : parts.R)
            r = resistor();
        const FilterType type = kAllFilterTypes[static_cast<std::size_t>(trial) % kFilterTypeCount];
        const SectionTransfer transfer = sectionTransfer(parts, type);
        const double fo = std::sqrt(transfer.d0) / (2 * M_PI);
        for (double f : {fo / 37, fo / 3, fo * 0.97, fo, fo * 1.6, fo * 11, fo * 90}) {
            const std::complex<double> solved = solveCircuit(parts, type, {}, f)[static_cast<std::size_t>(outputIndex(filterTypeInfo(type).output))];
            const std::complex<double> closed = transfer.at(f);
            // Relative to the response's size at that frequency; 1e-9 leaves the solver's pivoting its rounding.
            EXPECT_LE(std::abs(closed - solved), 1e-9 * std::abs(solved)) << filterTypeInfo(type).cliName << " trial " << trial << " at " << f;
        }
    }
}

}  // namespace
}  // namespace torvel::search
