// The first-order section of one op-amp, for the real pole of an odd-order low-pass or high-pass filter.
//
//   low-pass   IN -R4- N1, R1 parallel C1 from N1 to OUT:   H(s) = -(R1/R4) / (1 + s R1 C1)
//   high-pass  IN -C1-R4- N1, R1 from N1 to OUT:            H(s) = -(R1/R4) s R4 C1 / (1 + s R4 C1)
// The low-pass is the loop's lossy integrator A1 without the loop; the high-pass is its dual. The names
// follow the loop's: R4 from the input, R1 in the feedback, C1 the capacitor. Like the loop's synthesis,
// C1 comes first from fo and the standard impedance, each value is rounded to its series at once, and
// later values are computed from the rounded earlier ones.
#pragma once

#include "design/circuit_response.h"

#include <complex>

namespace torvel::cascade {

struct FirstOrderParts {
    bool highPass = false;
    double C1 = 0, R1 = 0, R4 = 0;
};

/// Designs the section for natural frequency fo (Hz) and gain H (DC gain of the low-pass, high-frequency
/// gain of the high-pass), with the series sizes (0: no rounding) and the standard impedance.
FirstOrderParts designFirstOrder(bool highPass, double foHz, double H, int resistorSeries, int capacitorSeries,
                                 double standardImpedance);

/// The natural frequency and the gain in its own sense of the section as built.
double firstOrderFo(const FirstOrderParts& parts);
double firstOrderGain(const FirstOrderParts& parts);

/// The output per volt of input, with an ideal or a single-pole op-amp.
std::complex<double> firstOrderOutput(const FirstOrderParts& parts, const OpAmpModel& opAmp, double frequencyHz);

/// How the sources inside the section reach its output, for noise analysis, as the second-order
/// section's `sourceTransfers` gives them (entries of A1 only). With the input branch's admittance Yi
/// (G4, or sC1 / (1 + s R4 C1) for the high-pass) and the feedback's Yf (G1 + sC1, or G1), the inverting
/// node's balance gives Vout = -(Yi Vin + I) Z + (Yi + Yf) Z Vp with Z = 1 / (Yf + (Yi + Yf) / A): I a
/// current into the node, Vp a voltage in series with the non-inverting input. A voltage in series with
/// R4 acts as the input does.
SourceTransfers firstOrderSourceTransfers(const FirstOrderParts& parts, const OpAmpModel& opAmp, double frequencyHz);

}  // namespace torvel::cascade
