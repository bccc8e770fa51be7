// Sections for the tolerance tests: designed by the calculator's own synthesis, and one set of parts that
// breaks every relation a type relies on.
#pragma once

#include "cascade/section_circuit.h"
#include "design/model_session.h"
#include "design/reading.h"

#include <gtest/gtest.h>

#include <string>

namespace torvel::tolerance::testing {

/// The circuit the window gives for the type and its H, fo, Q (and fn), resistors E24, capacitors E6.
inline cascade::SectionCircuit designedSection(FilterType type, const char* H, const char* fo, const char* Q,
                                               const char* fn = "")
{
    ModelSession session;
    session.panel.checkRadio(type);
    session.panel.setFieldText(Field::H, H);
    session.panel.setFieldText(Field::Fo, fo);
    session.panel.setFieldText(Field::Q, Q);
    session.panel.setFieldText(Field::Fn, fn);
    const CommandOutcome outcome = session.designer.synthesize();
    EXPECT_EQ(outcome.status, CommandStatus::Completed) << outcome.faultText;
    const std::optional<CircuitComponents> parts = ReadCircuitComponents(session.panel);
    EXPECT_TRUE(parts.has_value());
    return cascade::secondOrderCircuit(parts.value_or(CircuitComponents{}), type);
}

/// Every type, designed: fo 1 kHz, Q 2 (the notch and the all-pass Q 2 as well), zeros an octave away.
inline cascade::SectionCircuit designedOfType(FilterType type)
{
    switch (type) {
    case FilterType::TzfLow: return designedSection(type, "1", "1k", "2", "2k");
    case FilterType::TzfHigh: return designedSection(type, "1", "1k", "2", "500");
    default: return designedSection(type, "1", "1k", "2");
    }
}

/// R5 != R6, R9/R7 != R4/R1, unequal capacitors: nothing cancels.
inline cascade::SectionCircuit mismatchedOfType(FilterType type)
{
    CircuitComponents p;
    p.R = {15e3, 3.3e3, 6.8e3, 2.2e3, 4.7e3, 9.1e3, 47e3, 5.6e3, 3.9e3, 27e3};
    p.C1 = 10e-9;
    p.C2 = 22e-9;
    return cascade::secondOrderCircuit(p, type);
}

inline std::string typeName(FilterType type) { return std::string(filterTypeInfo(type).cliName); }

}  // namespace torvel::tolerance::testing
