// The section's transfer functions with ideal op-amps, in closed form.
//
// With every inverting input held at 0 V the node equations solve by hand. With
//   D(s) = C1·R2·C2·R3·R5 s² + (R2·C2·R3·R5 / R1) s + R6,
// the four outputs per volt of input are
//   V1 = -(R2·C2·R3·R5 / R4) s / D        (A1, the band-pass)
//   V2 =  (R3·R5 / R4) / D                (A2, a low-pass)
//   V3 = -(R3·R6 / R4) / D                (A3, the inverted low-pass)
//   V4 = -R10 (1/R9 + V1/R7 + V8/R8)      (A4, R8 from A2 or A3 as the type says)
// The same polynomials serve any component set, matched or not, and evaluate far faster than solving the
// equations at each frequency, which whole filters of many sections need. The node-equation solver
// (circuit_response.h) remains the reference and the only model of real op-amps.
#pragma once

#include "design/circuit_response.h"

#include <array>
#include <complex>

namespace torvel {

/// c[0] + c[1] s + c[2] s^2.
struct Quadratic {
    std::array<double, 3> c{};
    std::complex<double> at(std::complex<double> s) const { return c[0] + s * (c[1] + s * c[2]); }
};

/// Every output over one denominator; outputs the layout lacks have a zero numerator.
struct SectionTransfer {
    std::array<Quadratic, 4> numerator;  // V1 ... V4
    Quadratic denominator;

    std::complex<double> output(int index, std::complex<double> s) const
    {
        return numerator[static_cast<std::size_t>(index)].at(s) / denominator.at(s);
    }
};

SectionTransfer idealTransfer(const CircuitComponents& parts, FilterType type);

}  // namespace torvel
