// The circuit in the component fields as a SPICE netlist and as a bill of materials, so that anyone can
// check the designed values in a circuit simulator or order the parts.
#pragma once

#include "design/circuit_response.h"
#include "design/parts_description.h"

#include <string>

namespace torvel {

enum class OpAmpNetlistForm {
    InlineSources,  // each op-amp a voltage-controlled voltage source of gain 1e9: ideal for any simulator
    Subcircuit,     // each op-amp an instance of the subcircuit OPAMP (inp inn out), to be swapped for a model
};

/// A netlist with the input source VIN (AC 1 V), node names in, n1, v1 ... v4, and an AC sweep over
/// `startHz` to `stopHz`. Values are written in plain exponent form, since SPICE reads "M" as milli. An
/// element that `built` describes as two parts while its field still holds their value becomes two
/// elements, R1a and R1b, in series (through the node R1mid) or in parallel.
std::string spiceNetlist(const CircuitComponents& parts, FilterType type, OpAmpNetlistForm form,
                         double startHz = 10, double stopHz = 100e3, const PartsDescription& built = {});

/// "reference,value,series,role" lines: the parts of the layout, their values as the panel writes them,
/// the E-series each was rounded to ("-" where a value is not rounded), and what it does in the circuit.
/// Where `built` describes an element whose field still holds its value, its parts are listed (R1a and
/// R1b for two) and its series column says whether they are series values.
std::string billOfMaterials(const CircuitComponents& parts, FilterType type, int resistorSeries, int capacitorSeries,
                            const PartsDescription& built = {});

}  // namespace torvel
