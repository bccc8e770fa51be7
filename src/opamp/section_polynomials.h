// The section's transfer functions as polynomials, from the node equations the solver uses.
//
// With an op-amp whose inverting input sits at -V/A(s), 1/A(s) = 1/A0 + s/wt (ideal: 0), each op-amp's
// node equation reduces to one factor:
//   D1 = (G1 + sC1) + e(s) (G1 + G3 + G4 + sC1)     A1, the lossy integrator
//   D2 = sC2 + e(s) (G2 + sC2)                       A2, the integrator
//   D3 = G6 + e(s) (G5 + G6)                         A3, the inverter
//   D4 = G10 + e(s) (G7 + G8 + G9 + G10)             A4, the summing amplifier
// and the loop closes on P = D1 D2 D3 + G2 G3 G5, so that per volt at the input
//   V1 = -G4 D2 D3 / P,  V2 = G2 G4 D3 / P,  V3 = -G2 G4 G5 / P,
//   V4 = -(G9 P + G7 P V1 + G8 P V(R8)) / (D4 P).
// P's two roots nearest the origin are the loop's fo and Q with that op-amp; the others are the op-amps'
// own poles. Frequencies are normalised to omegaRef (z = s / omegaRef) and conductances to R5, so that the
// coefficients stay near 1 whatever the impedance level.
#pragma once

#include "design/circuit_response.h"
#include "opamp/polynomial.h"

#include <array>
#include <optional>

namespace torvel {

struct SectionPolynomials {
    double omegaRef = 1;               // rad/s per unit of z
    Polynomial loop;                   // P
    Polynomial summing{1.0};           // D4; 1 where the layout has no A4
    std::array<Polynomial, 4> numerator;  // of V1 ... V4; V4's is 0 without A4

    /// The denominator of output k (0 ... 3): P, or D4 P for the summing amplifier.
    Polynomial denominator(int output) const { return output == 3 ? summing * loop : loop; }
};

SectionPolynomials sectionPolynomials(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp,
                                      double omegaRef);

/// fo (Hz) and Q of a pair of roots of a polynomial in z = s / omegaRef.
struct NaturalFrequency {
    double fo = 0;
    double Q = 0;
};
NaturalFrequency naturalFrequency(const QuadraticFactor& pair, double omegaRef);

/// The loop's fo and Q with this op-amp: the pair of P nearest the origin, followed from the ideal loop's
/// pair. Nothing when the two poles nearest the origin are not a pair (the op-amps' own poles have come
/// down among the loop's).
std::optional<NaturalFrequency> loopNaturalFrequency(const CircuitComponents& parts, const OpAmpModel& opAmp);

/// The summing stage's zero pair with this op-amp (fn, and Q of the zeros: infinite on the imaginary axis,
/// negative in the right half-plane), the pair nearest the origin followed from the ideal circuit's zeros. Nothing where the layout
/// has no zero pair.
std::optional<NaturalFrequency> zeroNaturalFrequency(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp);

/// Whether every root of P and of D4 lies in the left half-plane.
bool sectionIsStable(const CircuitComponents& parts, FilterType type, const OpAmpModel& opAmp);

}  // namespace torvel
