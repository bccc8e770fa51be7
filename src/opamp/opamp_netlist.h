// The op-amp as a SPICE subcircuit OPAMP (inp inn out), for the exported netlist: the same single-pole
// model the node equations use, with the op-amp's noise as noise generators a simulator's noise analysis
// sees, or, for transient runs, with the slew rate and the output swing as hard limits.
//
// Single pole: a transconductance of 1 S from the input difference into R0 = A0 ohm parallel to
// C0 = 1 / (2 pi GBW), buffered to the output, so that A(s) = A0 / (1 + s A0 C0) and A0 / (A0 C0) = wt.
// Voltage noise: a resistor en^2 / 4kT in series with the non-inverting input, through which no current
// flows. Current noise: a resistor 4kT / in^2 shorted by a 0 V source whose current a current-controlled
// current source copies into the inverting input, so that the resistor loads nothing. Both at 27 degrees
// Celsius, the simulators' default temperature. R0's own thermal noise, referred to the input, is about
// 4e-13 V/sqrt(Hz): far below any op-amp's.
#pragma once

#include "opamp/opamp_figures.h"

#include <string>

namespace torvel {

enum class OpAmpSubcircuitKind {
    SmallSignal,  // linear, with the noise generators: AC and noise analyses
    Limited,      // the transconductance's current clipped at slew rate x C0 and the output at the swing
};

/// ".subckt OPAMP inp inn out" ... ".ends OPAMP", each line ending in a newline. An ideal op-amp
/// (no GBW) is a voltage-controlled source of gain 1e9, as in the ideal netlist.
std::string opAmpSubcircuit(const OpAmpFigures& spec, OpAmpSubcircuitKind kind = OpAmpSubcircuitKind::SmallSignal);

}  // namespace torvel
