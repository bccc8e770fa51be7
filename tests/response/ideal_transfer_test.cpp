// The closed-form transfer functions against the node-equation solver: every output of every type, for
// matched parts and for parts that break every relation the types rely on.
#include "design/circuit_response.h"
#include "design/ideal_transfer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace torvel {
namespace {

CircuitComponents parts(std::array<double, 10> r, double c1, double c2)
{
    CircuitComponents p;
    p.R = r;
    p.C1 = c1;
    p.C2 = c2;
    return p;
}

TEST(IdealTransfer, AgreesWithTheNodeEquationsForEveryTypeAndOutput)
{
    const struct {
        const char* name;
        CircuitComponents p;
    } sets[] = {
        {"matched", parts({20e3, 4.7e3, 4.7e3, 10e3, 4.7e3, 4.7e3, 20e3, 12e3, 10e3, 10e3}, 33e-9, 33e-9)},
        // R5 != R6, R9/R7 != R4/R1, unequal capacitors: nothing cancels.
        {"mismatched", parts({15e3, 3.3e3, 6.8e3, 2.2e3, 4.7e3, 9.1e3, 47e3, 5.6e3, 3.9e3, 27e3}, 10e-9, 22e-9)},
    };
    for (const auto& set : sets) {
        for (FilterType type : kAllFilterTypes) {
            const SectionTransfer t = idealTransfer(set.p, type);
            for (double f : {1.0, 120.0, 1e3, 2.2e3, 9e3, 1e6}) {
                const OutputVoltages solved = solveCircuit(set.p, type, {}, f);
                const std::complex<double> s(0, 2 * std::numbers::pi * f);
                for (int k = 0; k < 4; ++k) {
                    const std::complex<double> closed = t.output(k, s);
                    const std::complex<double> reference = solved[static_cast<std::size_t>(k)];
                    // The solver's LU and the polynomials round differently: a relative 1e-9 is far below
                    // anything a design shows, yet catches a wrong sign or a missing term at once.
                    EXPECT_LE(std::abs(closed - reference), 1e-9 * std::max(std::abs(reference), 1e-6))
                        << set.name << " " << filterTypeInfo(type).cliName << " V" << k + 1 << " at " << f << " Hz";
                }
            }
        }
    }
}

}  // namespace
}  // namespace torvel
