// The circuit in the component fields as a SPICE netlist and as a bill of materials, so that anyone can
// check the designed values in a circuit simulator or order the parts.
#pragma once

#include "design/circuit_response.h"
#include "design/parts_description.h"

#include <string>
#include <string_view>
#include <vector>

namespace torvel {

/// One part of the section as the netlist and the parts list name it: nodes in, n1 ... n4 (the op-amps'
/// inverting inputs) and v1 ... v4 (their outputs).
struct NetlistElement {
    Field field;       // the field that holds its value
    std::string name;  // "R4"
    std::string from, to;
    double value = 0;
    std::string role;  // what it does in the circuit
    bool capacitor = false;
};

/// The parts of the layout of `type`, in the order the netlist lists them.
std::vector<NetlistElement> netlistElements(const CircuitComponents& parts, FilterType type);

/// A value in plain exponent form ("4.7e-08"), since SPICE reads "M" as milli.
std::string spiceNumber(double value);

/// The parts-list text of a value: as the panel writes it, without padding ("33.0000n", "4.7000k").
std::string partsListValue(double value);

enum class OpAmpNetlistForm {
    InlineSources,  // each op-amp a voltage-controlled voltage source of gain 1e9: ideal for any simulator
    Subcircuit,     // each op-amp an instance of the subcircuit OPAMP (inp inn out), to be swapped for a model
};

/// A netlist with the input source VIN (AC 1 V), node names in, n1, v1 ... v4, and an AC sweep over
/// `startHz` to `stopHz`. Values are written in plain exponent form, since SPICE reads "M" as milli.
/// `opAmpSubcircuit`, when given, is the ".subckt OPAMP inp inn out ... .ends" text written in place of
/// the ideal one (Subcircuit form only). An element that `built` describes as two parts while its field
/// still holds their value becomes two elements, R1a and R1b, in series (through the node R1mid) or in
/// parallel.
std::string spiceNetlist(const CircuitComponents& parts, FilterType type, OpAmpNetlistForm form,
                         double startHz = 10, double stopHz = 100e3, std::string_view opAmpSubcircuit = {},
                         const PartsDescription& built = {});

/// "reference,value,series,role" lines: the parts of the layout, their values as the panel writes them,
/// the E-series each was rounded to ("-" where a value is not rounded), and what it does in the circuit.
/// Where `built` describes an element whose field still holds its value, its parts are listed (R1a and
/// R1b for two) and its series column says whether they are series values.
std::string billOfMaterials(const CircuitComponents& parts, FilterType type, int resistorSeries, int capacitorSeries,
                            const PartsDescription& built = {});

}  // namespace torvel
