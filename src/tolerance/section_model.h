// A section's transfer functions as ratios of polynomials in s, from its node equations, for ideal and
// for single-pole op-amps.
//
// An op-amp with grounded + input and open-loop gain A(s) = A0 / (1 + s A0 / wt) holds its - input at
// -V/A, so each stage's current balance gives its output in terms of the stage before it, with
// 1/A = 1/A0 + s/wt (exactly 0 for an ideal op-amp). With G = 1/R:
//   A1  V1 a1 = -G4 Vin - G3 V3,   a1 = G1 + sC1 + (G4 + G1 + sC1 + G3)/A
//   A2  V2 a2 = -G2 V1,            a2 = sC2 + (G2 + sC2)/A
//   A3  V3 a3 = -G5 V2,            a3 = G6 + (G5 + G6)/A
//   A4  V4 a4 = -(G9 Vin + G7 V1 + G8 V8),  a4 = G10 + (G7 + G8 + G9 + G10)/A
// and with P = a1 a2 a3 + G2 G3 G5 (the loop's characteristic polynomial)
//   V1 = -G4 a2 a3 / P,  V2 = G4 G2 a3 / P,  V3 = -G4 G2 G5 / P,
//   V4 = -(G9 P + G7 G4 (-a2 a3) + G8 N8) / (a4 P),   N8 the numerator of the output R8 comes from.
// Every output is returned over the common denominator a4 P. The first-order section of one op-amp,
// input admittance Yi and feedback admittance Yf, gives Vout = -Yi / (Yf + (Yi + Yf)/A); its high-pass
// form, with C1 and R4 in series at the input, is multiplied through by 1 + s R4 C1.
//
// These polynomials are exact for any parts, matched or not; with an ideal op-amp they reduce to the
// closed forms of design/ideal_transfer.h. They carry dual numbers as well as plain ones, which is how
// the sensitivities differentiate the figures.
#pragma once

#include "cascade/section_circuit.h"
#include "design/circuit_response.h"
#include "tolerance/polynomial.h"
#include "tolerance/section_parts.h"

namespace torvel::tolerance {

template <typename T>
struct SectionPolynomials {
    std::array<Polynomial<T>, 4> numerator;  // V1 ... V4; a first-order section has only V1
    Polynomial<T> denominator;
};

/// The node equations of `shape` (its type or order) with the parts `parts`.
template <typename T>
SectionPolynomials<T> nodeEquationPolynomials(const cascade::SectionCircuit& shape, const PartArray<T>& parts,
                                              const OpAmpModel& opAmp);

/// The section's output over its denominator.
template <typename T>
struct OutputPolynomials {
    Polynomial<T> numerator, denominator;
};

template <typename T>
OutputPolynomials<T> outputOf(const cascade::SectionCircuit& shape, const SectionPolynomials<T>& all)
{
    return {all.numerator[static_cast<std::size_t>(shape.outputIndex())], all.denominator};
}

/// The output of `circuit` as it stands: the closed forms for an ideal op-amp (fast enough for many
/// Monte Carlo runs), the node equations for single-pole ones.
OutputPolynomials<double> outputPolynomials(const cascade::SectionCircuit& circuit, const OpAmpModel& opAmp);

extern template SectionPolynomials<double> nodeEquationPolynomials(const cascade::SectionCircuit&, const PartArray<double>&,
                                                                   const OpAmpModel&);
extern template SectionPolynomials<Dual> nodeEquationPolynomials(const cascade::SectionCircuit&, const PartArray<Dual>&,
                                                                 const OpAmpModel&);

}  // namespace torvel::tolerance
