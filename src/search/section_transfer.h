// The section's transfer function in closed form, from the components as built.
//
// With ideal op-amps every inverting input sits at 0 V, and the node equations solve by hand:
//   D(s) = s^2 + d1 s + d0,  d1 = 1/(R1 C1),  d0 = R6 / (R5 R2 R3 C1 C2)
//   V1 = -(s / (R4 C1)) / D                       (A1, band-pass)
//   V2 = (1 / (R4 R2 C1 C2)) / D                  (A2)
//   V3 = -(R6/R5) / (R4 R2 C1 C2) / D             (A3, low-pass)
//   V4 = -(R10/R9) (s^2 + b1 s + b0) / D          (A4 sums R9 from IN, R7 from A1, R8 from A2 or A3)
//   b1 = d1 - R9 / (R7 R4 C1)
//   b0 = d0 + R9 / (R8 R4 R2 C1 C2)               (R8 from A2)
//   b0 = d0 - R9 R6 / (R5 R8 R4 R2 C1 C2)         (R8 from A3)
//   b0 = d0                                       (no R8)
// Nothing here assumes the relations a synthesis keeps (R5 = R6, R9/R7 = R4/R1, ...): where they do not
// hold, the numerator's s-term b1 no longer vanishes (or, in the all-pass, no longer equals -d1), and that
// residual is reported beside H, fo, Q and fn, which are read from the s^2 and constant terms as the
// analysis command reads them.
#pragma once

#include "design/circuit_response.h"
#include "design/filter_types.h"

#include <complex>

namespace torvel::search {

/// The filter's output per volt at the input: (n2 s^2 + n1 s + n0) / (s^2 + d1 s + d0), signs included.
struct SectionTransfer {
    double n2 = 0, n1 = 0, n0 = 0;
    double d1 = 0, d0 = 0;

    std::complex<double> at(double frequencyHz) const;
};

SectionTransfer sectionTransfer(const CircuitComponents& parts, FilterType type);

/// What the circuit realises, in the terms the panel uses. Frequencies in Hz.
struct SectionFigures {
    double H = 0;   // LPF: DC gain; BPF: gain at fo; TZF (Wo<Wn): DC gain; the others: high-frequency gain
    double fo = 0;  // sqrt(d0) / 2 pi
    double Q = 0;   // sqrt(d0) / d1
    double fn = 0;  // sqrt(n0 / n2) / 2 pi where the output has s^2 and constant terms; NaN otherwise
    /// The numerator's s-term as a share of the denominator's: |n1/n2| / d1, for the all-pass
    /// |n1/n2 + d1| / d1; 0 without the summing amplifier. It is 0 when the summing stage is balanced.
    double sTermResidual = 0;
    /// High-pass only: the constant term that should vanish, |n0/n2| / d0.
    double zeroResidual = 0;
};

SectionFigures sectionFigures(const SectionTransfer& transfer, FilterType type);

}  // namespace torvel::search
