// The whole built cascade as one SPICE netlist and as one parts list, so that anyone can check it in a
// circuit simulator or order its parts.
#pragma once

#include "cascade/cascade.h"
#include "design/circuit_response.h"

#include <string>
#include <string_view>

namespace torvel::cascade {

/// Input node `in` (AC 1 V source VIN), output node `out`; the nodes of section k are those of the
/// calculator's netlist with "_k" appended (n1_2, v3_2) and its parts likewise (R4_2); an element built
/// from two parts is R4a_2 and R4b_2, in parallel or in series through R4mid_2. The op-amps are
/// ideal (voltage-controlled sources of gain 1e9) or, with a gain-bandwidth product, instances of a
/// single-pole subcircuit OPAMP1P of the same open-loop gain as the response's model. Given the text of a
/// subcircuit OPAMP (pins inp inn out: a real op-amp with its noise or its limits, as the op-amp library
/// writes it), every op-amp is an instance of that instead, the text follows the circuit and `opAmp` is
/// not read.
std::string cascadeNetlist(const Cascade& cascade, const OpAmpModel& opAmp, double startHz, double stopHz,
                           std::string_view opAmpSubcircuit = {});

/// "reference,value,series,role": the calculator's parts list of every section, the references numbered
/// by section (C1.2, R7.3; both parts of a pair, R1a.2 and R1b.2).
std::string cascadeBillOfMaterials(const Cascade& cascade);

}  // namespace torvel::cascade
