// The circuit in the component fields as a SPICE netlist and as a bill of materials, so that anyone can
// check the designed values in a circuit simulator or order the parts.
#pragma once

#include "design/circuit_response.h"

#include <string>
#include <string_view>

namespace torvel {

enum class OpAmpNetlistForm {
    InlineSources,  // each op-amp a voltage-controlled voltage source of gain 1e9: ideal for any simulator
    Subcircuit,     // each op-amp an instance of the subcircuit OPAMP (inp inn out), to be swapped for a model
};

/// A netlist with the input source VIN (AC 1 V), node names in, n1, v1 ... v4, and an AC sweep over
/// `startHz` to `stopHz`. Values are written in plain exponent form, since SPICE reads "M" as milli.
/// `opAmpSubcircuit`, when given, is the ".subckt OPAMP inp inn out ... .ends" text written in place of
/// the ideal one (Subcircuit form only).
std::string spiceNetlist(const CircuitComponents& parts, FilterType type, OpAmpNetlistForm form,
                         double startHz = 10, double stopHz = 100e3, std::string_view opAmpSubcircuit = {});

/// "reference,value,series,role" lines: the parts of the layout, their values as the panel writes them,
/// the E-series each was rounded to ("-" where a value is not rounded), and what it does in the circuit.
std::string billOfMaterials(const CircuitComponents& parts, FilterType type, int resistorSeries, int capacitorSeries);

}  // namespace torvel
