// One built section of a cascade as a circuit: a second-order section of the calculator, or a
// first-order section of one op-amp. Both answer the same questions: how many op-amps, which one drives
// the next section, and what every op-amp output does per volt at the section's input.
#pragma once

#include "cascade/first_order_section.h"
#include "design/circuit_response.h"
#include "design/filter_types.h"
#include "design/ideal_transfer.h"
#include "approx/sections.h"

#include <array>
#include <complex>
#include <optional>

namespace torvel::cascade {

struct SectionCircuit {
    std::optional<FilterType> type;  // second-order sections: the calculator's type and parts
    CircuitComponents parts;
    SectionTransfer transfer;        // of `parts` with ideal op-amps
    FirstOrderParts firstOrder;      // first-order sections

    bool isFirstOrder() const { return !type.has_value(); }
    int opAmpCount() const;
    int outputIndex() const;
};

SectionCircuit secondOrderCircuit(const CircuitComponents& parts, FilterType type);
SectionCircuit firstOrderCircuit(const FirstOrderParts& parts);

/// The natural frequency (Hz), Q, zero frequency (Hz, NaN where there is none) and own-sense gain of the
/// circuit with ideal op-amps, from its transfer function: what the parts do, whatever they were meant for.
struct CircuitFigures {
    double foHz = 0, Q = 0, fnHz = 0, H = 0;
};
CircuitFigures circuitFigures(const SectionCircuit& circuit, approx::SectionKind kind);

/// Every op-amp output (A1 ... A4; absent ones 0) per volt at the section's input.
OutputVoltages sectionOutputs(const SectionCircuit& circuit, const OpAmpModel& opAmp, double frequencyHz);

}  // namespace torvel::cascade
